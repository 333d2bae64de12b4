#pragma once
// The application's documents: making new ones, opening files, the recent
// documents, closing all of them on quit with a question per unsaved one,
// placing windows, and the rule that the launch's untouched empty window
// gives way to the first file opened. It is also where every menu command
// starts: application commands are carried here, the others go to the
// document window that was active last, also while a palette has the
// keyboard.

#include "canvas/model/CanvasCommands.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>
#include <string_view>
#include <vector>

class QWindow;

namespace qv {

class ApplicationMenus;
class DocumentWindowController;
class DrawDocument;
class PreferencesDialog;
class ToolboxPalette;
class UserDefaults;

class DocumentController : public QObject {
    Q_OBJECT

public:
    // The user-defaults key of the recent documents list.
    static constexpr const char* kRecentDocumentsKey = "RecentDocuments";

    explicit DocumentController(UserDefaults& defaults, QObject* parent = nullptr);
    ~DocumentController() override;

    ApplicationMenus& menus() const { return *m_Menus; }

    // A new untitled drawing in a shown window.
    DocumentWindowController* newDocument();
    // Opens the package (or its "Shapes.xml") in a shown window; a drawing
    // already open comes to the front instead. A file that cannot be read is
    // reported in a message naming it and the reason; null then.
    DocumentWindowController* openDocument(const QString& path);
    void openDocuments(const QStringList& paths);
    // Shows a drawing read from a recovery copy as an edited document that
    // saves to `filePath`; untitled when that is empty, named `untitledName`
    // or else the next "Untitled".
    DocumentWindowController* openRecoveredDocument(std::unique_ptr<DrawDocument> document,
                                                    const QString& filePath,
                                                    const QString& untitledName = QString());
    // The open dialog.
    void runOpenPanel();

    // Asks every document with unsaved changes, in turn; a Cancel (or a save
    // that fails) keeps every window open. True when all are closed.
    bool closeAll();
    // closeAll, then the application ends.
    void terminate();

    // Open documents in the order their windows were opened.
    const std::vector<DocumentWindowController*>& documents() const { return m_Documents; }
    // The document window that was active last; null with none open.
    DocumentWindowController* currentDocument() const;
    DocumentWindowController* documentForPath(const QString& path) const;
    // The launch's first document while it is open.
    DocumentWindowController* firstDocument() const { return m_FirstDocument; }

    // The toolbox's palette, shown and hidden from the Window menu (not owned).
    // A click on its buttons first ends the current document's gesture.
    void setToolboxPalette(ToolboxPalette* palette);

    // The preferences window (Edit ▸ Preferences…), made when first shown.
    void showPreferences();
    PreferencesDialog* preferences() const { return m_Preferences.get(); }

    QStringList recentDocuments() const;
    void clearRecentDocuments();

    // Menu items: their state, and their action.
    MenuItemState validateMenuCommand(std::string_view name) const;
    void performMenuCommand(std::string_view name);

signals:
    // A document opened, closed or became active; its title changed.
    void documentsChanged();
    // A document joined the list (its window is not shown yet).
    void documentAdded(DocumentWindowController* controller);

private:
    DocumentWindowController* addDocument(std::unique_ptr<DocumentWindowController> controller);
    // Places (at `at`, when given), shows and sizes the window.
    void showWindow(DocumentWindowController& controller, const QPoint* at = nullptr);
    void documentActivated(DocumentWindowController* controller);
    void documentClosed(DocumentWindowController* controller);
    void noteRecentDocument(const QString& path);
    void reportOpenFailure(const QString& path, const QString& reason);
    void showAbout();
    // A gesture is interrupted when its window loses the keyboard (another
    // window, a dialog, another application): it ends cleanly there.
    void focusWindowChanged(QWindow* window);
    void endGesture(DocumentWindowController* document);

    UserDefaults& m_Defaults;
    std::unique_ptr<ApplicationMenus> m_Menus;
    std::vector<DocumentWindowController*> m_Documents;
    // Most recently active first.
    std::vector<DocumentWindowController*> m_ActivationOrder;
    DocumentWindowController* m_FirstDocument = nullptr;
    ToolboxPalette* m_ToolboxPalette = nullptr;
    std::unique_ptr<PreferencesDialog> m_Preferences;
    QPointer<QWindow> m_FocusWindow;
    bool m_FirstWindowPlaced = false;
    int m_UntitledCount = 0;
};

} // namespace qv
