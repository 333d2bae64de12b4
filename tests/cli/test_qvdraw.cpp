// The command-line tool as scripts use it: exit statuses, one-line messages,
// dump / resave / apply round trips over the bundled examples, and export.
#include "ExportTestSupport.h"

#include "document/DrawDocument.h"
#include "shapes/BezierShape.h"
#include "shapes/LineShape.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>

#include <functional>

#include <QTemporaryDir>
#include <sys/resource.h>

#include <gtest/gtest.h>

#include <random>

using namespace qv;
using namespace qv::test;

namespace {

struct ToolRun {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

ToolRun qvdraw(const QStringList& args, std::function<void()> childSetUp = {}) {
    QProcess process;
    if (childSetUp) {
        process.setChildProcessModifier(childSetUp);
        // A coverage build's counts cannot be written under the child's limits:
        // they go to a folder of their own rather than truncate the real ones.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("GCOV_PREFIX"),
                           QDir::tempPath() + "/qvdraw-limited-gcov");
        process.setProcessEnvironment(environment);
    }
    process.start(QStringLiteral(QVDRAW_PATH), args);
    ToolRun run;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.status = process.exitCode();
    run.out = process.readAllStandardOutput();
    // In a coverage build the tool's own instrumentation may complain here
    // (it cannot write its counts past a file-size limit); that is not the tool's output.
    const QByteArray err = process.readAllStandardError();
    for (qsizetype start = 0, end = 0; start < err.size(); start = end) {
        end = err.indexOf('\n', start);
        end = end < 0 ? err.size() : end + 1;
        if (!err.mid(start, end - start).startsWith("libgcov profiling error:"))
            run.err += err.mid(start, end - start);
    }
    return run;
}

// One line on standard error that names `file`.
void expectOneLineNaming(const ToolRun& run, const QString& file) {
    EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.endsWith('\n'));
    EXPECT_TRUE(run.err.startsWith("qvdraw: ")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(file.toUtf8())) << run.err.toStdString();
}

QStringList examples() {
    QStringList result;
    const QDir dir(QStringLiteral(QV_SOURCE_DIR "/examples"));
    for (const QString& name : dir.entryList({"*.qvdraw"}, QDir::Dirs, QDir::Name))
        result << dir.filePath(name);
    return result;
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& data) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}

class QvdrawTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

} // namespace

TEST_F(QvdrawTest, UsageErrorsExitWithTwoAndUnreadableDocumentsWithOne) {
    ToolRun run = qvdraw({"--help"});
    EXPECT_EQ(run.status, 0);
    for (const char* command : {"export", "dump", "resave", "apply"})
        EXPECT_TRUE(run.out.contains(QByteArray("qvdraw ") + command)) << command;
    EXPECT_TRUE(qvdraw({"--version"}).out.startsWith("qvdraw "));
    EXPECT_TRUE(qvdraw({"export", "--help"}).out.contains("--area"));

    const QString in = examples().value(0), png = path("a.png"), out = path("o.qvdraw");
    const QList<QStringList> usage{{},
                                   {"frobnicate"},
                                   {"export", in},
                                   {"export", "--area", "sideways", in, png},
                                   {"export", "--format", "bmp", in, png},
                                   {"export", "--dpi", "0", in, png},
                                   {"export", "--dpi", "lots", in, png},
                                   {"export", "--bogus", in, png},
                                   {"export", "--opaque=yes", in, png},
                                   {"export", in, path("a.bmp")},
                                   {"export", in, path("noextension")},
                                   {"dump"},
                                   {"dump", in, in},
                                   {"resave", in},
                                   {"apply", in, out},
                                   {"apply", "--actions", "select:x", in, out},
                                   {"apply", "--actions", "offset:1", in, out},
                                   {"apply", "--actions", "rotate:1,2", in, out},
                                   {"apply", "--actions", "set:=3", in, out},
                                   {"apply", "--actions", "group:3", in, out},
                                   {"apply", "--actions", "explode", in, out}};
    for (const QStringList& args : usage) {
        run = qvdraw(args);
        EXPECT_EQ(run.status, 2) << args.join(' ').toStdString();
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }

    QDir(dir.path()).mkdir("empty.qvdraw");
    QDir(dir.path()).mkdir("broken.qvdraw");
    writeFile(path("broken.qvdraw/Shapes.xml"), "<qvdrawdocument><page color=");
    writeFile(path("plainfile.qvdraw"), "not a package");
    for (const QString& bad : {path("missing.qvdraw"), path("empty.qvdraw"), path("broken.qvdraw"),
                               path("plainfile.qvdraw")}) {
        for (const QStringList& args :
             QList<QStringList>{{"dump", bad},
                                {"export", bad, png},
                                {"resave", bad, out},
                                {"apply", "--actions", "select-all", bad, out}}) {
            run = qvdraw(args);
            EXPECT_EQ(run.status, 1) << args.join(' ').toStdString();
            expectOneLineNaming(run, bad);
        }
    }
    // Nothing is written on an error.
    EXPECT_FALSE(QFile::exists(png));
    EXPECT_FALSE(QFile::exists(out));
}

