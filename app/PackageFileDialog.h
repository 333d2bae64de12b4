#pragma once
// The open and save dialogs for drawings. A drawing is a folder ending in
// ".qvdraw", which a plain file dialog walks into. This dialog (Qt's own, not
// the desktop's, so that it can be taught) treats such a folder as one
// document: choosing it with Open or Save takes it, double-clicking it takes
// it instead of entering it, and it shows with a document's icon. A
// "Shapes.xml" chosen inside a package stands for the package.

#include <QFileDialog>
#include <QStringList>

namespace qv {

class PackageFileDialog : public QFileDialog {
    Q_OBJECT

public:
    enum class Purpose { Open, Save };

    PackageFileDialog(Purpose purpose, QWidget* parent = nullptr);
    ~PackageFileDialog() override;

    // What was chosen: package paths for Open (several at once), the one
    // path typed or picked for Save (".qvdraw" not yet added).
    QStringList chosenPaths() const { return m_Chosen; }

    static bool isPackage(const QString& path);

public slots:
    void accept() override;

private:
    // A package entered by a double-click is taken as the choice.
    void packageEntered(const QString& path);

    Purpose m_Purpose;
    QStringList m_Chosen;
    bool m_Returning = false;
};

} // namespace qv
