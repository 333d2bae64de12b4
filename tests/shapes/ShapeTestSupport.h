#pragma once
// Helpers of the shape tests: a zoomed view, tolerant comparison, shape
// builders, files through the registered reader, change counting, random
// shapes and styles, and undo checked to the byte through a document.

#include "document/DrawDocument.h"
#include "document/QVGenericElement.h"
#include "document/QVParser.h"
#include "document/QVWriter.h"
#include "framework/foundation/NotificationCenter.h"
#include "framework/foundation/RecordingGraphicsContext.h"
#include "shapes/ArcShape.h"
#include "shapes/LineShape.h"
#include "shapes/Shape.h"
#include "shapes/ShapeRegistry.h"
#include "styles/Fill.h"
#include "styles/Shadow.h"
#include "styles/Stroke.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace qv::test {

using K = DrawOpKind;
constexpr double kTenth = static_cast<double>(0.1f); // the smallest side of a shape

class ZoomView : public ShapeView {
public:
    explicit ZoomView(double zoom, const Shape* editing = nullptr)
        : m_Zoom(zoom), m_Editing(editing) {}
    double zoom() const override { return m_Zoom; }
    const Shape* editingShape() const override { return m_Editing; }
    Color pageColor() const override { return {0.9, 0.8, 0.7, 1}; }
    Color selectedTextBackgroundColor() const override { return {0, 1, 0, 1}; }

private:
    double m_Zoom;
    const Shape* m_Editing;
};

inline void expectNear(Point a, Point b, double eps = 1e-9) {
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
}
inline void expectNear(const Rect& a, const Rect& b, double eps = 1e-9) {
    expectNear(a.origin, b.origin, eps);
    EXPECT_NEAR(a.width(), b.width(), eps);
    EXPECT_NEAR(a.height(), b.height(), eps);
}

// Every point of every element, in path order.
inline std::vector<Point> allPoints(const BezierPath& p) {
    std::vector<Point> out;
    for (const PathElement& e : p.elements())
        for (int i = 0; i < e.pointCount(); ++i)
            out.push_back(e.points[static_cast<std::size_t>(i)]);
    return out;
}

template <class T> std::shared_ptr<T> box(const Rect& r, double rotation = 0) {
    auto s = std::make_shared<T>();
    s->setBounds(r);
    s->setRotation(rotation);
    return s;
}
inline std::shared_ptr<LineShape> line(Point s, Point e) {
    auto l = std::make_shared<LineShape>();
    l->setStart(s);
    l->setEnd(e);
    return l;
}
inline std::shared_ptr<ArcShape> arc(Point c, double r, double a1, double a2, bool cw = true) {
    auto a = std::make_shared<ArcShape>();
    a->setCenter(c);
    a->setRadius(r);
    a->setAngle1(a1);
    a->setAngle2(a2);
    a->setClockwise(cw);
    return a;
}

// Reads a file whose root holds shapes; the root itself stays generic.
inline ShapeList readShapes(std::string_view xml, bool* ok = nullptr,
                            std::optional<QVParserError>* error = nullptr) {
    QVParser parser;
    parser.registerElementClass(Fill::kElementName, [] { return std::make_shared<Fill>(); });
    parser.registerElementClass(Stroke::kElementName, [] { return std::make_shared<Stroke>(); });
    parser.registerElementClass(Shadow::kElementName, [] { return std::make_shared<Shadow>(); });
    registerShapeClasses(parser);
    const bool parsed = parser.parseData(xml);
    if (ok)
        *ok = parsed;
    if (error)
        *error = parser.parserError();
    ShapeList shapes;
    if (auto root = std::dynamic_pointer_cast<QVGenericElement>(parser.rootElement()))
        for (const ElementPtr& child : root->children())
            if (auto s = std::dynamic_pointer_cast<Shape>(child))
                shapes.push_back(s);
    return shapes;
}

inline std::string writeShapes(const ShapeList& shapes) {
    auto root = QVGenericElement::elementNamed("drawing");
    for (const auto& s : shapes)
        root->addElement(s);
    const ByteBuffer data = QVWriter::writer().dataWithElement(root);
    return std::string(data.begin(), data.end());
}

// The shape's will/did notification pairs posted while `edit` runs.
inline int changePairs(const Shape& shape, const std::function<void()>& edit) {
    int will = 0, did = 0;
    auto& center = NotificationCenter::defaultCenter();
    center.addObserver(&will, QVShapeWillChangeNotification, &shape,
                       [&](const Notification&) { ++will; });
    center.addObserver(&did, QVShapeDidChangeNotification, &shape,
                       [&](const Notification&) { ++did; });
    edit();
    center.removeObserver(&will);
    center.removeObserver(&did);
    EXPECT_EQ(will, did);
    return did;
}

// What observers of a shape's key paths are told.
class KeyPathRecorder : public KeyValueObserver {
public:
    struct Change {
        std::string keyPath;
        Value oldValue, newValue;
    };
    void observeValueForKeyPath(std::string_view keyPath, KeyValueObservable&,
                                const Value& oldValue, const Value& newValue) override {
        changes.push_back({std::string(keyPath), oldValue, newValue});
    }
    std::vector<Change> changes;
};

