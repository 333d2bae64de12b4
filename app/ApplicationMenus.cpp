#include "app/ApplicationMenus.h"

#include "app/DocumentController.h"
#include "app/DocumentWindowController.h"
#include "canvas/DrawWindow.h"
#include "canvas/model/CanvasCommands.h"
#include "canvas/model/MenuCommands.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

namespace qv {

namespace {

const char* const kCommandProperty = "qvCommand";
const char* const kDynamicProperty = "qvDynamic";

QString text(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// The layout's title, or the command's own from the controller's or the
// canvas's table.
QString titleOf(const MenuItemDefinition& entry) {
    if (!entry.title.empty())
        return text(entry.title);
    if (const MenuCommand* command = findMenuCommand(entry.name))
        return text(command->title);
    if (const MenuCommand* command = findCanvasMenuCommand(entry.name))
        return text(command->title);
    return text(entry.name);
}

} // namespace

ApplicationMenus::ApplicationMenus(DocumentController& documents)
    : QObject(&documents), m_Documents(documents) {
    for (const MenuItemDefinition& entry : menuLayout()) {
        if (entry.kind != MenuItemDefinition::Kind::Command)
            continue;
        auto* action = new QAction(QObject::tr(titleOf(entry).toUtf8().constData()), this);
        QList<QKeySequence> shortcuts;
        for (std::string_view keys : {entry.shortcut, entry.alternateShortcut})
            if (!keys.empty())
                shortcuts.append(QKeySequence(text(keys), QKeySequence::PortableText));
        action->setShortcuts(shortcuts);
        // One action serves all windows, and palettes pass the keys on.
        action->setShortcutContext(Qt::ApplicationShortcut);
        const std::string name(entry.name);
        action->setProperty(kCommandProperty, QString::fromStdString(name));
        if (name == "terminate")
            action->setMenuRole(QAction::QuitRole);
        else if (name == "showAbout")
            action->setMenuRole(QAction::AboutRole);
        else
            action->setMenuRole(QAction::NoRole);
        connect(action, &QAction::triggered, this,
                [this, name] { m_Documents.performMenuCommand(name); });
        m_DefaultTitles.emplace(action, action->text());
        m_Actions.emplace(name, action);
    }
}

ApplicationMenus::~ApplicationMenus() = default;

QAction* ApplicationMenus::action(std::string_view name) const {
    auto it = m_Actions.find(name);
    return it == m_Actions.end() ? nullptr : it->second;
}

QMenuBar* ApplicationMenus::createMenuBar(QWidget* window) {
    auto* bar = new QMenuBar(window);
    std::map<std::string, QMenu*, std::less<>> menus;
    auto watch = [this](QMenu* menu) {
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { validateMenu(menu); });
        connect(menu, &QMenu::aboutToHide, this, [this] {
            // Once no menu is open any more, shortcuts must find their
            // actions enabled again (their own validation runs when pressed).
            QTimer::singleShot(0, this, [this] {
                if (!QApplication::activePopupWidget())
                    enableAll();
            });
        });
    };
    for (std::string_view title : mainMenuTitles()) {
        QMenu* menu = bar->addMenu(QObject::tr(std::string(title).c_str()));
        watch(menu);
        menus.emplace(std::string(title), menu);
    }
    for (const MenuItemDefinition& entry : menuLayout()) {
        auto parent = menus.find(entry.menu);
        if (parent == menus.end())
            continue;
        QMenu* menu = parent->second;
        switch (entry.kind) {
        case MenuItemDefinition::Kind::Command:
            if (QAction* a = action(entry.name))
                menu->addAction(a);
            break;
        case MenuItemDefinition::Kind::Separator:
            menu->addSeparator();
            break;
        case MenuItemDefinition::Kind::Submenu: {
            QMenu* submenu = menu->addMenu(QObject::tr(titleOf(entry).toUtf8().constData()));
            watch(submenu);
            menus.emplace(std::string(entry.name), submenu);
            break;
        }
        case MenuItemDefinition::Kind::Placeholder: {
            auto* anchor = new QAction(menu);
            anchor->setVisible(false);
            menu->addAction(anchor);
            const std::string name(entry.name);
            connect(menu, &QMenu::aboutToShow, this,
                    [this, menu, anchor, name] { fillPlaceholder(menu, anchor, name); });
            break;
        }
        }
    }
    return bar;
}

void ApplicationMenus::validateMenu(QMenu* menu) {
    for (QAction* a : menu->actions()) {
        const QString name = a->property(kCommandProperty).toString();
        if (name.isEmpty())
            continue;
        const MenuItemState state = m_Documents.validateMenuCommand(name.toStdString());
        a->setEnabled(state.enabled);
        a->setText(state.title.empty() ? m_DefaultTitles[a] : QObject::tr(state.title.c_str()));
        if (state.checked || a->isCheckable()) {
            a->setCheckable(true);
            a->setChecked(state.checked);
        }
    }
}

void ApplicationMenus::validateAll() {
    for (const auto& [name, a] : m_Actions) {
        const MenuItemState state = m_Documents.validateMenuCommand(name);
        a->setEnabled(state.enabled);
        a->setText(state.title.empty() ? m_DefaultTitles[a] : QObject::tr(state.title.c_str()));
    }
}

void ApplicationMenus::enableAll() {
    for (const auto& [name, a] : m_Actions)
        a->setEnabled(true);
}

void ApplicationMenus::fillPlaceholder(QMenu* menu, QAction* anchor, const std::string& name) {
    for (QAction* a : menu->actions())
        if (a->property(kDynamicProperty).toBool()) {
            menu->removeAction(a);
            a->deleteLater();
        }
    auto add = [menu, anchor](const QString& title) {
        auto* a = new QAction(title, menu);
        a->setProperty(kDynamicProperty, true);
        menu->insertAction(anchor, a);
        return a;
    };
    if (name == "recentDocuments") {
        for (const QString& path : m_Documents.recentDocuments()) {
            QAction* a = add(QFileInfo(path).fileName());
            a->setToolTip(path);
            connect(a, &QAction::triggered, this, [this, path] { m_Documents.openDocument(path); });
        }
    } else if (name == "windowList") {
        DocumentWindowController* current = m_Documents.currentDocument();
        for (DocumentWindowController* document : m_Documents.documents()) {
            QAction* a = add(document->displayName());
            a->setCheckable(true);
            a->setChecked(document == current);
            QPointer<DrawWindow> window = document->window();
            connect(a, &QAction::triggered, this, [window] {
                if (!window)
                    return;
                if (window->isMinimized())
                    window->showNormal();
                window->raise();
                window->activateWindow();
            });
        }
    }
}

} // namespace qv
