// Document windows: the edited mark, close questions, Save As, the first
// window's rule, menus and shortcuts, and the package open and save dialogs.
#include "tests/widgets/DocumentTestSupport.h"

#include "app/ApplicationMenus.h"
#include "app/PackageFileDialog.h"
#include "canvas/DrawView.h"
#include "canvas/DrawWindow.h"
#include "tools/Toolbox.h"
#include "tools/qt/ToolboxPalette.h"

#include <QAction>
#include <QFileInfo>
#include <QKeySequence>

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

} // namespace
} // namespace qv::test
