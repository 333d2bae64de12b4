// Export data for every format and boundary.
#include "ExportTestSupport.h"

#include "platform/qt/Export.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace {

const Color kRed(1, 0, 0, 1);
const Color kBlue(0, 0, 1, 1);
const Color kPage(0.8, 0.9, 1.0, 1);

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        document.setShapes(
            {filledRect(Rect(100, 50, 50, 80), kRed), filledRect(Rect(250, 60, 50, 10), kBlue)});
        document.page().setColor(kPage);
    }
    ByteBuffer exported(std::string_view type, std::int64_t boundary, bool transparent,
                        double dpi = 72) {
        ExportResult r = dataForType(document, type, 0, boundary, transparent, dpi);
        EXPECT_TRUE(r) << type;
        return r ? *r.data : ByteBuffer();
    }
    DrawDocument document;
};

QRgb at(const QImage& image, int x, int y) {
    return image.convertToFormat(QImage::Format_ARGB32).pixel(x, y);
}

// A pixel of an exported picture: clear when `rgb` is 0, else that colour
// within `tolerance` per channel.
struct Probe {
    int x, y;
    QRgb rgb;
    int tolerance = 0;
};

const QRgb kClear = 0, kRedPixel = qRgb(255, 0, 0), kBluePixel = qRgb(0, 0, 255);
const QRgb kPagePixel = qRgb(204, 230, 255), kWhitePixel = qRgb(255, 255, 255);

} // namespace

// Area 0 is the page, 1 the drawing: the shapes span (100, 50, 200, 80) and
// the picture covers (90, 40, 220, 100) at one pixel per point.
TEST_F(ExportTest, PicturesOfEveryFormatAreaAndResolution) {
    using Probes = std::vector<Probe>;
    const Probes clearPage{{5, 5, kClear}, {120, 90, kRedPixel}, {270, 65, kBluePixel}};
    const Probes colouredPage{{0, 0, kPagePixel},   {539, 719, kPagePixel},
                              {539, 0, kPagePixel}, {300, 400, kPagePixel},
                              {120, 90, kRedPixel}, {270, 65, kBluePixel}};
    // No alpha in JPEG: white where the page is transparent.
    const Probes jpegClear{{5, 5, kWhitePixel, 5}, {125, 90, kRedPixel, 15}};
    const Probes jpegColoured{{5, 5, kPagePixel, 4}, {125, 90, kRedPixel, 15}};
    const Probes drawing{
        {9, 9, kClear}, {10, 10, kRedPixel}, {209, 20, kBluePixel}, {210, 20, kClear}};
    const Probes colouredDrawing{{0, 0, kPagePixel}, {10, 10, kRedPixel}};
    const Probes doubled{{19, 19, kClear}, {20, 20, kRedPixel}}, none;
    const struct {
        const char* type;
        int area;
        bool transparent;
        double dpi;
        QSize size;
        const Probes& probes;
    } cases[] = {
        {"png", 0, true, 72, {540, 720}, clearPage},
        {"tif", 0, true, 72, {540, 720}, clearPage},
        {"gif", 0, true, 72, {540, 720}, clearPage},
        {"png", 0, false, 72, {540, 720}, colouredPage},
        {"tif", 0, false, 72, {540, 720}, colouredPage},
        {"gif", 0, false, 72, {540, 720}, colouredPage},
        {"jpg", 0, true, 72, {540, 720}, jpegClear},
        {"jpg", 0, false, 72, {540, 720}, jpegColoured},
        {"png", 1, true, 72, {220, 100}, drawing},
        {"png", 1, false, 72, {220, 100}, colouredDrawing},
        {"png", 1, true, 144, {440, 200}, doubled},
        // A fractional scale rounds the size up.
        {"png", 1, true, 100, {306, 139}, none},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.type << " area " << c.area << " transparent "
                                          << c.transparent << " dpi " << c.dpi);
        const QImage image = decode(exported(c.type, c.area, c.transparent, c.dpi));
        ASSERT_EQ(image.size(), c.size);
        const bool jpeg = std::string(c.type) == "jpg";
        if (jpeg || c.transparent) {
            EXPECT_EQ(image.hasAlphaChannel(), !jpeg);
        }
        for (const Probe& p : c.probes) {
            const QRgb pixel = at(image, p.x, p.y);
            SCOPED_TRACE(::testing::Message() << p.x << "," << p.y << " " << std::hex << pixel);
            if (p.rgb == kClear) {
                EXPECT_EQ(qAlpha(pixel), 0);
                continue;
            }
            EXPECT_EQ(qAlpha(pixel), 255);
            EXPECT_NEAR(qRed(pixel), qRed(p.rgb), p.tolerance);
            EXPECT_NEAR(qGreen(pixel), qGreen(p.rgb), p.tolerance);
            EXPECT_NEAR(qBlue(pixel), qBlue(p.rgb), p.tolerance);
        }
        // The stated resolution keeps the picture's size on the page.
        if (std::string(c.type) == "png") {
            EXPECT_EQ(image.dotsPerMeterX(), qRound(c.dpi / 0.0254));
        }
    }
}

