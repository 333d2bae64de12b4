// Document windows: the edited mark, close questions, Save As, the first
// window's rule, menus and shortcuts, the package open and save dialogs,
// export, page setup and printing (to PDF), and the program's launch
// arguments and hand-over messages.
#include "tests/widgets/DocumentTestSupport.h"

#include "app/ApplicationMenus.h"
#include "app/ExportDialog.h"
#include "app/LaunchOptions.h"
#include "app/PackageFileDialog.h"
#include "canvas/DrawView.h"
#include "canvas/DrawWindow.h"
#include "tools/Toolbox.h"
#include "tools/qt/ToolboxPalette.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QKeySequence>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QRadioButton>
#include <QRegularExpression>

#include <set>

namespace qv::test {
namespace {

QByteArray shapesFile(const QString& package) {
    return fileBytes(package + "/Shapes.xml");
}

TEST_F(DocumentTest, EditedMarkFollowsUndoAndTheGridAndRulers) {
    DocumentWindowController* doc = documents->newDocument();
    QWidget* window = doc->window();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Untitled[*]"));
    EXPECT_FALSE(window->isWindowModified());

    addShape(*doc);
    EXPECT_TRUE(window->isWindowModified());
    documents->performMenuCommand("duplicate");
    settle();
    EXPECT_EQ(documents->validateMenuCommand("undo").title, "Undo Duplicate");
    documents->performMenuCommand("undo");
    documents->performMenuCommand("undo");
    EXPECT_FALSE(window->isWindowModified()); // back at the saved state
    EXPECT_EQ(documents->validateMenuCommand("redo").title, "Redo Insert Shape");
    EXPECT_FALSE(documents->validateMenuCommand("undo").enabled);

    // Hiding the grid is saved with the drawing, so it marks the window.
    EXPECT_EQ(documents->validateMenuCommand("toggleGridVisibility").title, "Hide Grid");
    documents->performMenuCommand("toggleGridVisibility");
    EXPECT_TRUE(window->isWindowModified());
    EXPECT_EQ(documents->validateMenuCommand("toggleGridVisibility").title, "Show Grid");
    documents->performMenuCommand("toggleGridVisibility");
    EXPECT_FALSE(window->isWindowModified());
    const bool rulers = doc->document().grid().rulersVisible();
    documents->performMenuCommand("toggleRulerVisibility");
    EXPECT_NE(doc->document().grid().rulersVisible(), rulers);
    EXPECT_TRUE(window->isWindowModified());
}

TEST_F(DocumentTest, CancelOnAnyQuestionKeepsEveryWindowOpen) {
    DocumentWindowController* first = documents->newDocument();
    DocumentWindowController* second = documents->newDocument();
    addShape(*first);
    addShape(*second);
    // The active document is asked first.
    answers.click(QStringLiteral("Don't Save"));
    answers.click(QStringLiteral("Cancel"));
    EXPECT_FALSE(documents->closeAll());
    settle();
    EXPECT_TRUE(answers.allAnswered());
    ASSERT_EQ(answers.texts.size(), 2);
    EXPECT_TRUE(answers.texts[0].contains(QStringLiteral("Untitled 2")));
    EXPECT_EQ(documents->documents().size(), 2u);
    EXPECT_TRUE(first->isEdited());
    EXPECT_TRUE(second->isEdited());

    // Closing one window asks only about it; Don't Save closes it.
    answers.click(QStringLiteral("Don't Save"));
    second->window()->close();
    settle();
    EXPECT_EQ(documents->documents().size(), 1u);
}

TEST_F(DocumentTest, SaveOnCloseWritesThePackageAndCloses) {
    const QString package = copyExample(dir, QStringLiteral("Plan.qvdraw"));
    DocumentWindowController* doc = documents->openDocument(package);
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->window()->windowTitle(), QStringLiteral("Plan.qvdraw[*]"));
    const std::size_t before = doc->document().shapes().size();
    addShape(*doc);
    answers.click(QStringLiteral("Save"));
    EXPECT_TRUE(documents->closeAll());
    settle();
    EXPECT_TRUE(documents->documents().empty());

