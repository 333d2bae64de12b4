#include "app/DocumentController.h"

#include "tools/qt/ToolboxPalette.h"

#include "app/ApplicationMenus.h"
#include "app/DocumentWindowController.h"
#include "app/PackageFileDialog.h"
#include "app/PreferencesDialog.h"
#include "canvas/DrawView.h"
#include "canvas/DrawWindow.h"
#include "canvas/model/WindowFrames.h"
#include "document/DocumentWindowRules.h"
#include "document/DrawDocument.h"
#include "framework/foundation/UserDefaults.h"

#include <QApplication>
#include <QFileInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QStandardPaths>
#include <QWindow>

namespace qv {

namespace {

// Each later window starts this far right of and below the active one.
constexpr int kCascadeOffset = 24;

// Between Qt's y-down global rectangles and the y-up screen coordinates of
// the placement rules; any axis serves, as long as both ways use the same.
constexpr double kFlipAxis = 0;

Rect toScreenRect(const QRect& r) {
    return flippedRect(Rect(r.x(), r.y(), r.width(), r.height()), kFlipAxis);
}

QRect toQtRect(const Rect& r) {
    const Rect f = flippedRect(r, kFlipAxis);
    return QRect(qRound(f.x()), qRound(f.y()), qRound(f.width()), qRound(f.height()));
}

// Sets the window's frame (decorations included) to `frame`.
void setWindowFrame(QWidget* window, const QRect& frame) {
    const QRect inner = window->geometry();
    const QRect outer = window->frameGeometry();
    const QMargins decoration(inner.left() - outer.left(), inner.top() - outer.top(),
                              outer.right() - inner.right(), outer.bottom() - inner.bottom());
    window->setGeometry(frame.marginsRemoved(decoration));
}

QString absolutePackagePath(const QString& path) {
    return QFileInfo(QString::fromStdString(packagePathForArgument(path.toStdString())))
        .absoluteFilePath();
}

bool samePath(const QString& a, const QString& b) {
    const QString ca = QFileInfo(a).canonicalFilePath();
    const QString cb = QFileInfo(b).canonicalFilePath();
    return ca.isEmpty() || cb.isEmpty()
               ? QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath()
               : ca == cb;
}

} // namespace

DocumentController::DocumentController(UserDefaults& defaults, QObject* parent)
    : QObject(parent), m_Defaults(defaults), m_Menus(std::make_unique<ApplicationMenus>(*this)),
      m_FocusWindow(QGuiApplication::focusWindow()) {
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this,
            &DocumentController::focusWindowChanged);
}

DocumentController::~DocumentController() {
    // The windows go before the menus whose actions they show.
    const std::vector<DocumentWindowController*> documents = m_Documents;
    m_Documents.clear();
    m_ActivationOrder.clear();
    for (DocumentWindowController* document : documents)
        delete document;
    m_Preferences.reset();
    m_Menus.reset();
}

DocumentWindowController* DocumentController::currentDocument() const {
    return m_ActivationOrder.empty() ? nullptr : m_ActivationOrder.front();
}

DocumentWindowController* DocumentController::documentForPath(const QString& path) const {
    for (DocumentWindowController* document : m_Documents)
        if (!document->isUntitled() && samePath(document->filePath(), path))
            return document;
    return nullptr;
}

DocumentWindowController*
DocumentController::addDocument(std::unique_ptr<DocumentWindowController> owned) {
    DocumentWindowController* controller = owned.release();
    controller->setParent(this);
    m_Documents.push_back(controller);
    m_ActivationOrder.insert(m_ActivationOrder.begin(), controller);
    connect(controller, &DocumentWindowController::activated, this,
            &DocumentController::documentActivated);
    connect(controller, &DocumentWindowController::closed, this,
            &DocumentController::documentClosed);
    connect(controller, &DocumentWindowController::savedToFile, this, [this](const QString& path) {
        noteRecentDocument(path);
        emit documentsChanged();
    });
    connect(controller, &DocumentWindowController::openRequested, this,
            [this](const QString& path) { openDocument(path); });
    controller->window()->setMenuBar(m_Menus->createMenuBar(controller->window()));
    emit documentAdded(controller);
    emit documentsChanged();
    return controller;
}

void DocumentController::showWindow(DocumentWindowController& controller, const QPoint* at) {
    DrawWindow* window = controller.window();
    DocumentWindowController* previous = nullptr;
    for (DocumentWindowController* other : m_ActivationOrder)
        if (other != &controller && other->window() && other->window()->isVisible()) {
            previous = other;
            break;
        }
    QScreen* screen = previous ? previous->window()->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect();
    if (!m_FirstWindowPlaced) {
        // The launch's first window: 71 points in from the left of the
        // visible area and 4 below its top.
        m_FirstWindowPlaced = true;
        m_FirstDocument = &controller;
        if (!area.isEmpty())
            setWindowFrame(window, toQtRect(firstWindowFrame(toScreenRect(window->frameGeometry()),
                                                             toScreenRect(area))));
    } else if (at) {
        window->move(*at);
    } else if (previous) {
        window->move(previous->window()->pos() + QPoint(kCascadeOffset, kCascadeOffset));
    }
    window->show();
    // Then the size that shows the whole page, on the screen.
    Rect frame = toScreenRect(controller.view()->idealWindowFrame());
    if (!area.isEmpty())
        frame = clampFrameToArea(frame, toScreenRect(area));
    setWindowFrame(window, toQtRect(frame));
    window->raise();
    window->activateWindow();
}

