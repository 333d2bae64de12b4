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
    struct stat info {};
    ASSERT_EQ(::stat(in.c_str(), &info), 0);

    for (const auto& [args, size] : std::vector<std::pair<QStringList, QSize>>{
             {{}, QSize(192, 256)},
             {{"-s", "128"}, QSize(96, 128)},
             {{"--size=64"}, QSize(48, 64)},
         }) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const std::string out = dir.path("thumb.png");
        QFile::remove(q(out));
        QStringList all{"thumbnail"};
        all << args << q(in) << q(out);
        const CommandRun run = qvdraw(all);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
        const QByteArray png = readAll(out);
        const auto text = pngText(png);
        EXPECT_EQ(text.at("Thumb::URI"), fileURLForPath(in));
        EXPECT_EQ(text.at("Thumb::URI").find("Plan%201.qvdraw") != std::string::npos, true);
        EXPECT_EQ(text.at("Thumb::MTime"), std::to_string(info.st_mtime));
        const QImage image = QImage::fromData(png, "PNG");
        ASSERT_EQ(image.size(), size);
        // The red upper half and the white lower half, right side up.
        EXPECT_EQ(image.pixelColor(size.width() / 2, size.height() / 4), QColor(255, 0, 0));
        EXPECT_EQ(image.pixelColor(size.width() / 2, size.height() * 3 / 4), QColor(255, 255, 255));
    }
}

TEST(ThumbnailCommand, WidePagesFitTheWidth) {
    PackageDir dir;
    const std::string in = dir.package(
        "wide", testing::documentXML(testing::printInfoElement("820 420", "10 10 10 10")));
    const std::string out = dir.path("wide.png");
    ASSERT_EQ(qvdraw({"thumbnail", "-s", "200", q(in), q(out)}).exitCode, 0);
    EXPECT_EQ(QImage(q(out)).size(), QSize(200, 100));
}

TEST(ThumbnailCommand, UnreadableDocumentGivesNoPictureAndExitOne) {
    PackageDir dir;
    for (const std::string& in :
         {dir.path("missing.qvdraw"), dir.packageWithout("noshapes", "Picture.png"),
          dir.package("broken", "<qvdrawdocument><oval>")}) {
        SCOPED_TRACE(in);
        const std::string out = dir.path("none.png");
        const CommandRun run = qvdraw({"thumbnail", q(in), q(out)});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_FALSE(QFile::exists(q(out)));
        // One line naming the file.
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(q(in).toUtf8())) << run.err.toStdString();
    }
}

TEST(ThumbnailCommand, UsageErrorsExitTwo) {
    PackageDir dir;
    const QString in = q(dir.package("ok", testing::documentXML("")));
    const QString out = q(dir.path("x.png"));
    for (const QStringList& args : std::vector<QStringList>{
             {"thumbnail"},
             {"thumbnail", in},
             {"thumbnail", "-s", "0", in, out},
             {"thumbnail", "-s", "big", in, out},
             {"thumbnail", "-s", "100000", in, out},
             {"thumbnail", "--sharp", in, out},
             {"thumbnail", in, out, out},
         }) {
        SCOPED_TRACE(args.join(' ').toStdString());
        EXPECT_EQ(qvdraw(args).exitCode, 2);
        EXPECT_FALSE(QFile::exists(out));
    }
}

TEST(PreviewCommand, WritesThePluginsPdfAndABlankPageForUnreadableFiles) {
    PackageDir dir;
    const std::string in = dir.package(
        "grey", testing::documentXML(testing::rectangleElement(-50, -50, 100, 100), "#808080"));
    const std::string out = dir.path("grey.pdf");
    CommandRun run = qvdraw({"preview", q(in), q(out)});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QByteArray pdf = readAll(out);
    EXPECT_EQ(testing::pageCount(pdf), 1);
    EXPECT_EQ(testing::mediaBox(pdf), (std::array<double, 4>{0, 0, 540, 720}));
    const auto colors = testing::fillColors(testing::inflatedStreams(pdf));
    ASSERT_EQ(colors.size(), 2u);
    EXPECT_NEAR(colors[0][0], 128 / 255.0, 1e-3);

    run = qvdraw({"preview", q(dir.path("missing.qvdraw")), q(out)});
    EXPECT_EQ(run.exitCode, 0);
    pdf = readAll(out);
    EXPECT_EQ(testing::mediaBox(pdf), (std::array<double, 4>{0, 0, 540, 720}));
    EXPECT_EQ(testing::fillColors(testing::inflatedStreams(pdf)).size(), 1u);

    EXPECT_EQ(qvdraw({"preview", q(in)}).exitCode, 2);
    EXPECT_EQ(qvdraw({"preview", q(in), q(dir.path("no/such/dir/x.pdf"))}).exitCode, 3);
}

} // namespace
} // namespace qv