// Page colour as a fill colour operand ("0.8 0.9 1 scn") only when opaque;
// plain shapes as paths, not pictures; streams deflated at the fastest level
// (busy pages spend most of their PDF time deflating) and inflating to the drawing.
TEST_F(ExportTest, PdfIsOneVectorPageWithTheRenderRectangleAsMediaBox) {
    const QRegularExpression pageColour("0\\.8\\d*\\s+0\\.9\\d*\\s+1\\s+(rg|scn)");
    ASSERT_TRUE(pdfStreamsUseFastCompression());
    for (std::int64_t boundary : {0, 1}) {
        for (bool transparent : {true, false}) {
            const QByteArray pdf = bytes(exported("pdf", boundary, transparent));
            ASSERT_TRUE(pdf.startsWith("%PDF-"));
            EXPECT_EQ(pageCount(pdf), 1);
            EXPECT_EQ(mediaBox(pdf), (std::array<double, 4>{0, 0, boundary ? 220.0 : 540.0,
                                                            boundary ? 100.0 : 720.0}));
            EXPECT_FALSE(pdf.contains("/Subtype /Image"));
            const QByteArray content = pdfContent(pdf);
            EXPECT_EQ(fillColors(content).size(), transparent ? 2u : 3u);
            EXPECT_TRUE(content.contains(" re") || content.contains(" l\n"));
            EXPECT_EQ(QString::fromLatin1(content).contains(pageColour), !transparent);
        }
    }
    ShapeList shapes;
    for (int i = 0; i < 200; ++i)
        shapes.push_back(i % 2 ? strokedOval(Rect(i, 2 * i, 30, 20), kBlue, 2)
                               : filledRect(Rect(2 * i, i, 20, 30), kRed, i));
    document.setShapes(shapes);
    const QByteArray pdf = bytes(exported("pdf", 0, true));
    int flate = 0;
    for (const PdfStream& s : pdfRawStreams(pdf)) {
        flate += s.flate;
        EXPECT_TRUE(!s.flate || zlibLevelClass(s.data) == 0);
    }
    EXPECT_GT(flate, 0);
    // 100 dashed ovals and 100 filled rectangles, all there.
    const QByteArray content = pdfContent(pdf);
    EXPECT_EQ(content.count(" c\n"), 400);
    EXPECT_EQ(content.count("\nS\n") + content.count(" S\n"), 100);
}

TEST(ExportPdf, FractionalRectanglesKeepTheirSizeAndTheObjectOffsets) {
    DrawDocument document;
    // Export bounds (10.25, 10.5, 100.3, 50.7); d = round(5.015) = 5.
    document.setShapes({filledRect(Rect(10.25, 10.5, 100.3, 50.7), Color(0, 0, 0, 1))});
    const ExportResult r = dataForType(document, "pdf", 0, 1, true);
    ASSERT_TRUE(r);
    const QByteArray pdf = bytes(*r.data);
    const auto box = mediaBox(pdf);
    ASSERT_TRUE(box);
    EXPECT_NEAR((*box)[2] - (*box)[0], 110.3, 1e-6);
    EXPECT_NEAR((*box)[3] - (*box)[1], 60.7, 1e-6);
    // The box was rewritten in place: the cross-reference table still points
    // at the objects.
    const qsizetype xref = pdf.lastIndexOf("\nxref") + 1;
    EXPECT_TRUE(pdf.contains("startxref\n" + QByteArray::number(xref)));
    const QRegularExpression entry("(\\d{10}) 00000 n");
    int objects = 0;
    for (auto it = entry.globalMatch(QString::fromLatin1(pdf.mid(xref))); it.hasNext(); ++objects) {
        const qsizetype offset = it.next().captured(1).toLongLong();
        EXPECT_TRUE(QRegularExpression("^\\d+ 0 obj")
                        .match(QString::fromLatin1(pdf.mid(offset, 20)))
                        .hasMatch());
    }
    EXPECT_GT(objects, 3);
}

TEST_F(ExportTest, SelectedOrTurnedShapesAndFailures) {
    // The blue shape alone: (250, 60, 50, 10) grown by 3; shapes to export 0
    // means all of them, whatever is selected.
    for (const auto& [which, size] : {std::pair{1, QSize(56, 16)}, std::pair{0, QSize(220, 100)}}) {
        const ExportResult r =
            dataForType(document, "png", which, 1, true, 72, {document.shapes()[1]});
        ASSERT_TRUE(r);
        EXPECT_EQ(decode(*r.data).size(), size);
    }
    // A turned square exports its turned extent: the diagonal is 141.42…; d = round(7.07) = 7.
    DrawDocument turned;
    turned.setShapes({filledRect(Rect(0, 0, 100, 100), Color(0, 1, 0, 1), 45)});
    ExportResult r = dataForType(turned, "png", 0, 1, true);
    ASSERT_TRUE(r);
    const QImage image = decode(*r.data);
    EXPECT_EQ(image.size(), QSize(156, 156));
    EXPECT_EQ(at(image, 78, 78), qRgb(0, 255, 0));
    EXPECT_EQ(qAlpha(at(image, 10, 10)), 0);

    for (const char* type : {"PNG", "jpeg", "svg", ""}) {
        r = dataForType(document, type, 0, 0, true);
        EXPECT_FALSE(r) << type;
        EXPECT_EQ(r.errorDescription, "Unable to generate export data");
        EXPECT_EQ(r.errorCode, 1042);
        EXPECT_FALSE(r.errorDomain.empty());
    }
    // An empty drawing has no extent to draw, but a page.
    DrawDocument empty;
    for (const char* type : {"pdf", "png", "tif", "jpg", "gif"}) {
        EXPECT_FALSE(dataForType(empty, type, 0, 1, true)) << type;
        EXPECT_TRUE(dataForType(empty, type, 0, 0, true)) << type;
    }
    // A picture too large to make fails instead of quietly losing resolution.
    EXPECT_FALSE(dataForType(document, "png", 0, 0, true, 7200));
}
