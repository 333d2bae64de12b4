#include "app/RecoveryDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace qv {

RecoveryDialog::RecoveryDialog(const std::vector<Row>& rows, const QStringList& notes,
                               QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(tr("Recover Drawings"));
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(
        tr("<b>Quorvik Draw found drawings with changes that were not saved.</b>"), this);
    layout->addWidget(heading);
    auto* explanation = new QLabel(tr("Recover opens the chosen drawings as they were at the "
                                      "time of their recovery copy; save them to keep them. "
                                      "Discard deletes their recovery copies."),
                                   this);
    explanation->setWordWrap(true);
    layout->addWidget(explanation);

    m_List = new QTreeWidget(this);
    m_List->setColumnCount(3);
    m_List->setHeaderLabels({tr("Drawing"), tr("File"), tr("Copy Made")});
    m_List->setRootIsDecorated(false);
    m_List->setSelectionMode(QAbstractItemView::NoSelection);
    const QLocale locale;
    for (const Row& row : rows) {
        auto* item = new QTreeWidgetItem(m_List);
        item->setText(0, row.name);
        item->setText(1, row.original.isEmpty() ? tr("Untitled") : row.original);
        item->setText(2, locale.toString(row.time, QLocale::ShortFormat));
        item->setCheckState(0, Qt::Checked);
        if (!row.note.isEmpty()) {
            for (int column = 0; column < 3; ++column)
                item->setToolTip(column, row.note);
            auto* note = new QTreeWidgetItem(m_List);
            note->setFirstColumnSpanned(true);
            note->setText(0, row.note);
            note->setFlags(Qt::ItemIsEnabled);
            note->setData(0, Qt::UserRole, true);
        }
    }
    m_List->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_List->setVisible(!rows.empty());
    layout->addWidget(m_List);
    connect(m_List, &QTreeWidget::itemChanged, this, &RecoveryDialog::updateButtons);

    if (!notes.isEmpty()) {
        auto* problems = new QLabel(notes.join(QStringLiteral("\n\n")), this);
        problems->setWordWrap(true);
        problems->setTextInteractionFlags(Qt::TextSelectableByMouse);
        layout->addWidget(problems);
    }

    auto* buttons = new QDialogButtonBox(this);
    m_Recover = buttons->addButton(tr("Recover"), QDialogButtonBox::AcceptRole);
    m_Discard = buttons->addButton(tr("Discard"), QDialogButtonBox::DestructiveRole);
    m_Later = buttons->addButton(tr("Decide Later"), QDialogButtonBox::RejectRole);
    m_Recover->setDefault(true);
    layout->addWidget(buttons);
    connect(m_Recover, &QPushButton::clicked, this, [this] {
        m_Choice = Choice::Recover;
        accept();
    });
    connect(m_Discard, &QPushButton::clicked, this, [this] {
        m_Choice = Choice::Discard;
        accept();
    });
    connect(m_Later, &QPushButton::clicked, this, [this] {
        m_Choice = Choice::Later;
        reject();
    });
    updateButtons();
    resize(sizeHint().expandedTo(QSize(560, 0)));
}

std::vector<bool> RecoveryDialog::chosen() const {
    std::vector<bool> result;
    for (int i = 0; i < m_List->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = m_List->topLevelItem(i);
        if (!item->data(0, Qt::UserRole).toBool())
            result.push_back(item->checkState(0) == Qt::Checked);
    }
    return result;
}

void RecoveryDialog::setChosen(int row, bool chosen) {
    for (int i = 0, r = 0; i < m_List->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_List->topLevelItem(i);
        if (item->data(0, Qt::UserRole).toBool())
            continue;
        if (r++ == row) {
            item->setCheckState(0, chosen ? Qt::Checked : Qt::Unchecked);
            return;
        }
    }
}

void RecoveryDialog::updateButtons() {
    const std::vector<bool> rows = chosen();
    const bool any = std::find(rows.begin(), rows.end(), true) != rows.end();
    m_Recover->setEnabled(any);
    m_Discard->setEnabled(any);
}

} // namespace qv
