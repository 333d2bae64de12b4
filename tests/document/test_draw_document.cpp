#include "document/DrawDocument.h"

#include "document/ImageCache.h"
#include "document/QVGenericElement.h"
#include "document/QVParser.h"
#include "tests/document/DrawingGenerator.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace qv {
namespace {

namespace fs = std::filesystem;
using testing::DrawingGenerator;

class RecordingDelegate : public DrawDocumentDelegate {
public:
    int redraws = 0;
    int rulerUpdates = 0;
    std::vector<const Shape*> observed;
    void redrawAll() override { ++redraws; }
    void updateRulers() override { ++rulerUpdates; }
    void startObservingShape(Shape& s) override { observed.push_back(&s); }
    void stopObservingShape(Shape& s) override { std::erase(observed, &s); }
};

class Recorder : public KeyValueObserver {
public:
    std::vector<std::string> paths;
    void observeValueForKeyPath(std::string_view keyPath, KeyValueObservable&, const Value&,
                                const Value&) override {
        paths.emplace_back(keyPath);
    }
};

std::string text(const ByteBuffer& b) {
    return std::string(b.begin(), b.end());
}

// A name no other test uses, since the picture store lives as long as the process.
std::string uniqueName(const std::string& stem) {
    static std::atomic<int> counter{0};
    return stem + "-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
}

std::shared_ptr<RectangleShape> rectangle(Rect r) {
    auto s = std::make_shared<RectangleShape>();
    s->setBounds(r);
    return s;
}

class DrawDocumentTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string templ = (fs::temp_directory_path() / "qvdocXXXXXX").string();
        ASSERT_TRUE(::mkdtemp(templ.data()));
        m_Dir = templ;
        m_Path = (m_Dir / "Drawing.qvdraw").string();
    }
    void TearDown() override { fs::remove_all(m_Dir); }

    // A read document with its shapes installed, as the window leaves it.
    std::unique_ptr<DrawDocument> open(const std::string& path) {
        auto doc = std::make_unique<DrawDocument>();
        DocumentResult r = doc->readFromPackage(path);
        EXPECT_TRUE(r) << r.error;
        doc->installLoadedShapes();
        return doc;
    }
    void writeFile(const fs::path& p, std::string_view bytes) {
        std::ofstream(p, std::ios::binary) << bytes;
    }
    void writeRawPackage(std::string_view xml) {
        fs::create_directory(m_Path);
        writeFile(fs::path(m_Path) / "Shapes.xml", xml);
    }

    fs::path m_Dir;
    std::string m_Path;
};

TEST_F(DrawDocumentTest, AnEmptyDrawingSavesOnlyShapesXmlWithItsThreeRecords) {
    DrawDocument doc;
    // Export settings start at PDF with a transparent background.
    EXPECT_EQ(doc.selectedExportFormat(), 0u);
    EXPECT_TRUE(doc.exportTransparentBackground());
    ASSERT_TRUE(doc.writeToPackage(m_Path));
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(m_Path))
        names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"Shapes.xml"});

    QVParser parser;
    std::ifstream in(fs::path(m_Path) / "Shapes.xml");
    const std::string xml((std::istreambuf_iterator<char>(in)), {});
    ASSERT_TRUE(parser.parseData(xml));
    auto root = std::dynamic_pointer_cast<QVGenericElement>(parser.rootElement());
    ASSERT_TRUE(root);
    EXPECT_EQ(root->name(), "qvdrawdocument");
    EXPECT_TRUE(root->attributes().empty());
    std::vector<std::string> children;
    for (const auto& c : root->children())
        children.push_back(*c->elementName());
    EXPECT_EQ(children, (std::vector<std::string>{"printinfo", "page", "grid"}));
    auto printInfo = std::dynamic_pointer_cast<QVGenericElement>(root->children()[0]);
    EXPECT_EQ(PrintInfo::fromBase64(printInfo->stringData()), PrintInfo());
}

