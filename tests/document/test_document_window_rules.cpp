#include "document/DocumentWindowRules.h"

#include "document/DrawDocument.h"
#include "shapes/RectangleShape.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace qv {
namespace {

namespace fs = std::filesystem;

TEST(DocumentWindowRules, CommandLinePathsNameThePackage) {
    EXPECT_EQ(packagePathForArgument("/d/Plan.qvdraw"), "/d/Plan.qvdraw");
    EXPECT_EQ(packagePathForArgument("/d/Plan.qvdraw//"), "/d/Plan.qvdraw");
    EXPECT_EQ(packagePathForArgument("/d/Plan.qvdraw/Shapes.xml"), "/d/Plan.qvdraw");
    EXPECT_EQ(packagePathForArgument("Plan.qvdraw/Shapes.xml/"), "Plan.qvdraw");
    EXPECT_EQ(packagePathForArgument("Shapes.xml"), ".");
    EXPECT_EQ(packagePathForArgument("/Shapes.xml"), "/");
    EXPECT_EQ(packagePathForArgument("/"), "/");
    // Only the exact name stands for the package.
    EXPECT_EQ(packagePathForArgument("/d/Plan.qvdraw/shapes.xml"), "/d/Plan.qvdraw/shapes.xml");
}

TEST(DocumentWindowRules, NamesOfSavesAndExports) {
    EXPECT_EQ(pathWithPackageExtension("/d/Plan"), "/d/Plan.qvdraw");
    EXPECT_EQ(pathWithPackageExtension("/d/Plan.qvdraw"), "/d/Plan.qvdraw");
    EXPECT_EQ(pathWithPackageExtension("/d/Plan.qvdraw/"), "/d/Plan.qvdraw");
    EXPECT_EQ(pathWithPackageExtension("/d/Plan.v2"), "/d/Plan.v2.qvdraw");

    EXPECT_EQ(untitledDocumentName(1), "Untitled");
    EXPECT_EQ(untitledDocumentName(3), "Untitled 3");
    EXPECT_EQ(documentDisplayName("/d/Plan.qvdraw/"), "Plan.qvdraw");

    EXPECT_EQ(suggestedExportName("Plan.qvdraw"), "Plan");
    EXPECT_EQ(suggestedExportName("Plan"), "Plan");
    EXPECT_EQ(suggestedExportName("A.qvdraw.qvdraw"), "A.qvdraw");

    EXPECT_EQ(exportFileName("Plan", 1), "Plan.png");
    EXPECT_EQ(exportFileName("Plan.pdf", 3), "Plan.jpg");
    EXPECT_EQ(exportFileName("Plan.JPEG", 2), "Plan.tif");
    EXPECT_EQ(exportFileName("v1.2", 4), "v1.2.gif");
    EXPECT_EQ(exportFileName(".pdf", 1), ".pdf.png");
    EXPECT_EQ(exportFileName("", 1), "");
}

class SaveTargetTest : public testing::Test {
protected:
    void SetUp() override {
        std::string templ = (fs::temp_directory_path() / "qvrulesXXXXXX").string();
        ASSERT_TRUE(::mkdtemp(templ.data()));
        m_Dir = templ;
    }
    void TearDown() override { fs::remove_all(m_Dir); }
    std::string path(const std::string& name) const { return (m_Dir / name).string(); }
    void write(const std::string& name) const { std::ofstream(m_Dir / name) << "x"; }

