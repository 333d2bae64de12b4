#pragma once
// The start-up dialog that offers the drawings of recovery copies: one row
// per drawing with its name, the file it belongs to ("Untitled" for one never
// saved) and the time of the copy, each chosen with a check box; below them
// whatever else the search found (copies that could not be read, and where
// they were put). Recover opens the chosen drawings, Discard removes their
// copies, Decide Later keeps every copy for the next start.

#include <QDateTime>
#include <QDialog>
#include <QString>
#include <QStringList>

#include <vector>

class QPushButton;
class QTreeWidget;

namespace qv {

class RecoveryDialog : public QDialog {
    Q_OBJECT

public:
    struct Row {
        QString name;
        // The original's path, or empty for a drawing never saved.
        QString original;
        QDateTime time;
        // Anything the user should know before choosing; shown in the row.
        QString note;
    };
    enum class Choice { Recover, Discard, Later };

    RecoveryDialog(const std::vector<Row>& rows, const QStringList& notes,
                   QWidget* parent = nullptr);

    Choice choice() const { return m_Choice; }
    // Per row, whether it is checked.
    std::vector<bool> chosen() const;
    void setChosen(int row, bool chosen);

    QTreeWidget* list() const { return m_List; }
    QPushButton* recoverButton() const { return m_Recover; }
    QPushButton* discardButton() const { return m_Discard; }
    QPushButton* laterButton() const { return m_Later; }

private:
    void updateButtons();

    QTreeWidget* m_List = nullptr;
    QPushButton* m_Recover = nullptr;
    QPushButton* m_Discard = nullptr;
    QPushButton* m_Later = nullptr;
    Choice m_Choice = Choice::Later;
};

} // namespace qv
