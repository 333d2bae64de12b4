#pragma once
// One open drawing in its window: the document, its shapes controller and
// the DrawWindow that shows it. It keeps the title and the edited mark, asks
// about unsaved changes on close, saves, reverts, exports and prints, and
// carries the window's own menu commands (View's grid and rulers, undo and
// redo), passing everything else to the canvas first and to the shapes
// controller last.

#include "canvas/model/CanvasCommands.h"
#include "document/DocumentWindowRules.h"
#include "document/DrawDocument.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <optional>
#include <string_view>

class QDialog;
class QLabel;
class QMessageBox;

namespace qv {

class DrawView;
class DrawWindow;
class ShapesController;

class DocumentWindowController : public QObject {
    Q_OBJECT

public:
    // Loads the window for the document (a new one, or one just read from
    // `filePath`) and installs its read shapes. The window is not shown yet.
    DocumentWindowController(std::unique_ptr<DrawDocument> document, const QString& filePath,
                             const QString& untitledName, QObject* parent = nullptr);
    ~DocumentWindowController() override;

    DrawDocument& document() const { return *m_Document; }
    ShapesController& shapesController() const { return *m_ShapesController; }
    DrawWindow* window() const;
    DrawView* view() const;

    // The package path; empty while untitled.
    QString filePath() const { return m_FilePath; }
    bool isUntitled() const { return m_FilePath.isEmpty(); }
    // "Plan.qvdraw" or "Untitled 2".
    QString displayName() const { return m_DisplayName; }
    bool isEdited() const { return m_Recovered || m_ChangeTracker.isEdited(); }
    // A drawing brought back from a recovery copy: edited until it is saved
    // or reverted, whatever its undo history says.
    void markRecovered();
    // Facts for the rule of the launch's first window.
    FirstDocumentFacts firstDocumentFacts() const;
    // Refreshes the title's edited mark from the document's state.
    void updateEditedMark();

    // While a dialog of this window is open its commands wait.
    bool isBusy() const { return m_SheetDepth > 0; }

    // Menu commands by name. validateCommand answers false for a command
    // that neither the canvas, the window nor the shapes controller carries.
    bool validateCommand(std::string_view name, MenuItemState& state) const;
    bool performCommand(std::string_view name);

    // The document machinery. Each answers whether it went through; a
    // refusal or failure has been told to the user in a message on the
    // window.
    bool save();
    bool saveAs();
    // Save As once a path is chosen: ".qvdraw" is added, a folder that is
    // not a drawing is never replaced, a drawing only after the user agreed.
    bool saveAsToPath(const QString& chosenPath);
    bool revertToSaved();
    void exportDocument();
    void printDocument();
    void runPageSetup();
    void toggleGridVisibility();
    void toggleRulerVisibility();

    // Asks Save / Don't Save / Cancel when there are unsaved changes; true
    // when the window may close.
    bool shouldClose();
    // Closes without asking (the user already answered, or nothing is lost).
    void closeWithoutAsking();

    // Ends a pending text edit and closes the event's undo group, so that
    // what is saved, exported or printed is what the user sees.
    void finishEditing();

    // The export resolution chosen last, kept for the window's life.
    double exportResolution() const { return m_ExportResolution; }

    // A message in the window's status bar for a while.
    void showStatusMessage(const QString& text);

signals:
    void activated(DocumentWindowController* controller);
    // The window is closing for good: the user has answered for its changes.
    // Sent while the close goes ahead, before the event loop turns again.
    void closing(DocumentWindowController* controller);
    // The window has closed; the controller is deleted soon after.
    void closed(DocumentWindowController* controller);
    // The drawing may have changed: sent whenever the edited mark is looked
    // at again (after each edit, undo, redo, save and revert).
    void changed();
    // A save gave the document a (new) file.
    void savedToFile(const QString& path);
    // A drawing was dropped on the canvas, to be opened.
    void openRequested(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool writeToPath(const QString& path);
    void setFilePath(const QString& path);
    void updateTitle();
    void connectView();
    // Runs the dialog window-modal on this window; its result.
    int runSheet(QDialog& dialog);
    void showError(const QString& text, const QString& reason);
    // Cut, Copy and Paste; a refusal beeps with its reason.
    bool performClipboardCommand(std::string_view name);
    void chooseFont();
    void chooseTextColor();

    std::unique_ptr<DrawDocument> m_Document;
    std::unique_ptr<ShapesController> m_ShapesController;
    QPointer<DrawWindow> m_Window;
    DocumentChangeTracker m_ChangeTracker;
    QString m_FilePath;
    QString m_DisplayName;
    QLabel* m_ZoomLabel = nullptr;
    QLabel* m_PositionLabel = nullptr;
    int m_SheetDepth = 0;
    bool m_Closing = false;
    bool m_Recovered = false;
    bool m_EventGroupEndPending = false;
    double m_ExportResolution = 72;
    QString m_ExportDirectory;
};

} // namespace qv
