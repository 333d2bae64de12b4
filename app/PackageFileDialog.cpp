#include "app/PackageFileDialog.h"

#include "document/DocumentWindowRules.h"
#include "document/DrawDocument.h"

#include <QAbstractFileIconProvider>
#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QLineEdit>

namespace qv {

namespace {

// Packages look like documents, not folders.
class PackageIconProvider : public QFileIconProvider {
public:
    QIcon icon(const QFileInfo& info) const override {
        if (PackageFileDialog::isPackage(info.filePath()))
            return QFileIconProvider::icon(QAbstractFileIconProvider::File);
        return QFileIconProvider::icon(info);
    }
    QString type(const QFileInfo& info) const override {
        if (PackageFileDialog::isPackage(info.filePath()))
            return QObject::tr("Drawing");
        return QFileIconProvider::type(info);
    }
};

// One for the process: the dialog's model still asks for icons while the
// dialog is being destroyed, after a provider of its own would be gone.
QAbstractFileIconProvider* packageIcons() {
    static auto* provider = new PackageIconProvider;
    return provider;
}

QString packageFor(const QString& path) {
    return QString::fromStdString(packagePathForArgument(QDir::cleanPath(path).toStdString()));
}

} // namespace

PackageFileDialog::PackageFileDialog(Purpose purpose, QWidget* parent)
    : QFileDialog(parent), m_Purpose(purpose) {
    setOption(QFileDialog::DontUseNativeDialog);
    setIconProvider(packageIcons());
    if (purpose == Purpose::Open) {
        setAcceptMode(QFileDialog::AcceptOpen);
        setFileMode(QFileDialog::ExistingFiles);
        setWindowTitle(tr("Open"));
        setNameFilters({tr("Drawings (*.qvdraw Shapes.xml)"), tr("All files (*)")});
    } else {
        setAcceptMode(QFileDialog::AcceptSave);
        setFileMode(QFileDialog::AnyFile);
        setWindowTitle(tr("Save As"));
        setNameFilters({tr("Drawings (*.qvdraw)")});
        // Replacing a package is asked about by the window, which knows
        // whether the folder is a drawing at all.
        setOption(QFileDialog::DontConfirmOverwrite);
    }
    connect(this, &QFileDialog::directoryEntered, this, &PackageFileDialog::packageEntered);
}

PackageFileDialog::~PackageFileDialog() = default;

bool PackageFileDialog::isPackage(const QString& path) {
    const QFileInfo info(path);
    return info.isDir() && info.fileName().endsWith(QLatin1String(DrawDocument::kPackageExtension));
}

void PackageFileDialog::accept() {
    QStringList selected = selectedFiles();
    if (m_Purpose == Purpose::Save) {
        // A typed or selected package is the target, not a folder to enter.
        if (selected.size() == 1 &&
            (isPackage(selected.front()) || !QFileInfo(selected.front()).isDir())) {
            m_Chosen = {QDir::cleanPath(selected.front())};
            QDialog::accept();
            return;
        }
        QFileDialog::accept();
        return;
    }
    // Open: packages and the files in them are documents; another folder is
    // entered as usual.
    QStringList documents;
    for (const QString& path : selected) {
        const QFileInfo info(path);
        if (info.isDir() && !isPackage(path)) {
            QFileDialog::accept();
            return;
        }
        if (!info.exists())
            return;
        documents.append(packageFor(path));
    }
    if (documents.isEmpty())
        return;
    m_Chosen = documents;
    QDialog::accept();
}

void PackageFileDialog::packageEntered(const QString& path) {
    if (m_Returning || !isPackage(path))
        return;
    m_Chosen = {QDir::cleanPath(path)};
    // Back out of the package, so that a dialog shown again starts beside it.
    m_Returning = true;
    setDirectory(QFileInfo(QDir::cleanPath(path)).absolutePath());
    m_Returning = false;
    QDialog::accept();
}

} // namespace qv