TEST_F(DrawDocumentTest, EveryKindOfShapeSurvivesWriteReadWriteByteForByte) {
    DrawDocument doc;
    DrawingGenerator gen(7);
    doc.setShapes(gen.drawing(DrawingGenerator::kKindCount * 20));
    Page page;
    page.setColor(Color(0x33 / 255.0, 0x66 / 255.0, 0x99 / 255.0, 1));
    doc.setPage(page);
    Grid grid;
    grid.setSpacing(36);
    grid.setMinorTicks(3);
    grid.setRulersVisible(true);
    doc.setGrid(grid);
    PrintInfo info;
    info.setOrientation(PrintOrientation::Landscape);
    info.setLeftMargin(18);
    doc.setPrintInfo(info);
    ASSERT_TRUE(doc.writeToPackage(m_Path));
    const ByteBuffer first = doc.dataWithSelectionOnly(false);

    auto reread = open(m_Path);
    EXPECT_EQ(reread->shapes().size(), doc.shapes().size());
    EXPECT_EQ(reread->page().color().hexString(), "#336699");
    EXPECT_EQ(reread->grid().minorTicks(), 3);
    EXPECT_TRUE(reread->grid().rulersVisible());
    EXPECT_EQ(reread->printInfo(), doc.printInfo());
    EXPECT_EQ(text(reread->dataWithSelectionOnly(false)), text(first));
    for (std::size_t i = 0; i < doc.shapes().size(); ++i)
        EXPECT_EQ(typeid(*reread->shapes()[i]), typeid(*doc.shapes()[i])) << i;
}

TEST_F(DrawDocumentTest, ReadingCreatesNoUndoStep) {
    {
        DrawDocument doc;
        DrawingGenerator gen(3);
        doc.setShapes(gen.drawing(30));
        Page page;
        page.setColor(Color(1, 0, 0, 1));
        doc.setPage(page);
        ASSERT_TRUE(doc.writeToPackage(m_Path));
    }
    auto doc = std::make_unique<DrawDocument>();
    ASSERT_TRUE(doc->readFromPackage(m_Path));
    ASSERT_TRUE(doc->loadedShapes());
    EXPECT_TRUE(doc->shapes().empty()) << "without a window the shapes wait";
    doc->installLoadedShapes();
    doc->undoManager().endEventGroup();
    EXPECT_EQ(doc->shapes().size(), 30u);
    EXPECT_FALSE(doc->undoManager().canUndo());

    // A revert (the view exists) installs at once, also without undo steps.
    RecordingDelegate view;
    doc->setView(&view);
    doc->shapes()[0]->setRotation(10);
    ASSERT_TRUE(doc->readFromPackage(m_Path));
    doc->undoManager().endEventGroup();
    EXPECT_EQ(doc->shapes().size(), 30u);
    EXPECT_EQ(view.observed.size(), 30u);
    EXPECT_FALSE(doc->undoManager().canUndo());
    EXPECT_TRUE(doc->undoManager().isUndoRegistrationEnabled());
    doc->setView(nullptr);
}

TEST_F(DrawDocumentTest, ActionNamesOfEditsInsertionsAndRemovals) {
    DrawDocument doc;
    UndoManager& undo = doc.undoManager();
    auto shape = rectangle(Rect(0, 0, 10, 10));
    doc.insertObject(shape, 0);
    undo.endEventGroup();
    EXPECT_EQ(undo.undoActionName(), "Insert Shape");

    shape->setRotation(30);
    undo.endEventGroup();
    EXPECT_EQ(undo.undoActionName(), "Rotate");
    shape->setValueForKeyPath(Value(4.0), "stroke.width");
    undo.endEventGroup();
    EXPECT_EQ(undo.undoActionName(), "Edit");

    doc.removeObjectFromShapesAtIndex(0);
    undo.endEventGroup();
    EXPECT_EQ(undo.undoActionName(), "Delete Shape");
    EXPECT_TRUE(doc.shapes().empty());

    // Undo keeps the names for redo.
    undo.undo();
    EXPECT_EQ(undo.redoActionName(), "Delete Shape");
    undo.undo();
    undo.undo();
    EXPECT_EQ(undo.redoActionName(), "Rotate");
    undo.redo();
    undo.redo();
    // Out-of-range insertions and removals are refused.
    doc.removeObjectFromShapesAtIndex(0);
    EXPECT_FALSE(doc.insertObject(shape, 5));
    EXPECT_FALSE(doc.removeObjectFromShapesAtIndex(0));
}

