#include "tools/qt/ToolboxPreferencesPane.h"

#include "canvas/ModifierKeys.h"
#include "framework/foundation/UserDefaults.h"
#include "tools/Toolbox.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace qv {

ToolboxPreferencesPane::ToolboxPreferencesPane(UserDefaults& defaults, QWidget* parent)
    : QWidget(parent), m_Defaults(defaults) {
    setObjectName(QLatin1String(kIdentifier));
    setWindowTitle(tr("Toolbox"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("After a tool has been used:"), this));
    m_ClickOptions = new QButtonGroup(this);
    const std::pair<int, QString> choices[] = {
        {Toolbox::ToolStaysSelected, tr("Keep the tool selected")},
        {Toolbox::DoubleClickKeepsTool,
         tr("Return to the arrow; a double click on a tool's button keeps it")},
        {Toolbox::ToolUsedOnce, tr("Always return to the arrow")},
    };
    for (const auto& [option, text] : choices) {
        auto* button = new QRadioButton(text, this);
        m_ClickOptions->addButton(button, option);
        layout->addWidget(button);
    }
    layout->addSpacing(12);

    auto* form = new QFormLayout;
    m_OptionKey = new QComboBox(this);
    m_OptionKey->addItem(tr("Alt"), QString::fromLatin1(kOptionKeyAlt));
    m_OptionKey->addItem(tr("Super (Meta)"), QString::fromLatin1(kOptionKeyMeta));
    form->addRow(tr("Option key:"), m_OptionKey);
    layout->addLayout(form);
    auto* note = new QLabel(tr("Option draws shapes from their centre, duplicates while "
                               "moving and zooms out. Choose Super where the desktop moves "
                               "windows with Alt-drags; Option can also be pressed after "
                               "the mouse button."),
                            this);
    note->setWordWrap(true);
    note->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(note);
    layout->addStretch(1);

    refresh();
    connect(m_ClickOptions, &QButtonGroup::idClicked, this,
            &ToolboxPreferencesPane::clickOptionChosen);
    connect(m_OptionKey, &QComboBox::activated, this, &ToolboxPreferencesPane::optionKeyChosen);
}

void ToolboxPreferencesPane::refresh() {
    // Any other stored number behaves as "keep the tool".
    std::int64_t option = m_Defaults.integerForKey(Toolbox::kClickOptionKey);
    if (option != Toolbox::DoubleClickKeepsTool && option != Toolbox::ToolUsedOnce)
        option = Toolbox::ToolStaysSelected;
    m_ClickOptions->button(int(option))->setChecked(true);
    m_OptionKey->setCurrentIndex(optionKeyFromDefaults(m_Defaults) == OptionKey::Meta ? 1 : 0);
}

QAbstractButton* ToolboxPreferencesPane::clickOptionButton(int option) const {
    return m_ClickOptions->button(option);
}

void ToolboxPreferencesPane::showEvent(QShowEvent* event) {
    refresh();
    QWidget::showEvent(event);
}

void ToolboxPreferencesPane::clickOptionChosen(int option) {
    m_Defaults.setInteger(option, Toolbox::kClickOptionKey);
    m_Defaults.synchronize();
}

void ToolboxPreferencesPane::optionKeyChosen(int index) {
    m_Defaults.setString(m_OptionKey->itemData(index).toString().toStdString(),
                         kOptionKeyDefaultsKey);
    m_Defaults.synchronize();
    setOptionKey(optionKeyFromDefaults(m_Defaults));
}

} // namespace qv
