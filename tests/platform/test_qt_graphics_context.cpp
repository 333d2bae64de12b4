#include "platform/qt/QtGraphicsContext.h"
#include "platform/qt/QtImageCodec.h"
#include "tests/platform/ReferenceImage.h"

#include <QBuffer>
#include <QFile>
#include <QPdfWriter>

#include <gtest/gtest.h>

#include <cmath>

namespace qv {
namespace {

using test::matchesReference;

// Renders `draw` into a w × h point picture at `zoom` pixels per point, on
// white unless `transparent`.
QImage render(int w, int h, double zoom, const std::function<void(GraphicsContext&)>& draw,
              bool transparent = false) {
    QImage image = QtImageContext::makeImage({double(w), double(h)}, zoom);
    if (!transparent)
        image.fill(Qt::white);
    QtImageContext context(image, zoom);
    draw(context.context());
    context.finish();
    return image;
}

QColor pixel(const QImage& image, double x, double y) {
    return image.pixelColor(int(x), int(y));
}

int alphaAt(const QImage& image, int x, int y) {
    return qAlpha(image.pixel(x, y));
}

BezierPath line(Point a, Point b, double width) {
    BezierPath p;
    p.moveToPoint(a);
    p.lineToPoint(b);
    p.setLineWidth(width);
    return p;
}

Color blend(const Color& a, const Color& b, double t) {
    return {(1 - t) * a.red + t * b.red, (1 - t) * a.green + t * b.green,
            (1 - t) * a.blue + t * b.blue, (1 - t) * a.alpha + t * b.alpha};
}

void expectColorNear(const QColor& actual, const Color& expected, int tolerance = 3) {
    EXPECT_NEAR(actual.red(), expected.red * 255, tolerance);
    EXPECT_NEAR(actual.green(), expected.green * 255, tolerance);
    EXPECT_NEAR(actual.blue(), expected.blue * 255, tolerance);
    EXPECT_NEAR(actual.alpha(), expected.alpha * 255, tolerance);
}

const Color kRed{1, 0, 0, 1};
const Color kBlue{0, 0, 1, 1};

TEST(QtDashPatternTest, LengthsInLineWidthsOddArraysDoubledUnusableOnesSolid) {
    const struct {
        std::vector<double> lengths;
        double phase, width;
        QList<qreal> pattern;
        double offset;
    } cases[] = {
        {{8, 4}, 6, 2, {4, 2}, 3},                // divided by the width
        {{3, 1, 2}, 0, 1, {3, 1, 2, 3, 1, 2}, 0}, // repeated, pieces swapped
        {{}, 0, 1, {}, 0},
        {{0, 0}, 0, 1, {}, 0}, // nothing to dash: solid
        {{4, -1}, 0, 1, {}, 0},
        {{4, 2}, 0, 0, {}, 0}, //
    };
    for (const auto& c : cases) {
        const QtDashPattern d = qtDashPattern(c.lengths, c.phase, c.width);
        EXPECT_EQ(d.pattern, c.pattern) << c.lengths.size() << " " << c.width;
        if (!c.pattern.isEmpty()) {
            EXPECT_DOUBLE_EQ(d.offset, c.offset);
        }
    }
    // Zero-length dashes keep a hair and the period.
    const QtDashPattern d = qtDashPattern({0, 4}, 0, 2);
    ASSERT_EQ(d.pattern.size(), 2);
    EXPECT_GT(d.pattern[0], 0);
    EXPECT_NEAR(d.pattern[0] + d.pattern[1], 2.0, 1e-12);
}

TEST(QtGraphicsContextTest, CurrentTransformIncludesZoomAndPixelRatio) {
    QImage image = QtImageContext::makeImage({10, 10}, 4);
    image.setDevicePixelRatio(2);
    QtImageContext context(image, 4);
    GraphicsContext& gc = context.context();
    EXPECT_EQ(gc.currentTransform(), AffineTransform::scaling(4, 4));
    gc.saveGState();
    gc.concatCTM(AffineTransform::translation(1, 2));
    EXPECT_EQ(gc.currentTransform().transformPoint({0, 0}), Point(4, 8));
    gc.restoreGState();
    EXPECT_EQ(gc.currentTransform(), AffineTransform::scaling(4, 4));
    EXPECT_FALSE(gc.isDrawingToScreen());
}

TEST(QtGraphicsContextTest, FillsWithTheWindingRule) {
    // Two nested squares in the same direction: even-odd leaves a hole.
    auto squares = [](WindingRule rule) {
        BezierPath p = BezierPath::bezierPathWithRect({10, 10, 80, 80});
        p.appendBezierPath(BezierPath::bezierPathWithRect({30, 30, 40, 40}));
        p.setWindingRule(rule);
        return p;
    };
    const QImage nonZero = render(100, 100, 1, [&](GraphicsContext& gc) {
        gc.fillPath(squares(WindingRule::NonZero), kRed);
    });
    const QImage evenOdd = render(100, 100, 1, [&](GraphicsContext& gc) {
        gc.fillPath(squares(WindingRule::EvenOdd), kRed);
    });
    expectColorNear(pixel(nonZero, 50, 50), kRed);
    expectColorNear(pixel(evenOdd, 50, 50), Color::white());
    expectColorNear(pixel(evenOdd, 20, 50), kRed);
    expectColorNear(pixel(evenOdd, 5, 5), Color::white());
}

TEST(QtGraphicsContextTest, CapsAndJoins) {
    const QImage image = render(240, 160, 1, [](GraphicsContext& gc) {
        const LineCapStyle caps[] = {LineCapStyle::Butt, LineCapStyle::Round, LineCapStyle::Square};
        const LineJoinStyle joins[] = {LineJoinStyle::Miter, LineJoinStyle::Round,
                                       LineJoinStyle::Bevel};
        for (int i = 0; i < 3; ++i) {
            BezierPath p = line({30, 20 + 25.0 * i}, {210, 20 + 25.0 * i}, 12);
            p.setLineCapStyle(caps[i]);
            gc.strokePath(p, Color(0.1, 0.3, 0.8));
            gc.strokePath(line({30, 20 + 25.0 * i}, {210, 20 + 25.0 * i}, 0), kRed);
        }
        for (int i = 0; i < 3; ++i) {
            BezierPath v;
            v.moveToPoint({25 + 75.0 * i, 150});
            v.lineToPoint({55 + 75.0 * i, 95});
            v.lineToPoint({85 + 75.0 * i, 150});
            v.setLineWidth(10);
            v.setLineJoinStyle(joins[i]);
            gc.strokePath(v, Color(0.2, 0.6, 0.2, 0.8));
        }
    });
    // A butt cap stops at the end point, a square cap reaches half a width beyond.
    expectColorNear(pixel(image, 26, 20), Color::white());
    expectColorNear(pixel(image, 26, 70), Color(0.1, 0.3, 0.8));
    EXPECT_TRUE(matchesReference(image, "caps_and_joins"));
}

TEST(QtGraphicsContextTest, MiterJoinsBevelBeyondTheLimit) {
    // A right angle has a miter length of √2 widths.
    auto corner = [](double limit) {
        return render(60, 60, 1, [limit](GraphicsContext& gc) {
            BezierPath p;
            p.moveToPoint({10, 40});
            p.lineToPoint({40, 40});
            p.lineToPoint({40, 10});
            p.setLineWidth(10);
            p.setMiterLimit(limit);
            gc.strokePath(p, Color::black());
        });
    };
    // The miter's tip sits at (45, 45).
    EXPECT_LT(pixel(corner(1.5), 44, 44).red(), 60);
    EXPECT_GT(pixel(corner(1.3), 44, 44).red(), 200);
}

TEST(QtGraphicsContextTest, DashPatterns) {
    const QImage image = render(200, 100, 1, [](GraphicsContext& gc) {
        BezierPath a = line({10, 15}, {190, 15}, 2);
        a.setLineDash({10, 10}, 0);
        gc.strokePath(a, Color::black());
        BezierPath b = line({10, 35}, {190, 35}, 2);
        b.setLineDash({10, 10}, 5);
        gc.strokePath(b, Color::black());
        BezierPath dots = line({10, 55}, {190, 55}, 6);
        dots.setLineDash({0, 12}, 0);
        dots.setLineCapStyle(LineCapStyle::Round);
        gc.strokePath(dots, Color(0.7, 0.1, 0.1));
        BezierPath odd = line({10, 75}, {190, 75}, 4);
        odd.setLineDash({12, 4, 4}, 0);
        gc.strokePath(odd, Color(0.1, 0.4, 0.7));
        BezierPath hair = line({10, 90}, {190, 90}, 0);
        hair.setLineDash({6, 3}, 0);
        gc.strokePath(hair, Color::black());
    });
    // Dash lengths are in user units whatever the width.
    EXPECT_LT(pixel(image, 15, 15).red(), 40);
    EXPECT_GT(pixel(image, 25, 15).red(), 220);
    // A phase of 5 moves the pattern back by 5.
    EXPECT_LT(pixel(image, 12, 35).red(), 40);
    EXPECT_GT(pixel(image, 17, 35).red(), 220);
    // Zero-length pieces with round caps are round dots.
    EXPECT_LT(pixel(image, 10, 55).green(), 60);
    EXPECT_LT(pixel(image, 22, 55).green(), 60);
    EXPECT_GT(pixel(image, 16, 55).green(), 220);
    EXPECT_TRUE(matchesReference(image, "dash_patterns"));
}

TEST(QtGraphicsContextTest, DashesScaleWithTheZoom) {
    const QImage image = render(100, 20, 2, [](GraphicsContext& gc) {
        BezierPath a = line({0, 10}, {100, 10}, 2);
        a.setLineDash({10, 10}, 0);
        gc.strokePath(a, Color::black());
    });
    EXPECT_LT(pixel(image, 18, 20).red(), 40);
    EXPECT_GT(pixel(image, 22, 20).red(), 220);
    EXPECT_LT(pixel(image, 42, 20).red(), 40);
}

TEST(QtGraphicsContextTest, LinearGradientBlendsAlongItsAxis) {
    const Color c0{1, 0.8, 0, 1}, c1{0, 0.2, 0.8, 1};
    auto colors = [&](double t) { return blend(c0, c1, t); };
    const QImage image = render(100, 50, 1, [&](GraphicsContext& gc) {
        gc.drawLinearGradient({0, 0}, {100, 50}, colors, true, true);
    });
    expectColorNear(pixel(image, 50, 25), blend(c0, c1, 0.5), 4);
    expectColorNear(pixel(image, 0, 0), c0, 4);
    EXPECT_TRUE(matchesReference(image, "linear_gradient"));

    const QImage bounded = render(100, 20, 1, [&](GraphicsContext& gc) {
        gc.drawLinearGradient({30, 10}, {70, 10}, colors, false, false);
    });
    expectColorNear(pixel(bounded, 20, 10), Color::white());
    expectColorNear(pixel(bounded, 80, 10), Color::white());
    expectColorNear(pixel(bounded, 50, 10), blend(c0, c1, 0.5), 6);
    const QImage extended = render(100, 20, 1, [&](GraphicsContext& gc) {
        gc.drawLinearGradient({30, 10}, {70, 10}, colors, true, false);
    });
    expectColorNear(pixel(extended, 5, 10), c0, 4);
    expectColorNear(pixel(extended, 90, 10), Color::white());
}

TEST(QtGraphicsContextTest, RadialGradientReachesItsEndColourAtTheEndRadius) {
    const Color c0 = Color::white(), c1{0.5, 0.5, 0.5, 1};
    auto colors = [&](double t) { return blend(Color{0.9, 0.1, 0.1, 1}, c1, t); };
    const QImage image = render(100, 100, 1, [&](GraphicsContext& gc) {
        gc.drawRadialGradient({50, 50}, 0.1, {50, 50}, 50, colors, true, true);
    });
    expectColorNear(pixel(image, 50, 50), Color{0.9, 0.1, 0.1, 1}, 6);
    expectColorNear(pixel(image, 75, 50), blend(Color{0.9, 0.1, 0.1, 1}, c1, 0.5), 6);
    expectColorNear(pixel(image, 2, 2), c1, 3);
    EXPECT_TRUE(matchesReference(image, "radial_gradient"));

    const QImage bounded = render(100, 100, 1, [&](GraphicsContext& gc) {
        gc.drawRadialGradient({40, 50}, 10, {50, 50}, 40, colors, false, false);
    });
    expectColorNear(pixel(bounded, 40, 50), c0);
    expectColorNear(pixel(bounded, 95, 50), c0);
    expectColorNear(pixel(bounded, 70, 50), blend(Color{0.9, 0.1, 0.1, 1}, c1, 0.5), 4);
}

// Four quadrants: red, green on top; blue, black below.
ImagePtr quadrants(GraphicsContext& gc, double scale) {
    return gc.makeImage({20, 10}, scale, [](GraphicsContext& sub) {
        sub.fillPath(BezierPath::bezierPathWithRect({0, 0, 10, 5}), kRed);
        sub.fillPath(BezierPath::bezierPathWithRect({10, 0, 10, 5}), Color(0, 1, 0));
        sub.fillPath(BezierPath::bezierPathWithRect({0, 5, 10, 5}), kBlue);
        sub.fillPath(BezierPath::bezierPathWithRect({10, 5, 10, 5}), Color::black());
    });
}

TEST(QtGraphicsContextTest, PicturesAreDrawnUprightIntoTheirRectangle) {
    ImagePtr made;
    const QImage image = render(100, 60, 1, [&](GraphicsContext& gc) {
        made = quadrants(gc, 2);
        gc.drawImage(*made, {10, 10, 80, 40});
    });
    ASSERT_TRUE(made);
    EXPECT_EQ(made->size(), Size(20, 10));
    EXPECT_EQ(made->pixelsWide(), 40);
    EXPECT_EQ(made->pixelsHigh(), 20);
    expectColorNear(pixel(image, 20, 20), kRed);
    expectColorNear(pixel(image, 80, 20), Color(0, 1, 0));
    expectColorNear(pixel(image, 20, 40), kBlue);
    expectColorNear(pixel(image, 80, 40), Color::black());
    expectColorNear(pixel(image, 5, 5), Color::white());
    expectColorNear(pixel(image, 95, 55), Color::white());
    EXPECT_TRUE(matchesReference(image, "picture_in_rect"));
}

TEST(QtGraphicsContextTest, PicturesMadeAtTheZoomStayCrisp) {
    // A picture rendered at 4 pixels per point shows a sharp edge at zoom 4.
    const QImage image = render(20, 10, 4, [&](GraphicsContext& gc) {
        ImagePtr made = quadrants(gc, 4);
        gc.drawImage(*made, {0, 0, 20, 10});
    });
    expectColorNear(pixel(image, 39, 10), kRed, 2);
    expectColorNear(pixel(image, 40, 10), Color(0, 1, 0), 2);
}

TEST(QtGraphicsContextTest, ClipsToPathsAndRectangles) {
    const QImage image = render(100, 100, 1, [](GraphicsContext& gc) {
        gc.saveGState();
        gc.clipToPath(BezierPath::bezierPathWithOvalInRect({10, 10, 80, 80}));
        gc.clipToRect({0, 0, 100, 50});
        gc.fillPath(BezierPath::bezierPathWithRect({0, 0, 100, 100}), kBlue);
        gc.restoreGState();
        gc.fillPath(BezierPath::bezierPathWithRect({45, 80, 10, 10}), kRed);
    });
    expectColorNear(pixel(image, 50, 30), kBlue);
    expectColorNear(pixel(image, 50, 60), Color::white());
    expectColorNear(pixel(image, 12, 12), Color::white());
    // The clip ended with the state.
    expectColorNear(pixel(image, 50, 85), kRed);
    EXPECT_TRUE(matchesReference(image, "clip"));
}

TEST(QtGraphicsContextTest, ClipsLastExactlyAsLongAsTheirLevel) {
    const QImage image = render(100, 100, 1, [](GraphicsContext& gc) {
        gc.saveGState();
        gc.clipToRect({0, 0, 50, 100});
        gc.saveGState();
        gc.restoreGState();
        // An inner level without a clip of its own keeps the outer one.
        gc.fillPath(BezierPath::bezierPathWithRect({0, 0, 100, 30}), kBlue);
        gc.saveGState();
        gc.setShadow({2, -2}, 2, Color(0, 0, 0, 0.5));
        gc.beginTransparencyLayer();
        gc.clipToRect({0, 40, 100, 20});
        gc.fillPath(BezierPath::bezierPathWithRect({0, 40, 100, 40}), kBlue);
        gc.endTransparencyLayer();
        gc.restoreGState();
        gc.restoreGState();
        gc.fillPath(BezierPath::bezierPathWithRect({0, 85, 100, 10}), kRed);
    });
    expectColorNear(pixel(image, 25, 15), kBlue);
    expectColorNear(pixel(image, 75, 15), Color::white());
    expectColorNear(pixel(image, 25, 50), kBlue);
    expectColorNear(pixel(image, 75, 50), Color::white());
    expectColorNear(pixel(image, 25, 70), Color::white());
    expectColorNear(pixel(image, 25, 90), kRed);
    expectColorNear(pixel(image, 75, 90), kRed);
}

// A 40 × 40 square at (30, 30) with a shadow as a shape casts it: offset and
// radius scaled by the transform's horizontal scale.
QImage shadowedSquare(double zoom, bool transparent = false) {
    return render(
        100, 100, zoom,
        [zoom](GraphicsContext& gc) {
            const double f = gc.currentTransform().m11;
            EXPECT_DOUBLE_EQ(f, zoom);
            gc.saveGState();
            gc.setShadow({6 * f, -8 * f}, 8 * f, Color(0, 0, 0, 0.5));
            gc.beginTransparencyLayer();
            gc.fillPath(BezierPath::bezierPathWithRect({30, 30, 40, 40}), Color(0.2, 0.5, 0.9));
            gc.endTransparencyLayer();
            gc.restoreGState();
        },
        transparent);
}

TEST(QtGraphicsContextTest, ShadowsAtZoomOneAndTwo) {
    const QImage one = shadowedSquare(1);
    const QImage two = shadowedSquare(2);
    EXPECT_TRUE(matchesReference(one, "shadow_zoom1"));
    EXPECT_TRUE(matchesReference(two, "shadow_zoom2"));
    // The same picture at twice the pixels: compare at matching points.
    for (Point p : {Point{50, 75}, Point{75, 50}, Point{72, 80}, Point{50, 50}, Point{20, 20}}) {
        const int x = int(p.x), y = int(p.y);
        const double block =
            (pixel(two, 2 * x, 2 * y).red() + pixel(two, 2 * x + 1, 2 * y).red() +
             pixel(two, 2 * x, 2 * y + 1).red() + pixel(two, 2 * x + 1, 2 * y + 1).red()) /
            4.0;
        EXPECT_NEAR(pixel(one, x, y).red(), block, 4) << x << ", " << y;
    }
}

TEST(QtGraphicsContextTest, ShadowFallsDownThePageForNegativeHeightAndSpreadsLikeAGaussian) {
    const QImage image = shadowedSquare(1, true);
    // Offset (6, −8): the shadow square spans x 36..76, y 38..78. Across its
    // right edge the alpha follows the Gaussian's integral (sigma 4).
    const double full = 0.5 * 255;
    EXPECT_NEAR(alphaAt(image, 72, 60), full * 0.809, 4);
    EXPECT_NEAR(alphaAt(image, 76, 60), full * 0.45, 4);
    EXPECT_NEAR(alphaAt(image, 80, 60), full * 0.13, 4);
    EXPECT_LT(alphaAt(image, 90, 60), 2);
    // Nothing above the square: the shadow went down, not up.
    EXPECT_LT(alphaAt(image, 50, 26), 2);
    EXPECT_GT(alphaAt(image, 50, 72), 100);
    // The content sits above its shadow.
    expectColorNear(pixel(image, 50, 50), Color(0.2, 0.5, 0.9));
}

TEST(QtGraphicsContextTest, ALayerCastsOneShadowForOverlappingShapesWithoutOneEachCasts) {
    for (const bool layer : {true, false}) {
        const QImage image = render(
            120, 60, 1,
            [layer](GraphicsContext& gc) {
                gc.saveGState();
                gc.setShadow({0, -30}, 0, Color(0, 0, 0, 0.5));
                if (layer)
                    gc.beginTransparencyLayer();
                gc.fillPath(BezierPath::bezierPathWithRect({10, 0, 60, 20}), kRed);
                gc.fillPath(BezierPath::bezierPathWithRect({50, 0, 60, 20}), kBlue);
                if (layer)
                    gc.endTransparencyLayer();
                gc.restoreGState();
                // The shadow ended with the state.
                gc.fillPath(BezierPath::bezierPathWithRect({0, 25, 5, 5}), kRed);
            },
            true);
        // Shadows at y 30..50: with a layer the overlap (x 50..70) is no darker.
        EXPECT_NEAR(alphaAt(image, 30, 40), 128, 2);
        EXPECT_NEAR(alphaAt(image, 60, 40), layer ? alphaAt(image, 30, 40) : 191, 3);
        EXPECT_LT(alphaAt(image, 2, 57), 2);
    }
}

TEST(QtGraphicsContextTest, ShadowsOutsideTheClipStillReachIntoIt) {
    // The square lies right of the clip; its shadow, moved 30 to the left, shows.
    const QImage image = render(
        100, 40, 1,
        [](GraphicsContext& gc) {
            gc.clipToRect({0, 0, 50, 40});
            gc.setShadow({-30, 0}, 0, Color(0, 0, 0, 1));
            gc.fillPath(BezierPath::bezierPathWithRect({60, 10, 20, 20}), kRed);
        },
        true);
    EXPECT_EQ(alphaAt(image, 40, 20), 255);
    EXPECT_EQ(alphaAt(image, 70, 20), 0);
}

TEST(QtGraphicsContextTest, UnbalancedStatesAndLayersAreClosed) {
    const QImage image = render(
        50, 50, 1,
        [](GraphicsContext& gc) {
            gc.saveGState();
            gc.setShadow({0, 0}, 4, Color::black());
            gc.beginTransparencyLayer();
            gc.saveGState();
            gc.fillPath(BezierPath::bezierPathWithRect({10, 10, 30, 30}), kRed);
            // Restoring the outer state ends the layer first.
            gc.restoreGState();
            gc.restoreGState();
            gc.restoreGState();
            gc.endTransparencyLayer();
        },
        true);
    expectColorNear(pixel(image, 25, 25), kRed);
    EXPECT_GT(alphaAt(image, 41, 25), 0);
}

// A 200-point square PDF page drawn by `draw`.
QByteArray pdfOf(const std::function<void(GraphicsContext&, QPdfWriter&)>& draw) {
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QSizeF(200, 200), QPageSize::Point));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&writer);
    auto gc = makePagedContext(painter, writer);
    draw(*gc, writer);
    gc->finish();
    painter.end();
    return pdf;
}

