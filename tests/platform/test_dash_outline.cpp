// Dashed strokes on pixels are filled outlines of the pieces our dasher cuts:
// they must look like Qt's own stroker and dashing and stay bounded whatever
// a file's numbers.
#include "framework/foundation/PathDasher.h"
#include "platform/qt/DashOutline.h"
#include "platform/qt/QtGraphicsContext.h"

#include <QPainter>
#include <QPainterPathStroker>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

namespace qv {
namespace {

// A white w × h picture painted by `paint`, antialiased, in pixels.
QImage painted(int w, int h, const std::function<void(QPainter&)>& paint) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    paint(p);
    return image;
}

// Qt's solid stroker on `pieces`, filled as one area without overlaps: where
// it doubles back over itself (inside every corner) its anti-aliasing would
// count those pixels twice.
QImage byQtStroker(const BezierPath& pieces, const QTransform& t) {
    return painted(160, 160, [&](QPainter& p) {
        p.setTransform(t);
        QPainterPathStroker stroker(qtPenForPath(pieces, Qt::black, 1));
        stroker.setDashPattern(Qt::SolidLine);
        p.fillPath(stroker.createStroke(toQPainterPath(pieces)).simplified(), Qt::black);
    });
}

QImage byOutline(const BezierPath& pieces, const AffineTransform& t) {
    return painted(160, 160, [&](QPainter& p) {
        p.setTransform(toQTransform(t));
        p.fillPath(solidOutlinePath(pieces, t), Qt::black);
    });
}

struct Difference {
    int most = 0;
    double mean = 0;
    int large = 0; // pixels more than a quarter of full coverage apart
};

Difference compare(const QImage& a, const QImage& b) {
    Difference d;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const int e = std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y)));
            d.most = std::max(d.most, e);
            d.large += e > 64;
            d.mean += double(e) / (a.width() * a.height());
        }
    return d;
}

// Random open polylines with corners of any angle between segments longer
// than the pen is wide, with every cap and join, on zooms and (every fourth)
// stretched and sheared transforms: the same area as Qt's but for
// anti-aliasing. (Next to a sharp corner after a shorter segment, and along
// curves, Qt's stroker itself strays by up to a pixel; at round joins that
// turn right back by half a pixel, hence a few large differences a case.)
TEST(DashOutline, MatchesQtsSolidStrokerOnRandomPolylines) {
    std::mt19937 random(2024);
    std::uniform_real_distribution<double> coord(10, 70), widths(0.6, 9), zooms(0.7, 2.2),
        unit(0, 1);
    for (int round = 0; round < 90; ++round) {
        BezierPath pieces;
        for (int k = 0; k < 3; ++k) {
            Point at{coord(random), coord(random)};
            pieces.moveToPoint(at);
            for (int i = 0, n = 1 + int(unit(random) * 3); i < n; ++i) {
                Point next;
                do
                    next = {coord(random), coord(random)};
                while (std::hypot(next.x - at.x, next.y - at.y) < 12);
                pieces.lineToPoint(next);
                at = next;
            }
        }
        pieces.setLineWidth(widths(random));
        pieces.setLineCapStyle(LineCapStyle(round % 3));
        pieces.setLineJoinStyle(LineJoinStyle((round / 3) % 3));
        pieces.setMiterLimit(1 + unit(random) * 9);
        const double zoom = zooms(random);
        const AffineTransform t = round % 4 == 3
                                      ? AffineTransform(zoom * 1.6, 0.3, -0.2, zoom * 0.8, 0, 0)
                                      : AffineTransform::scaling(zoom, zoom);
        const Difference d = compare(byQtStroker(pieces, toQTransform(t)), byOutline(pieces, t));
        EXPECT_LE(d.large, 40) << "round " << round;
        EXPECT_LE(d.mean, 0.3) << "round " << round;
    }
}

