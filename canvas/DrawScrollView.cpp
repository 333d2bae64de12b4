#include "canvas/DrawScrollView.h"

#include "canvas/DrawRulerView.h"
#include "canvas/DrawView.h"
#include "canvas/ZoomPopup.h"

#include <QResizeEvent>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace qv {

DrawScrollView::DrawScrollView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    // The zoom control lives in the horizontal bar, so both bars always show.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_DrawView = new DrawView(this);
    setViewport(m_DrawView);
    // The canvas takes the keyboard itself, and paints every pixel.
    m_DrawView->setFocusProxy(nullptr);
    setFocusProxy(m_DrawView);
    m_DrawView->setAutoFillBackground(false);

    m_HorizontalRuler = new DrawRulerView(this, Qt::Horizontal, m_DrawView);
    m_VerticalRuler = new DrawRulerView(this, Qt::Vertical, m_DrawView);
    m_HorizontalRuler->hide();
    m_VerticalRuler->hide();

    m_ZoomPopup = new ZoomPopup(this);
    m_ZoomPopup->setFixedWidth(kPopupWidth);
    addScrollBarWidget(m_ZoomPopup, Qt::AlignLeft);
    m_ZoomPopup->setZoom(m_DrawView->zoom());
    connect(m_ZoomPopup, &ZoomPopup::zoomRequested, m_DrawView, &DrawView::setZoom);
    connect(m_ZoomPopup, &ZoomPopup::fitPageRequested, m_DrawView, &DrawView::zoomToFitPage);
    connect(m_ZoomPopup, &ZoomPopup::fitSelectionRequested, m_DrawView, &DrawView::zoomToSelection);
    connect(m_DrawView, &DrawView::zoomChanged, m_ZoomPopup, &ZoomPopup::setZoom);
}

DrawScrollView::~DrawScrollView() = default;

int DrawScrollView::horizontalRulerThickness() const {
    return kRulerThickness;
}

int DrawScrollView::verticalRulerThickness() const {
    return kRulerThickness;
}

void DrawScrollView::setRulersVisible(bool visible) {
    if (visible == m_RulersVisible)
        return;
    m_RulersVisible = visible;
    setViewportMargins(visible ? verticalRulerThickness() : 0,
                       visible ? horizontalRulerThickness() : 0, 0, 0);
    m_HorizontalRuler->setVisible(visible);
    m_VerticalRuler->setVisible(visible);
    layoutRulers();
}

void DrawScrollView::layoutRulers() {
    if (!m_RulersVisible)
        return;
    const QRect v = viewport()->geometry();
    const int th = horizontalRulerThickness(), tv = verticalRulerThickness();
    m_HorizontalRuler->setGeometry(v.x(), v.y() - th, v.width(), th);
    m_VerticalRuler->setGeometry(v.x() - tv, v.y(), tv, v.height());
}

void DrawScrollView::setScrollRange(QScrollBar* bar, int canvas, int viewport) {
    bar->setRange(0, std::max(0, canvas - viewport));
    bar->setPageStep(std::max(1, viewport));
    bar->setSingleStep(16);
}

void DrawScrollView::setCanvasSize(QSize size) {
    m_CanvasSize = size;
    const QSize v = viewport()->size();
    m_Resizing = true;
    setScrollRange(horizontalScrollBar(), size.width(), v.width());
    setScrollRange(verticalScrollBar(), size.height(), v.height());
    m_Resizing = false;
}

QPoint DrawScrollView::scrollPosition() const {
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void DrawScrollView::scrollToPosition(QPoint position) {
    horizontalScrollBar()->setValue(position.x());
    verticalScrollBar()->setValue(position.y());
}

void DrawScrollView::scrollContentsBy(int dx, int dy) {
    if (m_Resizing)
        return;
    const double dpr = m_DrawView->devicePixelRatioF();
    // Blitting keeps the page corner on a device pixel only when whole
    // pixels move whole device pixels.
    if (dpr == std::floor(dpr))
        m_DrawView->scroll(dx, dy);
    else
        m_DrawView->update();
    m_DrawView->viewportDidScroll(dx, dy);
    emit scrolled();
}

void DrawScrollView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    layoutRulers();
}

bool DrawScrollView::viewportEvent(QEvent*) {
    // The canvas handles its own events (painting, mouse, wheel, keys).
    return false;
}

} // namespace qv
