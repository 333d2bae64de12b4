#pragma once
// A document window: a main window around a DrawScrollView. It turns Escape,
// Ctrl+. and Enter into the end of an in-place edit while its canvas edits a
// shape, and keeps the rulers in step with the grid's setting, growing and
// shrinking the window by the rulers so the canvas keeps its size.

#include <QMainWindow>

namespace qv {

class DrawScrollView;
class DrawView;

class DrawWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit DrawWindow(QWidget* parent = nullptr);
    ~DrawWindow() override;

    DrawScrollView* scrollView() const { return m_ScrollView; }
    DrawView* view() const;

    // Shows or hides the rulers after the bound grid's "rulersVisible";
    // nothing when they already match. A window that is not maximised or
    // full-screen grows or shrinks by the rulers' thickness, its top-left
    // corner fixed.
    void updateRulers();

protected:
    // Escape and Ctrl+. discard an edit in progress, Enter (keypad Enter,
    // Ctrl+Return) commits it; every other key goes on as usual.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    DrawScrollView* m_ScrollView;
};

} // namespace qv
