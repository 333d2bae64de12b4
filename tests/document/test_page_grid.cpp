#include "document/Grid.h"
#include "document/Page.h"
#include "framework/foundation/RecordingGraphicsContext.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace qv {
namespace {

// The lines of a cached grid path: each move-to and the line-tos after it.
struct Line {
    Point a, b;
};
std::vector<Line> linesOf(const BezierPath& path) {
    std::vector<Line> lines;
    Point current;
    for (const PathElement& e : path.elements()) {
        if (e.type == PathElementType::MoveTo) {
            current = e.points[0];
        } else if (e.type == PathElementType::LineTo) {
            lines.push_back({current, e.points[0]});
            current = e.points[0];
        }
    }
    return lines;
}

std::vector<double> verticalXs(const BezierPath& path) {
    std::vector<double> xs;
    for (const Line& l : linesOf(path))
        if (l.a.x == l.b.x)
            xs.push_back(l.a.x);
    return xs;
}

std::vector<double> horizontalYs(const BezierPath& path) {
    std::vector<double> ys;
    for (const Line& l : linesOf(path))
        if (l.a.y == l.b.y)
            ys.push_back(l.a.y);
    return ys;
}

class Recorder : public KeyValueObserver {
public:
    void observeValueForKeyPath(std::string_view keyPath, KeyValueObservable&,
                                const Value& oldValue, const Value& newValue) override {
        changes.push_back({std::string(keyPath), oldValue, newValue});
    }
    struct Change {
        std::string keyPath;
        Value oldValue, newValue;
    };
    std::vector<Change> changes;
};

TEST(Page, ColourIsSavedWithoutAlphaObservedAndCopied) {
    Page page;
    page.setElementAttributes(AttributeMap()); // an absent colour leaves the default
    EXPECT_EQ(page.color(), Color::white());
    Recorder recorder;
    page.addObserver(&recorder, "color");
    page.setColor(Color(1, 0, 0, 0.5));
    page.setColor(Color(1, 0, 0, 0.5)); // colour setters always announce
    ASSERT_EQ(recorder.changes.size(), 2u);
    EXPECT_EQ(recorder.changes[0].oldValue, Value(Color::white()));
    EXPECT_EQ(recorder.changes[0].newValue, Value(Color(1, 0, 0, 0.5)));
    const AttributeMap attributes = page.elementAttributes();
    ASSERT_EQ(attributes.size(), 1u);
    EXPECT_EQ(attributes.stringValueForKey("color"), "#FF0000");
    EXPECT_EQ(page.elementName(), "page");
    EXPECT_FALSE(page.setValueForKey(Value(3), "color"));
    EXPECT_TRUE(page.setValueForKey(Value(Color(0, 1, 0)), "color"));
    EXPECT_EQ(recorder.changes.size(), 3u);
    auto copy = page.copy();
    EXPECT_EQ(copy->color(), Color(0, 1, 0));
    EXPECT_EQ(copy->observationCount(), 0u);
    page.removeObserver(&recorder);
}

TEST(GridSettings, Corrections) {
    Grid grid;
    EXPECT_EQ(grid.minorSpacing(), 9);
    grid.setSpacing(36);
    grid.setSpacing(0.5);
    EXPECT_EQ(grid.spacing(), 72);
    grid.setSpacing(1);
    EXPECT_EQ(grid.spacing(), 1);
    grid.setMinorTicks(0);
    EXPECT_EQ(grid.minorTicks(), 1);
    grid.setMinorTicks(-5);
    EXPECT_EQ(grid.minorTicks(), 1);
}

TEST(GridSettings, SameSpacingKeepsTheCacheOtherSettingsClearIt) {
    Grid grid;
    grid.cacheGridInRect(Rect(0, 0, 100, 50));
    grid.setSpacing(72);
    grid.setMinorTicks(8);
    EXPECT_TRUE(grid.majorGrid().has_value());
    EXPECT_EQ(grid.cacheRect(), Rect(0, 0, 100, 50));
    grid.setSpacing(36);
    EXPECT_FALSE(grid.majorGrid().has_value());
    EXPECT_EQ(grid.cacheRect(), Rect());
    grid.cacheGridInRect(Rect(0, 0, 100, 50));
    grid.setMinorTicks(4);
    EXPECT_FALSE(grid.majorGrid().has_value());
}

TEST(GridSettings, ChangesAreAnnouncedOnlyWhenTheValueChanges) {
    Grid grid;
    Recorder recorder;
    for (const char* key : {"rulersVisible", "visible", "snap", "spacing", "minorTicks"})
        grid.addObserver(&recorder, key);
    grid.setSpacing(72);
    grid.setSnap(true);
    EXPECT_TRUE(recorder.changes.empty());
    grid.setSpacing(0.5); // corrected to 72: no change
    EXPECT_TRUE(recorder.changes.empty());
    EXPECT_TRUE(grid.setValueForKey(Value(true), "rulersVisible"));
    EXPECT_TRUE(grid.setValueForKey(Value(36.0), "spacing"));
    EXPECT_TRUE(grid.setValueForKey(Value(3), "minorTicks"));
    EXPECT_FALSE(grid.setValueForKey(Value(3), "colour"));
    ASSERT_EQ(recorder.changes.size(), 3u);
    EXPECT_EQ(recorder.changes[0].keyPath, "rulersVisible");
    EXPECT_EQ(recorder.changes[1].oldValue, Value(72.0));
    EXPECT_EQ(recorder.changes[1].newValue, Value(36.0));
    EXPECT_EQ(recorder.changes[2].newValue, Value(std::int64_t(3)));
    EXPECT_EQ(grid.valueForKey("minorTicks"), Value(std::int64_t(3)));
    EXPECT_EQ(grid.valueForKey("visible"), Value(true));
    grid.removeObserver(&recorder);
}

TEST(GridSnapping, RoundsHalvesAwayFromZeroOnTheOriginLattice) {
    Grid grid;
    EXPECT_EQ(grid.snapPoint({13.4, -4.5}), Point(9, -9));
    EXPECT_EQ(grid.snapPoint({4.5, 0}), Point(9, 0));
    EXPECT_EQ(grid.snapPoint({-4.4, 4.4}), Point(-0.0, 0));
    grid.setSnap(false); // the grid does not consult its own snap setting
    EXPECT_EQ(grid.snapPoint({100, 31}), Point(99, 27));
    grid.setMinorTicks(1);
    EXPECT_EQ(grid.snapPoint({100, 31}), Point(72, 0));
}

TEST(GridLattice, LinesStartAtTheRectangleOriginAndEndWithItsFrame) {
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
        {2, {10, 5, 80, 40}, {10, 82, 90}, {5, 45}, {46}, {41}}, // minor spacing 36
        {1, {0, 0, 100, 50}, {0, 72, 100}, {0, 50}, {}, {}},     // no minor path
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ticks);
        Grid grid;
        grid.setMinorTicks(c.ticks);
        grid.cacheGridInRect(c.rect);
        ASSERT_TRUE(grid.majorGrid());
        EXPECT_EQ(verticalXs(*grid.majorGrid()), c.majorX);
        EXPECT_EQ(horizontalYs(*grid.majorGrid()), c.majorY);
        ASSERT_EQ(grid.minorGrid().has_value(), c.ticks > 1);
        if (c.ticks == 1)
            continue;
        EXPECT_EQ(verticalXs(*grid.minorGrid()), c.minorX);
        EXPECT_EQ(horizontalYs(*grid.minorGrid()), c.minorY);
        // Verticals span the rectangle's height, horizontals its width.
        for (const Line& l : linesOf(*grid.minorGrid()))
            EXPECT_TRUE((l.a.y == c.rect.minY() && l.b.y == c.rect.maxY()) ||
                        (l.a.x == c.rect.minX() && l.b.x == c.rect.maxX()));
        // The frame closes the far sides as one polyline: (0,50) → (100,50) → (100,0).
        const auto& major = grid.majorGrid()->elements();
        ASSERT_GE(major.size(), 3u);
        EXPECT_EQ(major[major.size() - 3].type, PathElementType::MoveTo);
        EXPECT_EQ(major[major.size() - 3].points[0], Point(c.rect.minX(), c.rect.maxY()));
        EXPECT_EQ(major[major.size() - 2].points[0], Point(c.rect.maxX(), c.rect.maxY()));
        EXPECT_EQ(major[major.size() - 1].points[0], Point(c.rect.maxX(), c.rect.minY()));
    }
    // Absurd subdivisions leave only the frame.
    Grid grid;
    grid.setMinorTicks(std::int64_t(1) << 40);
    grid.cacheGridInRect(Rect(0, 0, 1000, 1000));
    ASSERT_TRUE(grid.majorGrid().has_value());
    EXPECT_EQ(grid.majorGrid()->elementCount(), 3u);
    EXPECT_TRUE(grid.minorGrid()->isEmpty());
}

