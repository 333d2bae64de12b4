#pragma once
// The toolbox's palette: a small tool window with one button per tool, in
// toolbox order, that follows the toolbox's selected tool and sends it the
// buttons' single and double clicks. It never takes the keyboard, so typing
// goes on reaching the document window. Its place is kept in the user
// defaults ("Toolbox" / "Position") in y-up screen coordinates.

#include "framework/foundation/Geometry.h"
#include "framework/foundation/NotificationCenter.h"

#include <QToolButton>
#include <QWidget>

#include <cstddef>
#include <vector>

class QAction;
class QButtonGroup;

namespace qv {

class Toolbox;

// A tool's button. It reports double clicks, and draws the mark of a tool
// that stays selected over itself while it is the selected one.
class ToolboxButton : public QToolButton {
    Q_OBJECT
public:
    explicit ToolboxButton(QWidget* parent = nullptr);

    bool isSticky() const { return m_Sticky; }
    void setSticky(bool sticky);

    // The wash laid over a marked button: the button's text colour at 40 %,
    // which darkens a light button and lightens a dark one. (Black at 50 %
    // all but vanishes on a dark theme's buttons.)
    static QColor stickyMarkColor(const QPalette& palette);

signals:
    // The second click of a double click; it sends no clicked() of its own.
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_Sticky = false;
};

class ToolboxPalette : public QWidget {
    Q_OBJECT
public:
    // Icons are this many points square, drawn at 1× and 2×.
    static constexpr int kIconSize = 24;

    explicit ToolboxPalette(Toolbox& toolbox, QWidget* parent = nullptr);
    ~ToolboxPalette() override;

    // Checkable "Toolbox" action for the Window menu: checked while the
    // palette is shown; toggling it shows or hides the palette.
    QAction* toggleAction() const { return m_ToggleAction; }

    // Puts the palette at its saved place, or at home when nothing usable is
    // saved, and shows it. Where windows cannot place themselves it only
    // shows it.
    void restoreState();
    // Stores the palette's place under "Toolbox" / "Position", once it has a
    // place that is known (never under Wayland).
    void saveState();
    // Brings the palette to the front without taking the keyboard.
    void showPalette();
    // Top-left corner 5 points inside the main screen's usable area.
    void movePaletteHome();

    // Whether this window can place itself and learn its place: false under
    // Wayland. Settable for tests.
    bool placesItself() const { return m_PlacesItself; }
    void setPlacesItself(bool places) { m_PlacesItself = places; }

    ToolboxButton* buttonForTool(std::size_t index) const { return m_Buttons.at(index); }
    // The icon file of a tool, by toolbox index.
    static QString toolIconPath(std::size_t index);

    // Between Qt's y-down global geometry and y-up screen coordinates, whose
    // origin is the bottom-left corner of the primary screen.
    static Rect screenRectFromQt(const QRect& rect);
    static QRect qtRectFromScreen(const Rect& rect);

signals:
    // A button was clicked and is about to choose its tool: a gesture still
    // in progress on a canvas must end first, while its tool is selected.
    void toolAboutToChange();

protected:
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void syncWithToolbox();
    void updateIcons();
    void placeFrame(const Rect& frame);
    void applicationWillTerminate();

    Toolbox& m_Toolbox;
    std::vector<ToolboxButton*> m_Buttons;
    QButtonGroup* m_Group = nullptr;
    QAction* m_ToggleAction = nullptr;
    NotificationCenter::Token m_SelectionToken = 0;
    bool m_PlacesItself = true;
    // Whether the window has a place worth saving: restored, sent home or shown.
    bool m_Placed = false;
};

} // namespace qv