DocumentWindowController* DocumentController::newDocument() {
    ++m_UntitledCount;
    auto controller = std::make_unique<DocumentWindowController>(
        std::make_unique<DrawDocument>(), QString(),
        QString::fromStdString(untitledDocumentName(m_UntitledCount)));
    DocumentWindowController* added = addDocument(std::move(controller));
    showWindow(*added);
    return added;
}

DocumentWindowController* DocumentController::openDocument(const QString& given) {
    const QString path = absolutePackagePath(given);
    if (DocumentWindowController* open = documentForPath(path)) {
        DrawWindow* window = open->window();
        if (window->isMinimized())
            window->showNormal();
        window->raise();
        window->activateWindow();
        documentActivated(open);
        return open;
    }
    auto document = std::make_unique<DrawDocument>();
    const DocumentResult result = document->readFromPackage(path.toStdString());
    if (!result) {
        reportOpenFailure(path, QString::fromStdString(result.error));
        return nullptr;
    }
    const std::size_t shapeCount = document->loadedShapes() ? document->loadedShapes()->size() : 0;
    DocumentWindowController* first = m_FirstDocument;
    const bool firstGivesWay =
        first && firstDocumentGivesWay(first->firstDocumentFacts(), shapeCount);
    const QPoint firstPosition = firstGivesWay ? first->window()->pos() : QPoint();

    DocumentWindowController* added = addDocument(
        std::make_unique<DocumentWindowController>(std::move(document), path, QString()));
    noteRecentDocument(added->filePath());
    showWindow(*added, firstGivesWay ? &firstPosition : nullptr);
    if (firstGivesWay) {
        // The untouched empty window of the launch gives way; the drawing
        // took its place. Closed only now, so that the application never
        // stands without a window.
        first->closeWithoutAsking();
        m_FirstDocument = nullptr;
    }
    return added;
}

DocumentWindowController*
DocumentController::openRecoveredDocument(std::unique_ptr<DrawDocument> document,
                                          const QString& filePath, const QString& untitledName) {
    QString name = untitledName;
    if (filePath.isEmpty() && name.isEmpty())
        name = QString::fromStdString(untitledDocumentName(++m_UntitledCount));
    DocumentWindowController* added = addDocument(
        std::make_unique<DocumentWindowController>(std::move(document), filePath, name));
    added->markRecovered();
    showWindow(*added);
    return added;
}

void DocumentController::openDocuments(const QStringList& paths) {
    for (const QString& path : paths)
        openDocument(path);
}

