// What the canvas paints: reference pictures of the window's canvas with its
// rulers, the page's corner on a device pixel at every pixel ratio, and the
// paint extent holding every pixel a shape paints.
#include "CanvasTestSupport.h"

#include "canvas/OverlaySpriteContext.h"
#include "canvas/model/PaintExtent.h"
#include "document/Grid.h"
#include "document/Page.h"
#include "platform/qt/QtGraphicsContext.h"
#include "shapes/ArcShape.h"
#include "shapes/BezierShape.h"
#include "shapes/FreehandShape.h"
#include "shapes/GroupShape.h"
#include "shapes/LineShape.h"
#include "shapes/OvalShape.h"
#include "shapes/PolylineShape.h"
#include "shapes/RegularPolygonShape.h"
#include "shapes/RoundRectangleShape.h"
#include "styles/Fill.h"
#include "styles/Shadow.h"
#include "styles/Stroke.h"
#include "tests/platform/ReferenceImage.h"

#include <QElapsedTimer>
#include <QPainter>

#include <random>

namespace qv::test {
namespace {

// The platform's colours, fixed so that pictures compare on any desktop.
QPalette fixedPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(236, 236, 236));
    p.setColor(QPalette::WindowText, Qt::black);
    p.setColor(QPalette::Mid, QColor(170, 170, 170));
    p.setColor(QPalette::Shadow, QColor(85, 85, 85));
    p.setColor(QPalette::Highlight, QColor(48, 140, 198));
    return p;
}

class CanvasPictureTest : public CanvasTest {
protected:
    CanvasPictureTest() {
        window.setPalette(fixedPalette());
        setPaper({216, 144});
        setViewportSize({300, 200});
        // A rectangle, a turned oval with a gradient and its controls, a line.
        rect = rectangleAt(18, 18, 72, 45);
        rect->stroke().setWidth(2);
        rect->fill().setColor(Color(0.95, 0.8, 0.3));
        oval = std::make_shared<OvalShape>();
        oval->setBounds({108, 36, 81, 54});
        oval->setRotation(20);
        oval->fill().setStyle(FillStyleGradient);
        oval->fill().setColor(Color(0.2, 0.4, 0.9));
        oval->fill().setGradientColor(Color(1, 1, 1));
        auto line = std::make_shared<LineShape>();
        line->setStart({27, 108});
        line->setEnd({189, 117});
        line->stroke().setArrowEndStyle(2);
        install({rect, oval, line});
        controller.setSelectionIndexes({0, 1});
    }

