// The drawing document: its package written and read back byte for byte, undo
// of every edit through observation, the clipboard form, pictures, bad files.
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
    int redraws = 0, rulerUpdates = 0;
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
std::string data(DrawDocument& doc) {
    return text(doc.dataWithSelectionOnly(false));
}

// The names of the root's children in a written file.
std::vector<std::string> rootChildren(const ByteBuffer& xml) {
    QVParser parser;
    EXPECT_TRUE(parser.parseData(xml));
    auto root = std::dynamic_pointer_cast<QVGenericElement>(parser.rootElement());
    std::vector<std::string> names;
    for (const auto& c : root ? root->children() : ElementList())
        names.push_back(*c->elementName());
    EXPECT_TRUE(root && root->name() == "qvdrawdocument" && root->attributes().empty());
    return names;
}

// A name no other test uses, since the picture store lives as long as the
// process.
std::string uniqueName(const std::string& stem) {
    static std::atomic<int> counter{0};
    return stem + "-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".png";
}

std::shared_ptr<RectangleShape> rectangle(Rect r, const std::string& picture = {}) {
    auto s = std::make_shared<RectangleShape>();
    s->setBounds(r);
    if (!picture.empty()) {
        s->fill().setStyle(FillStyleImage);
        s->fill().setImageName(picture);
    }
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
    std::unique_ptr<DrawDocument> open() {
        auto doc = std::make_unique<DrawDocument>();
        DocumentResult r = doc->readFromPackage(m_Path);
        EXPECT_TRUE(r) << r.error;
        doc->installLoadedShapes();
        return doc;
    }
    void writeFile(const std::string& name, std::string_view bytes) {
        fs::create_directories(m_Path);
        std::ofstream(fs::path(m_Path) / name, std::ios::binary) << bytes;
    }
    std::vector<std::string> namesIn(const fs::path& dir) {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir))
            names.push_back(e.path().filename().string());
        return names;
    }

    fs::path m_Dir;
    std::string m_Path;
};

TEST_F(DrawDocumentTest, WriteReadWriteGivesTheSameBytesAndReadingIsNoEdit) {
    {
        DrawDocument empty; // export settings start at PDF with a transparent background
        EXPECT_EQ(empty.selectedExportFormat(), 0u);
        EXPECT_TRUE(empty.exportTransparentBackground());
        ASSERT_TRUE(empty.writeToPackage(m_Path));
        EXPECT_EQ(namesIn(m_Path), std::vector<std::string>{"Shapes.xml"});
        EXPECT_EQ(rootChildren(empty.dataWithSelectionOnly(false)),
                  (std::vector<std::string>{"printinfo", "page", "grid"}));
        EXPECT_EQ(open()->printInfo(), PrintInfo());
    }
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

    auto reread = std::make_unique<DrawDocument>();
    ASSERT_TRUE(reread->readFromPackage(m_Path));
    ASSERT_TRUE(reread->loadedShapes());
    EXPECT_TRUE(reread->shapes().empty()) << "without a window the shapes wait";
    reread->installLoadedShapes();
    reread->undoManager().endEventGroup();
    EXPECT_FALSE(reread->undoManager().canUndo());
    EXPECT_EQ(reread->page().color().hexString(), "#336699");
    EXPECT_EQ(reread->grid().minorTicks(), 3);
    EXPECT_TRUE(reread->grid().rulersVisible());
    EXPECT_EQ(reread->printInfo(), doc.printInfo());
    EXPECT_EQ(data(*reread), data(doc));

    // A revert (the view exists) installs at once, also without undo steps.
    RecordingDelegate view;
    reread->setView(&view);
    reread->shapes()[0]->setRotation(10);
    ASSERT_TRUE(reread->readFromPackage(m_Path));
    reread->undoManager().endEventGroup();
    EXPECT_EQ(view.observed.size(), doc.shapes().size());
    EXPECT_FALSE(reread->undoManager().canUndo());
    EXPECT_TRUE(reread->undoManager().isUndoRegistrationEnabled());
    EXPECT_EQ(data(*reread), data(doc));
    reread->setView(nullptr);
}