TEST(GridDrawing, LineColoursFollowThePage) {
    const double minor = static_cast<double>(0.15f), major = static_cast<double>(0.3f);
    auto white = Grid::lineColorsForPage(Color::white());
    EXPECT_EQ(white.minor, Color(1 - minor, 1 - minor, 1 - minor, 1));
    EXPECT_EQ(white.major, Color(1 - major, 1 - major, 1 - major, 1));
    auto black = Grid::lineColorsForPage(Color(0, 0, 0, 0.2));
    EXPECT_EQ(black.minor, Color(minor, minor, minor, 1));
    EXPECT_EQ(black.major, Color(major, major, major, 1));
    // A blue page counts as dark although its brightness is 0.9.
    auto blue = Grid::lineColorsForPage(Color(0.2, 0.2, 0.9));
    EXPECT_EQ(blue.minor, Color(0.2 + minor, 0.2 + minor, 1, 1));
    EXPECT_EQ(blue.major, Color(0.2 + major, 0.2 + major, 1, 1));
    // Brightness exactly 0.5 is dark; just above it is light.
    EXPECT_GT(Grid::lineColorsForPage(Color(0.5, 0.1, 0.1)).minor.red, 0.5);
    EXPECT_LT(Grid::lineColorsForPage(Color(0.51, 0.1, 0.1)).minor.red, 0.51);
}