    fs::path m_Dir;
};

TEST_F(SaveTargetTest, OnlyAFolderHoldingAShapesFileIsADrawing) {
    EXPECT_EQ(classifySaveTarget(path("none.qvdraw")), SaveTarget::Absent);

    write("file.qvdraw");
    EXPECT_EQ(classifySaveTarget(path("file.qvdraw")), SaveTarget::NotADrawing);

    fs::create_directory(path("Photos.qvdraw"));
    write("Photos.qvdraw/a.jpg");
    EXPECT_EQ(classifySaveTarget(path("Photos.qvdraw")), SaveTarget::NotADrawing);

    fs::create_directory(path("Odd.qvdraw"));
    fs::create_directory(path("Odd.qvdraw/Shapes.xml"));
    EXPECT_EQ(classifySaveTarget(path("Odd.qvdraw")), SaveTarget::NotADrawing);

    fs::create_directory(path("Plan.qvdraw"));
    write("Plan.qvdraw/Shapes.xml");
    EXPECT_EQ(classifySaveTarget(path("Plan.qvdraw")), SaveTarget::DrawingPackage);

    // A link counts as what it points to; a dangling one is never replaced.
    fs::create_directory_symlink(path("Plan.qvdraw"), path("Link.qvdraw"));
    EXPECT_EQ(classifySaveTarget(path("Link.qvdraw")), SaveTarget::DrawingPackage);
    fs::create_directory_symlink(path("Gone.qvdraw"), path("Dangling.qvdraw"));
    EXPECT_EQ(classifySaveTarget(path("Dangling.qvdraw")), SaveTarget::NotADrawing);
}

TEST(DocumentWindowRules, OnlyAnUntouchedUntitledDocumentGivesWay) {
    const FirstDocumentFacts untouched;
    EXPECT_TRUE(firstDocumentGivesWay(untouched, 1));
    EXPECT_FALSE(firstDocumentGivesWay(untouched, 0));

    FirstDocumentFacts saved = untouched;
    saved.untitled = false; // a saved empty drawing stays
    EXPECT_FALSE(firstDocumentGivesWay(saved, 5));
    FirstDocumentFacts edited = untouched;
    edited.edited = true; // e.g. the grid hidden
    EXPECT_FALSE(firstDocumentGivesWay(edited, 5));
    FirstDocumentFacts undone = untouched;
    undone.hasUndoHistory = true; // drawn on, then undone back to empty
    EXPECT_FALSE(firstDocumentGivesWay(undone, 5));
    FirstDocumentFacts drawn = untouched;
    drawn.shapeCount = 1;
    EXPECT_FALSE(firstDocumentGivesWay(drawn, 5));
}

TEST(DocumentWindowRules, RecentDocumentsAreMostRecentFirstWithoutRepeats) {
    std::vector<std::string> recent = recentDocumentsAfterOpening({"/a", "/b", "/c"}, "/b", 3);
    EXPECT_EQ(recent, (std::vector<std::string>{"/b", "/a", "/c"}));
    recent = recentDocumentsAfterOpening(recent, "/d", 3);
    EXPECT_EQ(recent, (std::vector<std::string>{"/d", "/b", "/a"}));
}

TEST(DocumentChangeTracker, EditedExactlyWhileTheStateDiffersFromTheSavedOne) {
    DrawDocument document;
    DocumentChangeTracker tracker(document);
    UndoManager& undo = document.undoManager();
    EXPECT_FALSE(tracker.isEdited());

    auto shape = std::make_shared<RectangleShape>();
    shape->setBounds(Rect(0, 0, 10, 10));
    document.insertObject(shape, 0);
    EXPECT_TRUE(tracker.isEdited()); // already while the event's group is open
    undo.endEventGroup();
    ASSERT_TRUE(undo.undo());
    EXPECT_FALSE(tracker.isEdited());
    ASSERT_TRUE(undo.redo());
    EXPECT_TRUE(tracker.isEdited());

    tracker.documentWasSaved();
    EXPECT_FALSE(tracker.isEdited());
    ASSERT_TRUE(undo.undo());
    EXPECT_TRUE(tracker.isEdited()); // undo past the save is an edit too
    ASSERT_TRUE(undo.redo());
    EXPECT_FALSE(tracker.isEdited());

    // Undone, then a different edit: never the saved state again.
    ASSERT_TRUE(undo.undo());
    document.insertObject(std::make_shared<RectangleShape>(), 0);
    undo.endEventGroup();
    EXPECT_TRUE(tracker.isEdited());
}

TEST(DocumentChangeTracker, GridRulersAndPageSetupMarkTheDocumentEdited) {
    DrawDocument document;
    DocumentChangeTracker tracker(document);
    const bool visible = document.grid().visible();
    document.grid().setVisible(!visible);
    EXPECT_TRUE(tracker.isEdited());
    document.grid().setVisible(visible);
    EXPECT_FALSE(tracker.isEdited());

    document.grid().setRulersVisible(!document.grid().rulersVisible());
    EXPECT_TRUE(tracker.isEdited());
    tracker.documentWasSaved();
    EXPECT_FALSE(tracker.isEdited());

    PrintInfo landscape = document.printInfo();
    landscape.setOrientation(PrintOrientation::Landscape);
    document.setPrintInfo(landscape);
    EXPECT_TRUE(tracker.isEdited());
}

} // namespace
} // namespace qv
