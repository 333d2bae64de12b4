// The marquee's outline cache answers exactly as the controller's
// shapesInRect, for every kind of shape and rectangle, also after shapes,
// members of groups and the list have changed between questions.

#include "canvas/ShapesController.h"
#include "document/DrawDocument.h"
#include "shapes/RectangleShape.h"
#include "tests/canvas/RandomDrawing.h"
#include "tools/OutlineBoxCache.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using testing::RandomDrawing;

ShapesController::IndexSet expectedIndexes(const ShapesController& c, const Rect& r) {
    ShapesController::IndexSet indexes;
    const ShapeList hit = c.shapesInRect(r);
    const ShapeList& all = c.arrangedObjects();
    for (std::size_t i = 0, k = 0; i < all.size() && k < hit.size(); ++i)
        if (all[i] == hit[k]) {
            indexes.push_back(i);
            ++k;
        }
    return indexes;
}

TEST(OutlineBoxCacheTest, AgreesWithShapesInRectAcrossChanges) {
    for (unsigned seed = 1; seed <= 3; ++seed) {
        DrawDocument document;
        ShapesController controller(&document);
        RandomDrawing random(seed);
        ShapeList shapes = random.drawing(40);
        // Paths without a segment, and an edge at whole coordinates.
        auto lone = std::make_shared<BezierShape>();
        lone->moveToPoint({300, 300});
        shapes.push_back(lone);
        shapes.push_back(std::make_shared<BezierShape>());
        auto square = std::make_shared<RectangleShape>();
        square->setBounds(Rect(100, 100, 50, 50));
        shapes.push_back(square);
        document.setShapes(shapes);

        OutlineBoxCache cache;
        for (int step = 0; step < 150; ++step) {
            if (step % 7 == 0) {
                controller.setSelectionIndexes(
                    {static_cast<std::size_t>(random.integer(0, int(controller.count()) - 1)),
                     static_cast<std::size_t>(random.integer(0, int(controller.count()) - 1))});
                switch (random.integer(0, 3)) {
                case 0:
                    controller.offset(random.coordinate(-30, 30), random.coordinate(-30, 30));
                    break;
                case 1:
                    controller.group();
                    break;
                case 2:
                    controller.ungroup();
                    break;
                default:
                    // A member of a group changes on its own.
                    for (const ShapePtr& s : document.shapes())
                        if (auto* g = dynamic_cast<GroupShape*>(s.get())) {
                            g->shapes().front()->offset(Size(7, -3));
                            break;
                        }
                }
            }
            // A point, a shape's own box (edges on its outline), the page, anything.
            const Point p(random.coordinate(-50, 1050), random.coordinate(-50, 1050));
            const Rect rects[] = {
                Rect(p, Size()),
                document
                    .shapes()[static_cast<std::size_t>(
                        random.integer(0, int(document.shapes().size()) - 1))]
                    ->transformedBounds(),
                Rect(-100, -100, 1300, 1300),
                rectFromPoints(p, {random.coordinate(-50, 1050), random.coordinate(-50, 1050)})};
            const Rect r = rects[random.integer(0, 3)];
            ASSERT_EQ(cache.indexesInRect(r, document.shapes()), expectedIndexes(controller, r))
                << "seed " << seed << " step " << step;
        }
        EXPECT_LE(cache.size(), 2 * document.shapes().size() + 64);
    }
}

TEST(OutlineBoxCacheTest, FormerMembersOfAGroupAnswerForThemselves) {
    DrawDocument document;
    ShapesController controller(&document);
    auto a = std::make_shared<RectangleShape>(), b = std::make_shared<RectangleShape>();
    a->setBounds(Rect(0, 0, 10, 10));
    b->setBounds(Rect(20, 0, 10, 10));
    document.setShapes({a, b});
    OutlineBoxCache cache;
    const Rect near(-5, -5, 50, 50);
    controller.selectAll();
    controller.group();
    EXPECT_EQ(cache.indexesInRect(near, document.shapes()), ShapesController::IndexSet{0});
    controller.ungroup();
    EXPECT_EQ(cache.indexesInRect(near, document.shapes()), (ShapesController::IndexSet{0, 1}));
    document.shapes()[0]->offset(Size(500, 0));
    EXPECT_EQ(cache.indexesInRect(near, document.shapes()), expectedIndexes(controller, near));
    EXPECT_EQ(expectedIndexes(controller, near).size(), 1u);
}

} // namespace
} // namespace qv