TEST_F(DrawDocumentTest, PageColourIsUndoableAndRedrawsRulersAreNot) {
    DrawDocument doc;
    RecordingDelegate view;
    doc.setView(&view);
    Page replaced; // a new page is observed instead of the old one
    doc.setPage(replaced);
    EXPECT_EQ(replaced.observationCount(), 0u);
    Recorder recorder;
    doc.addObserver(&recorder, "page");
    doc.addObserver(&recorder, "grid");
    doc.addObserver(&recorder, "printInfo");

    EXPECT_TRUE(doc.setValueForKeyPath(Value(Color(0, 0, 1, 1)), "page.color"));
    doc.undoManager().endEventGroup();
    EXPECT_EQ(doc.page().color(), Color(0, 0, 1, 1));
    EXPECT_EQ(doc.undoManager().undoActionName(), "Edit");
    EXPECT_EQ(view.redraws, 1);
    doc.undoManager().undo();
    EXPECT_EQ(doc.page().color(), Color::white());
    EXPECT_EQ(view.redraws, 2);

    const int rulers = view.rulerUpdates;
    const std::size_t steps = doc.undoManager().undoCount();
    EXPECT_TRUE(doc.setValueForKeyPath(Value(true), "grid.rulersVisible"));
    doc.undoManager().endEventGroup();
    EXPECT_EQ(view.rulerUpdates, rulers + 1);
    EXPECT_EQ(doc.undoManager().undoCount(), steps);

    EXPECT_TRUE(doc.setValueForKeyPath(Value(50.0), "printInfo.leftMargin"));
    EXPECT_EQ(doc.printInfo().leftMargin(), 50);
    EXPECT_EQ(recorder.paths, (std::vector<std::string>{"page", "grid", "printInfo"}));
    doc.setView(nullptr);
}

TEST_F(DrawDocumentTest, MarginsComeFromThePrintableArea) {
    DrawDocument doc;
    RecordingDelegate view;
    doc.setView(&view);
    PrintInfo info;
    info.setPrinterImageableBounds(Rect(10, 20, 590, 750)); // y-up: 20 from the bottom
    doc.setPrintInfo(info);
    EXPECT_EQ(doc.printInfo().leftMargin(), 10);
    EXPECT_EQ(doc.printInfo().bottomMargin(), 20);
    EXPECT_EQ(doc.printInfo().rightMargin(), 612 - 590 - 10);
    EXPECT_EQ(doc.printInfo().topMargin(), 792 - 750 - 20);
    EXPECT_EQ(view.rulerUpdates, 1);
    doc.setView(nullptr);
}