TEST_F(QvdrawTest, FailedExportsExitWithThree) {
    // An empty drawing has no extent; its page exports.
    DrawDocument empty;
    ASSERT_TRUE(empty.writeToPackage(path("empty.qvdraw").toStdString()));
    ToolRun run = qvdraw({"export", "--area", "drawing", path("empty.qvdraw"), path("out.png")});
    EXPECT_EQ(run.status, 3);
    expectOneLineNaming(run, path("empty.qvdraw"));
    EXPECT_TRUE(run.err.contains("Unable to generate export data"));
    EXPECT_FALSE(QFile::exists(path("out.png")));
    EXPECT_EQ(qvdraw({"export", path("empty.qvdraw"), path("out.png")}).status, 0);

    // An output that cannot be written names the output.
    for (const QString command : {"export", "resave"}) {
        const QString unwritable =
            path("no/such/dir/out." + QString(command == "export" ? "png" : "qvdraw"));
        run = qvdraw({command, path("empty.qvdraw"), unwritable});
        EXPECT_EQ(run.status, 3);
        expectOneLineNaming(run, unwritable);
    }

    // A full disk, as a file-size limit: reported, nothing left behind.
    const QString welcome = QStringLiteral(QV_SOURCE_DIR "/examples/welcome.qvdraw");
    run = qvdraw({"export", welcome, path("big.pdf")}, [] {
        const rlimit limit{1024, 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    EXPECT_EQ(run.status, 3);
    expectOneLineNaming(run, path("big.pdf"));
    EXPECT_FALSE(QFile::exists(path("big.pdf")));
}

TEST_F(QvdrawTest, ExportOptionsFromTheCommandLine) {
    DrawDocument document;
    document.setShapes({filledRect(Rect(100, 50, 200, 80), Color(1, 0, 0, 1))});
    document.page().setColor(Color(0, 1, 0, 1));
    ASSERT_TRUE(document.writeToPackage(path("in.qvdraw").toStdString()));

    // Defaults: the page, transparent, 72 dpi; the format from the extension.
    ASSERT_EQ(qvdraw({"export", path("in.qvdraw"), path("a.PNG")}).status, 0);
    QImage image = QImage::fromData(readFile(path("a.PNG")));
    EXPECT_EQ(image.size(), QSize(540, 720));
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);

    // The drawing, opaque, at 144 dpi; --format overrides the extension.
    ASSERT_EQ(qvdraw({"export", "--area=drawing", "--opaque", "--dpi", "144", "--format", "gif",
                      path("in.qvdraw"), path("b.png")})
                  .status,
              0);
    const QByteArray gif = readFile(path("b.png"));
    EXPECT_TRUE(gif.startsWith("GIF89a"));
    image = QImage::fromData(gif, "GIF").convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(image.size(), QSize(2 * 220, 2 * 100));
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(30, 30), qRgb(255, 0, 0));

    // The last of --transparent and --opaque wins.
    ASSERT_EQ(
        qvdraw({"export", "--opaque", "--transparent", path("in.qvdraw"), path("c.tif")}).status,
        0);
    image = QImage::fromData(readFile(path("c.tif")));
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
}

// Each example is dumped, resaved and dumped again, and exported as PDF of
// its page and drawing and in the other formats (page and drawing in turn, so
// every pair is made over the examples).
TEST_F(QvdrawTest, EveryExampleDumpsResavesUnchangedAndExportsInEveryFormat) {
    const QStringList list = examples();
    ASSERT_GE(list.size(), 3);
    QSet<QString> classes;
    std::function<void(const QJsonArray&)> collect = [&](const QJsonArray& shapes) {
        for (const QJsonValue& s : shapes) {
            classes.insert(s["class"].toString());
            collect(s["shapes"].toArray());
        }
    };
    for (int e = 0; e < list.size(); ++e) {
        const QString& example = list[e];
        SCOPED_TRACE(example.toStdString());
        const ToolRun first = qvdraw({"dump", example});
        ASSERT_EQ(first.status, 0) << first.err.toStdString();
        QJsonParseError error;
        const QJsonDocument json = QJsonDocument::fromJson(first.out, &error);
        ASSERT_EQ(error.error, QJsonParseError::NoError);
        for (const char* key : {"version", "printInfo", "page", "grid", "shapes"})
            EXPECT_TRUE(json.object().contains(key)) << key;
        collect(json["shapes"].toArray());

        const QString resaved = path(QFileInfo(example).fileName());
        ASSERT_EQ(qvdraw({"resave", example, resaved}).status, 0);
        EXPECT_EQ(qvdraw({"dump", resaved}).out, first.out);
        // Saving what was read writes it back unchanged.
        EXPECT_EQ(readFile(resaved + "/Shapes.xml"), readFile(example + "/Shapes.xml"));
        EXPECT_EQ(QDir(resaved).entryList(QDir::Files), QDir(example).entryList(QDir::Files));

        const char* types[] = {"pdf", "pdf", "png", "tif", "jpg", "gif"};
        for (int t = 0; t < 6; ++t) {
            const bool page = (e + t) % 2 == 0;
            const QString out = path(QString("out.") + types[t]);
            const ToolRun run =
                qvdraw({"export", "--area", page ? "page" : "drawing", "--opaque", example, out});
            ASSERT_EQ(run.status, 0) << types[t] << ": " << run.err.toStdString();
            EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
            const QByteArray data = readFile(out);
            if (t < 2) {
                EXPECT_TRUE(data.startsWith("%PDF-"));
                // The tool deflates its streams at the fastest level too.
                for (const PdfStream& s : pdfRawStreams(data))
                    EXPECT_TRUE(!s.flate || zlibLevelClass(s.data) == 0);
                continue;
            }
            const QImage image = QImage::fromData(data);
            ASSERT_FALSE(image.isNull()) << types[t];
            EXPECT_TRUE(!page || image.size() == QSize(540, 720)) << types[t];
        }
    }
    for (const char* cls :
         {"RectangleShape", "RoundRectangleShape", "OvalShape", "RegularPolygonShape", "ArcShape",
          "BezierShape", "FreehandShape", "PolylineShape", "GroupShape", "LineShape", "TextShape"})
        EXPECT_TRUE(classes.contains(cls)) << cls;
}

TEST_F(QvdrawTest, DumpNumbersReadBackExactly) {
    DrawDocument document;
    auto line = std::make_shared<LineShape>();
    line->setStart(Point(0.1, 1.0 / 3));
    line->setEnd(Point(1e-7, 123456.789));
    auto bezier = std::make_shared<BezierShape>();
    bezier->moveToPoint(Point(0.30000000000000004, 2.5e-5));
    bezier->curveToPoint(Point(10, 20), Point(1.1, 2.2), Point(3.3, 4.4));
    bezier->closePath();
    bezier->setRotation(12.345678901234567);
    document.setShapes({line, bezier});
    ASSERT_TRUE(document.writeToPackage(path("n.qvdraw").toStdString()));
    // What the file holds, read back through the document.
    DrawDocument read;
    ASSERT_TRUE(read.readFromPackage(path("n.qvdraw").toStdString()));
    read.installLoadedShapes();
    const auto* readLine = dynamic_cast<const LineShape*>(read.shapes().at(0).get());
    const auto* readBezier = dynamic_cast<const BezierShape*>(read.shapes().at(1).get());
    ASSERT_TRUE(readLine && readBezier);

    const ToolRun run = qvdraw({"dump", path("n.qvdraw")});
    ASSERT_EQ(run.status, 0);
    const QJsonArray shapes = QJsonDocument::fromJson(run.out)["shapes"].toArray();
    ASSERT_EQ(shapes.size(), 2);
    EXPECT_EQ(shapes[0]["class"].toString(), "LineShape");
    const auto xy = [](Point p) { return QJsonArray{p.x, p.y}; };
    EXPECT_EQ(shapes[0]["start"].toArray(), xy(readLine->start()));
    EXPECT_EQ(shapes[0]["end"].toArray(), xy(readLine->end()));
    EXPECT_EQ(shapes[0]["bounds"][2].toDouble(), readLine->bounds().width());
    const BezierPath& readPath = readBezier->bezierPath();
    const auto& m = readPath.elementAtIndex(0).points;
    const auto& c = readPath.elementAtIndex(1).points;
    EXPECT_EQ(shapes[1]["path"].toArray(),
              (QJsonArray{QJsonArray{"moveto", m[0].x, m[0].y},
                          QJsonArray{"curveto", c[0].x, c[0].y, c[1].x, c[1].y, c[2].x, c[2].y},
                          QJsonArray{"closepath"}}));
    EXPECT_EQ(shapes[1]["rotation"].toDouble(), readBezier->rotation());
}

TEST_F(QvdrawTest, ApplyReportsEachActionWithTheUndoTitle) {
    const QString in = QStringLiteral(QV_SOURCE_DIR "/examples/shapes.qvdraw");
    const ToolRun run =
        qvdraw({"apply", "--actions",
                "undo; select:1,2 ;alignLeftEdges;set:stroke.width=abc;"
                "set:stroke.width=3;offset:5,5;deselect-all;set:fill.color=#FF0000FF;"
                "group;undo;redo",
                in, path("o.qvdraw")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "undo\t-\tdisabled\n"
                       "select:1,2\t-\n"
                       "alignLeftEdges\tUndo Align Left Edges\n"
                       "set:stroke.width=abc\tUndo Align Left Edges\trefused\n"
                       "set:stroke.width=3\tUndo Edit\n"
                       "offset:5,5\tUndo Move\n"
                       "deselect-all\tUndo Move\n"
                       "set:fill.color=#FF0000FF\tUndo Move\tdisabled\n"
                       "group\tUndo Move\tdisabled\n"
                       "undo\tUndo Edit\n"
                       "redo\tUndo Move\n");
    const QJsonArray shapes =
        QJsonDocument::fromJson(qvdraw({"dump", path("o.qvdraw")}).out)["shapes"].toArray();
    EXPECT_EQ(shapes[1]["stroke"]["width"].toDouble(), 3);
    EXPECT_EQ(shapes[2]["stroke"]["width"].toDouble(), 3);
}

namespace {

const QStringList kActionPool =
    QString("select:0;select:1,2,3;select:2,5,7,9;select-all;deselect-all;bringToFront;"
            "sendToBack;bringForward;sendBackward;group;ungroup;duplicate;remove;"
            "flipHorizontally;flipVertically;alignLeftEdges;alignCentersHorizontally;"
            "alignBottomEdges;distributeHorizontalGaps;distributeCentersInColumn;offset:12.5,-3;"
            "rotate:33,100,200;set:stroke.width=4;set:fill.color=#33669980;set:rotation=15;"
            "set:shadow.visible=yes;undo;redo")
        .split(';');

// Random action lists, each followed by as many undos, must leave exactly
// the bytes a plain resave writes.
void expectApplyUndoesToResave(const QStringList& inputs, const QTemporaryDir& dir, unsigned seed) {
    std::mt19937 random(seed);
    for (const QString& input : inputs) {
        const QString resaved = dir.filePath("resaved.qvdraw");
        ASSERT_EQ(qvdraw({"resave", input, resaved}).status, 0);
        const QByteArray expected = readFile(resaved + "/Shapes.xml");
        for (int round = 0; round < 8; ++round) {
            QStringList actions;
            const int n = 4 + int(random() % 12);
            for (int i = 0; i < n; ++i)
                actions << kActionPool[int(random() % kActionPool.size())];
            const QStringList edits = actions;
            for (int i = 0; i < n; ++i)
                actions << "undo";
            const QString out = dir.filePath("applied.qvdraw");
            const ToolRun run = qvdraw({"apply", "--actions", actions.join(';'), input, out});
            ASSERT_EQ(run.status, 0) << run.err.toStdString();
            EXPECT_EQ(run.out.count('\n'), actions.size());
            EXPECT_TRUE(run.out.endsWith("undo\t-\n") || run.out.endsWith("undo\t-\tdisabled\n"))
                << run.out.toStdString();
            EXPECT_EQ(readFile(out + "/Shapes.xml"), expected)
                << input.toStdString() << ": " << edits.join(';').toStdString();
        }
    }
}

} // namespace

// Lines whose box has no height or width are the hard case: undoing an
// intermediate box assignment would stretch the degenerate axis.
TEST_F(QvdrawTest, ApplyThenAsManyUndosGivesTheResavedBytes) {
    expectApplyUndoesToResave(examples(), dir, 20240601);
}
