#include "tests/widgets/DocumentTestSupport.h"

#include "canvas/DrawView.h"
#include "canvas/DrawWindow.h"
#include "document/DrawDocument.h"

#include <QFile>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QRadioButton>
#include <QRegularExpression>

namespace qv::test {
namespace {

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
