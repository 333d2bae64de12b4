// Undo and redo through the document's observation give back exactly the
// shapes of before and after an edit: lines and arcs, whose bounds follow from
// their own parameters, and groups nested three deep, whose own bounds and
// rotation are recorded beside their members' records.

#include "ShapeTestSupport.h"

#include "document/DrawDocument.h"
#include "shapes/ArcShape.h"
#include "shapes/GroupShape.h"
#include "shapes/LineShape.h"
#include "shapes/OvalShape.h"
#include "shapes/RectangleShape.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace qv {
namespace {

using namespace test;

std::shared_ptr<LineShape> line(Point s, Point e) {
    auto l = std::make_shared<LineShape>();
    l->setStart(s);
    l->setEnd(e);
    return l;
}

std::shared_ptr<ArcShape> arc(Point c, double r, double a1, double a2) {
    auto a = std::make_shared<ArcShape>();
    a->setCenter(c);
    a->setRadius(r);
    a->setAngle1(a1);
    a->setAngle2(a2);
    return a;
}

template <class T> std::shared_ptr<T> boxShape(const Rect& r, double rotation) {
    auto s = std::make_shared<T>();
    s->setBounds(r);
    s->setRotation(rotation);
    return s;
}

// The old values recorded for an edit are those from before the whole edit,
// not from between its steps: undo would otherwise land in between.
TEST(UndoExactness, LineEditsOfEveryKindAreUndoneAndRedoneExactly) {
    DrawDocument document;
    auto l = line({10.1, 20.3}, {110.7, 50.9});
    auto flat = line({3.3, 7.7}, {93.1, 7.7});
    document.setShapes({l, flat});
    UndoScript script(document);
    script.step("offset", [&] { l->offset({200.3, -0.7}); });
    script.step("stretch",
                [&] { l->setValueForKeyPath(Value(Rect(1.1, 2.2, 333.3, 44.4)), "bounds"); });
    script.step("rotate", [&] { l->setValueForKeyPath(Value(33.3), "rotation"); });
    script.step("flip h", [&] { l->flip(0); });
    script.step("flip v", [&] { l->flip(1); });
    script.step("drag end", [&] { l->resizeToPoint({77.7, 11.1}, 1, 0, {}, 0); });
    script.step("set start", [&] { l->setValueForKeyPath(Value(Point(-4.4, 9.9)), "start"); });
    script.step("flat offset", [&] { flat->offset({0.1, 0.2}); });
    script.step("flat stretch", [&] { flat->setBounds({0.3, 0.3, 44.4, 0}); });
    script.undoAndRedoAll();
}

TEST(UndoExactness, ArcEditsOfEveryKindAreUndoneAndRedoneExactly) {
    DrawDocument document;
    auto a = arc({0.7, 0.1}, 3.3, -15.5, 200.25);
    document.setShapes({a});
    UndoScript script(document);
    script.step("radius", [&] { a->setRadius(11.1); });
    script.step("centre", [&] { a->setValueForKeyPath(Value(Point(0.3, 0.7)), "center"); });
    script.step("offset", [&] { a->offset({10.7, -0.3}); });
    script.step("scale", [&] { a->setBounds({-3.3, 1.1, 29.9, 5}); });
    script.step("rotate", [&] { a->setRotation(71.1); });
    script.step("flip h", [&] { a->flip(0); });
    script.step("flip v", [&] { a->flip(1); });
    script.step("drag angle", [&] {
        a->beginResize();
        a->resizeToPoint({30.3, 2.2}, 1, 0, {}, 0);
        a->endResize();
    });
    script.step("drag centre", [&] {
        a->beginResize();
        a->resizeToPoint({-0.9, 4.1}, 0, 0, {}, 0);
        a->endResize();
    });
    script.undoAndRedoAll();
}

// Turning an arc's direction (not undoable) or giving a line the box it
// already has must not leave an empty step.
TEST(UndoExactness, EditsThatChangeNothingUndoableMakeNoUndoStep) {
    DrawDocument document;
    auto a = arc({0.1, 0.3}, 7.3, 10, 100);
    auto l = line({10, 10}, {100, 50});
    document.setShapes({a, l});
    document.undoManager().removeAllActions();
    a->setClockwise(false);
    l->setBounds(l->bounds());
    document.undoManager().endEventGroup();
    EXPECT_FALSE(a->clockwise());
    EXPECT_FALSE(document.undoManager().canUndo());
}

// Three levels: outer holds a middle group and an arc; the middle group holds
// the inner group and a line; the inner group holds a rectangle and an oval.
std::shared_ptr<GroupShape> threeDeep() {
    auto inner =
        GroupShape::groupWithShapes({boxShape<RectangleShape>({10.1, 10.3, 40.7, 20.9}, 15),
                                     boxShape<OvalShape>({60.3, 5.7, 30.1, 30.3}, 0)});
    auto middle = GroupShape::groupWithShapes({inner, line({0.3, 70.1}, {90.7, 99.9})});
    return GroupShape::groupWithShapes({middle, arc({150.1, 40.3}, 20.7, 0, 270)});
}

GroupShape& memberGroup(GroupShape& g) {
    return static_cast<GroupShape&>(*g.shapes().front());
}

TEST(UndoExactness, ThreeDeepGroupsAreUndoneAndRedoneExactly) {
    DrawDocument document;
    auto outer = threeDeep();
    document.setShapes({outer});
    GroupShape& middle = memberGroup(*outer);
    GroupShape& inner = memberGroup(middle);
    ASSERT_EQ(GroupShape::groupDepth(*outer), 3u);

    UndoScript script(document);
    script.step("rotate outer", [&] { outer->setValueForKeyPath(Value(33.3), "rotation"); });
    script.step("scale outer", [&] {
        const Rect b = outer->bounds();
        outer->setValueForKeyPath(
            Value(Rect(b.x() + 0.3, b.y() - 7.1, b.width() * 1.37, b.height() * 0.61)), "bounds");
    });
    script.step("rotate middle", [&] { middle.rotate(-47.9); });
    script.step("scale inner", [&] {
        const Rect b = inner.bounds();
        inner.setBounds({b.x() - 1.1, b.y(), b.width() * 0.77, b.height() * 1.9});
    });
    script.step("move outer", [&] { outer->offset({0.1, 0.7}); });
    script.step("rotate outer again", [&] { outer->rotate(101.1); });
    script.step("flip outer h", [&] { outer->flip(0); });
    script.step("flip middle v", [&] { middle.flip(1); });
    script.undoAndRedoAll();
}

// A member left at rotation 0 inside a turned group: flipping keeps its angle
// (360 - 0 is 0), so the member records no rotation, while the group records
// its own. Undoing that must not turn the member.
TEST(UndoExactness, UndoingAGroupsFlipLeavesAnUnturnedMemberUnturned) {
    DrawDocument document;
    auto outer = threeDeep();
    document.setShapes({outer});
    GroupShape& inner = memberGroup(memberGroup(*outer));
    UndoScript script(document);
    script.step("rotate outer", [&] { outer->setRotation(30); });
    script.step("straighten a member", [&] { inner.shapes().back()->setRotation(0); });
    script.step("flip outer", [&] { outer->flip(0); });
    EXPECT_EQ(inner.shapes().back()->rotation(), 0);
    script.undoAndRedoAll();
}

// Tools and the inspector still move the members with the group: only undo
// and redo put a group's own values back alone.
TEST(UndoExactness, SettingAGroupsBoundsOrRotationStillMovesItsMembers) {
    auto outer = threeDeep();
    const Shape& arcMember = *outer->shapes().back();
    const Point centre = arcMember.position();
    outer->setValueForKeyPath(Value(outer->bounds().offsetBy(5, 5)), "bounds");
    EXPECT_EQ(arcMember.position(), Point(centre.x + 5, centre.y + 5));
    outer->setValueForKeyPath(Value(90.0), "rotation");
    EXPECT_EQ(arcMember.rotation(), 90);

    const Rect b = outer->bounds();
    outer->restoreValueForKeyPath(Value(b.offsetBy(100, 0)), "bounds");
    outer->restoreValueForKeyPath(Value(0.0), "rotation");
    EXPECT_EQ(outer->bounds(), b.offsetBy(100, 0));
    EXPECT_EQ(outer->rotation(), 0);
    EXPECT_EQ(arcMember.rotation(), 90);
}

} // namespace
} // namespace qv