TEST_F(DrawDocumentTest, ActionNamesAndObservationOfShapesPageGridAndPrintSettings) {
    RecordingDelegate view; // the view follows the shape list
    auto shape = rectangle(Rect(0, 0, 10, 10));
    ShapePtr member;
    {
        DrawDocument doc;
        UndoManager& undo = doc.undoManager();
        doc.setView(&view);
        doc.insertObject(shape, 0);
        EXPECT_GT(shape->observationCount(), 20u);
        const std::pair<std::function<void()>, const char*> edits[] = {
            {[&] { shape->setRotation(30); }, "Rotate"},
            {[&] { shape->setValueForKeyPath(Value(4.0), "stroke.width"); }, "Edit"},
            {[&] {
                 auto group = GroupShape::groupWithShapes(
                     {rectangle(Rect(0, 0, 10, 10)), std::make_shared<OvalShape>()});
                 member = group->shapes()[1];
                 doc.insertObject(group, 1);
             },
             "Insert Shape"},
            {[&] { member->setValueForKeyPath(Value(Color(0, 1, 0, 1)), "fill.color"); }, "Edit"},
            {[&] { doc.removeObjectFromShapesAtIndex(1); }, "Delete Shape"},
        };
        for (const auto& [edit, name] : edits) {
            edit();
            undo.endEventGroup();
            EXPECT_EQ(undo.undoActionName(), name);
        }
        // Members of a removed group are watched no more, by the document or the
        // view.
        EXPECT_EQ(member->observationCount(), 0u);
        EXPECT_EQ(view.observed, std::vector<const Shape*>{shape.get()});
        const std::size_t steps = undo.undoCount();
        member->setRotation(90);
        undo.endEventGroup();
        EXPECT_EQ(undo.undoCount(), steps);
        undo.undo(); // the name stays for redo
        EXPECT_EQ(undo.redoActionName(), "Delete Shape");
        undo.redo();
        // Out-of-range insertions and removals are refused.
        EXPECT_FALSE(doc.insertObject(shape, 5));
        EXPECT_FALSE(doc.removeObjectFromShapesAtIndex(1));

        Page replaced; // a new page is observed instead of the old one
        doc.setPage(replaced);
        EXPECT_EQ(replaced.observationCount(), 0u);
        Recorder recorder;
        for (const char* key : {"page", "grid", "printInfo"})
            doc.addObserver(&recorder, key);
        const int redraws = view.redraws;
        EXPECT_TRUE(doc.setValueForKeyPath(Value(Color(0, 0, 1, 1)), "page.color"));
        undo.endEventGroup();
        EXPECT_EQ(undo.undoActionName(), "Edit");
        EXPECT_EQ(view.redraws, redraws + 1);
        undo.undo();
        EXPECT_EQ(doc.page().color(), Color::white());
        EXPECT_EQ(view.redraws, redraws + 2);
        // Rulers are no edit: redrawn, not undone.
        const std::size_t pageSteps = undo.undoCount();
        const int rulers = view.rulerUpdates;
        EXPECT_TRUE(doc.setValueForKeyPath(Value(true), "grid.rulersVisible"));
        undo.endEventGroup();
        EXPECT_EQ(view.rulerUpdates, rulers + 1);
        EXPECT_EQ(undo.undoCount(), pageSteps);
        EXPECT_TRUE(doc.setValueForKeyPath(Value(50.0), "printInfo.leftMargin"));
        EXPECT_EQ(doc.printInfo().leftMargin(), 50);
        EXPECT_EQ(recorder.paths, (std::vector<std::string>{"page", "grid", "printInfo"}));
        // Margins come from the printable area (y-up: 20 from the bottom).
        PrintInfo info;
        info.setPrinterImageableBounds(Rect(10, 20, 590, 750));
        doc.setPrintInfo(info);
        EXPECT_EQ(doc.printInfo().leftMargin(), 10);
        EXPECT_EQ(doc.printInfo().bottomMargin(), 20);
        EXPECT_EQ(doc.printInfo().rightMargin(), 612 - 590 - 10);
        EXPECT_EQ(doc.printInfo().topMargin(), 792 - 750 - 20);
        EXPECT_EQ(view.rulerUpdates,
                  rulers + 3); // the rulers follow each change of the print settings
        doc.removeObserver(&recorder);
        doc.setView(nullptr);
    }
    EXPECT_EQ(shape->observationCount(), 0u);
    shape->setRotation(45); // no observer left to call
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
        const std::string initial = data(doc);
        int steps = 0;
        for (int edit = 0; edit < 100; ++edit) {
            const std::string before = data(doc);
            const int op = gen.integer(0, 9);
            const int n = static_cast<int>(doc.shapes().size());
            ShapePtr target = n ? doc.shapes()[gen.integer(0, n - 1)] : nullptr;
            if (target && op == 9)
                if (auto* group = dynamic_cast<GroupShape*>(target.get()))
                    target = group->shapes()[0];
            if (op == 0 || !target)
                doc.insertObject(gen.shape(gen.integer(0, DrawingGenerator::kKindCount - 1)),
                                 gen.integer(0, n));
            else if (op == 1)
                doc.removeObjectFromShapesAtIndex(gen.integer(0, n - 1));
            else if (op == 2)
                target->setValueForKeyPath(Value(Rect(gen.real(-100, 900), gen.real(-100, 900),
                                                      gen.real(0, 400), gen.real(0, 400))),
                                           "bounds");
            else if (op == 3)
                target->setValueForKeyPath(Value(gen.real(-720, 720)), "rotation");
            else if (op == 4)
                target->setValueForKeyPath(Value(gen.color()), "fill.color");
            else if (op == 5)
                target->setValueForKeyPath(Value(gen.integer(0, 2)), "fill.style");
            else if (op == 6)
                target->setValueForKeyPath(Value(gen.real(0, 20)), "stroke.width");
            else if (op == 7)
                target->setValueForKeyPath(Value(gen.integer(0, 1) == 1), "shadow.visible");
            else
                target->setValueForKeyPath(Value(gen.color()), "stroke.color");
            undo.endEventGroup();
            const std::string after = data(doc);
            if (after == before)
                continue;
            ++steps;
            SCOPED_TRACE("edit " + std::to_string(edit) + " op " + std::to_string(op));
            ASSERT_TRUE(undo.undo());
            ASSERT_EQ(data(doc), before);
            ASSERT_TRUE(undo.redo());
            ASSERT_EQ(data(doc), after);
        }
        const std::string final = data(doc);
        while (undo.canUndo())
            undo.undo();
        EXPECT_EQ(data(doc), initial);
        while (undo.canRedo())
            undo.redo();
        EXPECT_EQ(data(doc), final);
        EXPECT_GT(steps, 50);
    }
}

