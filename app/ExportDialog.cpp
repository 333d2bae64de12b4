#include "app/ExportDialog.h"

#include "document/DocumentWindowRules.h"
#include "document/DrawDocument.h"
#include "document/ExportOptions.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace qv {

namespace {

constexpr unsigned kPdfFormat = 0;

QString withFormatExtension(const QString& path, unsigned format) {
    const QFileInfo info(path);
    const std::string name = exportFileName(info.fileName().toStdString(), format);
    if (name.empty())
        return path;
    const QString file = QString::fromStdString(name);
    return path.contains(QLatin1Char('/')) ? info.dir().filePath(file) : file;
}

} // namespace

ExportDialog::ExportDialog(DrawDocument& document, bool hasSelection, const QString& path,
                           double resolution, QWidget* parent)
    : QDialog(parent), m_Document(document) {
    setWindowTitle(tr("Export"));

    m_Format = new QComboBox(this);
    for (const ExportFormat& format : kExportFormats)
        m_Format->addItem(tr(format.description));

    m_AllShapes = new QRadioButton(tr("All shapes"), this);
    m_SelectedShapes = new QRadioButton(tr("Selected shapes"), this);
    m_Page = new QRadioButton(tr("The page"), this);
    m_Drawing = new QRadioButton(tr("The drawing"), this);
    auto* shapes = new QButtonGroup(this);
    shapes->addButton(m_AllShapes);
    shapes->addButton(m_SelectedShapes);
    auto* boundary = new QButtonGroup(this);
    boundary->addButton(m_Page);
    boundary->addButton(m_Drawing);
    m_Transparent = new QCheckBox(tr("Transparent background"), this);
    m_Resolution = new QDoubleSpinBox(this);
    m_Resolution->setRange(kMinimumResolution, kMaximumResolution);
    m_Resolution->setDecimals(0);
    m_Resolution->setSuffix(tr(" dpi"));
    m_File = new QLineEdit(this);
    auto* choose = new QPushButton(tr("Choose…"), this);

    // The document's settings, as the last export (or cancelled one) left them.
    const unsigned format =
        std::min<unsigned>(document.selectedExportFormat(), unsigned(kExportFormats.size() - 1));
    m_Format->setCurrentIndex(int(format));
    const bool selected = document.shapesToExport() != 0 && hasSelection;
    (selected ? m_SelectedShapes : m_AllShapes)->setChecked(true);
    m_SelectedShapes->setEnabled(hasSelection);
    (document.exportBoundary() != 0 ? m_Drawing : m_Page)->setChecked(true);
    m_Transparent->setChecked(document.exportTransparentBackground());
    m_Resolution->setValue(resolution);
    m_File->setText(withFormatExtension(path, format));
    formatChanged(int(format));

    connect(m_Format, &QComboBox::currentIndexChanged, this, &ExportDialog::formatChanged);
    connect(m_SelectedShapes, &QRadioButton::toggled, this,
            [this](bool on) { m_Document.setShapesToExport(on ? 1 : 0); });
    connect(m_Drawing, &QRadioButton::toggled, this,
            [this](bool on) { m_Document.setExportBoundary(on ? 1 : 0); });
    connect(m_Transparent, &QCheckBox::toggled, this,
            [this](bool on) { m_Document.setExportTransparentBackground(on); });
    connect(choose, &QPushButton::clicked, this, &ExportDialog::chooseFile);

    auto* form = new QFormLayout;
    form->addRow(tr("Format:"), m_Format);
    auto* shapeRow = new QHBoxLayout;
    shapeRow->addWidget(m_AllShapes);
    shapeRow->addWidget(m_SelectedShapes);
    form->addRow(tr("Export:"), shapeRow);
    auto* boundaryRow = new QHBoxLayout;
    boundaryRow->addWidget(m_Page);
    boundaryRow->addWidget(m_Drawing);
    form->addRow(tr("Area:"), boundaryRow);
    form->addRow(QString(), m_Transparent);
    form->addRow(tr("Resolution:"), m_Resolution);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(m_File, 1);
    fileRow->addWidget(choose);
    form->addRow(tr("Export As:"), fileRow);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    buttons->addButton(tr("Export"), QDialogButtonBox::AcceptRole)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &ExportDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ExportDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

QString ExportDialog::filePath() const {
    const QString text = m_File->text().trimmed();
    if (text.isEmpty())
        return {};
    return withFormatExtension(text, unsigned(m_Format->currentIndex()));
}

void ExportDialog::setFilePath(const QString& path) {
    m_File->setText(withFormatExtension(path, unsigned(m_Format->currentIndex())));
}

double ExportDialog::resolution() const {
    return m_Resolution->value();
}

void ExportDialog::formatChanged(int index) {
    if (index < 0)
        return;
    m_Document.setSelectedExportFormat(unsigned(index));
    // JPEG cannot be transparent; the setting keeps its value for the others.
    m_Transparent->setEnabled(m_Document.canExportTransparentBackground());
    m_Resolution->setEnabled(unsigned(index) != kPdfFormat);
    if (!m_File->text().trimmed().isEmpty())
        m_File->setText(withFormatExtension(m_File->text().trimmed(), unsigned(index)));
}

void ExportDialog::chooseFile() {
    const QString current = filePath();
    const QString chosen = QFileDialog::getSaveFileName(
        this, tr("Export As"), current, QString(), nullptr,
        QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
    if (!chosen.isEmpty())
        setFilePath(chosen);
}

void ExportDialog::accept() {
    const QString path = filePath();
    if (path.isEmpty()) {
        m_File->setFocus();
        return;
    }
    const QFileInfo info(path);
    if (info.isDir()) {
        QMessageBox::warning(
            this, windowTitle(),
            tr("“%1” is a folder and cannot be replaced by the export.").arg(info.fileName()));
        return;
    }
    if (info.exists() &&
        QMessageBox::question(
            this, windowTitle(),
            tr("“%1” already exists. Do you want to replace it?").arg(info.fileName()),
            QMessageBox::Yes | QMessageBox::Cancel, QMessageBox::Cancel) != QMessageBox::Yes)
        return;
    QDialog::accept();
}

} // namespace qv
