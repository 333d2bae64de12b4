#pragma once
// The menus of the document windows, built from the menu layout. One action
// per command serves every window's menu bar, so each shortcut exists once
// for the whole application and reaches the document window that was active
// last. Items are validated when their menu opens; a shortcut is validated
// when it is pressed, so actions stay enabled while no menu is open.

#include <QObject>
#include <QString>

#include <map>
#include <string>
#include <string_view>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace qv {

class DocumentController;

class ApplicationMenus : public QObject {
    Q_OBJECT

public:
    explicit ApplicationMenus(DocumentController& documents);
    ~ApplicationMenus() override;

    // The action of a command; null for a name the menus do not carry.
    QAction* action(std::string_view name) const;
    // A menu bar for one document window.
    QMenuBar* createMenuBar(QWidget* window);

    // Sets every action's enabled state, title and check mark as an open
    // menu shows them.
    void validateAll();
    // Enables every action again, so shortcuts reach their validation.
    void enableAll();

private:
    void validateMenu(QMenu* menu);
    void fillPlaceholder(QMenu* menu, QAction* anchor, const std::string& name);

    DocumentController& m_Documents;
    std::map<std::string, QAction*, std::less<>> m_Actions;
    // The layout's titles, for items whose validation sets none.
    std::map<QAction*, QString> m_DefaultTitles;
};

} // namespace qv
