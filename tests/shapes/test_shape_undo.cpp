// Undo and redo through the document give back exactly the file of before
// and after each edit, for every kind of shape and edit: lines and arcs,
// whose bounds follow their own parameters, boxes and their parameters,
// texts, groups nested three deep, and random paths.

#include "ShapeTestSupport.h"

#include "shapes/BezierShape.h"
#include "shapes/GroupShape.h"
#include "shapes/OvalShape.h"
#include "shapes/RectangleShape.h"
#include "shapes/RegularPolygonShape.h"
#include "shapes/RoundRectangleShape.h"
#include "shapes/TextShape.h"

namespace qv {
namespace {

using namespace test;

// Three levels: outer holds a middle group and an arc; the middle group holds
// the inner group and a line; the inner group holds a rectangle and an oval.
std::shared_ptr<GroupShape> threeDeep() {
    auto inner = GroupShape::groupWithShapes({box<RectangleShape>({10.1, 10.3, 40.7, 20.9}, 15),
                                              box<OvalShape>({60.3, 5.7, 30.1, 30.3})});
    auto middle = GroupShape::groupWithShapes({inner, line({0.3, 70.1}, {90.7, 99.9})});
    return GroupShape::groupWithShapes({middle, arc({150.1, 40.3}, 20.7, 0, 270)});
}

GroupShape& firstGroup(GroupShape& g) {
    return static_cast<GroupShape&>(*g.shapes().front());
}

// The old values recorded for an edit are those from before the whole edit,
// not from between its steps: undo would otherwise land in between. A
// member at rotation 0 inside a turned group keeps its angle when the group
// flips (360 - 0 is 0) and records none; undo must not turn it.
TEST(ShapeUndo, EveryEditOfEveryKindIsUndoneAndRedoneExactly) {
    DrawDocument document;
    auto l = line({10.1, 20.3}, {110.7, 50.9});
    auto flat = line({3.3, 7.7}, {93.1, 7.7});
    auto a = arc({0.7, 0.1}, 3.3, -15.5, 200.25);
    auto star = box<RegularPolygonShape>({5, 5, 40, 30});
    auto round = box<RoundRectangleShape>({50, 5, 40, 30});
    auto t = box<TextShape>({5, 50, 80, 20});
    auto outer = threeDeep();
    GroupShape& middle = firstGroup(*outer);
    GroupShape& inner = firstGroup(middle);
    document.setShapes({l, flat, a, star, round, t, outer});
    UndoScript script(document);
    const Rect b = outer->bounds(), ib = inner.bounds();
    const std::pair<const char*, std::function<void()>> steps[] = {
        // clang-format off
        {"offset", [&] { l->offset(Size(200.3, -0.7)); }},
        {"stretch", [&] { l->setValueForKeyPath(Value(Rect(1.1, 2.2, 333.3, 44.4)), "bounds"); }},
        {"rotate", [&] { l->setValueForKeyPath(Value(33.3), "rotation"); }},
        {"flip h", [&] { l->flip(0); }},
        {"flip v", [&] { l->flip(1); }},
        {"drag end", [&] { l->resizeToPoint(Point(77.7, 11.1), 1, 0, Point(), 0); }},
        {"set start", [&] { l->setValueForKeyPath(Value(Point(-4.4, 9.9)), "start"); }},
        {"flat offset", [&] { flat->offset(Size(0.1, 0.2)); }},
        {"flat stretch", [&] { flat->setBounds(Rect(0.3, 0.3, 44.4, 0)); }},
        {"arc radius", [&] { a->setRadius(11.1); }},
        {"arc centre", [&] { a->setValueForKeyPath(Value(Point(0.3, 0.7)), "center"); }},
        {"arc offset", [&] { a->offset(Size(10.7, -0.3)); }},
        {"arc scale", [&] { a->setBounds(Rect(-3.3, 1.1, 29.9, 5)); }},
        {"arc rotate", [&] { a->setRotation(71.1); }},
        {"arc flip h", [&] { a->flip(0); }},
        {"arc flip v", [&] { a->flip(1); }},
        {"drag angle", [&] { a->beginResize(), a->resizeToPoint(Point(30.3, 2.2), 1, 0, Point(), 0), a->endResize(); }},
        {"drag centre", [&] { a->beginResize(), a->resizeToPoint(Point(-0.9, 4.1), 0, 0, Point(), 0), a->endResize(); }},
        {"sides", [&] { star->setNumberOfSides(8); }},
        {"stellation", [&] { star->setStellation(0.5); }},
        {"stroke width", [&] { star->stroke().setWidth(2); }},
        {"fill style", [&] { star->fill().setStyle(2); }},
        {"shadow", [&] { star->shadow().setVisible(true); }},
        {"new stroke", [&] { Stroke wide; wide.setWidth(6); star->setStroke(wide); }},
        {"corner", [&] { round->setCornerRadius(Size(4, 6)); }},
        {"corner key", [&] { round->setValueForKeyPath(Value(2.0), "cornerRadiusWidth"); }},
        {"new text", [&] { t->setRichText(RichText::fromPlainText("third")); }},
        {"text key", [&] { t->setValueForKey(RichTextValue::make(RichText::fromPlainText("typed")), "text"); }},
        {"no text", [&] { EXPECT_TRUE(t->setValueForKey(Value(), "text")); }},
        {"rotate outer", [&] { outer->setValueForKeyPath(Value(33.3), "rotation"); }},
        {"scale outer", [&] { outer->setValueForKeyPath(Value(Rect(b.x() + 0.3, b.y() - 7.1, b.width() * 1.37, b.height() * 0.61)), "bounds"); }},
        {"rotate middle", [&] { middle.rotate(-47.9); }},
        {"scale inner", [&] { inner.setBounds(Rect(ib.x() - 1.1, ib.y(), ib.width() * 0.77, ib.height() * 1.9)); }},
        {"move outer", [&] { outer->offset(Size(0.1, 0.7)); }},
        {"flip outer h", [&] { outer->flip(0); }},
        {"flip middle v", [&] { middle.flip(1); }},
        {"straighten a member", [&] { inner.shapes().back()->setRotation(0); }},
        {"flip outer again", [&] { outer->flip(0); }},
        // clang-format on
    };
    for (const auto& [name, edit] : steps)
        script.step(name, edit);
    EXPECT_EQ(inner.shapes().back()->rotation(), 0);
    script.undoAndRedoAll();

    // Turning an arc's direction (not undoable) or giving a line the box it
    // already has leaves no empty step.
    document.undoManager().removeAllActions();
    a->setClockwise(!a->clockwise());
    l->setBounds(l->bounds());
    document.undoManager().endEventGroup();
    EXPECT_FALSE(document.undoManager().canUndo());
}

// Each of sixteen random paths, turned or not, takes every edit.
TEST(ShapeUndo, EveryPathEditIsUndoneAndRedoneExactly) {
    Random random(21);
    for (int round = 0; round < 16; ++round) {
        DrawDocument document;
        auto s = std::make_shared<BezierShape>();
        BezierPath withCurve; // element 1 is a curve, so every edit applies
        withCurve.moveToPoint({0, 0});
        withCurve.curveToPoint({80, 10}, {20, -40}, {60, -40});
        withCurve.appendBezierPath(random.path());
        s->setPath(withCurve);
        s->setRotation(round % 2 ? 37.0 : 0.0);
        s->fill().setStyle(2);
        document.setShapes({s});
        UndoScript script(document);
        const Point pts[3] = {{1, 2}, {3, 4}, {5, 6}};
        const std::pair<const char*, std::function<void()>> steps[] = {
            // clang-format off
            {"reshape anchor", [&] { s->reshapeToPoint(Point(5, 5), 1, 2, 0); }},
            {"reshape control", [&] { s->reshapeToPoint(Point(-50, 30), 1, 1, 0); }},
            {"move", [&] { s->offset(Size(12.5, -3)); }},
            {"resize", [&] { s->beginResize(), s->resizeToPoint(Point(400, 380), 2, 2, s->transform().transformPoint(s->bounds().origin), 0), s->endResize(); }},
            {"flip", [&] { s->flip(0); }},
            {"add point", [&] { s->addPoint(Point(500, -500), true); }},
            {"remove", [&] { s->removeLastElement(); }},
            {"edit element", [&] { s->setAssociatedPoints(pts, 1); }},
            // clang-format on
        };
        for (const auto& [name, edit] : steps)
            script.step(name, edit);
        script.undoAndRedoAll();
    }
}

// The "text" key carries a snapshot: editing the storage afterwards leaves
// it alone. The same text again is no change; a value of another kind is
// refused.
TEST(ShapeUndo, TheTextKeyCarriesASnapshot) {
    auto t = std::make_shared<TextShape>();
    t->setRichText(RichText::fromPlainText("first"));
    KeyPathRecorder recorder;
    t->addObserver(&recorder, "text");
    t->setRichText(RichText::fromPlainText("second"));
    EXPECT_TRUE(t->setValueForKey(t->valueForKey("text"), "text"));
    EXPECT_FALSE(t->setValueForKey(Value("words"), "text"));
    t->removeObserver(&recorder);
    ASSERT_EQ(recorder.changes.size(), 1u);
    auto snapshot = recorder.changes[0].oldValue.toObject<RichTextValue>();
    ASSERT_TRUE(snapshot);
    t->text()->setRichText(RichText::fromPlainText("changed"));
    EXPECT_EQ(snapshot->richText().plainText(), "first");
    EXPECT_TRUE(t->setValueForKeyPath(recorder.changes[0].oldValue, "text"));
    EXPECT_EQ(t->valueForKey("text"), recorder.changes[0].oldValue); // equal, not the same object
}

} // namespace
} // namespace qv
