// Page, grid and print settings: corrections, announcements, the grid's
// lattice and drawing, and their records written and read back.
#include "document/Grid.h"
#include "document/Page.h"
#include "document/PrintInfo.h"
#include "framework/foundation/Base64.h"
#include "framework/foundation/RecordingGraphicsContext.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace qv {
namespace {

// The x of the vertical and the y of the horizontal lines of a grid path.
std::pair<std::vector<double>, std::vector<double>> lines(const BezierPath& path) {
    std::pair<std::vector<double>, std::vector<double>> xy;
    Point current;
    for (const PathElement& e : path.elements()) {
        if (e.type == PathElementType::LineTo)
            (e.points[0].x == current.x ? xy.first : xy.second)
                .push_back(e.points[0].x == current.x ? current.x : current.y);
        current = e.points[0];
    }
    return xy;
}

struct Change {
    std::string keyPath;
    Value old, now;
    bool operator==(const Change&) const = default;
};
class Recorder : public KeyValueObserver {
public:
    void observeValueForKeyPath(std::string_view keyPath, KeyValueObservable&, const Value& old,
                                const Value& now) override {
        changes.push_back({std::string(keyPath), old, now});
    }
    std::vector<Change> changes;
};

// Written attributes as "key=value" texts, in order.
std::vector<std::string> pairs(const AttributeMap& attributes) {
    std::vector<std::string> texts;
    for (const auto& [key, value] : attributes)
        texts.push_back(key + "=" + attributeValueText(value));
    return texts;
}

// Attribute maps as a reader hands them over: every value as text.
AttributeMap asText(const AttributeMap& written) {
    AttributeMap text;
    for (const auto& [key, value] : written)
        text.setStringValue(attributeValueText(value), key);
    return text;
}

TEST(Page, ColourIsSavedWithoutAlphaAlwaysAnnouncedAndNotObservedInACopy) {
    Page page;
    page.setElementAttributes(AttributeMap()); // an absent colour leaves the default
    EXPECT_EQ(page.color(), Color::white());
    Recorder recorder;
    page.addObserver(&recorder, "color");
    page.setColor(Color(1, 0, 0, 0.5));
    page.setColor(Color(1, 0, 0, 0.5)); // colour setters always announce
    EXPECT_FALSE(page.setValueForKey(Value(3), "color"));
    EXPECT_TRUE(page.setValueForKey(Value(Color(0, 1, 0)), "color"));
    ASSERT_EQ(recorder.changes.size(), 3u);
    EXPECT_EQ(recorder.changes[0],
              (Change{"color", Value(Color::white()), Value(Color(1, 0, 0, 0.5))}));
    EXPECT_EQ(pairs(page.elementAttributes()), std::vector<std::string>{"color=#00FF00"});
    auto copy = page.copy();
    EXPECT_EQ(copy->color(), Color(0, 1, 0));
    EXPECT_EQ(copy->observationCount(), 0u);
    page.removeObserver(&recorder);
}

TEST(Grid, CorrectionsAnnouncementsAndTheCache) {
    Grid grid;
    Recorder recorder;
    for (const char* key : {"rulersVisible", "visible", "snap", "spacing", "minorTicks"})
        grid.addObserver(&recorder, key);
    EXPECT_EQ(grid.minorSpacing(), 9);
    grid.cacheGridInRect(Rect(0, 0, 100, 50));
    // Unchanged values are not announced and keep the cache; spacing under 1 is 72.
    grid.setSpacing(72);
    grid.setSpacing(0.5);
    grid.setMinorTicks(8);
    grid.setSnap(true);
    EXPECT_TRUE(recorder.changes.empty());
    EXPECT_EQ(grid.cacheRect(), Rect(0, 0, 100, 50));
    EXPECT_TRUE(grid.setValueForKey(Value(true), "rulersVisible"));
    EXPECT_TRUE(grid.setValueForKey(Value(false), "snap"));
    EXPECT_TRUE(grid.setValueForKey(Value(false), "visible"));
    EXPECT_TRUE(grid.setValueForKey(Value(36.0), "spacing"));
    EXPECT_FALSE(grid.majorGrid().has_value());
    EXPECT_EQ(grid.cacheRect(), Rect());
    grid.cacheGridInRect(Rect(0, 0, 100, 50));
    EXPECT_TRUE(grid.setValueForKey(Value(3), "minorTicks"));
    EXPECT_FALSE(grid.majorGrid().has_value());
    EXPECT_FALSE(grid.setValueForKey(Value(3), "colour"));
    EXPECT_FALSE(grid.setValueForKey(Value("x"), "spacing"));
    EXPECT_EQ(recorder.changes, (std::vector<Change>{{"rulersVisible", Value(false), Value(true)},
                                                     {"snap", Value(true), Value(false)},
                                                     {"visible", Value(true), Value(false)},
                                                     {"spacing", Value(72.0), Value(36.0)},
                                                     {"minorTicks", Value(std::int64_t(8)),
                                                      Value(std::int64_t(3))}}));
    EXPECT_EQ(grid.valueForKey("minorTicks"), Value(std::int64_t(3)));
    EXPECT_EQ(grid.valueForKey("snap"), Value(false));
    grid.setSpacing(1);
    grid.setMinorTicks(-5);
    EXPECT_EQ(grid.spacing(), 1);
    EXPECT_EQ(grid.minorTicks(), 1);
    grid.removeObserver(&recorder);
}

TEST(Grid, SnappingRoundsHalvesAwayFromZeroOnTheOriginLattice) {
    Grid grid;
    grid.setSnap(false); // the grid does not consult its own snap setting
    const std::pair<Point, Point> cases[] = {{{13.4, -4.5}, {9, -9}},
                                             {{4.5, 0}, {9, 0}},
                                             {{-4.4, 4.4}, {-0.0, 0}},
                                             {{100, 31}, {99, 27}}};
    for (const auto& [in, out] : cases)
        EXPECT_EQ(grid.snapPoint(in), out);
    grid.setMinorTicks(1);
    EXPECT_EQ(grid.snapPoint({100, 31}), Point(72, 0));
}

TEST(Grid, LatticeStartsAtTheRectangleOriginAndEndsWithItsFrame) {
    using Xs = std::vector<double>;
    const struct {
        std::int64_t ticks;
        Rect rect;
        Xs majorX, majorY, minorX, minorY;
    } cases[] = {
        {8,
         {0, 0, 100, 50},
         {0, 72, 100},
         {0, 50},
         {9, 18, 27, 36, 45, 54, 63, 81, 90, 99},
         {9, 18, 27, 36, 45}},
        {2, {10, 5, 80, 40}, {10, 82, 90}, {5, 45}, {46}, {41}},       // minor spacing 36
        {1, {0, 0, 100, 50}, {0, 72, 100}, {0, 50}, {}, {}},           // no minor path
        {std::int64_t(1) << 40, {0, 0, 100, 50}, {100}, {50}, {}, {}}, // only the frame
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ticks);
        Grid grid;
        grid.setMinorTicks(c.ticks);
        grid.cacheGridInRect(c.rect);
        ASSERT_TRUE(grid.majorGrid());
        EXPECT_EQ(lines(*grid.majorGrid()), std::make_pair(c.majorX, c.majorY));
        ASSERT_EQ(grid.minorGrid().has_value(), c.ticks > 1);
        if (c.ticks == 1)
            continue;
        EXPECT_EQ(lines(*grid.minorGrid()), std::make_pair(c.minorX, c.minorY));
        // Verticals span the rectangle's height, horizontals its width.
        for (const PathElement& e : grid.minorGrid()->elements())
            EXPECT_TRUE(e.points[0].x == c.rect.minX() || e.points[0].x == c.rect.maxX() ||
                        e.points[0].y == c.rect.minY() || e.points[0].y == c.rect.maxY());
        // The frame closes the far sides as one polyline: (0,50) → (100,50) → (100,0).
        const auto& major = grid.majorGrid()->elements();
        ASSERT_GE(major.size(), 3u);
        EXPECT_EQ(major[major.size() - 3].type, PathElementType::MoveTo);
        EXPECT_EQ(major[major.size() - 3].points[0], Point(c.rect.minX(), c.rect.maxY()));
        EXPECT_EQ(major[major.size() - 2].points[0], Point(c.rect.maxX(), c.rect.maxY()));
        EXPECT_EQ(major[major.size() - 1].points[0], Point(c.rect.maxX(), c.rect.minY()));
    }
}