TEST_F(DrawDocumentTest, TheClipboardFormHoldsOnlyTheSelectionInListOrder) {
    DrawDocument doc;
    auto a = rectangle(Rect(0, 0, 1, 1)), c = rectangle(Rect(5, 5, 1, 1));
    doc.setShapes({a, std::make_shared<OvalShape>(), c});
    doc.setSelectionProvider([&] { return ShapeList{c, rectangle(Rect(9, 9, 9, 9)), a}; });
    EXPECT_EQ(rootChildren(doc.dataWithSelectionOnly(true)),
              (std::vector<std::string>{"rectangle", "rectangle"}));
    // The next full write has its records again.
    EXPECT_EQ(rootChildren(doc.dataWithSelectionOnly(false)).size(), 6u);
    // Pasting reads the form back into loaded shapes.
    DrawDocument other;
    ASSERT_TRUE(other.parseData(doc.dataWithSelectionOnly(true)));
    ASSERT_TRUE(other.loadedShapes());
    EXPECT_EQ(other.loadedShapes()->size(), 2u);
    EXPECT_EQ(other.loadedShapes()->at(1)->bounds(), Rect(5, 5, 1, 1));
}

TEST_F(DrawDocumentTest, PicturesAreSavedOnceUnderTheStoresNamesAndMissingOrUnsafeOnesFailTheSave) {
    const std::string name = uniqueName("photo");
    ASSERT_EQ(imageCache().addImageData(ByteBuffer{1, 2, 3}, name), name);
    DrawDocument doc;
    auto oval = std::make_shared<OvalShape>();
    oval->setBounds(Rect(4, 4, 8, 8));
    oval->fill().setStyle(FillStyleImage);
    oval->fill().setImageName(name);
    doc.setShapes({rectangle(Rect(0, 0, 10, 10), name), oval,
                   GroupShape::groupWithShapes(
                       {rectangle(Rect(0, 0, 3, 3), name), rectangle(Rect(1, 1, 1, 1))})});
    PackageFiles files;
    ASSERT_TRUE(doc.fileWrapperRepresentation(files));
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files.at(name), (ByteBuffer{1, 2, 3}));
    ASSERT_TRUE(doc.writeToPackage(m_Path));
    EXPECT_TRUE(fs::is_regular_file(fs::path(m_Path) / name));
    const std::string saved = data(doc);

    // The package is kept whole; nothing is written beside it.
    for (const std::string& bad :
         {uniqueName("absent"), std::string("../../evil.png"), std::string("a/b.png")}) {
        doc.insertObject(rectangle(Rect(2, 2, 2, 2), bad), 1);
        DocumentResult r = doc.writeToPackage(m_Path);
        EXPECT_FALSE(r) << bad;
        EXPECT_NE(r.error.find(bad), std::string::npos) << r.error;
        doc.removeObjectFromShapesAtIndex(1);
        EXPECT_EQ(data(*open()), saved);
    }
    EXPECT_EQ(namesIn(m_Dir), std::vector<std::string>{"Drawing.qvdraw"});

    // A package whose picture has a name the store already gives other bytes.
    writeFile(name, "mine");
    writeFile("Shapes.xml", "<qvdrawdocument><rectangle><fill style=\"3\" image=\"" + name +
                                "\"/></rectangle></qvdrawdocument>");
    auto clash = open();
    ASSERT_EQ(clash->shapes().size(), 1u);
    const std::string now = clash->shapes()[0]->fill().imageName();
    ASSERT_NE(now, name);
    EXPECT_EQ(imageCache().entryNamed(now)->data, (ByteBuffer{'m', 'i', 'n', 'e'}));
    // Saving writes this package's own picture again, not the other one.
    ASSERT_TRUE(clash->writeToPackage(m_Path));
    std::ifstream in(fs::path(m_Path) / now);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), {}), "mine");
}