// The content streams of a PDF, inflated.
QByteArray pdfContent(const QByteArray& pdf) {
    QByteArray all;
    for (qsizetype at = pdf.indexOf(">>\nstream\n"); at >= 0;
         at = pdf.indexOf(">>\nstream\n", at + 1)) {
        at += 3;
        const qsizetype end = pdf.indexOf("endstream", at);
        if (end < 0)
            break;
        const qsizetype dict = pdf.lastIndexOf("<<", at);
        if (dict < 0 || !pdf.mid(dict, at - dict).contains("/FlateDecode"))
            continue;
        QByteArray zipped = pdf.mid(at + 7, end - at - 7);
        zipped.prepend(QByteArray("\x00\x10\x00\x00", 4));
        all += qUncompress(zipped);
    }
    return all;
}

TEST(QtGraphicsContextTest, DrawsToPdfWithVectorsAndAPictureForTheShadow) {
    const QByteArray pdf = pdfOf([](GraphicsContext& gc, QPdfWriter& writer) {
        EXPECT_NEAR(gc.currentTransform().m11, writer.resolution() / 72.0, 1e-12);
        gc.saveGState();
        gc.setShadow({10, -10}, 10, Color(0, 0, 0, 0.5));
        gc.beginTransparencyLayer();
        gc.fillPath(BezierPath::bezierPathWithOvalInRect({20, 20, 100, 100}), kRed);
        gc.endTransparencyLayer();
        gc.restoreGState();
    });
    QFile out(QString::fromStdString(test::testOutputPath("shadow.pdf")));
    if (out.open(QIODevice::WriteOnly))
        out.write(pdf);
    EXPECT_TRUE(pdf.startsWith("%PDF"));
    EXPECT_TRUE(pdf.contains("/Subtype /Image"));
    // The oval stays a vector path (curve operators in a content stream).
    EXPECT_TRUE(pdfContent(pdf).contains(" c\n"));
}