    DrawDocument reread;
    ASSERT_TRUE(reread.readFromPackage(package.toStdString()));
    reread.installLoadedShapes();
    EXPECT_EQ(reread.shapes().size(), before + 1);
}

TEST_F(DocumentTest, SaveAsNeverReplacesAFolderThatIsNoDrawing) {
    DocumentWindowController* doc = documents->newDocument();
    addShape(*doc);
    const QString photos = dir.filePath(QStringLiteral("Photos.qvdraw"));
    QDir().mkpath(photos);
    QFile(QDir(photos).filePath(QStringLiteral("a.jpg"))).open(QIODevice::WriteOnly);

    answers.click(QStringLiteral("OK"));
    EXPECT_FALSE(doc->saveAsToPath(dir.filePath(QStringLiteral("Photos"))));
    settle();
    ASSERT_EQ(answers.texts.size(), 1);
    EXPECT_TRUE(answers.texts[0].contains(QStringLiteral("Photos.qvdraw")));
    EXPECT_EQ(QDir(photos).entryList(QDir::Files), QStringList{QStringLiteral("a.jpg")});
    EXPECT_TRUE(doc->isUntitled());
    EXPECT_TRUE(doc->isEdited());

    // A drawing is replaced only once the user agrees.
    const QString plan = copyExample(dir, QStringLiteral("Plan.qvdraw"));
    const QByteArray original = shapesFile(plan);
    answers.click(QStringLiteral("Cancel"));
    EXPECT_FALSE(doc->saveAsToPath(plan));
    EXPECT_EQ(shapesFile(plan), original);
    answers.click(QStringLiteral("Replace"));
    EXPECT_TRUE(doc->saveAsToPath(dir.filePath(QStringLiteral("Plan"))));
    EXPECT_NE(shapesFile(plan), original);
    EXPECT_EQ(doc->window()->windowTitle(), QStringLiteral("Plan.qvdraw[*]"));
    EXPECT_FALSE(doc->isEdited());
    EXPECT_EQ(documents->recentDocuments().value(0), QFileInfo(plan).absoluteFilePath());
}

TEST_F(DocumentTest, OnlyTheUntouchedLaunchWindowGivesWayToAFile) {
    DocumentWindowController* launch = documents->newDocument();
    EXPECT_EQ(documents->firstDocument(), launch);
    documents->openDocument(copyExample(dir, QStringLiteral("A.qvdraw")));
    settle();
    ASSERT_EQ(documents->documents().size(), 1u);
    EXPECT_EQ(documents->documents().front()->displayName(), QStringLiteral("A.qvdraw"));

    // A first window that was worked on stays, even when it is empty again.
    DocumentTest::documents = std::make_unique<DocumentController>(defaults);
    DocumentWindowController* worked = documents->newDocument();
    addShape(*worked);
    documents->performMenuCommand("undo");
    EXPECT_FALSE(worked->isEdited());
    documents->openDocument(copyExample(dir, QStringLiteral("B.qvdraw")));
    settle();
    EXPECT_EQ(documents->documents().size(), 2u);

    // Opening a drawing that is open already brings it forward.
    documents->openDocument(dir.filePath(QStringLiteral("B.qvdraw/Shapes.xml")));
    EXPECT_EQ(documents->documents().size(), 2u);
}

TEST_F(DocumentTest, AFileThatDoesNotReadIsReportedByName) {
    documents->newDocument();
    const QString broken = dir.filePath(QStringLiteral("Broken.qvdraw"));
    QDir().mkpath(broken);
    QFile file(QDir(broken).filePath(QStringLiteral("Shapes.xml")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<qvdrawdocument><page");
    file.close();
    answers.click(QStringLiteral("OK"));
    EXPECT_EQ(documents->openDocument(broken), nullptr);
    ASSERT_EQ(answers.texts.size(), 1);
    EXPECT_TRUE(answers.texts[0].contains(QStringLiteral("Broken.qvdraw")));
    EXPECT_EQ(documents->documents().size(), 1u);
}

TEST_F(DocumentTest, WindowMenuShowsAndHidesTheToolbox) {
    EXPECT_FALSE(documents->validateMenuCommand("toggleToolbox").enabled);
    ToolboxPalette palette(Toolbox::sharedToolbox());
    documents->setToolboxPalette(&palette);
    documents->newDocument();
    EXPECT_FALSE(documents->validateMenuCommand("toggleToolbox").checked);
    documents->performMenuCommand("toggleToolbox");
    EXPECT_TRUE(palette.isVisible());
    EXPECT_TRUE(documents->validateMenuCommand("toggleToolbox").checked);
    documents->performMenuCommand("toggleToolbox");
    EXPECT_FALSE(palette.isVisible());
    documents->setToolboxPalette(nullptr);
}

TEST_F(DocumentTest, MenusHaveOneActionPerShortcutAndFollowTheActiveDocument) {
    std::set<QString> keys;
    for (const MenuItemDefinition& entry : menuLayout()) {
        if (entry.kind != MenuItemDefinition::Kind::Command)
            continue;
        QAction* action = documents->menus().action(entry.name);
        ASSERT_NE(action, nullptr) << entry.name;
        EXPECT_FALSE(action->text().isEmpty());
        EXPECT_NE(action->text().toStdString(), std::string(entry.name));
        for (const QKeySequence& key : action->shortcuts())
            EXPECT_TRUE(keys.insert(key.toString(QKeySequence::PortableText)).second)
                << "shortcut used twice: " << key.toString().toStdString();
    }
    EXPECT_TRUE(keys.count(QStringLiteral("Ctrl++")) && keys.count(QStringLiteral("Ctrl+=")));

    // Without a document only the application's commands are enabled.
    EXPECT_FALSE(documents->validateMenuCommand("saveDocument").enabled);
    EXPECT_TRUE(documents->validateMenuCommand("newDocument").enabled);

    DocumentWindowController* first = documents->newDocument();
    DocumentWindowController* second = documents->newDocument();
    EXPECT_EQ(documents->currentDocument(), second);
    EXPECT_FALSE(documents->validateMenuCommand("cut").enabled);
    // Shortcuts are validated when pressed: nothing happens for a disabled one.
    documents->menus().action("selectAll")->trigger();
    EXPECT_EQ(second->shapesController().selectedCount(), 0u);
    addShape(*first);
    first->window()->activateWindow();
    settle();
    QApplication::setActiveWindow(first->window());
    settle();
    ASSERT_EQ(documents->currentDocument(), first);
    first->shapesController().setSelectionIndexes({});
    documents->menus().action("selectAll")->trigger();
    EXPECT_EQ(first->shapesController().selectedCount(), 1u);
}

TEST(PackageFileDialog, APackageIsChosenAsOneDocumentAndAFolderIsEntered) {
    QTemporaryDir dir;
    const QString plan = QDir::cleanPath(copyExample(dir, QStringLiteral("Plan.qvdraw")));
    QDir().mkpath(dir.filePath(QStringLiteral("Folder")));
    using Purpose = PackageFileDialog::Purpose;
    const std::pair<Purpose, QString> choices[] = {
        {Purpose::Open, "Plan.qvdraw"}, {Purpose::Save, "Plan.qvdraw"}, {Purpose::Open, "Folder"}};
    for (const auto& [purpose, name] : choices) {
        PackageFileDialog dialog(purpose);
        dialog.setDirectory(dir.path());
        settle();
        dialog.selectFile(name);
        dialog.accept();
        if (name == "Folder") {
            EXPECT_NE(dialog.result(), QDialog::Accepted);
            EXPECT_EQ(QDir(dialog.directory()).dirName(), name);
        } else {
            EXPECT_EQ(dialog.result(), QDialog::Accepted);
            EXPECT_EQ(dialog.chosenPaths(), QStringList{plan});
        }
    }

    // A double-click enters the package as the dialog does it: that chooses it.
    PackageFileDialog entered(Purpose::Open);
    entered.setDirectory(dir.path());
    entered.setDirectory(plan);
    emit entered.directoryEntered(plan);
    EXPECT_EQ(entered.result(), QDialog::Accepted);
    EXPECT_EQ(entered.chosenPaths(), QStringList{plan});
    EXPECT_EQ(QDir(entered.directory()).absolutePath(), QDir(dir.path()).absolutePath());
}

TEST(LaunchOptions, ArgumentsAndPlatform) {
    const LaunchOptions options =
        parseLaunchArguments({"a.qvdraw", "--new-instance", "--", "--odd.qvdraw", "-"});
    EXPECT_TRUE(options.newInstance);
    EXPECT_EQ(options.files, (std::vector<std::string>{"a.qvdraw", "--odd.qvdraw", "-"}));
    EXPECT_EQ(parseLaunchArguments({"--bogus", "--other"}).unknownOption, "--bogus");

    EXPECT_TRUE(argumentsChoosePlatform({"-platform", "offscreen"}));
    EXPECT_TRUE(argumentsChoosePlatform({"--platform=wayland"}));
    EXPECT_FALSE(argumentsChoosePlatform({"--", "-platform"}));
    // X11 first whenever there is a display; the user's choice wins.
    EXPECT_EQ(platformForEnvironment(":0", nullptr, false), "xcb;wayland");
    EXPECT_EQ(platformForEnvironment(":0", "", false), "xcb;wayland");
    EXPECT_EQ(platformForEnvironment(":0", "wayland", false), std::nullopt);
    EXPECT_EQ(platformForEnvironment(":0", nullptr, true), std::nullopt);
    EXPECT_EQ(platformForEnvironment(nullptr, nullptr, false), std::nullopt); // Wayland only
}

TEST(LaunchOptions, ServerNamesArePerUserAndDisplay) {
    EXPECT_EQ(instanceServerName("/run/user/7", 7, ":1", nullptr),
              "/run/user/7/quorvik-drawapp-_1");
    EXPECT_EQ(instanceServerName(nullptr, 7, "host/x:0.0", nullptr),
              "quorvik-drawapp-host_x_0.0-7");
    EXPECT_EQ(instanceServerName("", 8, nullptr, "wayland-0"), "quorvik-drawapp-wayland-0-8");
    EXPECT_NE(instanceServerName(nullptr, 7, ":0", nullptr),
              instanceServerName(nullptr, 8, ":0", nullptr));
}

TEST(LaunchOptions, HandOverMessagesRoundTripAndRejectGarbage) {
    const std::vector<std::string> files{"/a b/Plan.qvdraw", "/c/\xC3\xA9.qvdraw"};
    const std::string message = encodeHandOver(files);
    HandOver decoded = decodeHandOver(message);
    EXPECT_EQ(decoded.status, HandOver::Status::Complete);
    EXPECT_EQ(decoded.files, files);
    EXPECT_EQ(decodeHandOver(encodeHandOver({})).status, HandOver::Status::Complete);
    // Every shorter prefix is still incomplete, never wrongly complete.
    for (std::size_t n = 0; n < message.size(); ++n)
        EXPECT_EQ(decodeHandOver(message.substr(0, n)).status, HandOver::Status::Incomplete) << n;
    EXPECT_EQ(decodeHandOver("GET / HTTP/1.0\r\n").status, HandOver::Status::Invalid);
    EXPECT_EQ(decodeHandOver(message + "x").status, HandOver::Status::Invalid);
    EXPECT_EQ(decodeHandOver(std::string(kMaximumHandOverSize + 1, 'Q')).status,
              HandOver::Status::Invalid);
}

constexpr int kJpeg = 3;

TEST(ExportDialog, ChoicesGoIntoTheDocumentAndTheNameFollowsTheFormat) {
    DrawDocument document;
    ExportDialog dialog(document, false, QStringLiteral("/tmp/Plan"), 72);
    // The defaults: PDF, all shapes, the page, transparent.
    EXPECT_EQ(dialog.filePath(), QStringLiteral("/tmp/Plan.pdf"));
    EXPECT_TRUE(dialog.allShapesButton()->isChecked());
    EXPECT_FALSE(dialog.selectedShapesButton()->isEnabled()); // nothing selected
    EXPECT_TRUE(dialog.pageButton()->isChecked());
    EXPECT_TRUE(dialog.transparentBox()->isChecked());
    EXPECT_FALSE(dialog.resolutionBox()->isEnabled()); // PDF stays vector

    dialog.formatBox()->setCurrentIndex(kJpeg);
    EXPECT_EQ(document.selectedExportFormat(), unsigned(kJpeg));
    EXPECT_EQ(dialog.filePath(), QStringLiteral("/tmp/Plan.jpg"));
    EXPECT_FALSE(dialog.transparentBox()->isEnabled());
    EXPECT_TRUE(dialog.transparentBox()->isChecked()); // the value is kept
    EXPECT_TRUE(document.exportTransparentBackground());
    EXPECT_TRUE(dialog.resolutionBox()->isEnabled());

    dialog.formatBox()->setCurrentIndex(1);
    EXPECT_TRUE(dialog.transparentBox()->isEnabled());
    dialog.fileEdit()->setText(QStringLiteral("/tmp/Other.name"));
    EXPECT_EQ(dialog.filePath(), QStringLiteral("/tmp/Other.name.png"));

    dialog.drawingButton()->setChecked(true);
    dialog.transparentBox()->setChecked(false);
    dialog.reject();
    // Cancelling keeps the choices for the next export.
    EXPECT_EQ(document.exportBoundary(), 1);
    EXPECT_FALSE(document.exportTransparentBackground());
    ExportDialog again(document, true, QStringLiteral("/tmp/Plan"), 150);
    EXPECT_EQ(again.formatBox()->currentIndex(), 1);
    EXPECT_TRUE(again.drawingButton()->isChecked());
    EXPECT_FALSE(again.transparentBox()->isChecked());
    EXPECT_TRUE(again.selectedShapesButton()->isEnabled());
    again.selectedShapesButton()->setChecked(true);
    EXPECT_EQ(document.shapesToExport(), 1);
    EXPECT_EQ(again.resolution(), 150);
}

TEST_F(DocumentTest, ExportWritesTheChosenFileAndReportsFailuresByName) {
    DocumentWindowController* doc =
        documents->openDocument(copyExample(dir, QStringLiteral("Plan.qvdraw")));
    ASSERT_NE(doc, nullptr);
    const QString target = dir.filePath(QStringLiteral("Out"));
    answers.next<ExportDialog>([target](ExportDialog& dialog) {
        // The suggestion is the title without ".qvdraw".
        EXPECT_TRUE(dialog.filePath().endsWith(QStringLiteral("/Plan.pdf")));
        dialog.formatBox()->setCurrentIndex(1);
        dialog.resolutionBox()->setValue(144);
        dialog.setFilePath(target);
        dialog.accept();
    });
    doc->exportDocument();
    QFile png(target + QStringLiteral(".png"));
    ASSERT_TRUE(png.open(QIODevice::ReadOnly));
    EXPECT_TRUE(png.read(8).startsWith("\x89PNG"));
    EXPECT_EQ(doc->exportResolution(), 144);

    // The drawing boundary of a drawing without shapes has nothing to draw.
    DocumentWindowController* empty = documents->newDocument();
    const QString nothing = dir.filePath(QStringLiteral("Nothing"));
    answers.next<ExportDialog>([nothing](ExportDialog& dialog) {
        dialog.drawingButton()->setChecked(true);
        dialog.setFilePath(nothing);
        dialog.accept();
    });
    answers.click(QStringLiteral("OK"));
    empty->exportDocument();
    settle();
    ASSERT_EQ(answers.texts.size(), 1);
    EXPECT_TRUE(answers.texts[0].contains(QStringLiteral("Nothing.pdf")));
    EXPECT_TRUE(answers.texts[0].contains(QStringLiteral("Unable to generate export data")));
    EXPECT_TRUE(answers.texts[0].contains(QStringLiteral("1042")));
    EXPECT_FALSE(QFile::exists(nothing + QStringLiteral(".pdf")));
}

// Prints through the dialog into a PDF file, set in the dialog's own field
// (the dialog writes its fields into the printer when accepted).
void answerPrintToFile(ModalAnswers& answers, const QString& pdf) {
    answers.next<QPrintDialog>([pdf](QPrintDialog& dialog) {
        auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("filename"));
        ASSERT_NE(edit, nullptr);
        edit->setText(pdf);
        dialog.accept();
    });
}

TEST_F(DocumentTest, PrintingMakesOnePageOfThePaperAndAFailureSaysSo) {
    DocumentWindowController* doc =
        documents->openDocument(copyExample(dir, QStringLiteral("Plan.qvdraw")));
    ASSERT_NE(doc, nullptr);
    const QString pdf = dir.filePath(QStringLiteral("printed.pdf"));
    answerPrintToFile(answers, pdf);
    doc->printDocument();
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    const QString text = QString::fromLatin1(bytes);
    EXPECT_EQ(text.count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?!s)"))), 1);
    // A US Letter page.
    EXPECT_TRUE(text.contains(
        QRegularExpression(QStringLiteral("MediaBox \\[0 0 612(\\.0+)? 792(\\.0+)?\\]"))));

    answerPrintToFile(answers, dir.filePath(QStringLiteral("missing/folder/printed.pdf")));
    answers.click(QStringLiteral("OK"));
    doc->printDocument();
    settle();
    ASSERT_EQ(answers.texts.size(), 1);
    EXPECT_TRUE(answers.texts[0].contains(QStringLiteral("could not be printed")));
    EXPECT_TRUE(answers.texts[0].contains(QStringLiteral("Plan.qvdraw")));
}

TEST_F(DocumentTest, PageSetupChangesThePrintSettingsAndMarksTheDocument) {
    DocumentWindowController* doc = documents->newDocument();
    answers.next<QPageSetupDialog>([](QPageSetupDialog& dialog) {
        auto* landscape = dialog.findChild<QRadioButton*>(QStringLiteral("landscape"));
        ASSERT_NE(landscape, nullptr);
        landscape->click();
        dialog.accept();
    });
    doc->runPageSetup();
    const PrintInfo& info = doc->document().printInfo();
    EXPECT_EQ(info.orientation(), PrintOrientation::Landscape);
    EXPECT_GT(info.paperSize().width, info.paperSize().height);
    // The canvas shows the turned page.
    EXPECT_GT(doc->view()->pageRect().width(), doc->view()->pageRect().height());
    EXPECT_TRUE(doc->window()->isWindowModified());
}
} // namespace
} // namespace qv::test