TEST(Grid, DrawsMinorThenMajorHairlinesOnPixelCentresInColoursThatSuitThePage) {
    const double minor = static_cast<double>(0.15f), major = static_cast<double>(0.3f);
    const struct {
        Color page, minor, major;
    } colours[] = {
        {Color::white(),
         {1 - minor, 1 - minor, 1 - minor, 1},
         {1 - major, 1 - major, 1 - major, 1}},
        {Color(0, 0, 0, 0.2), {minor, minor, minor, 1}, {major, major, major, 1}},
        // A blue page counts as dark although its brightness is 0.9.
        {Color(0.2, 0.2, 0.9), {0.2 + minor, 0.2 + minor, 1, 1}, {0.2 + major, 0.2 + major, 1, 1}},
    };
    for (const auto& c : colours) {
        EXPECT_EQ(Grid::lineColorsForPage(c.page).minor, c.minor);
        EXPECT_EQ(Grid::lineColorsForPage(c.page).major, c.major);
    }
    // Brightness exactly 0.5 is dark; just above it is light.
    EXPECT_GT(Grid::lineColorsForPage(Color(0.5, 0.1, 0.1)).minor.red, 0.5);
    EXPECT_LT(Grid::lineColorsForPage(Color(0.51, 0.1, 0.1)).minor.red, 0.51);

    Grid grid;
    RecordingGraphicsContext gc;
    grid.drawInRect(gc, Rect(0, 0, 100, 50), Color::white(), 1.0);
    grid.drawInRect(gc, Rect(0, 0, 200, 50), Color::white(), 2.0); // a new rectangle: rebuilt
    EXPECT_EQ(grid.cacheRect(), Rect(0, 0, 200, 50));
    EXPECT_EQ(gc.gstateDepth(), 0);
    const auto strokes = gc.strokes();
    ASSERT_EQ(strokes.size(), 4u);
    EXPECT_EQ(strokes[2].path.elements(), grid.minorGrid()->elements());
    EXPECT_EQ(strokes[3].path.elements(), grid.majorGrid()->elements());
    EXPECT_EQ(lines(*grid.majorGrid()).first, (std::vector<double>{0, 72, 144, 200}));
    EXPECT_EQ(strokes[2].lineWidth(), 0.5);
    EXPECT_EQ(strokes[3].transform, AffineTransform::translation(0.25, 0.25));
    EXPECT_EQ(strokes[2].color, colours[0].minor);
    EXPECT_EQ(strokes[3].color, colours[0].major);
    grid.setMinorTicks(1);
    gc.clear();
    grid.drawInRect(gc, Rect(0, 0, 200, 50), Color::black(), 1.0);
    EXPECT_EQ(gc.strokes().size(), 1u); // no minor path
}