// Seeded random edits: after each, undo must give back the exact bytes of
// "Shapes.xml" from before it and redo those from after it.
TEST_F(DrawDocumentTest, UndoAndRedoRestoreTheFileExactly) {
    for (unsigned seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        DrawDocument doc;
        UndoManager& undo = doc.undoManager();
        DrawingGenerator gen(seed);
        doc.setShapes(gen.drawing(DrawingGenerator::kKindCount * 2));
        const std::string initial = text(doc.dataWithSelectionOnly(false));
        int steps = 0;
        for (int edit = 0; edit < 100; ++edit) {
            const std::string before = text(doc.dataWithSelectionOnly(false));
            const int op = gen.integer(0, 9);
            const std::size_t n = doc.shapes().size();
            ShapePtr target = n ? doc.shapes()[gen.integer(0, static_cast<int>(n) - 1)] : nullptr;
            if (target && op == 9)
                if (auto* group = dynamic_cast<GroupShape*>(target.get()))
                    target = group->shapes()[0];
            if (op == 0 || !target) {
                doc.insertObject(gen.shape(gen.integer(0, DrawingGenerator::kKindCount - 1)),
                                 gen.integer(0, static_cast<int>(n)));
            } else if (op == 1) {
                doc.removeObjectFromShapesAtIndex(gen.integer(0, static_cast<int>(n) - 1));
            } else if (op == 2) {
                target->setValueForKeyPath(Value(Rect(gen.real(-100, 900), gen.real(-100, 900),
                                                      gen.real(0, 400), gen.real(0, 400))),
                                           "bounds");
            } else if (op == 3) {
                target->setValueForKeyPath(Value(gen.real(-720, 720)), "rotation");
            } else if (op == 4) {
                target->setValueForKeyPath(Value(gen.color()), "fill.color");
            } else if (op == 5) {
                target->setValueForKeyPath(Value(gen.integer(0, 2)), "fill.style");
            } else if (op == 6) {
                target->setValueForKeyPath(Value(gen.real(0, 20)), "stroke.width");
            } else if (op == 7) {
                target->setValueForKeyPath(Value(gen.integer(0, 1) == 1), "shadow.visible");
            } else {
                target->setValueForKeyPath(Value(gen.color()), "stroke.color");
            }
            undo.endEventGroup();
            const std::string after = text(doc.dataWithSelectionOnly(false));
            if (after == before)
                continue;
            ++steps;
            ASSERT_TRUE(undo.undo()) << "edit " << edit << " op " << op;
            ASSERT_EQ(text(doc.dataWithSelectionOnly(false)), before)
                << "undo of edit " << edit << " op " << op;
            ASSERT_TRUE(undo.redo());
            ASSERT_EQ(text(doc.dataWithSelectionOnly(false)), after)
                << "redo of edit " << edit << " op " << op;
        }
        const std::string final = text(doc.dataWithSelectionOnly(false));
        while (undo.canUndo())
            undo.undo();
        EXPECT_EQ(text(doc.dataWithSelectionOnly(false)), initial);
        while (undo.canRedo())
            undo.redo();
        EXPECT_EQ(text(doc.dataWithSelectionOnly(false)), final);
        EXPECT_GT(steps, 50);
    }
}

TEST_F(DrawDocumentTest, TheClipboardFormHoldsOnlyTheSelectionInListOrder) {
    DrawDocument doc;
    auto a = rectangle(Rect(0, 0, 1, 1));
    auto b = std::make_shared<OvalShape>();
    auto c = rectangle(Rect(5, 5, 1, 1));
    auto stranger = rectangle(Rect(9, 9, 9, 9));
    doc.setShapes({a, b, c});
    doc.setSelectionProvider([&] { return ShapeList{c, stranger, a}; });
    QVParser parser;
    ASSERT_TRUE(parser.parseData(doc.dataWithSelectionOnly(true)));
    auto root = std::dynamic_pointer_cast<QVGenericElement>(parser.rootElement());
    ASSERT_TRUE(root);
    ASSERT_EQ(root->children().size(), 2u);
    EXPECT_EQ(*root->children()[0]->elementName(), "rectangle");
    EXPECT_EQ(*root->children()[1]->elementName(), "rectangle");
    // The next full write has its records again.
    ASSERT_TRUE(parser.parseData(doc.dataWithSelectionOnly(false)));
    root = std::dynamic_pointer_cast<QVGenericElement>(parser.rootElement());
    EXPECT_EQ(root->children().size(), 6u);

    // Pasting reads the form back into loaded shapes.
    DrawDocument other;
    ASSERT_TRUE(other.parseData(doc.dataWithSelectionOnly(true)));
    ASSERT_TRUE(other.loadedShapes());
    EXPECT_EQ(other.loadedShapes()->size(), 2u);
    EXPECT_EQ(other.loadedShapes()->at(1)->bounds(), Rect(5, 5, 1, 1));
}

