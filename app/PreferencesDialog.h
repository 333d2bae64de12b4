#pragma once
// The application's preferences: a window with one tab per pane, opened from
// Edit ▸ Preferences…. Panes are self-contained widgets whose window title is
// their label, so that they can move into a fuller preferences window later.
// Not modal; changes apply as they are made.

#include <QDialog>

class QTabWidget;

namespace qv {

class ToolboxPreferencesPane;
class UserDefaults;

class PreferencesDialog : public QDialog {
    Q_OBJECT

public:
    explicit PreferencesDialog(UserDefaults& defaults, QWidget* parent = nullptr);

    // Adds a pane as a tab labelled with its window title.
    void addPane(QWidget* pane);
    // Shows the window, or brings it to the front.
    void showPreferences();

    ToolboxPreferencesPane* toolboxPane() const { return m_ToolboxPane; }
    QTabWidget* tabs() const { return m_Tabs; }

private:
    QTabWidget* m_Tabs = nullptr;
    ToolboxPreferencesPane* m_ToolboxPane = nullptr;
};

} // namespace qv
