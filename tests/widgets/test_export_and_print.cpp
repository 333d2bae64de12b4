// The export dialog and exporting, page setup and printing (to PDF).
#include "tests/widgets/DocumentTestSupport.h"

#include "app/ExportDialog.h"
#include "canvas/DrawView.h"
#include "canvas/DrawWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QRadioButton>
#include <QRegularExpression>

namespace qv::test {
namespace {

constexpr int kJpeg = 3;

TEST(ExportDialog, ChoicesGoIntoTheDocumentAndTheNameFollowsTheFormat) {
    DrawDocument document;
    ExportDialog dialog(document, false, QStringLiteral("/tmp/Plan"), 72);
    // The defaults: PDF, all shapes, the page, transparent.
    EXPECT_EQ(dialog.filePath(), QStringLiteral("/tmp/Plan.pdf"));
    EXPECT_TRUE(dialog.allShapesButton()->isChecked());
    EXPECT_FALSE(dialog.selectedShapesButton()->isEnabled()); // nothing selected
    EXPECT_TRUE(dialog.pageButton()->isChecked());
    EXPECT_TRUE(dialog.transparentBox()->isChecked());
    EXPECT_FALSE(dialog.resolutionBox()->isEnabled()); // PDF stays vector

    dialog.formatBox()->setCurrentIndex(kJpeg);
    EXPECT_EQ(document.selectedExportFormat(), unsigned(kJpeg));
    EXPECT_EQ(dialog.filePath(), QStringLiteral("/tmp/Plan.jpg"));
    EXPECT_FALSE(dialog.transparentBox()->isEnabled());
    EXPECT_TRUE(dialog.transparentBox()->isChecked()); // the value is kept
    EXPECT_TRUE(document.exportTransparentBackground());
    EXPECT_TRUE(dialog.resolutionBox()->isEnabled());

    dialog.formatBox()->setCurrentIndex(1);
    EXPECT_TRUE(dialog.transparentBox()->isEnabled());
    dialog.fileEdit()->setText(QStringLiteral("/tmp/Other.name"));
    EXPECT_EQ(dialog.filePath(), QStringLiteral("/tmp/Other.name.png"));

    dialog.drawingButton()->setChecked(true);
    dialog.transparentBox()->setChecked(false);
    dialog.reject();
    // Cancelling keeps the choices for the next export.
    EXPECT_EQ(document.exportBoundary(), 1);
    EXPECT_FALSE(document.exportTransparentBackground());
    ExportDialog again(document, true, QStringLiteral("/tmp/Plan"), 150);
    EXPECT_EQ(again.formatBox()->currentIndex(), 1);
    EXPECT_TRUE(again.drawingButton()->isChecked());
    EXPECT_FALSE(again.transparentBox()->isChecked());
    EXPECT_TRUE(again.selectedShapesButton()->isEnabled());
    again.selectedShapesButton()->setChecked(true);
    EXPECT_EQ(document.shapesToExport(), 1);
    EXPECT_EQ(again.resolution(), 150);
}

TEST_F(DocumentTest, ExportWritesTheChosenFileAndReportsFailuresByName) {
    DocumentWindowController* doc =
        documents->openDocument(copyExample(dir, QStringLiteral("Plan.qvdraw")));
    ASSERT_NE(doc, nullptr);
    const QString target = dir.filePath(QStringLiteral("Out"));
    answers.next<ExportDialog>([target](ExportDialog& dialog) {
        // The suggestion is the title without ".qvdraw".
        EXPECT_TRUE(dialog.filePath().endsWith(QStringLiteral("/Plan.pdf")));
        dialog.formatBox()->setCurrentIndex(1);
        dialog.resolutionBox()->setValue(144);
        dialog.setFilePath(target);
        dialog.accept();
    });
    doc->exportDocument();
    QFile png(target + QStringLiteral(".png"));
    ASSERT_TRUE(png.open(QIODevice::ReadOnly));
    EXPECT_TRUE(png.read(8).startsWith("\x89PNG"));
    EXPECT_EQ(doc->exportResolution(), 144);

    // The drawing boundary of a drawing without shapes has nothing to draw.
    DocumentWindowController* empty = documents->newDocument();
    const QString nothing = dir.filePath(QStringLiteral("Nothing"));
    answers.next<ExportDialog>([nothing](ExportDialog& dialog) {
        dialog.drawingButton()->setChecked(true);
        dialog.setFilePath(nothing);
        dialog.accept();
    });
    answers.click(QStringLiteral("OK"));
    empty->exportDocument();
    settle();
    ASSERT_EQ(answers.texts.size(), 1);
    EXPECT_TRUE(answers.texts[0].contains(QStringLiteral("Nothing.pdf")));
    EXPECT_TRUE(answers.texts[0].contains(QStringLiteral("Unable to generate export data")));
    EXPECT_TRUE(answers.texts[0].contains(QStringLiteral("1042")));
    EXPECT_FALSE(QFile::exists(nothing + QStringLiteral(".pdf")));
}

// Prints through the dialog into a PDF file, set in the dialog's own field
// (the dialog writes its fields into the printer when accepted).
void answerPrintToFile(ModalAnswers& answers, const QString& pdf) {
    answers.next<QPrintDialog>([pdf](QPrintDialog& dialog) {
        auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("filename"));
        ASSERT_NE(edit, nullptr);
        edit->setText(pdf);
        dialog.accept();
    });
}

TEST_F(DocumentTest, PrintingMakesOnePageOfThePaperAndAFailureSaysSo) {
    DocumentWindowController* doc =
        documents->openDocument(copyExample(dir, QStringLiteral("Plan.qvdraw")));
    ASSERT_NE(doc, nullptr);
    const QString pdf = dir.filePath(QStringLiteral("printed.pdf"));
    answerPrintToFile(answers, pdf);
    doc->printDocument();
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    const QString text = QString::fromLatin1(bytes);
    EXPECT_EQ(text.count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?!s)"))), 1);
    // A US Letter page.
    EXPECT_TRUE(text.contains(
        QRegularExpression(QStringLiteral("MediaBox \\[0 0 612(\\.0+)? 792(\\.0+)?\\]"))));

    answerPrintToFile(answers, dir.filePath(QStringLiteral("missing/folder/printed.pdf")));
    answers.click(QStringLiteral("OK"));
    doc->printDocument();
    settle();
    ASSERT_EQ(answers.texts.size(), 1);
    EXPECT_TRUE(answers.texts[0].contains(QStringLiteral("could not be printed")));
    EXPECT_TRUE(answers.texts[0].contains(QStringLiteral("Plan.qvdraw")));
}

TEST_F(DocumentTest, PageSetupChangesThePrintSettingsAndMarksTheDocument) {
    DocumentWindowController* doc = documents->newDocument();
    answers.next<QPageSetupDialog>([](QPageSetupDialog& dialog) {
        auto* landscape = dialog.findChild<QRadioButton*>(QStringLiteral("landscape"));
        ASSERT_NE(landscape, nullptr);
        landscape->click();
        dialog.accept();
    });
    doc->runPageSetup();
    const PrintInfo& info = doc->document().printInfo();
    EXPECT_EQ(info.orientation(), PrintOrientation::Landscape);
    EXPECT_GT(info.paperSize().width, info.paperSize().height);
    // The canvas shows the turned page.
    EXPECT_GT(doc->view()->pageRect().width(), doc->view()->pageRect().height());
    EXPECT_TRUE(doc->window()->isWindowModified());
}
} // namespace
} // namespace qv::test
