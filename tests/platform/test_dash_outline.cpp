// Our filled outline of stroke pieces must look like Qt's own solid stroker
// of the same pieces, at any width, zoom and bend.
#include "framework/foundation/PathDasher.h"
#include "platform/qt/DashOutline.h"
#include "platform/qt/QtGraphicsContext.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace qv {
namespace {

constexpr int kSize = 160;

QImage blank() {
    QImage image(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    return image;
}

QImage byQt(const BezierPath& pieces, const QTransform& t) {
    QImage image = blank();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setTransform(t);
    QPen pen = qtPenForPath(pieces, Qt::black, 1);
    pen.setStyle(Qt::SolidLine);
    p.strokePath(toQPainterPath(pieces), pen);
    return image;
}

QImage byOutline(const QPainterPath& outline, const QTransform& t) {
    QImage image = blank();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setTransform(t);
    p.fillPath(outline, Qt::black);
    return image;
}

struct Difference {
    int most = 0;
    double mean = 0;
};

Difference compare(const QImage& a, const QImage& b) {
    Difference d;
    long sum = 0;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const int e = std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y)));
            d.most = std::max(d.most, e);
            sum += e;
        }
    d.mean = double(sum) / (kSize * kSize);
    return d;
}

// Random open pieces: lines with sharp corners, curves that bend gently (Qt's
// own stroker leaves holes and spikes where a curve bends tighter than the
// pen; the outline's geometry is checked there without Qt).
BezierPath randomPieces(std::mt19937& random) {
    std::uniform_real_distribution<double> coord(10, 70), near(-6, 6), unit(0, 1);
    BezierPath path;
    for (int k = 0; k < 3; ++k) {
        Point at{coord(random), coord(random)};
        path.moveToPoint(at);
        const int elements = 1 + int(unit(random) * 3);
        for (int i = 0; i < elements; ++i) {
            const bool tight = unit(random) < 0.3;
            auto next = [&] {
                return tight ? at + Point(near(random), near(random))
                             : Point(coord(random), coord(random));
            };
            if (tight || unit(random) < 0.5) {
                at = next();
                path.lineToPoint(at);
            } else {
                const Point c1 = next(), c2 = next(), end = next();
                path.curveToPoint(end, c1, c2);
                at = end;
            }
        }
    }
    return path;
}

// Not yet: at some miter joins the two differ by whole pixels (limit or tip
// handling still differs from Qt's), so the outline is not used for drawing.
TEST(DashOutline, DISABLED_MatchesQtsSolidStrokerOnRandomPieces) {
    std::mt19937 random(2024);
    std::uniform_real_distribution<double> widths(0.6, 9), zooms(0.7, 2.2), unit(0, 1);
    const LineCapStyle caps[] = {LineCapStyle::Butt, LineCapStyle::Round, LineCapStyle::Square};
    const LineJoinStyle joins[] = {LineJoinStyle::Miter, LineJoinStyle::Round,
                                   LineJoinStyle::Bevel};
    int worst = 0;
    double worstMean = 0;
    for (int round = 0; round < 90; ++round) {
        BezierPath pieces = randomPieces(random);
        pieces.setLineWidth(widths(random));
        pieces.setLineCapStyle(caps[round % 3]);
        pieces.setLineJoinStyle(joins[(round / 3) % 3]);
        pieces.setMiterLimit(1 + unit(random) * 9);
        const double zoom = zooms(random);
        // Every fourth case is stretched and sheared: the pen is offset in
        // path units, the flattening follows the stretch.
        AffineTransform t = AffineTransform::scaling(zoom, zoom);
        if (round % 4 == 3)
            t = AffineTransform(zoom * 1.6, 0.3, -0.2, zoom * 0.8, 0, 0);
        const QTransform q = toQTransform(t);
        const Difference d = compare(byQt(pieces, q), byOutline(solidOutlinePath(pieces, t), q));
        worst = std::max(worst, d.most);
        worstMean = std::max(worstMean, d.mean);
        EXPECT_LE(d.most, 96) << "round " << round;
        EXPECT_LE(d.mean, 0.25) << "round " << round;
    }
    // Most cases differ only in antialiasing of a few edge pixels.
    EXPECT_LE(worstMean, 0.25);
    std::printf("largest pixel difference %d, largest mean %.4f\n", worst, worstMean);
}

// Not yet: edges differ by up to a third of full coverage.
TEST(DashOutline, DISABLED_DashedOvalsMatchQtStrokingTheSamePieces) {
    // Small ovals bend tighter than the pen inside: no holes, no spikes.
    std::mt19937 random(99);
    std::uniform_real_distribution<double> sizes(3, 40), zooms(0.8, 3), phases(0, 10);
    for (int round = 0; round < 40; ++round) {
        const double zoom = zooms(random);
        BezierPath oval =
            BezierPath::bezierPathWithOvalInRect(Rect(8, 8, sizes(random), sizes(random)));
        oval.setLineWidth(round % 2 ? 2 : 5);
        oval.setLineDash({6, 4}, phases(random));
        oval.setLineCapStyle(round % 3 == 0 ? LineCapStyle::Round : LineCapStyle::Butt);
        const AffineTransform t = AffineTransform::scaling(zoom, zoom);
        const std::optional<QPainterPath> outline = dashOutlinePath(oval, t);
        ASSERT_TRUE(outline);
        DashOptions options;
        if (oval.lineCapStyle() != LineCapStyle::Butt)
            options.dotLength = oval.lineWidth() * 0.01;
        std::optional<BezierPath> pieces =
            dashedPath(oval, oval.lineDash(), oval.lineDashPhase(), options);
        ASSERT_TRUE(pieces);
        const QTransform q = toQTransform(t);
        const Difference d = compare(byQt(*pieces, q), byOutline(*outline, q));
        EXPECT_LE(d.most, 64) << "round " << round;
        EXPECT_LE(d.mean, 0.15) << "round " << round;
    }
}

TEST(DashOutline, PatternsThatCannotBeDashedAreLeftToTheSolidStroke) {
    BezierPath line;
    line.moveToPoint({0, 0});
    line.lineToPoint({100, 0});
    line.setLineDash({0, 0}, 0);
    EXPECT_FALSE(dashOutlinePath(line, {}));
    line.setLineDash({4, -1}, 0);
    EXPECT_FALSE(dashOutlinePath(line, {}));
    line.setLineDash({4, 6}, 0);
    const std::optional<QPainterPath> outline = dashOutlinePath(line, {});
    ASSERT_TRUE(outline);
    // Ten dashes, one closed polygon each.
    int moves = 0;
    for (int i = 0; i < outline->elementCount(); ++i)
        moves += outline->elementAt(i).isMoveTo();
    EXPECT_EQ(moves, 10);
}

} // namespace
} // namespace qv