// A corner inside a piece gets Qt's join: mitred within the limit and
// bevelled beyond it, for right angles, spikes and near-straight bends. The
// wrong one is tens of pixels; only the tip of the thin inside wedge of the
// sharpest turns may differ by a pixel or two.
TEST(DashOutline, CornersMatchQtsJoins) {
    for (const LineJoinStyle join :
         {LineJoinStyle::Miter, LineJoinStyle::Round, LineJoinStyle::Bevel})
        for (const double turn : {10, 45, 90, 120, 160, 170})
            for (const double limit : {1.5, 4.0, 12.0}) {
                SCOPED_TRACE(::testing::Message()
                             << "turn " << turn << " limit " << limit << " join " << int(join));
                const double a = turn * std::numbers::pi / 180;
                BezierPath corner;
                corner.moveToPoint({20, 80});
                corner.lineToPoint({80, 80});
                corner.lineToPoint({80 + 50 * std::cos(a), 80 - 50 * std::sin(a)});
                corner.setLineWidth(9);
                corner.setLineJoinStyle(join);
                corner.setMiterLimit(limit);
                const Difference d = compare(byQtStroker(corner, {}), byOutline(corner, {}));
                EXPECT_LE(d.large, 2);
                EXPECT_LE(d.mean, 0.03);
            }
}

// Through the drawing surface, straight dashed runs with corners inside
// dashes look like Qt's own dashing with every cap, join and phase (round
// piece ends are our polygons against Qt's curves, a little different in
// anti-aliasing).
TEST(DashOutline, DashedStrokesMatchQtsOwnDashing) {
    const struct {
        std::vector<double> pattern;
        double phase;
        LineCapStyle cap;
        LineJoinStyle join;
        double width;
    } cases[] = {
        {{10, 6}, 0, LineCapStyle::Butt, LineJoinStyle::Miter, 3},
        {{10, 6}, 7, LineCapStyle::Square, LineJoinStyle::Bevel, 2},
        {{12, 4, 4}, -3, LineCapStyle::Butt, LineJoinStyle::Miter, 4},
        {{0, 9}, 0, LineCapStyle::Round, LineJoinStyle::Round, 5},
        {{7, 3, 1, 3}, 2.5, LineCapStyle::Round, LineJoinStyle::Miter, 1.5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "width " << c.width << " phase " << c.phase);
        BezierPath path;
        path.moveToPoint({10, 20});
        for (const Point p : {Point{90, 20}, Point{60, 60}, Point{150, 70}})
            path.lineToPoint(p);
        path.moveToPoint({20, 90});
        path.lineToPoint({160, 90});
        path.lineToPoint({160, 110});
        path.closePath();
        path.setLineWidth(c.width);
        path.setLineCapStyle(c.cap);
        path.setLineJoinStyle(c.join);
        path.setLineDash(c.pattern, c.phase);
        QImage ours = painted(180, 120, [](QPainter&) {});
        QtImageContext context(ours, 1);
        context.context().strokePath(path, Color::black());
        context.finish();
        const QImage qt = painted(180, 120, [&](QPainter& p) {
            p.strokePath(toQPainterPath(path), qtPenForPath(path, Qt::black, 1));
        });
        EXPECT_LE(compare(ours, qt).most, 16);
        EXPECT_LT(qGray(ours.pixel(12, 20)) + qGray(ours.pixel(22, 90)), 2 * 255); // drawn at all
    }
}

// Patterns that cannot be dashed, too many pieces, or pieces whose outlines
// together are too large: no outline, the stroke is drawn solid.
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
    int moves = 0; // ten dashes, one closed polygon each
    for (int i = 0; i < dashes->elementCount(); ++i)
        moves += dashes->elementAt(i).isMoveTo();
    EXPECT_EQ(moves, 10);

    line.lineToPoint({1e7, 0});
    line.setLineDash({1, 1}, 0); // 5 million pieces
    EXPECT_FALSE(dashOutlinePath(line, {}));
    // 60,000 round dots of 200 px are few enough pieces but too many points;
    // 100 of them are outlined.
    BezierPath dots;
    dots.setLineWidth(200);
    dots.setLineCapStyle(LineCapStyle::Round);
    dots.setLineDash({0, 250}, 0);
    for (const double count : {60000.0, 100.0}) {
        dots.removeAllPoints();
        dots.moveToPoint({0, 0});
        dots.lineToPoint({250 * count, 0});
        const std::optional<QPainterPath> outline = dashOutlinePath(dots, {});
        EXPECT_EQ(outline.has_value(), count == 100);
        if (outline) {
            EXPECT_GT(outline->elementCount(), 100 * 20);
        }
    }
}

} // namespace
} // namespace qv
