#pragma once
// Helpers shared by the line and arc tests: a view with a zoom, tolerant point
// comparison, random styles and file round trips through the registered reader.

#include "document/QVGenericElement.h"
#include "document/QVParser.h"
#include "document/QVWriter.h"
#include "shapes/Shape.h"
#include "shapes/ShapeRegistry.h"
#include "styles/Fill.h"
#include "styles/Shadow.h"
#include "styles/Stroke.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace qv::linearc {

class ZoomView : public ShapeView {
public:
    explicit ZoomView(double zoom) : m_Zoom(zoom) {}
    double zoom() const override { return m_Zoom; }

private:
    double m_Zoom;
};

inline void expectNear(Point a, Point b, double eps = 1e-9) {
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
}

inline void expectNear(const Rect& a, const Rect& b, double eps = 1e-9) {
    EXPECT_NEAR(a.x(), b.x(), eps);
    EXPECT_NEAR(a.y(), b.y(), eps);
    EXPECT_NEAR(a.width(), b.width(), eps);
    EXPECT_NEAR(a.height(), b.height(), eps);
}

inline std::vector<ShapePtr> readShapes(const std::string& xml, bool* ok = nullptr) {
    QVParser parser;
    parser.registerElementClass(Fill::kElementName, [] { return std::make_shared<Fill>(); });
    parser.registerElementClass(Stroke::kElementName, [] { return std::make_shared<Stroke>(); });
    parser.registerElementClass(Shadow::kElementName, [] { return std::make_shared<Shadow>(); });
    registerShapeClasses(parser);
    const bool parsed = parser.parseData(std::string_view(xml));
    if (ok)
        *ok = parsed;
    std::vector<ShapePtr> shapes;
    auto root = std::dynamic_pointer_cast<QVGenericElement>(parser.rootElement());
    if (!root)
        return shapes;
    for (const ElementPtr& child : root->children())
        if (auto s = std::dynamic_pointer_cast<Shape>(child))
            shapes.push_back(s);
    return shapes;
}

inline std::string writeShapes(const std::vector<ShapePtr>& shapes) {
    auto root = QVGenericElement::elementNamed("drawing");
    for (const ShapePtr& s : shapes)
        root->addElement(s);
    const ByteBuffer data = QVWriter::writer().dataWithElement(root);
    return std::string(data.begin(), data.end());
}

class Random {
public:
    explicit Random(unsigned seed) : m_Rng(seed) {}

    double real(double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(m_Rng);
    }
    int integer(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_Rng); }
    Point point(double lo, double hi) { return {real(lo, hi), real(lo, hi)}; }
    Color color() { return {real(0, 1), real(0, 1), real(0, 1), real(0, 1)}; }

    // Rotation and every style value that is written.
    void dress(Shape& s) {
        s.setRotation(integer(0, 1) ? 0 : real(-720, 720));
        Stroke& st = s.stroke();
        st.setStyle(integer(0, 6));
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
        f.setImageName("picture " + std::to_string(integer(0, 99)) + ".png");
        f.setImagePlacement(integer(0, 3));
        Shadow& sh = s.shadow();
        sh.setVisible(integer(0, 1));
        sh.setShadowOffset({real(-20, 20), real(-20, 20)});
        sh.setShadowBlurRadius(real(0, 30));
        sh.setShadowColor(color());
    }

private:
    std::mt19937 m_Rng;
};

} // namespace qv::linearc