TEST_F(DrawDocumentTest, SharedPicturesGiveOneFile) {
    const std::string name = uniqueName("photo") + ".jpg";
    ASSERT_EQ(imageCache().addImageData(ByteBuffer{1, 2, 3}, name), name);
    DrawDocument doc;
    auto a = rectangle(Rect(0, 0, 10, 10));
    auto b = std::make_shared<OvalShape>();
    auto inGroup = rectangle(Rect(0, 0, 3, 3));
    for (Shape* s : std::initializer_list<Shape*>{a.get(), b.get(), inGroup.get()}) {
        s->fill().setStyle(FillStyleImage);
        s->fill().setImageName(name);
    }
    doc.setShapes({a, b, GroupShape::groupWithShapes({inGroup, rectangle(Rect(1, 1, 1, 1))})});
    PackageFiles files;
    ASSERT_TRUE(doc.fileWrapperRepresentation(files));
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files.at(name), (ByteBuffer{1, 2, 3}));
    ASSERT_TRUE(doc.writeToPackage(m_Path));
    EXPECT_TRUE(fs::is_regular_file(fs::path(m_Path) / name));
}

TEST_F(DrawDocumentTest, AMissingOrUnsafePictureFailsTheSaveAndKeepsThePackage) {
    DrawDocument doc;
    doc.setShapes({rectangle(Rect(0, 0, 1, 1))});
    ASSERT_TRUE(doc.writeToPackage(m_Path));
    const std::string saved = text(doc.dataWithSelectionOnly(false));

    for (const std::string& name :
         {uniqueName("absent") + ".png", std::string("../../evil.png"), std::string("a/b.png")}) {
        auto shape = rectangle(Rect(2, 2, 2, 2));
        shape->fill().setStyle(FillStyleImage);
        shape->fill().setImageName(name);
        doc.insertObject(shape, 1);
        DocumentResult r = doc.writeToPackage(m_Path);
        EXPECT_FALSE(r) << name;
        EXPECT_NE(r.error.find(name), std::string::npos) << r.error;
        doc.removeObjectFromShapesAtIndex(1);
        auto reread = open(m_Path);
        EXPECT_EQ(text(reread->dataWithSelectionOnly(false)), saved);
    }
    EXPECT_FALSE(fs::exists(m_Dir.parent_path() / "evil.png"));
    std::vector<std::string> beside;
    for (const auto& e : fs::directory_iterator(m_Dir))
        beside.push_back(e.path().filename().string());
    EXPECT_EQ(beside, std::vector<std::string>{"Drawing.qvdraw"});
}

TEST_F(DrawDocumentTest, APictureWhoseNameIsTakenIsFollowedToItsNewName) {
    const std::string name = uniqueName("clash") + ".png";
    ASSERT_TRUE(imageCache().addImageData(ByteBuffer{9, 9}, name));
    fs::create_directory(m_Path);
    writeFile(fs::path(m_Path) / name, "mine");
    writeFile(fs::path(m_Path) / "Shapes.xml",
              "<qvdrawdocument><rectangle><fill style=\"3\" image=\"" + name +
                  "\"/></rectangle></qvdrawdocument>");
    auto doc = open(m_Path);
    ASSERT_EQ(doc->shapes().size(), 1u);
    const std::string now = doc->shapes()[0]->fill().imageName();
    ASSERT_NE(now, name);
    EXPECT_EQ(imageCache().entryNamed(now)->data, (ByteBuffer{'m', 'i', 'n', 'e'}));
    // Saving writes this package's own picture again, not the other one.
    ASSERT_TRUE(doc->writeToPackage(m_Path));
    std::ifstream in(fs::path(m_Path) / now);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), {}), "mine");
}

