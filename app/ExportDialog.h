#pragma once
// The export dialog: format, which shapes, which boundary, transparent
// background, resolution and the file. The choices go into the document's
// export settings as they are made, so a cancelled export keeps them for the
// next one; the file name's extension follows the format.

#include <QDialog>
#include <QString>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QRadioButton;

namespace qv {

class DrawDocument;

class ExportDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr double kMinimumResolution = 1;
    static constexpr double kMaximumResolution = 7200;

    // `path` is the suggested file without extension, or a previous export's
    // file; `resolution` the dots per inch of picture formats.
    ExportDialog(DrawDocument& document, bool hasSelection, const QString& path, double resolution,
                 QWidget* parent = nullptr);

    // The chosen file, its extension that of the format.
    QString filePath() const;
    void setFilePath(const QString& path);
    double resolution() const;

    QComboBox* formatBox() const { return m_Format; }
    QRadioButton* allShapesButton() const { return m_AllShapes; }
    QRadioButton* selectedShapesButton() const { return m_SelectedShapes; }
    QRadioButton* pageButton() const { return m_Page; }
    QRadioButton* drawingButton() const { return m_Drawing; }
    QCheckBox* transparentBox() const { return m_Transparent; }
    QDoubleSpinBox* resolutionBox() const { return m_Resolution; }
    QLineEdit* fileEdit() const { return m_File; }

public slots:
    // Refuses an empty name and a folder; asks before replacing a file.
    void accept() override;

private:
    void formatChanged(int index);
    void chooseFile();

    DrawDocument& m_Document;
    QComboBox* m_Format;
    QRadioButton* m_AllShapes;
    QRadioButton* m_SelectedShapes;
    QRadioButton* m_Page;
    QRadioButton* m_Drawing;
    QCheckBox* m_Transparent;
    QDoubleSpinBox* m_Resolution;
    QLineEdit* m_File;
};

} // namespace qv
