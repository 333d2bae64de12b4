// The Qt drawing surface: fills, strokes, dashes, gradients, pictures, clips,
// shadows and layers on pixels (probed, or against reference pictures) and
// in PDF.
#include "platform/qt/QtGraphicsContext.h"
#include "tests/platform/ReferenceImage.h"

#include <QBuffer>
#include <QPdfWriter>

#include <gtest/gtest.h>

#include <cmath>

namespace qv {
namespace {

using Draw = std::function<void(GraphicsContext&)>;

// `draw` into a w × h point picture at `zoom` pixels per point, on white
// unless `transparent`.
QImage render(double w, double h, double zoom, const Draw& draw, bool transparent = false) {
    QImage image = QtImageContext::makeImage({w, h}, zoom);
    if (!transparent)
        image.fill(Qt::white);
    QtImageContext context(image, zoom);
    draw(context.context());
    context.finish();
    return image;
}

BezierPath line(Point a, Point b, double width) {
    BezierPath p;
    p.moveToPoint(a);
    p.lineToPoint(b);
    p.setLineWidth(width);
    return p;
}

BezierPath box(const Rect& r) {
    return BezierPath::bezierPathWithRect(r);
}

Color blend(const Color& a, const Color& b, double t) {
    return {(1 - t) * a.red + t * b.red, (1 - t) * a.green + t * b.green,
            (1 - t) * a.blue + t * b.blue, (1 - t) * a.alpha + t * b.alpha};
}

const Color kRed{1, 0, 0}, kGreen{0, 1, 0}, kBlue{0, 0, 1}, kBlack{0, 0, 0}, kWhite{1, 1, 1};
const Color kFrom{1, 0.8, 0}, kTo{0, 0.2, 0.8}, kCentre{0.9, 0.1, 0.1}, kRim{0.5, 0.5, 0.5};
Color linearColors(double t) {
    return blend(kFrom, kTo, t);
}
Color radialColors(double t) {
    return blend(kCentre, kRim, t);
}
// A black shadow's pixel with alpha `a`.
Color shade(double a) {
    return {0, 0, 0, a};
}

// Four quadrants: red, green on top; blue, black below.
ImagePtr quadrants(GraphicsContext& gc, double scale) {
    return gc.makeImage({20, 10}, scale, [](GraphicsContext& sub) {
        sub.fillPath(box({0, 0, 10, 5}), kRed);
        sub.fillPath(box({10, 0, 10, 5}), kGreen);
        sub.fillPath(box({0, 5, 10, 5}), kBlue);
        sub.fillPath(box({10, 5, 10, 5}), kBlack);
    });
}

// Butt, round and square caps with hairlines along them; miter, round and
// bevel joins.
void capsAndJoins(GraphicsContext& gc) {
    for (int i = 0; i < 3; ++i) {
        BezierPath p = line({30, 20 + 25.0 * i}, {210, 20 + 25.0 * i}, 12);
        p.setLineCapStyle(LineCapStyle(i));
        gc.strokePath(p, Color(0.1, 0.3, 0.8));
        gc.strokePath(line({30, 20 + 25.0 * i}, {210, 20 + 25.0 * i}, 0), kRed);
        BezierPath v = line({25 + 75.0 * i, 150}, {55 + 75.0 * i, 95}, 10);
        v.lineToPoint({85 + 75.0 * i, 150});
        v.setLineJoinStyle(LineJoinStyle(i));
        gc.strokePath(v, Color(0.2, 0.6, 0.2, 0.8));
    }
}

// Dashes in user units whatever the width, a phase, zero-length pieces with
// round caps (dots), an odd pattern and a dashed hairline.
void dashPatterns(GraphicsContext& gc) {
    const struct {
        double y, width;
        std::vector<double> dashes;
        double phase;
        Color color;
        LineCapStyle cap = LineCapStyle::Butt;
    } lines[] = {{15, 2, {10, 10}, 0, kBlack},
                 {35, 2, {10, 10}, 5, kBlack},
                 {55, 6, {0, 12}, 0, Color(0.7, 0.1, 0.1), LineCapStyle::Round},
                 {75, 4, {12, 4, 4}, 0, Color(0.1, 0.4, 0.7)},
                 {90, 0, {6, 3}, 0, kBlack}};
    for (const auto& l : lines) {
        BezierPath p = line({10, l.y}, {190, l.y}, l.width);
        p.setLineDash(l.dashes, l.phase);
        p.setLineCapStyle(l.cap);
        gc.strokePath(p, l.color);
    }
}

// A pattern far too fine for its path is drawn solid.
void fineDashes(GraphicsContext& gc) {
    BezierPath fine = line({0, 10}, {100, 10}, 4);
    fine.setLineDash({1e-5, 1e-5}, 0);
    gc.strokePath(fine, kBlack);
}

// Not extended, a gradient stops at its ends (y 10); extended at the start,
// the start colour goes on before it (y 30).
void boundedLinearGradients(GraphicsContext& gc) {
    for (const bool extendStart : {false, true}) {
        gc.saveGState();
        gc.clipToRect({0, extendStart ? 20.0 : 0.0, 100, 20});
        gc.drawLinearGradient({30, 10}, {70, 10}, linearColors, extendStart, false);
        gc.restoreGState();
    }
}

// A picture made at twice the resolution, drawn upright into its rectangle.
void pictureInRect(GraphicsContext& gc) {
    const ImagePtr made = quadrants(gc, 2);
    EXPECT_EQ(made->size(), Size(20, 10));
    EXPECT_EQ(QSize(made->pixelsWide(), made->pixelsHigh()), QSize(40, 20));
    gc.drawImage(*made, {10, 10, 80, 40});
}

// An oval clip and a rectangle clip together, ending with their state.
void clips(GraphicsContext& gc) {
    gc.saveGState();
    gc.clipToPath(BezierPath::bezierPathWithOvalInRect({10, 10, 80, 80}));
    gc.clipToRect({0, 0, 100, 50});
    gc.fillPath(box({0, 0, 100, 100}), kBlue);
    gc.restoreGState();
    gc.fillPath(box({45, 80, 10, 10}), kRed);
}

// An inner level without a clip of its own keeps the outer one; a clip in a
// shadowed layer lasts exactly as long as its level.
void clipLevels(GraphicsContext& gc) {
    gc.saveGState();
    gc.clipToRect({0, 0, 50, 100});
    gc.saveGState();
    gc.restoreGState();
    gc.fillPath(box({0, 0, 100, 30}), kBlue);
    gc.saveGState();
    gc.setShadow({2, -2}, 2, shade(0.5));
    gc.beginTransparencyLayer();
    gc.clipToRect({0, 40, 100, 20});
    gc.fillPath(box({0, 40, 100, 40}), kBlue);
    gc.endTransparencyLayer();
    gc.restoreGState();
    gc.restoreGState();
    gc.fillPath(box({0, 85, 100, 10}), kRed);
}

// A 40 × 40 square at (30, 30) with a shadow, cast as a shape casts it: offset
// and radius scaled by the transform's horizontal scale.
void shadowedSquare(GraphicsContext& gc) {
    const double f = gc.currentTransform().m11;
    gc.saveGState();
    gc.setShadow({6 * f, -8 * f}, 8 * f, shade(0.5));
    gc.beginTransparencyLayer();
    gc.fillPath(box({30, 30, 40, 40}), Color(0.2, 0.5, 0.9));
    gc.endTransparencyLayer();
    gc.restoreGState();
}

// Two overlapping rectangles with a shadow 30 points down, in one layer or
// not; the shadow ends with the state.
Draw overlapping(bool layer) {
    return [layer](GraphicsContext& gc) {
        gc.saveGState();
        gc.setShadow({0, -30}, 0, shade(0.5));
        if (layer)
            gc.beginTransparencyLayer();
        gc.fillPath(box({10, 0, 60, 20}), kRed);
        gc.fillPath(box({50, 0, 60, 20}), kBlue);
        if (layer)
            gc.endTransparencyLayer();
        gc.restoreGState();
        gc.fillPath(box({0, 25, 5, 5}), kRed);
    };
}

// A square right of the clip casts its shadow, 30 to the left, into it.
void shadowIntoClip(GraphicsContext& gc) {
    gc.clipToRect({0, 0, 50, 40});
    gc.setShadow({-30, 0}, 0, shade(1));
    gc.fillPath(box({60, 10, 20, 20}), kRed);
}

// Restoring the state a layer began in ends the layer, which casts its
// shadow; extra restores and ends are ignored.
void unbalanced(GraphicsContext& gc) {
    gc.saveGState();
    gc.setShadow({0, 0}, 4, kBlack);
    gc.beginTransparencyLayer();
    gc.saveGState();
    gc.fillPath(box({10, 10, 30, 30}), kRed);
    gc.restoreGState();
    gc.restoreGState();
    gc.restoreGState();
    gc.endTransparencyLayer();
}

// A pixel's colour (unpremultiplied), each channel within `tolerance` of 255.
struct Probe {
    int x, y;
    Color color;
    int tolerance = 3;
};

TEST(QtGraphicsContext, DrawingsShowWhatTheyDraw) {
    // Transparent drawings show shadows' alpha: shade(a) is black of alpha a.
    enum Kind { White, Reference, Transparent };
    const struct {
        const char* name; // also the reference picture's
        double w, h, zoom;
        Draw draw;
        Kind kind;
        std::vector<Probe> probes;
    } drawings[] = {
        // clang-format off
        {"caps_and_joins", 240, 160, 1, capsAndJoins, Reference, {}},
        {"dash_patterns", 200, 100, 1, dashPatterns, Reference, {}},
        {"fine_dashes", 100, 20, 1, fineDashes, White,
         {{1, 10, kBlack, 10}, {50, 10, kBlack, 10}, {98, 10, kBlack, 10}}},
        {"linear_gradient", 100, 50, 1, [](GraphicsContext& gc) {
             gc.drawLinearGradient({0, 0}, {100, 50}, linearColors, true, true); }, Reference, {}},
        {"linear_bounded", 100, 40, 1, boundedLinearGradients, White,
         {{20, 10, kWhite}, {80, 10, kWhite}, {50, 10, linearColors(0.5), 6}, {5, 30, kFrom, 4},
          {90, 30, kWhite}}},
        // The end colour is reached at the end radius.
        {"radial_gradient", 100, 100, 1, [](GraphicsContext& gc) {
             gc.drawRadialGradient({50, 50}, 0.1, {50, 50}, 50, radialColors, true, true); },
         Reference, {}},
        {"radial_bounded", 100, 100, 1, [](GraphicsContext& gc) {
             gc.drawRadialGradient({40, 50}, 10, {50, 50}, 40, radialColors, false, false); },
         White, {{40, 50, kWhite}, {95, 50, kWhite}, {70, 50, radialColors(0.5), 4}}},
        {"picture_in_rect", 100, 60, 1, pictureInRect, Reference, {}},
        // Made at 4 pixels per point, a picture keeps its sharp edge at zoom 4.
        {"picture_crisp", 20, 10, 4, [](GraphicsContext& gc) {
             gc.drawImage(*quadrants(gc, 4), {0, 0, 20, 10}); },
         White, {{39, 10, kRed, 2}, {40, 10, kGreen, 2}}},
        {"clip", 100, 100, 1, clips, Reference, {}},
        {"clip_levels", 100, 100, 1, clipLevels, White,
         {{25, 15, kBlue}, {75, 15, kWhite}, {25, 50, kBlue}, {75, 50, kWhite}, {25, 70, kWhite},
          {25, 90, kRed}, {75, 90, kRed}}},
        {"shadow_zoom1", 100, 100, 1, shadowedSquare, Reference, {}},
        {"shadow_zoom2", 100, 100, 2, shadowedSquare, Reference, {}},
        // With a layer the overlap (x 50..70) casts no darker shadow; without,
        // each rectangle casts its own.
        {"layer_shadow", 120, 60, 1, overlapping(true), Transparent,
         {{30, 40, shade(0.5), 2}, {60, 40, shade(0.5), 3}, {2, 57, shade(0), 1}}},
        {"shape_shadows", 120, 60, 1, overlapping(false), Transparent,
         {{30, 40, shade(0.5), 2}, {60, 40, shade(0.75), 3}, {2, 57, shade(0), 1}}},
        {"shadow_into_clip", 100, 40, 1, shadowIntoClip, Transparent,
         {{40, 20, shade(1), 0}, {70, 20, shade(0), 0}}},
        // The shadow 1.5 pixels out of the square: a Gaussian's tail (sigma 2).
        {"unbalanced", 50, 50, 1, unbalanced, Transparent,
         {{25, 25, kRed}, {41, 25, shade(0.5 * std::erfc(1.5 / (2 * std::sqrt(2.0)))), 8}}},
        // clang-format on
    };
    for (const auto& d : drawings) {
        SCOPED_TRACE(d.name);
        const QImage image = render(d.w, d.h, d.zoom, d.draw, d.kind == Transparent);
        for (const Probe& p : d.probes) {
            const QColor c = image.pixelColor(p.x, p.y);
            const Color& e = p.color;
            EXPECT_NEAR(c.red(), e.red * 255, p.tolerance) << p.x << ", " << p.y;
            EXPECT_NEAR(c.green(), e.green * 255, p.tolerance) << p.x << ", " << p.y;
            EXPECT_NEAR(c.blue(), e.blue * 255, p.tolerance) << p.x << ", " << p.y;
            EXPECT_NEAR(c.alpha(), e.alpha * 255, p.tolerance) << p.x << ", " << p.y;
        }
        if (d.kind == Reference) {
            EXPECT_TRUE(test::matchesReference(image, d.name));
        }
    }
}

TEST(QtGraphicsContext, TransformIncludesTheZoomWhateverThePixelRatio) {
    QImage image = QtImageContext::makeImage({10, 10}, 4);
    image.setDevicePixelRatio(2);
    QtImageContext context(image, 4);
    EXPECT_EQ(context.context().currentTransform(), AffineTransform::scaling(4, 4));
    context.context().concatCTM(AffineTransform::translation(1, 2));
    EXPECT_EQ(context.context().currentTransform().transformPoint({0, 0}), Point(4, 8));
}

// A 200-point square PDF page drawn by `draw`: the file and its inflated
// content streams.
std::pair<QByteArray, QByteArray> pdfOf(const Draw& draw) {
    QByteArray pdf, content;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QSizeF(200, 200), QPageSize::Point));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&writer);
    auto gc = makePagedContext(painter, writer);
    EXPECT_NEAR(gc->currentTransform().m11, writer.resolution() / 72.0, 1e-12);
    draw(*gc);
    gc->finish();
    painter.end();
    for (qsizetype at = pdf.indexOf(">>\nstream\n"); at >= 0;
         at = pdf.indexOf(">>\nstream\n", at + 1)) {
        const qsizetype end = pdf.indexOf("endstream", at), dict = pdf.lastIndexOf("<<", at);
        if (end >= 0 && dict >= 0 && pdf.mid(dict, at - dict).contains("/FlateDecode"))
            content +=
                qUncompress(QByteArray("\x00\x10\x00\x00", 4) + pdf.mid(at + 10, end - at - 10));
    }
    return {pdf, content};
}