class Random {
public:
    explicit Random(unsigned seed) : m_Rng(seed) {}
    double real(double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(m_Rng);
    }
    int integer(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_Rng); }
    Point point(double lo, double hi) { return {real(lo, hi), real(lo, hi)}; }
    Color color() { return {real(0, 1), real(0, 1), real(0, 1), real(0, 1)}; }

    // Rotation and every style value that is written; with `geometry`, also
    // the bounds and the rounded rectangle's and polygon's parameters.
    void dress(Shape& s, bool geometry = false) {
        if (geometry)
            s.setBounds({real(-500, 500), real(-500, 500), real(0, 400), real(0, 400)});
        s.setRotation(integer(0, 1) ? 0 : real(-720, 720));
        Stroke& st = s.stroke();
        st.setStyle(integer(0, 7));
        st.setWidth(real(0, 20));
        st.setColor(color());
        st.setCapStyle(integer(0, 2));
        st.setJoinStyle(integer(0, 2));
        st.setArrowStartStyle(integer(0, 2) ? 0 : integer(1, 18));
        st.setArrowStartSize(real(1, 10));
        st.setArrowEndStyle(integer(0, 18));
        st.setArrowEndSize(real(1, 10));
        Fill& f = s.fill();
        f.setStyle(integer(0, 3));
        f.setColor(color());
        f.setGradientColor(color());
        f.setGradientStyle(integer(0, 1));
        f.setGradientStart(point(-1, 2));
        f.setGradientEnd(point(-1, 2));
        f.setImageName("picture " + std::to_string(integer(0, 99)) + " & <co>.png");
        f.setImagePlacement(integer(0, 3));
        Shadow& sh = s.shadow();
        sh.setVisible(integer(0, 1));
        sh.setShadowOffset({real(-20, 20), real(-20, 20)});
        sh.setShadowBlurRadius(real(0, 30));
        sh.setShadowColor(color());
        if (geometry) {
            s.setCornerRadiusWidth(real(0, 60));
            s.setCornerRadiusHeight(real(0, 60));
            s.setNumberOfSides(integer(3, 40));
            s.setStellation(integer(0, 1) ? 0 : real(0, 1));
        }
    }

    // Several subpaths of every element kind, closed and open.
    BezierPath path(int subpaths = 3) {
        BezierPath p;
        for (int s = 0; s < subpaths; ++s) {
            p.moveToPoint(point(-200, 200));
            for (int i = integer(1, 6); i > 0; --i) {
                if (integer(0, 2) == 0)
                    p.lineToPoint(point(-200, 200));
                else
                    p.curveToPoint(point(-200, 200), point(-200, 200), point(-200, 200));
            }
            if (integer(0, 2) != 0)
                p.closePath();
        }
        return p;
    }

private:
    std::mt19937 m_Rng;
};

// Runs edits one undo step each and checks, for every step, that undo gives
// the bytes of before and redo those of after; then undoes everything and
// redoes everything, step by step, against the same bytes.
class UndoScript {
public:
    explicit UndoScript(DrawDocument& document) : m_Document(document) {
        m_Document.undoManager().removeAllActions();
        m_States.push_back(xml());
    }
    std::string xml() const {
        const ByteBuffer bytes = m_Document.dataWithSelectionOnly(false);
        return std::string(bytes.begin(), bytes.end());
    }
    void step(const std::string& name, const std::function<void()>& edit) {
        UndoManager& undo = m_Document.undoManager();
        const std::size_t before = undo.undoCount();
        edit();
        undo.endEventGroup();
        m_States.push_back(xml());
        m_Names.push_back(name);
        ASSERT_NE(m_States.back(), m_States[m_States.size() - 2]) << name << " changed nothing";
        ASSERT_EQ(undo.undoCount(), before + 1) << name;
        ASSERT_TRUE(undo.undo() && xml() == m_States[m_States.size() - 2]) << "undo of " << name;
        ASSERT_TRUE(undo.redo() && xml() == m_States.back()) << "redo of " << name;
    }
    void undoAndRedoAll() {
        UndoManager& undo = m_Document.undoManager();
        for (std::size_t k = m_States.size() - 1; k > 0; --k) {
            ASSERT_TRUE(undo.undo());
            ASSERT_EQ(xml(), m_States[k - 1]) << "undo of " << m_Names[k - 1];
        }
        EXPECT_FALSE(undo.canUndo());
        for (std::size_t k = 1; k < m_States.size(); ++k) {
            ASSERT_TRUE(undo.redo());
            ASSERT_EQ(xml(), m_States[k]) << "redo of " << m_Names[k - 1];
        }
        EXPECT_FALSE(undo.canRedo());
    }

private:
    DrawDocument& m_Document;
    std::vector<std::string> m_States;
    std::vector<std::string> m_Names;
};

} // namespace qv::test