TEST(GridDrawing, MinorThenMajorHairlinesOnPixelCentres) {
    Grid grid;
    RecordingGraphicsContext gc;
    grid.drawInRect(gc, Rect(0, 0, 100, 50), Color::white(), 2.0);
    EXPECT_EQ(gc.gstateDepth(), 0);
    const auto strokes = gc.strokes();
    ASSERT_EQ(strokes.size(), 2u);
    EXPECT_EQ(strokes[0].path.elements(), grid.minorGrid()->elements());
    EXPECT_EQ(strokes[1].path.elements(), grid.majorGrid()->elements());
    for (const auto& s : strokes) {
        EXPECT_EQ(s.lineWidth(), 0.5);
        EXPECT_EQ(s.transform, AffineTransform::translation(0.25, 0.25));
    }
    EXPECT_EQ(strokes[0].color, Grid::lineColorsForPage(Color::white()).minor);
    EXPECT_EQ(strokes[1].color, Grid::lineColorsForPage(Color::white()).major);
}

TEST(GridDrawing, ADifferentRectangleRebuildsTheCache) {
    Grid grid;
    RecordingGraphicsContext gc;
    grid.drawInRect(gc, Rect(0, 0, 100, 50), Color::white(), 1.0);
    grid.drawInRect(gc, Rect(0, 0, 200, 50), Color::white(), 1.0);
    EXPECT_EQ(grid.cacheRect(), Rect(0, 0, 200, 50));
    EXPECT_EQ(verticalXs(*grid.majorGrid()), (std::vector<double>{0, 72, 144, 200}));
    grid.setMinorTicks(1);
    gc.clear();
    grid.drawInRect(gc, Rect(0, 0, 200, 50), Color::black(), 1.0);
    ASSERT_EQ(gc.strokes().size(), 1u); // no minor path
}

TEST(GridElement, AllAttributesAreWrittenAndAbsentOnesReadAsOffAndCorrected) {
    Grid grid;
    const AttributeMap a = grid.elementAttributes();
    std::vector<std::string> keys;
    for (const auto& [key, value] : a)
        keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<std::string>{"show-rulers", "visible", "snap", "spacing",
                                              "minor-ticks"}));
    EXPECT_EQ(a.stringValueForKey("show-rulers"), "no");
    EXPECT_EQ(a.stringValueForKey("visible"), "yes");
    EXPECT_EQ(a.stringValueForKey("spacing"), "72");
    EXPECT_EQ(a.stringValueForKey("minor-ticks"), "8");

    Grid empty;
    empty.setElementAttributes(AttributeMap());
    EXPECT_FALSE(empty.rulersVisible());
    EXPECT_FALSE(empty.visible());
    EXPECT_FALSE(empty.snap());
    EXPECT_EQ(empty.spacing(), 72);
    EXPECT_EQ(empty.minorTicks(), 1);

    AttributeMap text;
    text.setStringValue("true", "show-rulers");
    text.setStringValue("1", "visible");
    text.setStringValue("YES", "snap");
    Grid read;
    read.setElementAttributes(text);
    EXPECT_TRUE(read.rulersVisible());
    EXPECT_TRUE(read.visible());
    EXPECT_FALSE(read.snap());
}

// Attribute maps as a reader hands them over: every value as text.
AttributeMap asText(const AttributeMap& written) {
    AttributeMap text;
    for (const auto& [key, value] : written)
        text.setStringValue(attributeValueText(value), key);
    return text;
}

TEST(GridElement, WriteReadWriteGivesTheSameAttributes) {
    std::mt19937 random(7), pageRandom(11);
    std::uniform_real_distribution<double> component(0, 1);
    std::uniform_real_distribution<double> spacing(-10, 500);
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
        Grid read;
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

} // namespace
} // namespace qv