TEST_F(DrawDocumentTest, ForeignRootsOpenEmptyAndBrokenOrForeignFilesDoNotOpen) {
    writeFile("Shapes.xml", "<svg><page color=\"#FF0000\"/><rectangle/></svg>");
    EXPECT_TRUE(open()->shapes().empty());
    EXPECT_EQ(open()->page().color(), Color::white());
    writeFile("Shapes.xml", "<qvdrawdocument version=\"3\"><page color=\"#FF0000\"/><rectangle/>"
                            "<mystery/><printinfo>bm9uc2Vuc2U=</printinfo></qvdrawdocument>");
    auto doc = open();
    EXPECT_EQ(doc->version(), 3);
    EXPECT_EQ(doc->shapes().size(), 1u);
    EXPECT_EQ(doc->page().color(), Color(1, 0, 0, 1));
    EXPECT_EQ(doc->printInfo(), PrintInfo()) << "unreadable printinfo keeps the defaults";

    // A failed read changes nothing.
    writeFile("Shapes.xml",
              "<qvdrawdocument><page color=\"#00FF00\"/><rectangle></qvdrawdocument>");
    DocumentResult r = doc->readFromPackage(m_Path);
    EXPECT_FALSE(r);
    EXPECT_EQ(r.error.rfind("Parser error: ", 0), 0u) << r.error;
    EXPECT_EQ(doc->lastError(), r.error);
    EXPECT_EQ(doc->page().color(), Color(1, 0, 0, 1));
    EXPECT_EQ(doc->shapes().size(), 1u);

    ASSERT_TRUE(DrawDocument().writeToPackage(m_Path));
    for (const char* type : {"QuickDraw Picture", "Scalable Vector Graphics", "Something Else"}) {
        r = DrawDocument().readFromPackage(m_Path, type);
        EXPECT_FALSE(r) << type;
        EXPECT_NE(r.error.find(type), std::string::npos);
    }
    fs::remove(fs::path(m_Path) / "Shapes.xml");
    r = DrawDocument().readFromPackage(m_Path);
    EXPECT_NE(r.error.find("Shapes.xml"), std::string::npos);
    EXPECT_FALSE(DrawDocument().readFromPackage((m_Dir / "nothing.qvdraw").string()));
}

} // namespace
} // namespace qv