TEST(QtGraphicsContextTest, SavedStatesAddNoEmptyGroupsToPdf) {
    constexpr int shapes = 40;
    const QByteArray content = pdfContent(pdfOf([](GraphicsContext& gc, QPdfWriter&) {
        for (int i = 0; i < shapes; ++i) {
            gc.saveGState();
            gc.concatCTM(AffineTransform::translation(i, i));
            BezierPath p = BezierPath::bezierPathWithRect({0, 0, 20, 10});
            gc.fillPath(p, kBlue);
            p.setLineWidth(1 + i % 2);
            gc.strokePath(p, kRed);
            gc.restoreGState();
        }
    }));
    ASSERT_TRUE(content.contains("\nf\n"));
    // One group for each fill and each stroke, and a few for the page.
    EXPECT_LE(content.count("q\n"), 2 * shapes + 8);
}

TEST(QtGraphicsContextTest, ShadowBlurMatchesAGaussianOfHalfTheRadius) {
    // An opaque vertical line blurred with sigma 3 gives the Gaussian profile
    // across it (far from its ends).
    QImage column(41, 81, QImage::Format_ARGB32_Premultiplied);
    column.fill(Qt::transparent);
    for (int y = 0; y < 81; ++y)
        column.setPixel(20, y, qRgba(0, 0, 0, 255));
    const ShadowPicture blurred = shadowFromAlpha(column, 3, Color(0, 0, 0, 1));
    EXPECT_EQ(blurred.contentBounds, QRect(20, 0, 1, 81));
    const double norm = 255 / (std::sqrt(2 * M_PI) * 3);
    auto alpha = [&](int x, int y) {
        return qAlpha(blurred.picture.pixel(x - blurred.origin.x(), y - blurred.origin.y()));
    };
    for (int dx : {0, 1, 3, 6})
        EXPECT_NEAR(alpha(20 + dx, 40), norm * std::exp(-dx * dx / 18.0), 1.0) << dx;
    EXPECT_EQ(alpha(20 + 10, 40), 0);
}

