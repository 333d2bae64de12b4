#pragma once
// Random shapes of every kind with varied styles, for the controller's
// invariant tests and benchmark. The same seed gives the same shapes.

#include "tests/support/RandomShapes.h"

#include "styles/Fill.h"
#include "styles/Shadow.h"
#include "styles/Stroke.h"

#include <vector>

namespace qv::testing {

class RandomDrawing : public RandomShapes {
public:
    static constexpr int kKinds = kKindCount;

    // Shapes of the given kinds only (0 to kKinds - 1, see shape()); all
    // kinds when the list is empty.
    explicit RandomDrawing(unsigned seed, std::vector<int> kinds = {})
        : RandomShapes(seed, {1000, {2, 5}, {4, 8}, {2, 6}}), m_Kinds(std::move(kinds)) {
        if (m_Kinds.empty())
            for (int k = 0; k < kKinds; ++k)
                m_Kinds.push_back(k);
    }

    Rect rect() override {
        return Rect(coordinate(0, 1000), coordinate(0, 1000), coordinate(1, 200),
                    coordinate(1, 200));
    }

    void style(Shape& s) override {
        s.setBounds(rect());
        if (integer(0, 2) == 0)
            s.setRotation(coordinate(0, 359));
        s.fill().setStyle(integer(0, 2));
        s.fill().setColor(color());
        s.stroke().setWidth(integer(1, 8) / 2.0);
        s.stroke().setColor(color());
        if (integer(0, 3) == 0) {
            s.stroke().setArrowEndStyle(integer(1, 4));
            s.stroke().setArrowEndSize(integer(1, 4));
        }
        if (integer(0, 3) == 0) {
            s.shadow().setVisible(true);
            s.shadow().setShadowOffset(Size(3, 3));
        }
    }

    int randomKind() {
        return m_Kinds[static_cast<std::size_t>(integer(0, static_cast<int>(m_Kinds.size()) - 1))];
    }
    ShapePtr anyShape() { return shape(randomKind()); }

    // Every kind in turn.
    ShapeList drawing(std::size_t count) {
        ShapeList shapes;
        for (std::size_t i = 0; i < count; ++i)
            shapes.push_back(shape(m_Kinds[i % m_Kinds.size()]));
        return shapes;
    }

    // Levels of groups that a generated group may hold inside itself.
    void setMaxNesting(int levels) { m_MaxDepth = levels; }

protected:
    ShapePtr groupMember(int depth) override {
        // Now and then a group inside the group.
        int k = depth < m_MaxDepth && integer(0, 3) == 0 ? 9 : randomKind();
        if (k == 9 && depth >= m_MaxDepth)
            k = 0;
        return shape(k, depth + 1);
    }

private:
    std::vector<int> m_Kinds;
    int m_MaxDepth = 2;
};

} // namespace qv::testing
