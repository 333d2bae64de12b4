// Our filled outline of stroke pieces must look like Qt's own solid stroker
// of the same pieces, at any width, zoom and bend.
#include "framework/foundation/PathDasher.h"
#include "platform/qt/DashOutline.h"
#include "platform/qt/QtGraphicsContext.h"

#include <QPainter>
#include <QPainterPathStroker>

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
    const QPen pen = qtPenForPath(pieces, Qt::black, 1);
    QPainterPathStroker stroker(pen);
    stroker.setDashPattern(Qt::SolidLine);
    // Filled as one area without overlaps: where Qt's stroker doubles back
    // over itself (inside every corner) its anti-aliasing counts those pixels
    // twice and draws them darker than they are.
    p.fillPath(stroker.createStroke(toQPainterPath(pieces)).simplified(), Qt::black);
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
    int large = 0; // pixels more than a quarter of full coverage apart
};

Difference compare(const QImage& a, const QImage& b) {
    Difference d;
    long sum = 0;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const int e = std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y)));
            d.most = std::max(d.most, e);
            d.large += e > 64;
            sum += e;
        }
    d.mean = double(sum) / (kSize * kSize);
    return d;
}

// Random open polylines, corners of any angle between segments longer than
// the pen is wide. (Where a segment is shorter than that next to a sharp
// corner, and along curves, Qt's stroker itself strays from the pen's area by
// up to a pixel; the outline's geometry is checked there without Qt.)
BezierPath randomPolylines(std::mt19937& random) {
    std::uniform_real_distribution<double> coord(10, 70), unit(0, 1);
    BezierPath path;
    for (int k = 0; k < 3; ++k) {
        Point at{coord(random), coord(random)};
        path.moveToPoint(at);
        const int elements = 1 + int(unit(random) * 3);
        for (int i = 0; i < elements; ++i) {
            Point next;
            do
                next = {coord(random), coord(random)};
            while (std::hypot(next.x - at.x, next.y - at.y) < 12);
            path.lineToPoint(next);
            at = next;
        }
    }
    return path;
}

// Qt draws the same area but for anti-aliasing, except at round joins where a
// segment turns right back (there Qt strays by up to half a pixel: 174 where
// full coverage of the pen's area gives 31, ours 39), so a few pixels a case
// may differ by more than a quarter of full coverage; a spike or hole covers
// far more.
TEST(DashOutline, MatchesQtsSolidStrokerOnRandomPolylines) {
    std::mt19937 random(2024);
    std::uniform_real_distribution<double> widths(0.6, 9), zooms(0.7, 2.2), unit(0, 1);
    const LineCapStyle caps[] = {LineCapStyle::Butt, LineCapStyle::Round, LineCapStyle::Square};
    const LineJoinStyle joins[] = {LineJoinStyle::Miter, LineJoinStyle::Round,
                                   LineJoinStyle::Bevel};
    for (int round = 0; round < 90; ++round) {
        BezierPath pieces = randomPolylines(random);
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
        EXPECT_LE(d.large, 40) << "round " << round;
        EXPECT_LE(d.mean, 0.3) << "round " << round;
    }
}

// A corner inside a piece: the same join as Qt's, mitred within the limit
// and bevelled beyond it, for right angles, spikes and near-straight bends.
TEST(DashOutline, CornersMatchQtsJoins) {
    const double turns[] = {10, 45, 90, 120, 160, 170};
    const LineJoinStyle joins[] = {LineJoinStyle::Miter, LineJoinStyle::Round,
                                   LineJoinStyle::Bevel};
    for (LineJoinStyle join : joins)
        for (double turn : turns)
            for (double limit : {1.5, 4.0, 12.0}) {
                const double a = turn * std::acos(-1.0) / 180;
                BezierPath corner;
                corner.moveToPoint({20, 80});
                corner.lineToPoint({80, 80});
                corner.lineToPoint({80 + 50 * std::cos(a), 80 - 50 * std::sin(a)});
                corner.setLineWidth(9);
                corner.setLineJoinStyle(join);
                corner.setMiterLimit(limit);
                const Difference d =
                    compare(byQt(corner, {}), byOutline(solidOutlinePath(corner, {}), {}));
                SCOPED_TRACE(::testing::Message()
                             << "turn " << turn << " limit " << limit << " join " << int(join));
                // A miter where a bevel belongs (or the reverse) is tens of
                // pixels; a pixel or two at the tip of the thin inside wedge
                // of the sharpest turns may differ, whatever the join.
                EXPECT_LE(d.large, 2);
                EXPECT_LE(d.mean, 0.03);
            }
}

// Patterns that cannot be dashed, too many pieces, or pieces whose outlines
// together are too large whatever a file's numbers: the stroke is drawn solid.
TEST(DashOutline, OnlyBoundedDashableOutlinesAreMade) {
    BezierPath line;
    line.moveToPoint({0, 0});
    line.lineToPoint({100, 0});
    for (const std::vector<double>& unusable : {std::vector<double>{0, 0}, {4, -1}}) {
        line.setLineDash(unusable, 0);
        EXPECT_FALSE(dashOutlinePath(line, {}));
    }
    line.setLineDash({4, 6}, 0);
    const std::optional<QPainterPath> dashes = dashOutlinePath(line, {});
    ASSERT_TRUE(dashes);
    // Ten dashes, one closed polygon each.
    int moves = 0;
    for (int i = 0; i < dashes->elementCount(); ++i)
        moves += dashes->elementAt(i).isMoveTo();
    EXPECT_EQ(moves, 10);

    line.lineToPoint({1e7, 0});
    line.setLineDash({1, 1}, 0); // 5 million pieces
    EXPECT_FALSE(dashOutlinePath(line, {}));
    // 60,000 round dots of 200 px: few enough pieces, too many points.
    BezierPath far;
    far.moveToPoint({0, 0});
    far.lineToPoint({250.0 * 60000, 0});
    far.setLineWidth(200);
    far.setLineCapStyle(LineCapStyle::Round);
    far.setLineDash({0, 250}, 0);
    EXPECT_FALSE(dashOutlinePath(far, {}));
    // The same dots on a shorter line are outlined.
    BezierPath near = far;
    near.removeAllPoints();
    near.moveToPoint({0, 0});
    near.lineToPoint({250.0 * 100, 0});
    const std::optional<QPainterPath> outline = dashOutlinePath(near, {});
    ASSERT_TRUE(outline);
    EXPECT_GT(outline->elementCount(), 100 * 20);
}

} // namespace
} // namespace qv