TEST_F(DrawDocumentTest, ForeignRootsOpenEmptyAndBrokenFilesDoNotOpen) {
    writeRawPackage("<svg><page color=\"#FF0000\"/><rectangle/></svg>");
    {
        auto doc = open(m_Path);
        EXPECT_TRUE(doc->shapes().empty());
        EXPECT_EQ(doc->page().color(), Color::white());
    }
    writeFile(fs::path(m_Path) / "Shapes.xml",
              "<qvdrawdocument version=\"3\"><page color=\"#FF0000\"/><rectangle/>"
              "<mystery/></qvdrawdocument>");
    {
        auto doc = open(m_Path);
        EXPECT_EQ(doc->version(), 3);
        EXPECT_EQ(doc->shapes().size(), 1u);
        EXPECT_EQ(doc->page().color(), Color(1, 0, 0, 1));
        EXPECT_EQ(doc->printInfo(), PrintInfo()) << "absent printinfo keeps the defaults";
    }
    writeFile(fs::path(m_Path) / "Shapes.xml",
              "<qvdrawdocument><printinfo>bm9uc2Vuc2U=</printinfo><page color=\"#00FF00\"/>"
              "<rectangle/><rectangle></qvdrawdocument>");
    {
        DrawDocument doc;
        Page page;
        page.setColor(Color(0, 0, 1, 1));
        doc.setPage(page);
        DocumentResult r = doc.readFromPackage(m_Path);
        EXPECT_FALSE(r);
        EXPECT_EQ(r.error.rfind("Parser error: ", 0), 0u) << r.error;
        EXPECT_EQ(doc.lastError(), r.error);
        EXPECT_FALSE(doc.loadedShapes());
        EXPECT_EQ(doc.page().color(), Color(0, 0, 1, 1)) << "a failed read changes nothing";
    }
    writeFile(fs::path(m_Path) / "Shapes.xml",
              "<qvdrawdocument><printinfo>bm9uc2Vuc2U=</printinfo></qvdrawdocument>");
    EXPECT_EQ(open(m_Path)->printInfo(), PrintInfo()) << "unreadable printinfo keeps the defaults";
}

TEST_F(DrawDocumentTest, OnlyNativePackagesWithShapesXmlOpen) {
    DrawDocument empty;
    ASSERT_TRUE(empty.writeToPackage(m_Path));
    for (const char* type : {"QuickDraw Picture", "MacDraw II Drawing", "Scalable Vector Graphics",
                             "Something Else"}) {
        DrawDocument doc;
        DocumentResult r = doc.readFromPackage(m_Path, type);
        EXPECT_FALSE(r) << type;
        EXPECT_NE(r.error.find(type), std::string::npos);
    }
    fs::remove(fs::path(m_Path) / "Shapes.xml");
    DrawDocument doc;
    DocumentResult r = doc.readFromPackage(m_Path);
    EXPECT_FALSE(r);
    EXPECT_NE(r.error.find("Shapes.xml"), std::string::npos);
    EXPECT_FALSE(doc.readFromPackage((m_Dir / "nothing.qvdraw").string()));
}

TEST_F(DrawDocumentTest, ShapesLeavingOrADocumentGoingAwayAreNoLongerObserved) {
    auto shape = rectangle(Rect(0, 0, 1, 1));
    ShapePtr member;
    RecordingDelegate view; // the view follows the shape list
    {
        DrawDocument doc;
        doc.setView(&view);
        doc.insertObject(shape, 0);
        auto group = GroupShape::groupWithShapes(
            {rectangle(Rect(0, 0, 10, 10)), std::make_shared<OvalShape>()});
        member = group->shapes()[1];
        doc.insertObject(group, 1);
        EXPECT_GT(shape->observationCount(), 20u);
        doc.undoManager().endEventGroup();
        member->setValueForKeyPath(Value(Color(0, 1, 0, 1)), "fill.color");
        doc.undoManager().endEventGroup();
        EXPECT_EQ(doc.undoManager().undoActionName(), "Edit") << "members are observed too";
        EXPECT_EQ(view.observed.size(), 2u);
        doc.removeObjectFromShapesAtIndex(1);
        EXPECT_EQ(member->observationCount(), 0u);
        EXPECT_EQ(view.observed, std::vector<const Shape*>{shape.get()});
        doc.undoManager().endEventGroup();
        const std::size_t steps = doc.undoManager().undoCount();
        member->setRotation(90); // no longer recorded for undo
        doc.undoManager().endEventGroup();
        EXPECT_EQ(doc.undoManager().undoCount(), steps);
        doc.setView(nullptr);
    }
    EXPECT_EQ(shape->observationCount(), 0u);
    shape->setRotation(45); // no observer left to call
}

} // namespace
} // namespace qv
