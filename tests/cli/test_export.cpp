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

TEST_F(ExportTest, PdfIsOneVectorPageWithTheRenderRectangleAsMediaBox) {
    // The page colour as a fill colour operand ("0.8 0.9 1 scn"), only when opaque.
    const QRegularExpression pageColour("0\\.8\\d*\\s+0\\.9\\d*\\s+1\\s+(rg|scn)");
    for (std::int64_t boundary : {0, 1}) {
        for (bool transparent : {true, false}) {
            const QByteArray pdf = bytes(exported("pdf", boundary, transparent));
            ASSERT_TRUE(pdf.startsWith("%PDF-"));
            EXPECT_EQ(QString::fromLatin1(pdf).count(QRegularExpression("/Type\\s*/Page[^s]")), 1);
            const QRegularExpressionMatch m =
                QRegularExpression("/MediaBox\\s*\\[\\s*0\\s+0\\s+([0-9.]+)\\s+([0-9.]+)\\s*\\]")
                    .match(QString::fromLatin1(pdf));
            ASSERT_TRUE(m.hasMatch());
            EXPECT_DOUBLE_EQ(m.captured(1).toDouble(), boundary ? 220 : 540);
            EXPECT_DOUBLE_EQ(m.captured(2).toDouble(), boundary ? 100 : 720);
            // Plain shapes are paths, not pictures.
            EXPECT_FALSE(pdf.contains("/Subtype /Image"));
            QByteArray content;
            for (const QByteArray& s : pdfStreams(pdf))
                content += s;
            EXPECT_TRUE(content.contains(" f") || content.contains("\nf"));
            EXPECT_TRUE(content.contains(" m\n") || content.contains(" m "));
            EXPECT_TRUE(content.contains(" l\n") || content.contains(" l ") ||
                        content.contains(" re"));
            EXPECT_EQ(QString::fromLatin1(content).contains(pageColour), !transparent);
        }
    }
}

TEST(ExportPdf, FractionalRectanglesKeepTheirSize) {
    DrawDocument document;
    // Export bounds (10.25, 10.5, 100.3, 50.7); d = round(5.015) = 5.
    document.setShapes({filledRect(Rect(10.25, 10.5, 100.3, 50.7), Color(0, 0, 0, 1))});
    const ExportResult r = dataForType(document, "pdf", 0, 1, true);
    ASSERT_TRUE(r);
    const QByteArray pdf = bytes(*r.data);
    const QRegularExpressionMatch m =
        QRegularExpression(
            "/MediaBox\\s*\\[\\s*([0-9.]+)\\s+([0-9.]+)\\s+([0-9.]+)\\s+([0-9.]+)\\s*\\]")
            .match(QString::fromLatin1(pdf));
    ASSERT_TRUE(m.hasMatch());
    EXPECT_NEAR(m.captured(3).toDouble() - m.captured(1).toDouble(), 110.3, 1e-6);
    EXPECT_NEAR(m.captured(4).toDouble() - m.captured(2).toDouble(), 60.7, 1e-6);
    // The box was rewritten in place: the cross-reference table still points
    // at the objects.
    const qsizetype xref = pdf.lastIndexOf("\nxref") + 1;
    const QRegularExpressionMatch startxref =
        QRegularExpression("startxref\\s+(\\d+)").match(QString::fromLatin1(pdf));
    ASSERT_TRUE(startxref.hasMatch());
    EXPECT_EQ(startxref.captured(1).toLongLong(), xref);
    const QRegularExpression entry("(\\d{10}) 00000 n");
    auto it = entry.globalMatch(QString::fromLatin1(pdf.mid(xref)));
    int objects = 0;
    while (it.hasNext()) {
        const qsizetype offset = it.next().captured(1).toLongLong();
        EXPECT_TRUE(QRegularExpression("^\\d+ 0 obj")
                        .match(QString::fromLatin1(pdf.mid(offset, 20)))
                        .hasMatch());
        ++objects;
    }
    EXPECT_GT(objects, 3);
}

TEST_F(ExportTest, SelectedShapesOnly) {
    ExportResult r = dataForType(document, "png", 1, 1, true, 72, {document.shapes()[1]});
    ASSERT_TRUE(r);
    // The blue shape alone: (250, 60, 50, 10) grown by 3.
    EXPECT_EQ(decode(*r.data).size(), QSize(56, 16));
    // Shapes to export 0: all of them, whatever is selected.
    r = dataForType(document, "png", 0, 1, true, 72, {document.shapes()[1]});
    ASSERT_TRUE(r);
    EXPECT_EQ(decode(*r.data).size(), QSize(220, 100));
}

TEST_F(ExportTest, FailuresReportTheExportError) {
    for (const char* type : {"PNG", "jpeg", "svg", ""}) {
        const ExportResult r = dataForType(document, type, 0, 0, true);
        EXPECT_FALSE(r) << type;
        EXPECT_EQ(r.errorDescription, "Unable to generate export data");
        EXPECT_EQ(r.errorCode, 1042);
        EXPECT_FALSE(r.errorDomain.empty());
    }
    // An empty drawing has no extent to draw.
    DrawDocument empty;
    for (const char* type : {"pdf", "png", "tif", "jpg", "gif"}) {
        EXPECT_FALSE(dataForType(empty, type, 0, 1, true)) << type;
        EXPECT_TRUE(dataForType(empty, type, 0, 0, true)) << type;
    }
    // A picture too large to make fails instead of quietly losing resolution.
    EXPECT_FALSE(dataForType(document, "png", 0, 0, true, 7200));
}

TEST(ExportRotated, TurnedShapesExportTheirTurnedExtent) {
    DrawDocument document;
    document.setShapes({filledRect(Rect(0, 0, 100, 100), Color(0, 1, 0, 1), 45)});
    const ExportResult r = dataForType(document, "png", 0, 1, true);
    ASSERT_TRUE(r);
    // The diagonal is 141.42…; d = round(7.07) = 7.
    const QImage image = decode(*r.data);
    EXPECT_EQ(image.size(), QSize(156, 156));
    EXPECT_EQ(at(image, 78, 78), qRgb(0, 255, 0));
    EXPECT_EQ(qAlpha(at(image, 10, 10)), 0);
}

// Busy pages spend most of their PDF time deflating; streams are made at the
// fastest level and must still inflate to the drawing.
TEST(ExportPdf, StreamsAreDeflatedAtTheFastestLevel) {
    ASSERT_TRUE(pdfStreamsUseFastCompression());
    DrawDocument document;
    ShapeList shapes;
    for (int i = 0; i < 200; ++i)
        shapes.push_back(i % 2 ? strokedOval(Rect(i, 2 * i, 30, 20), kBlue, 2)
                               : filledRect(Rect(2 * i, i, 20, 30), kRed, i));
    document.setShapes(shapes);
    const ExportResult r = dataForType(document, "pdf", 0, 0, true, 72);
    ASSERT_TRUE(r);
    int flateStreams = 0;
    QByteArray content;
    for (const PdfStream& s : pdfRawStreams(bytes(*r.data))) {
        if (!s.flate)
            continue;
        ++flateStreams;
        EXPECT_EQ(zlibLevelClass(s.data), 0);
        content += inflated(s.data);
    }
    EXPECT_GT(flateStreams, 0);
    // 100 dashed ovals and 100 filled rectangles, all there.
    EXPECT_EQ(content.count(" c\n"), 400);
    EXPECT_EQ(content.count("\nS\n") + content.count(" S\n"), 100);
}
