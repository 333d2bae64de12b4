// Dashed strokes on pixels are cut by our own dasher and stroked solid. On
// straight runs that must look like Qt's own dashing; on curves the dashes
// must sit at their true arc length.
#include "platform/qt/QtGraphicsContext.h"

#include <QPainter>
#include <QPainterPath>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace qv {
namespace {

QImage blank(int w, int h) {
    QImage image = QtImageContext::makeImage({double(w), double(h)}, 1);
    image.fill(Qt::white);
    return image;
}

QImage throughContext(int w, int h, const BezierPath& path) {
    QImage image = blank(w, h);
    QtImageContext context(image, 1);
    context.context().strokePath(path, Color::black());
    context.finish();
    return image;
}

QImage throughQtPen(int w, int h, const BezierPath& path) {
    QImage image = blank(w, h);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.strokePath(toQPainterPath(path), qtPenForPath(path, Qt::black, 1));
    painter.end();
    return image;
}

int largestDifference(const QImage& a, const QImage& b) {
    int most = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            most = std::max(most, std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y))));
    return most;
}

TEST(RasterDashing, StraightRunsMatchQtsOwnDashing) {
    struct Case {
        std::vector<double> pattern;
        double phase;
        LineCapStyle cap;
        LineJoinStyle join;
        double width;
    };
    const Case cases[] = {
        {{10, 6}, 0, LineCapStyle::Butt, LineJoinStyle::Miter, 3},
        {{10, 6}, 7, LineCapStyle::Square, LineJoinStyle::Bevel, 2},
        {{12, 4, 4}, -3, LineCapStyle::Butt, LineJoinStyle::Miter, 4},
        {{0, 9}, 0, LineCapStyle::Round, LineJoinStyle::Round, 5},
        {{7, 3, 1, 3}, 2.5, LineCapStyle::Round, LineJoinStyle::Miter, 1.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "width " << c.width << " phase " << c.phase);
        // A zig-zag with corners inside dashes, so joins are drawn too.
        BezierPath path;
        path.moveToPoint({10, 20});
        path.lineToPoint({90, 20});
        path.lineToPoint({60, 60});
        path.lineToPoint({150, 70});
        path.moveToPoint({20, 90});
        path.lineToPoint({160, 90});
        path.lineToPoint({160, 110});
        path.closePath();
        path.setLineWidth(c.width);
        path.setLineCapStyle(c.cap);
        path.setLineJoinStyle(c.join);
        path.setLineDash(c.pattern, c.phase);
        const QImage ours = throughContext(180, 120, path);
        const QImage qt = throughQtPen(180, 120, path);
        // Round piece ends are our polygons against Qt's curves: their edge
        // pixels may differ a little more in anti-aliasing.
        EXPECT_LE(largestDifference(ours, qt), 16);
        // Something was drawn at all.
        EXPECT_LT(qGray(ours.pixel(12, 20)) + qGray(ours.pixel(22, 90)), 2 * 255);
    }
}

TEST(RasterDashing, DashesOnACircleSitAtTheirArcLength) {
    // 8 on, 8 off round a circle of radius 60: the middle of dash k is at arc
    // length 16k + 4, the middle of gap k at 16k + 12.
    const double r = 60;
    const Point c(80, 80);
    BezierPath circle = BezierPath::bezierPathWithOvalInRect(Rect(c.x - r, c.y - r, 2 * r, 2 * r));
    circle.setLineWidth(4);
    circle.setLineDash({8, 8}, 0);
    const QImage image = throughContext(160, 160, circle);
    auto grayAt = [&](double s) {
        // The oval starts at the right-hand middle point and runs towards +y.
        const double a = s / r;
        return qGray(image.pixel(int(c.x + r * std::cos(a)), int(c.y + r * std::sin(a))));
    };
    const int dashes = int(2 * std::numbers::pi * r / 16);
    for (int k = 0; k < dashes; ++k) {
        SCOPED_TRACE(::testing::Message() << "dash " << k);
        EXPECT_LT(grayAt(16.0 * k + 4), 80);
        EXPECT_GT(grayAt(16.0 * k + 12), 175);
    }
}

TEST(RasterDashing, PatternsTooFineForThePathDrawSolid) {
    BezierPath line;
    line.moveToPoint({0, 10});
    line.lineToPoint({100, 10});
    line.setLineWidth(4);
    line.setLineDash({1e-5, 1e-5}, 0);
    const QImage image = throughContext(100, 20, line);
    for (int x = 1; x < 99; x += 7)
        EXPECT_LT(qGray(image.pixel(x, 10)), 10) << x;
}

} // namespace
} // namespace qv
