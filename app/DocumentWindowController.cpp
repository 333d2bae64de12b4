#include "app/DocumentWindowController.h"

#include "app/ClipboardController.h"
#include "app/ExportDialog.h"
#include "app/PackageFileDialog.h"
#include "canvas/DrawScrollView.h"
#include "canvas/DrawView.h"
#include "canvas/DrawWindow.h"
#include "canvas/ShapesController.h"
#include "canvas/TextEditorOverlay.h"
#include "canvas/model/TextCommand.h"
#include "document/ExportOptions.h"
#include "document/PrintDrawView.h"
#include "framework/foundation/NotificationCenter.h"
#include "platform/qt/AtomicFile.h"
#include "platform/qt/Export.h"
#include "platform/qt/QtGraphicsContext.h"
#include "platform/qt/QtRichText.h"
#include "shapes/TextShape.h"

#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QDir>
#include <QFileInfo>
#include <QFontDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>

#include <cmath>

namespace qv {

namespace {

constexpr int kStatusMessageMs = 10000;

QString quoted(const QString& name) {
    return QStringLiteral("\u201C%1\u201D").arg(name);
}

QString applicationTitle() {
    return QStringLiteral("Quorvik Draw");
}

// The printer's paper and margins from the document's print settings.
void applyPrintInfo(const PrintInfo& info, QPrinter& printer) {
    const Size paper = info.paperSize();
    const bool landscape = info.orientation() == PrintOrientation::Landscape;
    // The print settings hold the paper as laid out; Qt wants it upright.
    const QSizeF upright =
        landscape ? QSizeF(paper.height, paper.width) : QSizeF(paper.width, paper.height);
    const QPageSize size(upright, QPageSize::Point, QString(), QPageSize::FuzzyMatch);
    const QMarginsF margins(info.leftMargin(), info.topMargin(), info.rightMargin(),
                            info.bottomMargin());
    printer.setPageLayout(QPageLayout(size,
                                      landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                      margins, QPageLayout::Point, QMarginsF()));
}

PrintInfo printInfoFromPrinter(const QPrinter& printer, PrintInfo info) {
    const QPageLayout layout = printer.pageLayout();
    const QRectF full = layout.fullRect(QPageLayout::Point);
    const QMarginsF margins = layout.margins(QPageLayout::Point);
    const bool landscape = layout.orientation() == QPageLayout::Landscape;
    // Turning first, as a page setup does, then the paper as laid out.
    info.setOrientation(landscape ? PrintOrientation::Landscape : PrintOrientation::Portrait);
    info.setPaperSize(Size(full.width(), full.height()));
    info.setLeftMargin(margins.left());
    info.setTopMargin(margins.top());
    info.setRightMargin(margins.right());
    info.setBottomMargin(margins.bottom());
    info.setPrinterImageableBounds(std::nullopt);
    return info;
}

} // namespace

DocumentWindowController::DocumentWindowController(std::unique_ptr<DrawDocument> document,
                                                   const QString& filePath,
                                                   const QString& untitledName, QObject* parent)
    : QObject(parent), m_Document(std::move(document)),
      m_ShapesController(std::make_unique<ShapesController>(m_Document.get())),
      m_Window(new DrawWindow), m_ChangeTracker(*m_Document) {
    m_Window->installEventFilter(this);
    DrawView* canvas = view();
    canvas->bind(*m_Document, *m_ShapesController);
    m_Document->updateMargins();
    // Reading and installing are no edits: the state now is the saved one.
    m_Document->undoManager().removeAllActions();
    m_ChangeTracker.documentWasSaved();

    m_DisplayName = untitledName;
    if (!filePath.isEmpty())
        setFilePath(filePath);
    updateTitle();

    m_ZoomLabel = new QLabel(m_Window);
    m_PositionLabel = new QLabel(m_Window);
    m_PositionLabel->setMinimumWidth(
        m_PositionLabel->fontMetrics().horizontalAdvance(QStringLiteral("x: 00000.0  y: 00000.0")));
    m_Window->statusBar()->addPermanentWidget(m_PositionLabel);
    m_Window->statusBar()->addPermanentWidget(m_ZoomLabel);
    connectView();

    m_ShapesController->setBeepHook([this] {
        if (DrawView* v = view())
            v->beep(tr("The command does not apply to the selection."));
    });

    // The undo manager opens a group for the event that first registers an
    // action; the group closes once the event has been handled, as one step.
    NotificationCenter& center = NotificationCenter::defaultCenter();
    UndoManager* undo = &m_Document->undoManager();
    center.addObserver(this, QVUndoManagerDidOpenUndoGroupNotification, undo,
                       [this](const Notification&) {
                           if (m_EventGroupEndPending)
                               return;
                           m_EventGroupEndPending = true;
                           QTimer::singleShot(0, this, [this] {
                               m_EventGroupEndPending = false;
                               m_Document->undoManager().endEventGroup();
                               updateEditedMark();
                           });
                       });
    for (const char* name :
         {QVUndoManagerDidCloseUndoGroupNotification, QVUndoManagerDidUndoChangeNotification,
          QVUndoManagerDidRedoChangeNotification})
        center.addObserver(this, name, undo, [this](const Notification&) { updateEditedMark(); });
}

DocumentWindowController::~DocumentWindowController() {
    NotificationCenter::defaultCenter().removeObserver(this);
    if (m_Window) {
        m_Window->removeEventFilter(this);
        if (DrawView* v = view())
            v->unbind();
        delete m_Window.data();
    }
    m_ShapesController.reset();
    m_Document.reset();
}

DrawWindow* DocumentWindowController::window() const {
    return m_Window;
}

DrawView* DocumentWindowController::view() const {
    return m_Window ? m_Window->view() : nullptr;
}

FirstDocumentFacts DocumentWindowController::firstDocumentFacts() const {
    FirstDocumentFacts facts;
    facts.untitled = isUntitled();
    facts.edited = isEdited();
    UndoManager& undo = m_Document->undoManager();
    facts.hasUndoHistory = undo.canUndo() || undo.canRedo();
    facts.shapeCount = m_Document->shapes().size();
    return facts;
}

void DocumentWindowController::connectView() {
    DrawView* canvas = view();
    auto showZoom = [this](double zoom) {
        m_ZoomLabel->setText(QStringLiteral("%1 %").arg(std::round(zoom * 100)));
    };
    showZoom(canvas->zoom());
    connect(canvas, &DrawView::zoomChanged, this, showZoom);
    connect(canvas, &DrawView::pointerMoved, this, [this](double x, double y) {
        m_PositionLabel->setText(tr("x: %1  y: %2").arg(x, 0, 'f', 1).arg(y, 0, 'f', 1));
    });
    connect(canvas, &DrawView::beeped, this, &DocumentWindowController::showStatusMessage);
    // Opened once the drop is over, so that no dialog runs inside the drag.
    connect(canvas, &DrawView::openDrawingRequested, this, &DocumentWindowController::openRequested,
            Qt::QueuedConnection);
}

void DocumentWindowController::showStatusMessage(const QString& text) {
    if (m_Window)
        m_Window->statusBar()->showMessage(text, kStatusMessageMs);
}

void DocumentWindowController::setFilePath(const QString& path) {
    m_FilePath = QFileInfo(path).absoluteFilePath();
    m_DisplayName = QString::fromStdString(documentDisplayName(m_FilePath.toStdString()));
    m_ExportDirectory = QFileInfo(m_FilePath).absolutePath();
}

void DocumentWindowController::updateTitle() {
    if (!m_Window)
        return;
    m_Window->setWindowTitle(m_DisplayName + QStringLiteral("[*]"));
    m_Window->setWindowFilePath(m_FilePath);
    updateEditedMark();
}

void DocumentWindowController::updateEditedMark() {
    if (m_Window)
        m_Window->setWindowModified(isEdited());
    emit changed();
}

void DocumentWindowController::markRecovered() {
    m_Recovered = true;
    updateEditedMark();
}

void DocumentWindowController::finishEditing() {
    if (DrawView* v = view()) {
        v->endToolGesture();
        v->commitEditing();
    }
    m_Document->undoManager().endEventGroup();
    updateEditedMark();
}

int DocumentWindowController::runSheet(QDialog& dialog) {
    dialog.setWindowModality(Qt::WindowModal);
    ++m_SheetDepth;
    const int result = dialog.exec();
    --m_SheetDepth;
    return result;
}

void DocumentWindowController::showError(const QString& text, const QString& reason) {
    QMessageBox box(QMessageBox::Warning, applicationTitle(), text, QMessageBox::Ok, m_Window);
    box.setInformativeText(reason);
    runSheet(box);
}

// Menus.

bool DocumentWindowController::validateCommand(std::string_view name, MenuItemState& state) const {
    state = MenuItemState();
    DrawView* canvas = view();
    if (canvas && canvas->respondsToCommand(name))
        return canvas->validateCommand(name, state);

    UndoManager& undo = m_Document->undoManager();
    const Grid& grid = m_Document->grid();
    if (name == "toggleGridVisibility") {
        state.title = grid.visible() ? "Hide Grid" : "Show Grid";
    } else if (name == "toggleRulerVisibility") {
        state.title = grid.rulersVisible() ? "Hide Rulers" : "Show Rulers";
    } else if (name == "undo") {
        state.enabled = undo.canUndo();
        state.title = undo.undoMenuItemTitle();
    } else if (name == "redo") {
        state.enabled = undo.canRedo();
        state.title = undo.redoMenuItemTitle();
    } else if (name == "revertDocumentToSaved") {
        state.enabled = !isUntitled() && isEdited();
    } else if (name == "cut" || name == "copy") {
        state.enabled = m_ShapesController->selectedCount() > 0;
    } else if (name == "paste") {
        state.enabled = ClipboardController::shared().canPaste();
    } else if (name == "performClose" || name == "saveDocument" || name == "saveDocumentAs" ||
               name == "saveDocumentTo" || name == "runPageLayout" || name == "printDocument" ||
               name == "performMiniaturize" || name == "performZoom") {
        state.enabled = true;
    } else if (m_ShapesController->respondsToCommand(name)) {
        state.enabled = m_ShapesController->validateCommand(name);
    } else {
        return false;
    }
    return true;
}

bool DocumentWindowController::performCommand(std::string_view name) {
    DrawView* canvas = view();
    // The two commands that carry a value get it from their dialogs here.
    if (name == "changeFont") {
        chooseFont();
        return true;
    }
    if (name == "changeAttributes") {
        chooseTextColor();
        return true;
    }
    if (canvas && canvas->respondsToCommand(name))
        return canvas->performCommand(name);

    if (name == "toggleGridVisibility") {
        toggleGridVisibility();
    } else if (name == "toggleRulerVisibility") {
        toggleRulerVisibility();
    } else if (name == "undo" || name == "redo") {
        finishEditing();
        UndoManager& undo = m_Document->undoManager();
        if (name == "undo" ? !undo.undo() : !undo.redo())
            return false;
        updateEditedMark();
    } else if (name == "cut" || name == "copy" || name == "paste") {
        return performClipboardCommand(name);
    } else if (name == "performClose") {
        if (m_Window)
            m_Window->close();
    } else if (name == "saveDocument") {
        save();
    } else if (name == "saveDocumentAs") {
        saveAs();
    } else if (name == "revertDocumentToSaved") {
        revertToSaved();
    } else if (name == "saveDocumentTo") {
        exportDocument();
    } else if (name == "runPageLayout") {
        runPageSetup();
    } else if (name == "printDocument") {
        printDocument();
    } else if (name == "performMiniaturize") {
        if (m_Window)
            m_Window->showMinimized();
    } else if (name == "performZoom") {
        if (m_Window)
            m_Window->isMaximized() ? m_Window->showNormal() : m_Window->showMaximized();
    } else if (m_ShapesController->respondsToCommand(name)) {
        return m_ShapesController->performCommand(name);
    } else {
        return false;
    }
    return true;
}

bool DocumentWindowController::performClipboardCommand(std::string_view name) {
    DrawView* canvas = view();
    // While a text is edited in place the commands are the editor's, as
    // their shortcuts are.
    if (canvas && canvas->textEditor()->shape() && canvas->textEditor()->isVisible()) {
        const int key = name == "copy" ? Qt::Key_C : name == "cut" ? Qt::Key_X : Qt::Key_V;
        QKeyEvent press(QEvent::KeyPress, key, Qt::ControlModifier);
        QApplication::sendEvent(canvas->textEditor(), &press);
        return true;
    }
    finishEditing();
    ClipboardController& clipboard = ClipboardController::shared();
    bool done = false;
    QString reason = tr("Nothing is selected.");
    if (name == "copy") {
        done = clipboard.copy(*m_Document, *m_ShapesController);
    } else if (name == "cut") {
        done = clipboard.cut(*m_Document, *m_ShapesController);
    } else {
        const PasteResult pasted = clipboard.paste({*m_Document, *m_ShapesController, canvas});
        done = pasted.ok;
        reason = pasted.reason;
    }
    if (!done && canvas)
        canvas->beep(reason);
    updateEditedMark();
    return done;
}

void DocumentWindowController::toggleGridVisibility() {
    Grid& grid = m_Document->grid();
    grid.setVisible(!grid.visible());
    m_Document->view() ? m_Document->view()->redrawAll() : void();
    updateEditedMark();
}

void DocumentWindowController::toggleRulerVisibility() {
    Grid& grid = m_Document->grid();
    // The document follows "rulersVisible" and updates the rulers.
    grid.setRulersVisible(!grid.rulersVisible());
    updateEditedMark();
}

void DocumentWindowController::chooseFont() {
    DrawView* canvas = view();
    if (!canvas)
        return;
    TextAttributes current;
    if (canvas->textEditor() && canvas->textEditor()->shape()) {
        current = canvas->textEditor()->currentAttributes();
    } else {
        for (TextShape* text : textShapesIn(m_ShapesController->selectedObjects())) {
            if (!text->text())
                continue;
            const RichText& rich = text->text()->richText();
            if (!rich.paragraphs().empty() && !rich.paragraphs().front().runs.empty())
                current = rich.paragraphs().front().runs.front().attributes;
            break;
        }
    }
    QFontDialog dialog(charFormatForAttributes(current).font(), m_Window);
    if (runSheet(dialog) != QDialog::Accepted)
        return;
    QTextCharFormat format;
    format.setFont(dialog.selectedFont());
    TextCommand command;
    command.kind = TextCommand::Kind::SetFont;
    command.font = attributesFromCharFormat(format, current);
    canvas->applyTextCommand(command);
}

void DocumentWindowController::chooseTextColor() {
    DrawView* canvas = view();
    if (!canvas)
        return;
    QColorDialog dialog(Qt::black, m_Window);
    dialog.setOption(QColorDialog::ShowAlphaChannel);
    if (runSheet(dialog) != QDialog::Accepted)
        return;
    const QColor chosen = dialog.selectedColor();
    TextCommand command;
    command.kind = TextCommand::Kind::SetColor;
    command.color = Color(chosen.redF(), chosen.greenF(), chosen.blueF(), chosen.alphaF());
    canvas->applyTextCommand(command);
}

// Saving and reverting.

bool DocumentWindowController::save() {
    if (isUntitled())
        return saveAs();
    finishEditing();
    // The package may have been replaced by something else since it was read.
    if (classifySaveTarget(m_FilePath.toStdString()) == SaveTarget::NotADrawing) {
        showError(tr("The drawing %1 could not be saved.").arg(quoted(m_DisplayName)),
                  tr("%1 is no longer a drawing and is not replaced. Use Save As to save "
                     "the drawing elsewhere.")
                      .arg(quoted(m_FilePath)));
        return false;
    }
    return writeToPath(m_FilePath);
}

bool DocumentWindowController::saveAs() {
    finishEditing();
    PackageFileDialog dialog(PackageFileDialog::Purpose::Save, m_Window);
    const QString directory =
        isUntitled() ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                     : QFileInfo(m_FilePath).absolutePath();
    dialog.setDirectory(directory);
    dialog.selectFile(m_DisplayName);
    if (runSheet(dialog) != QDialog::Accepted || dialog.chosenPaths().isEmpty())
        return false;
    return saveAsToPath(dialog.chosenPaths().front());
}

bool DocumentWindowController::saveAsToPath(const QString& chosenPath) {
    finishEditing();
    const QString path =
        QFileInfo(QString::fromStdString(pathWithPackageExtension(chosenPath.toStdString())))
            .absoluteFilePath();
    const QString name = QFileInfo(path).fileName();
    switch (classifySaveTarget(path.toStdString())) {
    case SaveTarget::Absent:
        break;
    case SaveTarget::NotADrawing:
        showError(tr("The drawing could not be saved as %1.").arg(quoted(name)),
                  tr("%1 already exists and is not a drawing, so it is not replaced. Choose "
                     "another name.")
                      .arg(quoted(path)));
        return false;
    case SaveTarget::DrawingPackage:
        if (QFileInfo(path) != QFileInfo(m_FilePath)) {
            QMessageBox box(QMessageBox::Warning, applicationTitle(),
                            tr("%1 already exists. Do you want to replace it?").arg(quoted(name)),
                            QMessageBox::NoButton, m_Window);
            box.setInformativeText(tr("Replacing it will overwrite the drawing in it."));
            QPushButton* replace = box.addButton(tr("Replace"), QMessageBox::AcceptRole);
            box.addButton(QMessageBox::Cancel);
            runSheet(box);
            if (box.clickedButton() != replace)
                return false;
        }
        break;
    }
    return writeToPath(path);
}

bool DocumentWindowController::writeToPath(const QString& path) {
    const DocumentResult result = m_Document->writeToPackage(path.toStdString());
    if (!result) {
        showError(tr("The drawing %1 could not be saved.").arg(quoted(QFileInfo(path).fileName())),
                  result.error.empty() ? tr("The package %1 could not be written.").arg(path)
                                       : QString::fromStdString(result.error));
        return false;
    }
    const bool newFile = QFileInfo(path) != QFileInfo(m_FilePath);
    m_ChangeTracker.documentWasSaved();
    m_Recovered = false;
    if (newFile) {
        setFilePath(path);
        updateTitle();
    }
    updateEditedMark();
    // Saved, but something was left behind (the previous version, say).
    if (!result.warnings.empty())
        showStatusMessage(QString::fromStdString(result.warnings.front()));
    emit savedToFile(m_FilePath);
    return true;
}

bool DocumentWindowController::revertToSaved() {
    if (isUntitled())
        return false;
    QMessageBox box(QMessageBox::Warning, applicationTitle(),
                    tr("Do you want to revert to the most recently saved version of %1?")
                        .arg(quoted(m_DisplayName)),
                    QMessageBox::NoButton, m_Window);
    box.setInformativeText(tr("Your current changes will be lost."));
    QPushButton* revert = box.addButton(tr("Revert"), QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Cancel);
    runSheet(box);
    if (box.clickedButton() != revert)
        return false;
    if (DrawView* v = view()) {
        v->endToolGesture();
        v->discardEditing();
    }
    m_Document->undoManager().endEventGroup();
    const DocumentResult result = m_Document->readFromPackage(m_FilePath.toStdString());
    if (!result) {
        showError(tr("The drawing %1 could not be reverted.").arg(quoted(m_DisplayName)),
                  QString::fromStdString(result.error));
        return false;
    }
    m_Document->undoManager().removeAllActions();
    m_ChangeTracker.documentWasSaved();
    m_Recovered = false;
    if (DrawView* v = view()) {
        v->updateFrame();
        v->setNeedsDisplay();
    }
    updateEditedMark();
    return true;
}

// Closing.

bool DocumentWindowController::shouldClose() {
    finishEditing();
    if (!isEdited())
        return true;
    if (m_Window && m_Window->isMinimized())
        m_Window->showNormal();
    if (m_Window) {
        m_Window->raise();
        m_Window->activateWindow();
    }
    QMessageBox box(
        QMessageBox::Warning, applicationTitle(),
        tr("Do you want to save the changes made to the document %1?").arg(quoted(m_DisplayName)),
        QMessageBox::NoButton, m_Window);
    box.setInformativeText(tr("Your changes will be lost if you don't save them."));
    QPushButton* saveButton = box.addButton(tr("Save"), QMessageBox::AcceptRole);
    QPushButton* dontSave = box.addButton(tr("Don't Save"), QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(saveButton);
    box.setEscapeButton(cancel);
    runSheet(box);
    if (box.clickedButton() == dontSave)
        return true;
    if (box.clickedButton() == saveButton)
        return save();
    return false;
}

void DocumentWindowController::closeWithoutAsking() {
    m_Closing = true;
    if (m_Window)
        m_Window->close();
}

bool DocumentWindowController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_Window) {
        switch (event->type()) {
        case QEvent::Close:
            // A dialog of this window is still open: it must be answered first.
            if (isBusy() || (!m_Closing && !shouldClose())) {
                event->ignore();
                m_Closing = false;
                return true;
            }
            if (DrawView* v = view())
                v->commitEditing();
            m_Closing = true;
            emit closing(this);
            QTimer::singleShot(0, this, [this] { emit closed(this); });
            break;
        case QEvent::WindowActivate:
            emit activated(this);
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

// Export and printing.

void DocumentWindowController::exportDocument() {
    finishEditing();
    const QString title =
        m_Window ? m_Window->windowTitle().remove(QStringLiteral("[*]")) : m_DisplayName;
    QString directory = m_ExportDirectory;
    if (directory.isEmpty())
        directory = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString suggested =
        QDir(directory).filePath(QString::fromStdString(suggestedExportName(title.toStdString())));
    ExportDialog dialog(*m_Document, m_ShapesController->selectedCount() > 0, suggested,
                        m_ExportResolution, m_Window);
    if (runSheet(dialog) != QDialog::Accepted)
        return;
    m_ExportResolution = dialog.resolution();
    const QString path = dialog.filePath();
    m_ExportDirectory = QFileInfo(path).absolutePath();
    const unsigned format = m_Document->selectedExportFormat();
    const std::string type = kExportFormats[std::min<unsigned>(format, 4)].extension;
    const ExportResult result =
        dataForType(*m_Document, type, m_Document->shapesToExport(), m_Document->exportBoundary(),
                    m_Document->exportTransparentBackground(), m_ExportResolution,
                    m_ShapesController->selectedObjects());
    const QString name = quoted(QFileInfo(path).fileName());
    if (!result) {
        showError(tr("The drawing could not be exported to %1.").arg(name),
                  tr("%1 (error %2).")
                      .arg(QString::fromStdString(result.errorDescription))
                      .arg(result.errorCode));
        return;
    }
    if (std::optional<std::string> error =
            writeFileAtomically(path.toStdString(), result.data->data(), result.data->size()))
        showError(tr("The drawing could not be exported to %1.").arg(name),
                  QString::fromStdString(*error));
}

void DocumentWindowController::runPageSetup() {
    finishEditing();
    QPrinter printer(QPrinter::HighResolution);
    applyPrintInfo(m_Document->printInfo(), printer);
    QPageSetupDialog dialog(&printer, m_Window);
    if (runSheet(dialog) != QDialog::Accepted)
        return;
    const PrintInfo info = printInfoFromPrinter(printer, m_Document->printInfo());
    if (info.pageSize().width <= 0 || info.pageSize().height <= 0) {
        showError(tr("The page setup could not be used."),
                  tr("The margins leave no room on the paper."));
        return;
    }
    m_Document->setPrintInfo(info);
    if (DrawView* v = view())
        v->updateFrame();
    updateEditedMark();
}

void DocumentWindowController::printDocument() {
    finishEditing();
    QPrinter printer(QPrinter::HighResolution);
    applyPrintInfo(m_Document->printInfo(), printer);
    printer.setDocName(m_DisplayName);
    QPrintDialog dialog(&printer, m_Window);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    if (runSheet(dialog) != QDialog::Accepted)
        return;
    const PrintInfo& info = m_Document->printInfo();
    const PrintDrawView drawing(m_Document->shapes(), &info, m_Document->page().color());
    QPainter painter;
    bool printed = painter.begin(&printer);
    if (printed) {
        {
            std::unique_ptr<QtGraphicsContext> gc = makePagedContext(painter, printer);
            drawing.draw(*gc);
            gc->finish();
        }
        printed = painter.end() && printer.printerState() != QPrinter::Error;
    }
    if (!printed)
        showError(tr("The drawing %1 could not be printed.").arg(quoted(m_DisplayName)),
                  tr("The printer %1 did not accept the print job.")
                      .arg(quoted(printer.printerName().isEmpty() ? printer.outputFileName()
                                                                  : printer.printerName())));
}

} // namespace qv
