#pragma once
// A ruler along one edge of the canvas: ticks and labels in points with zero
// at the page's top-left corner, following the zoom and the scroll; the
// strips beyond the page shaded; the selection's edges marked. It reads
// everything from its DrawView and lies exactly alongside the viewport, so
// ruler coordinates are viewport coordinates along its axis.

#include <QWidget>

namespace qv {

class DrawView;

class DrawRulerView : public QWidget {
    Q_OBJECT

public:
    DrawRulerView(QWidget* parent, Qt::Orientation orientation, DrawView* drawView);

    Qt::Orientation orientation() const { return m_Orientation; }
    DrawView* drawView() const { return m_DrawView; }
    void setDrawView(DrawView* view);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Qt::Orientation m_Orientation;
    DrawView* m_DrawView;
};

} // namespace qv
