#pragma once
// The scroll view around a DrawView: the canvas is its viewport, the rulers
// sit in its margins and the zoom control takes the left end of the
// horizontal scroll bar. Wheel scrolling, Shift+wheel sideways, Ctrl+wheel
// zooming about the pointer and middle-button panning are handled here.

#include <QAbstractScrollArea>
#include <QPoint>
#include <QSize>

class QScrollBar;

namespace qv {

class DrawView;
class DrawRulerView;
class ZoomPopup;

class DrawScrollView : public QAbstractScrollArea {
    Q_OBJECT

public:
    // The zoom control's width at the left end of the horizontal scroll bar.
    static constexpr int kPopupWidth = 117;

    explicit DrawScrollView(QWidget* parent = nullptr);
    ~DrawScrollView() override;

    DrawView* drawView() const { return m_DrawView; }
    DrawRulerView* horizontalRuler() const { return m_HorizontalRuler; }
    DrawRulerView* verticalRuler() const { return m_VerticalRuler; }
    ZoomPopup* zoomPopup() const { return m_ZoomPopup; }

    bool rulersVisible() const { return m_RulersVisible; }
    void setRulersVisible(bool visible);
    // Heights of the horizontal ruler and width of the vertical one.
    int horizontalRulerThickness() const;
    int verticalRulerThickness() const;

    // The canvas's full size in screen points and the scroll position (the
    // canvas point at the viewport's top-left corner).
    void setCanvasSize(QSize size);
    QSize canvasSize() const { return m_CanvasSize; }
    QPoint scrollPosition() const;
    void scrollToPosition(QPoint position);

signals:
    void scrolled();

public:
    // The ruler thickness, both ways, in screen points.
    static constexpr int kRulerThickness = 20;

protected:
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void layoutRulers();
    void setScrollRange(QScrollBar* bar, int canvas, int viewport);

    DrawView* m_DrawView = nullptr;
    DrawRulerView* m_HorizontalRuler = nullptr;
    DrawRulerView* m_VerticalRuler = nullptr;
    ZoomPopup* m_ZoomPopup = nullptr;
    QSize m_CanvasSize;
    bool m_RulersVisible = false;
    // While the canvas is resized the bars move without blitting: the
    // canvas redraws as a whole afterwards.
    bool m_Resizing = false;
};

} // namespace qv