void DocumentController::runOpenPanel() {
    DocumentWindowController* current = currentDocument();
    PackageFileDialog dialog(PackageFileDialog::Purpose::Open,
                             current ? current->window() : nullptr);
    if (current && !current->isUntitled())
        dialog.setDirectory(QFileInfo(current->filePath()).absolutePath());
    else
        dialog.setDirectory(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    if (dialog.exec() != QDialog::Accepted)
        return;
    openDocuments(dialog.chosenPaths());
}

void DocumentController::reportOpenFailure(const QString& path, const QString& reason) {
    DocumentWindowController* current = currentDocument();
    QMessageBox box(
        QMessageBox::Warning, QStringLiteral("Quorvik Draw"),
        tr("The document \u201C%1\u201D could not be opened.").arg(QFileInfo(path).fileName()),
        QMessageBox::Ok, current ? current->window() : nullptr);
    box.setInformativeText(reason.isEmpty() ? tr("%1 is not a readable drawing.").arg(path)
                                            : reason);
    if (current)
        box.setWindowModality(Qt::WindowModal);
    box.exec();
}

bool DocumentController::closeAll() {
    // Everyone is asked first; only when nobody cancelled does anything close.
    const std::vector<DocumentWindowController*> order = m_ActivationOrder;
    for (DocumentWindowController* document : order)
        if (!document->shouldClose())
            return false;
    for (DocumentWindowController* document : order)
        document->closeWithoutAsking();
    return true;
}

void DocumentController::terminate() {
    if (closeAll())
        QCoreApplication::quit();
}

void DocumentController::documentActivated(DocumentWindowController* controller) {
    std::erase(m_ActivationOrder, controller);
    m_ActivationOrder.insert(m_ActivationOrder.begin(), controller);
    emit documentsChanged();
}

void DocumentController::documentClosed(DocumentWindowController* controller) {
    if (std::find(m_Documents.begin(), m_Documents.end(), controller) == m_Documents.end())
        return;
    std::erase(m_Documents, controller);
    std::erase(m_ActivationOrder, controller);
    if (m_FirstDocument == controller)
        m_FirstDocument = nullptr;
    controller->deleteLater();
    emit documentsChanged();
}

QStringList DocumentController::recentDocuments() const {
    QStringList paths;
    for (const Value& value : m_Defaults.arrayForKey(kRecentDocumentsKey))
        if (value.kind() == Value::Kind::String && !value.toString().empty())
            paths.append(QString::fromStdString(value.toString()));
    return paths;
}

void DocumentController::noteRecentDocument(const QString& path) {
    std::vector<std::string> recent;
    for (const QString& p : recentDocuments())
        recent.push_back(p.toStdString());
    recent = recentDocumentsAfterOpening(std::move(recent), path.toStdString());
    Value::List list;
    for (const std::string& p : recent)
        list.emplace_back(p);
    m_Defaults.setObject(Value(std::move(list)), kRecentDocumentsKey);
    m_Defaults.synchronize();
}

void DocumentController::clearRecentDocuments() {
    m_Defaults.removeObject(kRecentDocumentsKey);
    m_Defaults.synchronize();
}

void DocumentController::setToolboxPalette(ToolboxPalette* palette) {
    if (m_ToolboxPalette)
        disconnect(m_ToolboxPalette, nullptr, this, nullptr);
    m_ToolboxPalette = palette;
    if (palette)
        connect(palette, &ToolboxPalette::toolAboutToChange, this,
                [this] { endGesture(currentDocument()); });
}

void DocumentController::showPreferences() {
    if (!m_Preferences)
        m_Preferences = std::make_unique<PreferencesDialog>(m_Defaults);
    m_Preferences->showPreferences();
}

void DocumentController::focusWindowChanged(QWindow* window) {
    const QPointer<QWindow> previous = m_FocusWindow;
    m_FocusWindow = window;
    if (!previous || previous == window)
        return;
    for (DocumentWindowController* document : m_Documents)
        if (document->window() && document->window()->windowHandle() == previous)
            endGesture(document);
}

void DocumentController::endGesture(DocumentWindowController* document) {
    if (!document)
        return;
    if (DrawView* view = document->view(); view && view->toolIsTracking())
        view->endToolGesture();
}

void DocumentController::showAbout() {
    DocumentWindowController* current = currentDocument();
    QMessageBox::about(current ? current->window() : nullptr, tr("About Quorvik Draw"),
                       tr("<p><b>Quorvik Draw</b> %1</p><p>A vector drawing application.</p>")
                           .arg(QStringLiteral(QV_VERSION)));
}

MenuItemState DocumentController::validateMenuCommand(std::string_view name) const {
    MenuItemState state;
    if (name == "newDocument" || name == "openDocument" || name == "terminate" ||
        name == "showAbout" || name == "showPreferences")
        return state;
    if (name == "clearRecentDocuments") {
        state.enabled = !recentDocuments().isEmpty();
        return state;
    }
    if (name == "arrangeInFront") {
        state.enabled = !m_Documents.empty();
        return state;
    }
    if (name == "toggleToolbox") {
        state.enabled = m_ToolboxPalette != nullptr;
        state.checked = m_ToolboxPalette && m_ToolboxPalette->isVisible();
        return state;
    }
    DocumentWindowController* document = currentDocument();
    if (!document || !document->validateCommand(name, state))
        state.enabled = false;
    return state;
}

void DocumentController::performMenuCommand(std::string_view name) {
    // While a dialog waits for an answer, commands wait too.
    if (QApplication::activeModalWidget())
        return;
    if (name == "newDocument") {
        newDocument();
        return;
    }
    if (name == "openDocument") {
        runOpenPanel();
        return;
    }
    if (name == "terminate") {
        terminate();
        return;
    }
    if (name == "showAbout") {
        showAbout();
        return;
    }
    if (name == "showPreferences") {
        showPreferences();
        return;
    }
    if (name == "clearRecentDocuments") {
        clearRecentDocuments();
        return;
    }
    if (name == "toggleToolbox") {
        if (m_ToolboxPalette)
            m_ToolboxPalette->toggleAction()->trigger();
        return;
    }
    if (name == "arrangeInFront") {
        for (DocumentWindowController* document : m_Documents)
            if (document->window()->isVisible())
                document->window()->raise();
        if (DocumentWindowController* current = currentDocument())
            current->window()->raise();
        return;
    }
    DocumentWindowController* document = currentDocument();
    if (!document || document->isBusy())
        return;
    // Nothing interrupts a gesture in progress.
    if (document->view() && document->view()->toolIsTracking())
        return;
    MenuItemState state;
    if (!document->validateCommand(name, state) || !state.enabled)
        return;
    document->performCommand(name);
}

} // namespace qv
