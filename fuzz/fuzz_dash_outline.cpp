// Reads any bytes as a path, a dash pattern and a pen, then cuts the path into
// its dashes and outlines them, as drawing a dashed stroke from a file does.
// Neither may crash, hang or run out of memory, whatever the numbers (huge,
// tiny, NaN, infinite): the piece and flattening limits must hold.
// (Drawing also stops keeping an outline past a few million points.)
#include "framework/foundation/BezierPath.h"
#include "framework/foundation/PathDasher.h"
#include "framework/foundation/StrokeOutline.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

using namespace qv;

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : m_Data(data), m_Size(size) {}
    bool empty() const { return m_At >= m_Size; }
    std::uint8_t byte() { return empty() ? 0 : m_Data[m_At++]; }
    // Small numbers mostly, so that paths have shape; any double sometimes.
    double number() {
        const std::uint8_t kind = byte();
        if (kind < 200)
            return double(std::int8_t(byte())) * 0.5 + byte() / 256.0;
        double v = 0;
        std::uint8_t raw[sizeof v] = {};
        for (std::uint8_t& b : raw)
            b = byte();
        std::memcpy(&v, raw, sizeof v);
        return v;
    }

private:
    const std::uint8_t* m_Data;
    std::size_t m_Size;
    std::size_t m_At = 0;
};

class CountingSink : public OutlineSink {
public:
    void polygon(const Point* points, std::size_t count) override {
        for (std::size_t i = 0; i < count; ++i)
            m_Sum += points[i].x + points[i].y;
        m_Points += count;
    }
    double m_Sum = 0;
    std::size_t m_Points = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Reader in(data, size);
    OutlineStyle style;
    style.width = in.number();
    style.cap = LineCapStyle(in.byte() % 3);
    style.join = LineJoinStyle(in.byte() % 3);
    style.miterLimit = in.number();
    style.tolerance = in.byte() % 4 == 0 ? in.number() : 0.1;
    std::vector<double> pattern(in.byte() % 6);
    for (double& d : pattern)
        d = in.number();
    const double phase = in.number();
    DashOptions options;
    options.maxPieces = 100'000; // as drawing asks
    if (in.byte() % 2)
        options.dotLength = style.width * 0.01;

    BezierPath path;
    for (int i = 0; i < 64 && !in.empty(); ++i) {
        switch (in.byte() % 5) {
        case 0:
            path.moveToPoint({in.number(), in.number()});
            break;
        case 1:
        case 2:
            path.lineToPoint({in.number(), in.number()});
            break;
        case 3: {
            const Point c1{in.number(), in.number()}, c2{in.number(), in.number()};
            path.curveToPoint({in.number(), in.number()}, c1, c2);
            break;
        }
        case 4:
            path.closePath();
            break;
        }
    }

    CountingSink sink;
    StrokeOutliner outliner(style, sink);
    if (dashPath(path, pattern, phase, options, outliner))
        outliner.finish();
    if (std::optional<BezierPath> dashed = dashedPath(path, pattern, phase, options))
        (void)dashed->elementCount();
    return 0;
}