TEST(Grid, AttributesAreAllWrittenAbsentOnesReadAsOffAndTheyReadBackTheSame) {
    EXPECT_EQ(pairs(Grid().elementAttributes()),
              (std::vector<std::string>{"show-rulers=no", "visible=yes", "snap=yes", "spacing=72",
                                        "minor-ticks=8"}));
    Grid read;
    read.setElementAttributes(AttributeMap());
    EXPECT_EQ(pairs(read.elementAttributes()),
              (std::vector<std::string>{"show-rulers=no", "visible=no", "snap=no", "spacing=72",
                                        "minor-ticks=1"}));
    AttributeMap text;
    text.setStringValue("true", "show-rulers");
    text.setStringValue("1", "visible");
    text.setStringValue("YES", "snap");
    read.setElementAttributes(text);
    EXPECT_TRUE(read.rulersVisible() && read.visible());
    EXPECT_FALSE(read.snap());

    std::mt19937 random(7), pageRandom(11);
    std::uniform_real_distribution<double> component(0, 1), spacing(-10, 500);
    std::uniform_int_distribution<int> ticks(-3, 40);
    std::bernoulli_distribution flag;
    for (int i = 0; i < 300; ++i) {
        Grid grid;
        grid.setRulersVisible(flag(random));
        grid.setVisible(flag(random));
        grid.setSnap(flag(random));
        grid.setSpacing(spacing(random));
        grid.setMinorTicks(ticks(random));
        const AttributeMap first = asText(grid.elementAttributes());
        read.setElementAttributes(first);
        EXPECT_EQ(asText(read.elementAttributes()), first);
        auto copy = read.copy();
        EXPECT_EQ(asText(copy->elementAttributes()), first);
        EXPECT_FALSE(copy->majorGrid().has_value());
        // Pages keep their colour opaque.
        Page page, readPage;
        page.setColor(Color(component(pageRandom), component(pageRandom), component(pageRandom),
                            component(pageRandom)));
        readPage.setElementAttributes(asText(page.elementAttributes()));
        EXPECT_EQ(readPage.color().alpha, 1);
        EXPECT_EQ(asText(readPage.elementAttributes()), asText(page.elementAttributes()));
    }
}

