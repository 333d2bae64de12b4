#include "app/PreferencesDialog.h"

#include "tools/qt/ToolboxPreferencesPane.h"

#include <QDialogButtonBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace qv {

PreferencesDialog::PreferencesDialog(UserDefaults& defaults, QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Preferences"));
    // An open preferences window alone does not keep the application running.
    setAttribute(Qt::WA_QuitOnClose, false);
    auto* layout = new QVBoxLayout(this);
    m_Tabs = new QTabWidget(this);
    m_Tabs->setDocumentMode(true);
    layout->addWidget(m_Tabs);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    layout->addWidget(buttons);

    m_ToolboxPane = new ToolboxPreferencesPane(defaults);
    addPane(m_ToolboxPane);
}

void PreferencesDialog::addPane(QWidget* pane) {
    m_Tabs->addTab(pane, pane->windowTitle());
}

void PreferencesDialog::showPreferences() {
    show();
    raise();
    activateWindow();
}

} // namespace qv