    // The rulers and the canvas as the window shows them, without the bars.
    QImage picture() {
        QApplication::processEvents();
        DrawScrollView& scroll = *window.scrollView();
        const QRect area(QPoint(0, 0), view().geometry().bottomRight() + QPoint(1, 1));
        QImage image(area.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        scroll.render(&image, QPoint(), QRegion(area));
        return image;
    }
    // The canvas once the content kept around the viewport is drawn.
    QImage settledGrab() {
        QElapsedTimer waited;
        waited.start();
        QApplication::processEvents();
        while (!view().contentPrefetched() && waited.elapsed() < 10000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        return view().grab().toImage();
    }
    QImage freshGrab() {
        view().setNeedsDisplay();
        return view().grab().toImage();
    }

    ShapePtr rect, oval;
};

TEST_F(CanvasPictureTest, PageGridShapesHandlesAndRulers) {
    document.grid().setRulersVisible(true);
    EXPECT_TRUE(matchesReference(picture(), "canvas_zoom1", {}, "widgets"));
    view().setZoom(2);
    view().centerOnRect({100, 60, 0, 0});
    EXPECT_TRUE(matchesReference(picture(), "canvas_zoom2", {}, "widgets"));
}

TEST_F(CanvasPictureTest, ContentKeptForScrollingMatchesAFreshDrawing) {
    view().setZoom(4);
    DrawScrollView& scroll = *window.scrollView();
    settledGrab();
    // Into the margin drawn while idle, and beyond it.
    for (QPoint step : {QPoint(40, 37), QPoint(-90, 200), QPoint(0, -420)}) {
        scroll.scrollToPosition(scroll.scrollPosition() + step);
        const QImage scrolled = settledGrab();
        const ImageComparison c = compareImages(scrolled, freshGrab(), 2);
        EXPECT_TRUE(c.sameSize);
        EXPECT_EQ(c.outliers, 0) << step.x() << " " << step.y();
    }
    // A change out of view but inside the kept margin shows once scrolled to.
    view().centerOnRect(oval->transformedBounds());
    settledGrab();
    const QPoint back = scroll.scrollPosition();
    scroll.scrollToPosition(back + QPoint(0, 230));
    settledGrab();
    oval->offset({0, 3});
    scroll.scrollToPosition(back);
    const QImage after = settledGrab();
    EXPECT_EQ(compareImages(after, freshGrab(), 2).outliers, 0);
}

TEST_F(CanvasPictureTest, MovingTheWholeDrawingShowsWhatAFreshDrawingShows) {
    auto counted = std::make_shared<CountingRectangle>();
    counted->setBounds({20, 100, 40, 30});
    counted->setRotation(10);
    install({rect, oval, counted});
    controller.selectAll();
    // By whole pixels with a change waiting in the same turn; far enough at
    // 400 % that shapes come in from beyond the kept content; by a pixel and
    // a half, which draws the shapes again.
    struct Move {
        double zoom;
        Size delta;
    };
    for (const Move& m : {Move{1, {9, -3}}, Move{4, {-80, 30}}, Move{1.5, {1, 1}}}) {
        view().setZoom(m.zoom);
        view().centerOnRect(rect->bounds());
        settledGrab();
        CountingRectangle::draws = 0;
        oval->fill().setColor(Color(0.1, 0.6 + 0.1 * m.zoom, 0.2));
        controller.offset(m.delta.width, m.delta.height);
        const QImage moved = settledGrab();
        if (m.zoom == 1) {
            EXPECT_EQ(CountingRectangle::draws, 0);
        }
        const ImageComparison c = compareImages(moved, freshGrab(), 2);
        EXPECT_TRUE(c.sameSize);
        EXPECT_EQ(c.outliers, 0) << m.zoom;
    }
}

TEST_F(CanvasPictureTest, ABusyPageShowsWhatDrawingEveryShapeInOrderShows) {
    // Shapes many deep, mostly opaque, some see-through or shadowed: the
    // canvas leaves out those hidden under later ones, keeps the shapes on a
    // layer of their own and draws its caches in pieces.
    std::mt19937 random(3);
    std::uniform_real_distribution<double> x(-10, 200), y(-10, 130), side(4, 40), unit(0, 1),
        angle(0, 360);
    ShapeList busy;
    for (int i = 0; i < 600; ++i) {
        ShapePtr s = i % 2 ? ShapePtr(std::make_shared<OvalShape>()) : rectangleAt(0, 0, 1, 1);
        s->setBounds({x(random), y(random), side(random), side(random)});
        s->setRotation(angle(random));
        s->fill().setStyle(FillStyleColor);
        s->fill().setColor(Color(unit(random), unit(random), unit(random), i % 17 ? 1 : 0.5));
        s->stroke().setWidth(i % 2 ? 2 : 1);
        if (i % 4 == 1)
            s->stroke().setStyle(StrokeStyleDash);
        s->shadow().setVisible(i % 31 == 0);
        busy.push_back(s);
    }
    for (double zoom : {1.0, 4.0}) {
        view().setZoom(zoom);
        view().centerOnRect({100, 70, 0, 0});
        install({});
        QImage plain = view().grab().toImage();
        install(busy);
        const QImage canvas = view().grab().toImage();
        // The empty page with every shape drawn over it, one by one.
        const QPointF corner = view().viewportPointForDrawingPoint({0, 0});
        QPainter painter(&plain);
        QtGraphicsContext gc(painter, AffineTransform(zoom, 0, 0, zoom, corner.x(), corner.y()),
                             true);
        for (const ShapePtr& s : busy)
            s->drawInView(gc, &view());
        gc.finish();
        painter.end();
        const ImageComparison c = compareImages(canvas, plain, 3);
        EXPECT_TRUE(c.sameSize);
        EXPECT_EQ(c.outliers, 0) << zoom << " max " << c.maxDifference;
    }
}

TEST_F(CanvasPictureTest, StampedHandlesOfEveryKindMatchTheShapesOwnDrawing) {
    // One shape of every kind, most of them turned, one with gradient controls.
    auto polygon = std::make_shared<RegularPolygonShape>();
    polygon->setBounds({100, 20, 40, 36});
    polygon->setNumberOfSides(5);
    auto line = std::make_shared<LineShape>();
    line->setStart({20, 120});
    line->setEnd({90, 100});
    auto arc = std::make_shared<ArcShape>();
    arc->setCenter({170, 110});
    arc->setRadius(20);
    arc->setAngle1(10);
    arc->setAngle2(200);
    auto curve = std::make_shared<BezierShape>();
    curve->moveToPoint({150, 20});
    curve->curveToPoint({200, 60}, {210, 10}, {160, 70});
    auto freehand = std::make_shared<FreehandShape>();
    freehand->moveToPoint({30, 70});
    freehand->lineToPoint({60, 90});
    auto polyline = std::make_shared<PolylineShape>();
    polyline->moveToPoint({100, 70});
    polyline->lineToPoint({120, 95});
    polyline->lineToPoint({140, 75});
    auto round = std::make_shared<RoundRectangleShape>();
    round->setBounds({60, 40, 30, 20});
    round->setRotation(33);
    auto text = std::make_shared<TextShape>();
    text->setBounds({110, 100, 40, 20});
    text->setRichText(RichText::fromPlainText("Aa"));
    text->setRotation(-12);
    auto group =
        GroupShape::groupWithShapes({rectangleAt(180, 80, 20, 10), rectangleAt(190, 95, 15, 12)});
    rect->setRotation(15);
    const ShapeList all{rect,     oval,     polygon, line, arc,  curve,
                        freehand, polyline, round,   text, group};
    install(all);
    ShapesController::IndexSet everything(all.size());
    for (std::size_t i = 0; i < all.size(); ++i)
        everything[i] = i;
    for (double zoom : {1.0, 2.0})
        for (double dpr : {1.0, 2.0}) {
            view().setZoom(zoom);
            view().centerOnRect({108, 72, 0, 0});
            const QPointF corner = view().viewportPointForDrawingPoint({0, 0});
            ASSERT_EQ(corner, QPointF(corner.toPoint()));
            auto paint = [&](bool selected) {
                controller.setSelectionIndexes(selected ? everything
                                                        : ShapesController::IndexSet());
                QImage image(QSize(300, 200) * dpr, QImage::Format_ARGB32_Premultiplied);
                image.setDevicePixelRatio(dpr);
                QPainter painter(&image);
                view().drawRegion(painter, QRegion(view().rect()));
                if (!selected) {
                    // The shapes' own drawing, every circle filled as a path.
                    QtGraphicsContext gc(
                        painter, AffineTransform(zoom, 0, 0, zoom, corner.x(), corner.y()), true);
                    for (const ShapePtr& s : all) {
                        if (s->fill().style() == FillStyleGradient)
                            s->drawGradientControlsInView(gc, &view());
                        s->drawSelectionHandlesInView(gc, &view());
                    }
                    gc.finish();
                }
                painter.end();
                return image;
            };
            const ImageComparison c = compareImages(paint(true), paint(false), 40);
            EXPECT_TRUE(c.sameSize);
            EXPECT_EQ(c.outliers, 0) << zoom << " " << dpr << " max " << c.maxDifference;
        }
}

TEST_F(CanvasPictureTest, ThePageCornerSitsOnADevicePixelAndTheBorderAScreenPointAway) {
    document.grid().setVisible(false);
    install({});
    setViewportSize({400, 260});
    for (double dpr : {1.0, 1.5, 2.0})
        for (double zoom : {1.0, 1.5}) {
            view().setZoom(zoom);
            QImage image(QSize(400, 260) * dpr, QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(dpr);
            QPainter painter(&image);
            view().drawRegion(painter, QRegion(view().rect()));
            painter.end();
            // Along a row through the page: the border's colour, then white,
            // with no blended pixel between them.
            const int y = image.height() / 2;
            int x = 0;
            while (x < image.width() && image.pixel(x, y) != qRgb(255, 255, 255))
                ++x;
            ASSERT_GT(x, 0) << dpr << " " << zoom;
            EXPECT_EQ(image.pixel(x - 1, y), qRgb(85, 85, 85)) << dpr << " " << zoom;
        }
    // A page that fits the viewport even at 1600 %, with desk all around.
    setPaper({18, 12});
    for (double zoom : {1.0, 4.0, 16.0}) {
        view().setZoom(zoom);
        const QImage image = view().grab().toImage();
        const QPointF corner = view().viewportPointForDrawingPoint({18, 12});
        const int y = int(corner.y()) - 2, x = int(corner.x()) - 1;
        ASSERT_EQ(image.pixel(x, y), qRgb(255, 255, 255)) << zoom;
        // Past the page's last column: at most one pixel of desk, then the border.
        int border = x + 1;
        while (border < image.width() && image.pixel(border, y) != qRgb(85, 85, 85))
            ++border;
        EXPECT_LE(border - x, 2) << zoom;
    }
}

// The canvas as shapes see it when the extent is measured and drawn.
class PlainView : public ShapeView {
public:
    explicit PlainView(double zoom) : m_Zoom(zoom) {}
    double zoom() const override { return m_Zoom; }

private:
    double m_Zoom;
};

TEST(PaintExtent, HoldsEveryPixelAShapeAndItsHandlesPaint) {
    ShapeList shapes;
    auto mitered = std::make_shared<RegularPolygonShape>();
    mitered->setBounds({100, 100, 60, 50});
    mitered->setNumberOfSides(5);
    mitered->setStellation(0.8);
    mitered->stroke().setWidth(6);
    mitered->setRotation(17);
    shapes.push_back(mitered);
    auto arrows = std::make_shared<LineShape>();
    arrows->setStart({90, 200});
    arrows->setEnd({200, 150});
    arrows->stroke().setWidth(3);
    arrows->stroke().setArrowStartStyle(5);
    arrows->stroke().setArrowEndStyle(12);
    shapes.push_back(arrows);
    auto shadowed = std::make_shared<OvalShape>();
    shadowed->setBounds({120, 120, 40, 30});
    shadowed->shadow().setVisible(true);
    shadowed->shadow().setShadowOffset({12, -9});
    shadowed->shadow().setShadowBlurRadius(8);
    shapes.push_back(shadowed);
    auto gradient = rectangleAt(130, 130, 30, 20);
    gradient->fill().setStyle(FillStyleGradient);
    gradient->setGradientStart({100, 170});
    gradient->setGradientEnd({190, 110});
    shapes.push_back(gradient);
    auto curve = std::make_shared<BezierShape>();
    curve->moveToPoint({110, 110});
    curve->curveToPoint({190, 190}, {220, 90}, {80, 230});
    curve->stroke().setWidth(4);
    shapes.push_back(curve);
    shapes.push_back(GroupShape::groupWithShapes({mitered, shadowed}));

    for (double zoom : {1.0, 3.0})
        for (const ShapePtr& shape : shapes) {
            const PlainView view(zoom);
            QImage image(QSize(300, 300) * zoom, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            {
                QtImageContext context(image, zoom, true);
                GraphicsContext& gc = context.context();
                shape->drawInView(gc, &view);
                shape->drawGradientControlsInView(gc, &view);
                shape->drawSelectionHandlesInView(gc, &view);
                if (auto* b = dynamic_cast<BezierShape*>(shape.get()))
                    b->drawReshapeHandlesInView(gc, &view);
                context.finish();
            }
            const Rect e = canvasPaintExtent(*shape, &view);
            const QRect allowed =
                QRectF(e.x() * zoom, e.y() * zoom, e.width() * zoom, e.height() * zoom)
                    .toAlignedRect();
            int outside = 0, painted = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (qAlpha(image.pixel(x, y)) > 0) {
                        ++painted;
                        outside += !allowed.contains(x, y);
                    }
            EXPECT_GT(painted, 0);
            EXPECT_EQ(outside, 0) << "zoom " << zoom << ", shape "
                                  << shape->elementName().value_or("?");
        }
    // Measured, not the fixed 100-point margin.
    const PlainView view(1);
    EXPECT_LT(canvasPaintExtent(*gradient, &view).width(), 120);
}

TEST(OverlaySpriteContext, StampedCirclesMatchFilledOnesAndOtherPathsPassThrough) {
    // Turned, at zoom 2 and a fractional device ratio: a circle is a circle.
    const auto square = BezierPath::bezierPathWithRect({3, 3, 4, 4});
    for (double dpr : {1.0, 1.5})
        for (double phase : {0.0, 0.3, 0.77}) {
            const Rect r(10 + phase, 12 + phase / 3, 9, 9);
            const BezierPath oval = BezierPath::bezierPathWithOvalInRect(r);
            QImage direct(QSize(60, 60) * dpr, QImage::Format_ARGB32_Premultiplied);
            direct.setDevicePixelRatio(dpr);
            QImage stamped = direct;
            for (QImage* image : {&direct, &stamped}) {
                image->fill(Qt::transparent);
                QPainter painter(image);
                QtGraphicsContext gc(painter, AffineTransform(2, 0, 0, 2, 0, 0), true);
                gc.concatCTM(AffineTransform::rotationByDegrees(33));
                OverlaySpriteContext overlay(gc, painter);
                GraphicsContext& target =
                    image == &stamped ? static_cast<GraphicsContext&>(overlay) : gc;
                target.fillPath(oval, Color(0.2, 0.5, 0.9, 1));
                target.fillPath(square, Color(1, 0, 0, 1));
                gc.finish();
            }
            const ImageComparison c = compareImages(direct, stamped, 40);
            EXPECT_EQ(c.outliers, 0) << dpr << " " << phase << " max " << c.maxDifference;
            EXPECT_GT(OverlaySpriteContext::cachedSpriteCount(), 0u);
        }
    EXPECT_FALSE(OverlaySpriteContext::circleOf(square));
    EXPECT_FALSE(OverlaySpriteContext::circleOf(
        BezierPath::bezierPathWithOvalInRect({0, 0, 20, 10}))); // an ellipse
}

} // namespace
} // namespace qv::test
