// qvdraw as a freedesktop thumbnailer and as the preview host, run as the
// desktop runs it: a separate process with paths on its command line.

#include "preview/host/PreviewHost.h"

#include "PreviewFixtures.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>

#include <map>
#include <sys/stat.h>

namespace qv {
namespace {

using testing::PackageDir;

struct CommandRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

CommandRun qvdraw(const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral(QV_QVDRAW), args);
    EXPECT_TRUE(process.waitForFinished(60000));
    CommandRun run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// The tEXt chunks of a PNG file, checking every chunk's CRC on the way.
std::map<std::string, std::string> pngText(const QByteArray& png) {
    std::map<std::string, std::string> text;
    EXPECT_TRUE(png.startsWith("\x89PNG\r\n\x1a\n"));
    qsizetype at = 8;
    while (at + 12 <= png.size()) {
        const auto* p = reinterpret_cast<const unsigned char*>(png.constData() + at);
        const std::uint32_t length = std::uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
        const QByteArray type = png.mid(at + 4, 4);
        const QByteArray data = png.mid(at + 8, length);
        if (type == "tEXt") {
            const qsizetype nul = data.indexOf('\0');
            EXPECT_GT(nul, 0);
            text[data.left(nul).toStdString()] = data.mid(nul + 1).toStdString();
        }
        at += 12 + qsizetype(length);
    }
    EXPECT_EQ(at, png.size());
    return text;
}

QByteArray readAll(const std::string& path) {
    QFile file(q(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(ThumbnailCommand, WritesTheFittedPageWithUriAndMTime) {
    PackageDir dir;
    const std::string in =
        dir.package("Plan 1", testing::documentXML(testing::rectangleElement(0, 0, 540, 360)));
    const std::string wide = dir.package(
        "wide", testing::documentXML(testing::printInfoElement("820 420", "10 10 10 10")));
    struct stat info {};
    ASSERT_EQ(::stat(in.c_str(), &info), 0);
    // Wide pages fit the width.
    for (const auto& [args, size] : std::vector<std::pair<QStringList, QSize>>{
             {{q(in)}, QSize(192, 256)},
             {{"-s", "128", q(in)}, QSize(96, 128)},
             {{"--size=64", q(in)}, QSize(48, 64)},
             {{"-s", "200", q(wide)}, QSize(200, 100)},
         }) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const std::string out = dir.path("thumb.png");
        QFile::remove(q(out));
        const CommandRun run = qvdraw(QStringList{"thumbnail"} + args + QStringList{q(out)});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
        const QByteArray png = readAll(out);
        const QImage image = QImage::fromData(png, "PNG");
        ASSERT_EQ(image.size(), size);
        if (args.last() == q(wide))
            continue;
        const auto text = pngText(png);
        EXPECT_EQ(text.at("Thumb::URI"), fileURLForPath(in));
        EXPECT_NE(text.at("Thumb::URI").find("Plan%201.qvdraw"), std::string::npos);
        EXPECT_EQ(text.at("Thumb::MTime"), std::to_string(info.st_mtime));
        // The red upper half and the white lower half, right side up.
        EXPECT_EQ(image.pixelColor(size.width() / 2, size.height() / 4), QColor(255, 0, 0));
        EXPECT_EQ(image.pixelColor(size.width() / 2, size.height() * 3 / 4), QColor(255, 255, 255));
    }
}

// Usage errors exit with 2 and write nothing; an unreadable document gives no
// thumbnail, exit 1 and one line naming it, but a blank page as preview; an
// unwritable preview exits with 3.
TEST(ThumbnailCommand, ExitStatusesAndThePreviewCommand) {
    PackageDir dir;
    const QString in = q(dir.package(
        "grey", testing::documentXML(testing::rectangleElement(-50, -50, 100, 100), "#808080")));
    const QString out = q(dir.path("x.png")), pdf = q(dir.path("x.pdf"));
    for (const QStringList& args : std::vector<QStringList>{
             {"thumbnail"},
             {"thumbnail", in},
             {"thumbnail", "-s", "0", in, out},
             {"thumbnail", "-s", "big", in, out},
             {"thumbnail", "-s", "100000", in, out},
             {"thumbnail", "--sharp", in, out},
             {"thumbnail", in, out, out},
             {"preview", in},
         }) {
        SCOPED_TRACE(args.join(' ').toStdString());
        EXPECT_EQ(qvdraw(args).exitCode, 2);
        EXPECT_FALSE(QFile::exists(out));
    }
    for (const std::string& bad :
         {dir.path("missing.qvdraw"), dir.packageWithout("noshapes", "Picture.png"),
          dir.package("broken", "<qvdrawdocument><oval>")}) {
        SCOPED_TRACE(bad);
        CommandRun run = qvdraw({"thumbnail", q(bad), out});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_FALSE(QFile::exists(out));
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(q(bad).toUtf8())) << run.err.toStdString();
        ASSERT_EQ(qvdraw({"preview", q(bad), pdf}).exitCode, 0);
        EXPECT_EQ(testing::mediaBox(readAll(pdf.toStdString())),
                  (std::array<double, 4>{0, 0, 540, 720}));
        EXPECT_EQ(testing::fillColors(testing::inflatedStreams(readAll(pdf.toStdString()))).size(),
                  1u);
    }
    // The plug-in's PDF: the grey page, then the shape.
    CommandRun run = qvdraw({"preview", in, pdf});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QByteArray written = readAll(pdf.toStdString());
    EXPECT_EQ(testing::pageCount(written), 1);
    EXPECT_EQ(testing::mediaBox(written), (std::array<double, 4>{0, 0, 540, 720}));
    const auto colors = testing::fillColors(testing::inflatedStreams(written));
    ASSERT_EQ(colors.size(), 2u);
    EXPECT_NEAR(colors[0][0], 128 / 255.0, 1e-3);
    EXPECT_EQ(qvdraw({"preview", in, q(dir.path("no/such/dir/x.pdf"))}).exitCode, 3);
}

} // namespace
} // namespace qv