TEST(QtGraphicsContext, PdfPagesKeepVectorsWithAPictureOnlyForTheShadow) {
    const auto [pdf, content] = pdfOf([](GraphicsContext& gc) {
        gc.saveGState();
        gc.setShadow({10, -10}, 10, shade(0.5));
        gc.beginTransparencyLayer();
        gc.fillPath(BezierPath::bezierPathWithOvalInRect({20, 20, 100, 100}), kRed);
        gc.endTransparencyLayer();
        gc.restoreGState();
    });
    EXPECT_TRUE(pdf.startsWith("%PDF"));
    EXPECT_TRUE(pdf.contains("/Subtype /Image"));
    EXPECT_TRUE(content.contains(" c\n")); // the oval's curves

    // Saved states add no empty groups: one for each fill and each stroke,
    // and a few for the page.
    const QByteArray many = pdfOf([](GraphicsContext& gc) {
                                for (int i = 0; i < 40; ++i) {
                                    gc.saveGState();
                                    gc.concatCTM(AffineTransform::translation(i, i));
                                    BezierPath p = box({0, 0, 20, 10});
                                    gc.fillPath(p, kBlue);
                                    p.setLineWidth(1 + i % 2);
                                    gc.strokePath(p, kRed);
                                    gc.restoreGState();
                                }
                            }).second;
    ASSERT_TRUE(many.contains("\nf\n"));
    EXPECT_LE(many.count("q\n"), 2 * 40 + 8);
}

TEST(QtDashPattern, LengthsInLineWidthsOddArraysDoubledUnusableOnesSolid) {
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
        {{4, 2}, 0, 0, {}, 0},
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

} // namespace
} // namespace qv
