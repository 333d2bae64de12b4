#include "canvas/DrawRulerView.h"

#include "canvas/DrawView.h"
#include "canvas/model/RulerGeometry.h"

#include <QPainter>

#include <cmath>

namespace qv {

DrawRulerView::DrawRulerView(QWidget* parent, Qt::Orientation orientation, DrawView* drawView)
    : QWidget(parent), m_Orientation(orientation), m_DrawView(drawView) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Labels in a font the setup installs everywhere, so rulers look alike.
    QFont small(QStringLiteral("DejaVu Sans"));
    small.setPixelSize(9);
    setFont(small);
}

void DrawRulerView::setDrawView(DrawView* view) {
    m_DrawView = view;
    update();
}

void DrawRulerView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const bool horizontal = m_Orientation == Qt::Horizontal;
    const int length = horizontal ? width() : height();
    const int thickness = horizontal ? height() : width();
    p.fillRect(rect(), palette().color(QPalette::Window));
    if (!m_DrawView)
        return;

    // Everything is laid out along x with y across the ruler, thickness at
    // the edge next to the canvas; the vertical ruler swaps the axes.
    if (!horizontal)
        p.setTransform(QTransform(0, 1, 1, 0, 0, 0));
    const double zoom = m_DrawView->zoom();
    const QPointF origin = m_DrawView->viewportPointForDrawingPoint({0, 0});
    const double zero = horizontal ? origin.x() : origin.y();

    // Ticks rise from the edge next to the canvas.
    p.setPen(QPen(palette().color(QPalette::WindowText), 1));
    const double step = rulerLabelStep(zoom);
    for (const RulerTick& t : rulerTicks(zero, zoom, 0, length)) {
        const double x = std::floor(t.position) + 0.5;
        const double h = t.level == 0   ? thickness * 0.65
                         : t.level == 1 ? thickness * 0.4
                                        : thickness * 0.25;
        p.drawLine(QPointF(x, thickness), QPointF(x, thickness - h));
        if (t.level != 0)
            continue;
        const QString label = QString::fromStdString(rulerLabel(t.value, step));
        const QRectF box(0, 0, 60, thickness * 0.6);
        p.save();
        if (horizontal) {
            p.translate(x + 2, 1);
        } else {
            // Text reads down the vertical ruler.
            p.resetTransform();
            p.translate(box.height() + 1, x + 2);
            p.rotate(90);
        }
        p.drawText(box, Qt::AlignLeft | Qt::AlignTop, label);
        p.restore();
    }
    p.setPen(QPen(palette().color(QPalette::Mid), 1));
    p.drawLine(QPointF(0, thickness - 0.5), QPointF(length, thickness - 0.5));

    // Shading beyond the page and the selection's edges.
    const Rect page = m_DrawView->pageRect();
    const QRectF pageArea = m_DrawView->viewportRectForDrawingRect(page);
    std::optional<RulerSpan> selection;
    if (m_DrawView->hasSelection()) {
        const QRectF s = m_DrawView->viewportRectForDrawingRect(m_DrawView->selectionBounds());
        selection = horizontal ? RulerSpan{s.x(), s.width()} : RulerSpan{s.y(), s.height()};
    }
    const RulerMarks marks =
        rulerMarks(0, length, horizontal ? pageArea.left() : pageArea.top(),
                   horizontal ? pageArea.right() : pageArea.bottom(), selection);
    for (const RulerSpan& strip : marks.shaded)
        p.fillRect(QRectF(strip.start, 0, strip.length, thickness), QColor(128, 128, 128, 128));
    p.setPen(QPen(QColor(128, 128, 128), 1));
    for (double x : marks.selectionLines)
        p.drawLine(QPointF(x, 0), QPointF(x, thickness));
}

} // namespace qv