TEST(QtGraphicsContextTest, LargeBlursStayCloseToTheGaussian) {
    // Across an edge the blurred alpha is the Gaussian's integral.
    QImage half(200, 200, QImage::Format_ARGB32_Premultiplied);
    half.fill(Qt::transparent);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 100; ++x)
            half.setPixel(x, y, qRgba(0, 0, 0, 255));
    const double sigma = 12;
    const ShadowPicture blurred = shadowFromAlpha(half, sigma, Color(0, 0, 0, 1));
    for (int d : {-24, -12, -6, 0, 6, 12, 24}) {
        const double centre = 100 + d + 0.5;
        const double expected = 255 * 0.5 * std::erfc((centre - 100) / (sigma * std::sqrt(2.0)));
        const int x = 100 + d - blurred.origin.x(), y = 100 - blurred.origin.y();
        EXPECT_NEAR(qAlpha(blurred.picture.pixel(x, y)), expected, 255 * 0.02) << d;
    }
    // Nothing drawn, nothing to blur.
    QImage empty(10, 10, QImage::Format_ARGB32_Premultiplied);
    empty.fill(Qt::transparent);
    const ShadowPicture none = shadowFromAlpha(empty, 2, Color());
    EXPECT_TRUE(none.contentBounds.isEmpty());
    EXPECT_TRUE(none.picture.isNull());
}

} // namespace
} // namespace qv
