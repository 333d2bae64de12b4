#pragma once
// The toolbox's page of the preferences: what a tool does after it has been
// used once ("toolClickOption") and which key acts as Option ("QVOptionKey").
// A self-contained widget titled "Toolbox" that any preferences window can
// host. Every change is stored at once; a new Option key takes effect on the
// next event.

#include <QWidget>

class QAbstractButton;
class QButtonGroup;
class QComboBox;

namespace qv {

class UserDefaults;

class ToolboxPreferencesPane : public QWidget {
    Q_OBJECT

public:
    // The pane's identifier in a preferences window.
    static constexpr const char* kIdentifier = "QVToolboxPrefs";

    explicit ToolboxPreferencesPane(UserDefaults& defaults, QWidget* parent = nullptr);

    // Shows the stored choices again (they may have changed elsewhere).
    void refresh();

    // The choice of each click option, by its stored value 0, 1 or 2.
    QAbstractButton* clickOptionButton(int option) const;
    // Alt or Super; the item data is the stored text.
    QComboBox* optionKeyBox() const { return m_OptionKey; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void clickOptionChosen(int option);
    void optionKeyChosen(int index);

    UserDefaults& m_Defaults;
    QButtonGroup* m_ClickOptions = nullptr;
    QComboBox* m_OptionKey = nullptr;
};

} // namespace qv