TEST(PrintInfo, PaperMarginsOrientationAndKeyValueCoding) {
    PrintInfo info; // US Letter with half-inch margins; y-up: the bottom margin is the origin's y
    EXPECT_EQ(info.paperSize(), Size(612, 792));
    EXPECT_EQ(info.orientation(), PrintOrientation::Portrait);
    EXPECT_EQ(info.pageSize(), Size(540, 720));
    EXPECT_EQ(info.imageablePageBounds(), Rect(36, 36, 540, 720));
    info.setLeftMargin(10);
    info.setRightMargin(20);
    info.setTopMargin(30);
    info.setBottomMargin(40);
    EXPECT_EQ(info.imageablePageBounds(), Rect(10, 40, 582, 722));
    info.setPrinterImageableBounds(Rect(18, 18, 576, 756)); // unless a printer set them
    EXPECT_EQ(info.imageablePageBounds(), Rect(18, 18, 576, 756));
    // Landscape turns the paper and forgets the printer's area.
    for (PrintOrientation o : {PrintOrientation::Landscape, PrintOrientation::Landscape})
        info.setOrientation(o);
    EXPECT_EQ(info.paperSize(), Size(792, 612));
    EXPECT_FALSE(info.hasPrinterImageableBounds());
    info.setOrientation(PrintOrientation::Portrait);
    EXPECT_EQ(info.paperSize(), Size(612, 792));

    EXPECT_TRUE(info.setValueForKeyPath(Value(10.0), "leftMargin"));
    EXPECT_TRUE(info.setValueForKey(Value(Size(100, 50)), "paperSize"));
    EXPECT_EQ(info.valueForKey("pageSize"), Value(Size(100 - 10 - 20, 50 - 70)));
    EXPECT_TRUE(info.setValueForKey(Value(1), "orientation"));
    EXPECT_EQ(info.valueForKey("orientation"), Value(1));
    EXPECT_FALSE(info.setValueForKey(Value("wide"), "leftMargin"));
    EXPECT_FALSE(info.setValueForKey(Value(1.0), "pageSize"));
}

TEST(PrintInfo, RecordsRoundTripExactlyAndUnreadableOnesGiveTheDefaults) {
    PrintInfo info;
    info.setPaperSize(Size(595.2755905511812, 841.8897637795276)); // A4
    info.setLeftMargin(0.1);
    info.setRightMargin(1.0 / 3);
    info.setTopMargin(72);
    info.setBottomMargin(18.000000000000004);
    info.setOrientation(PrintOrientation::Landscape);
    info.setPrinterImageableBounds(Rect(12.5, 13.25, 800, 500));
    const std::string encoded = info.base64Encoded();
    EXPECT_EQ(encoded.find('\n'), 72u); // lines of 72, as the base64 layout makes them
    EXPECT_EQ(PrintInfo::fromBase64(encoded), info);
    EXPECT_EQ(PrintInfo::fromBase64(PrintInfo().base64Encoded()), PrintInfo());
    // A later version's fields are passed over.
    auto later = PrintInfo::fromSerializedText(
        "QVPrintInfo 7\npaper=100 200\nmargins=1 2 3 4\nduplex=long\n\norientation=portrait\n");
    ASSERT_TRUE(later);
    EXPECT_EQ(later->paperSize(), Size(100, 200));
    EXPECT_EQ(later->imageablePageBounds(), Rect(1, 4, 100 - 1 - 2, 200 - 3 - 4));

    // No version, a bad one, no paper, no margins; one, three, an empty and a
    // bad number; not finite, no area, absurd paper, a negative margin, no page
    // left; a bad orientation, printer area or line.
    const std::string p = "QVPrintInfo 1\npaper=612 792\n", m = "margins=1 1 1 1\n";
    for (const std::string& record : std::vector<std::string>{
             std::string(), std::string("garbage"), "QVPrintInfo\npaper=612 792\n" + m,
             "QVPrintInfo 0\npaper=612 792\n" + m, "QVPrintInfo 1\n" + m, p,
             "QVPrintInfo 1\npaper=612\n" + m, "QVPrintInfo 1\npaper=612 792 1\n" + m,
             "QVPrintInfo 1\npaper=612  792\n" + m, "QVPrintInfo 1\npaper=612 792x\n" + m,
             "QVPrintInfo 1\npaper=nan 792\n" + m, "QVPrintInfo 1\npaper=inf 792\n" + m,
             "QVPrintInfo 1\npaper=0 792\nmargins=0 0 0 0\n", "QVPrintInfo 1\npaper=1e7 792\n" + m,
             p + "margins=-1 1 1 1\n", p + "margins=306 306 1 1\n",
             p + m + "orientation=sideways\n", p + m + "imageable=0 0 700 10\n",
             p + m + "no equals sign\n"}) {
        SCOPED_TRACE(record);
        EXPECT_FALSE(PrintInfo::fromSerializedText(record));
        EXPECT_EQ(
            PrintInfo::fromBase64(base64Encoding(ByteBuffer(record.begin(), record.end()), 72)),
            PrintInfo());
    }
    EXPECT_EQ(PrintInfo::fromBase64("%%% not base64 %%%"), PrintInfo());
    EXPECT_EQ(PrintInfo::fromBase64(std::string(10000, 'A')), PrintInfo());
}

} // namespace
} // namespace qv
