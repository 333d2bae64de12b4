#include "canvas/DrawWindow.h"

#include "canvas/DrawScrollView.h"
#include "canvas/DrawView.h"
#include "canvas/TextEditorOverlay.h"
#include "canvas/model/WindowFrames.h"
#include "document/Grid.h"

#include <QKeyEvent>

namespace qv {
namespace {

enum class EditKey { None, Discard, Commit };

// Escape and Ctrl+. discard, the keypad's Enter and Ctrl+Return commit; a
// plain Return stays a new line in the text.
EditKey editKey(const QKeyEvent& event) {
    const bool ctrl = event.modifiers() & Qt::ControlModifier;
    if (event.key() == Qt::Key_Escape || (ctrl && event.key() == Qt::Key_Period))
        return EditKey::Discard;
    if (event.key() == Qt::Key_Enter || (ctrl && event.key() == Qt::Key_Return))
        return EditKey::Commit;
    return EditKey::None;
}

} // namespace

DrawWindow::DrawWindow(QWidget* parent)
    : QMainWindow(parent), m_ScrollView(new DrawScrollView(this)) {
    setCentralWidget(m_ScrollView);
    // The keys reach whichever has the focus while editing: the editor or,
    // for a path, the canvas.
    DrawView* canvas = view();
    canvas->installEventFilter(this);
    canvas->textEditor()->installEventFilter(this);
    canvas->textEditor()->viewport()->installEventFilter(this);
}

DrawWindow::~DrawWindow() = default;

DrawView* DrawWindow::view() const {
    return m_ScrollView->drawView();
}

bool DrawWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type == QEvent::KeyPress || type == QEvent::ShortcutOverride) && view()->editingShape()) {
        auto* key = static_cast<QKeyEvent*>(event);
        const EditKey action = editKey(*key);
        if (action != EditKey::None) {
            // Claimed before any shortcut can take it.
            key->accept();
            if (type == QEvent::KeyPress) {
                if (action == EditKey::Discard)
                    view()->discardEditing();
                else
                    view()->commitEditing();
            }
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void DrawWindow::updateRulers() {
    const bool wanted = view()->grid().rulersVisible();
    if (m_ScrollView->rulersVisible() == wanted)
        return;
    const double tv = m_ScrollView->verticalRulerThickness();
    const double th = m_ScrollView->horizontalRulerThickness();
    m_ScrollView->setRulersVisible(wanted);
    if (isMaximized() || isFullScreen())
        return;
    // The canvas keeps its size: the window grows or shrinks by the rulers,
    // its top-left corner fixed.
    const QRect g = geometry();
    const Rect r = flippedRect(
        rulerWindowFrame(flippedRect(Rect(g.x(), g.y(), g.width(), g.height()), 0), tv, th, wanted),
        0);
    setGeometry(QRect(int(r.x()), int(r.y()), int(r.width()), int(r.height())));
}

} // namespace qv
