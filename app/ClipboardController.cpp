#include "app/ClipboardController.h"

#include "canvas/DrawView.h"
#include "canvas/ShapesController.h"
#include "canvas/TextEditorOverlay.h"
#include "document/ClipboardReader.h"
#include "document/DrawDocument.h"
#include "document/PrintDrawView.h"
#include "platform/qt/ClipboardMime.h"
#include "shapes/RectangleShape.h"
#include "shapes/TextShape.h"
#include "styles/Fill.h"
#include "styles/Stroke.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <cmath>

namespace qv {
namespace {

constexpr double kPastedTextWidth = 200;
constexpr double kPastedTextHeight = 40;

Point visibleCenter(const PasteTarget& target) {
    if (target.center)
        return *target.center;
    if (target.view)
        return target.view->documentVisibleRect().center();
    const Rect page = PrintDrawView::pageBoundary(target.document.printInfo());
    return page.center();
}

void nameUndoStep(DrawDocument& document, const char* name) {
    UndoManager& undo = document.undoManager();
    if (!undo.isUndoing() && !undo.isRedoing())
        undo.setActionName(name);
}

ByteBuffer bytesOf(const QByteArray& data) {
    return ByteBuffer(data.begin(), data.end());
}

} // namespace

PasteResult pasteMimeData(const QMimeData& mime, PasteTarget target) {
    PasteResult result;
    ShapesController& controller = target.controller;
    const QString privateType = QString::fromLatin1(kPrivateClipboardType);
    const QString picturesType = QString::fromLatin1(kPictureClipboardType);
    if (mime.hasFormat(privateType)) {
        const QByteArray xml = mime.data(privateType);
        std::optional<ByteBuffer> pictures;
        if (mime.hasFormat(picturesType))
            pictures = bytesOf(mime.data(picturesType));
        ClipboardShapes read = readClipboardShapes(
            std::string_view(xml.constData(), std::size_t(xml.size())),
            pictures ? &*pictures : nullptr, imageCache(), sharedCodecPictureCheck());
        for (const std::string& warning : read.warnings)
            qWarning("Paste: %s", warning.c_str());
        if (!read) {
            result.reason = QObject::tr("The copied shapes could not be read: %1")
                                .arg(QString::fromStdString(read.error));
            return result;
        }
        result.ok = controller.addObjects(read.shapes);
        if (!result.ok)
            result.reason = QObject::tr("The copied shapes could not be added.");
        else
            nameUndoStep(target.document, "Paste");
        return result;
    }

    const Point center = visibleCenter(target);
    if (canTakePicture(mime)) {
        const std::optional<std::string> name = addPictureFromMimeData(mime, imageCache());
        const ImagePtr image = name ? imageCache().imageNamed(*name) : nullptr;
        if (image) {
            const Size size = image->size();
            auto shape = std::make_shared<RectangleShape>();
            shape->setBounds({std::round(center.x - size.width / 2),
                              std::round(center.y - size.height / 2), size.width, size.height});
            shape->stroke().setStyle(0);
            shape->fill().setImagePlacement(0);
            shape->fill().setStyle(FillStyleImage);
            shape->fill().setImageName(*name);
            result.ok = controller.addObject(shape);
            if (result.ok)
                nameUndoStep(target.document, "Paste");
            return result;
        }
        // A picture that does not decode: the text, if any, is tried next.
    }

    TextAttributes attributes;
    if (target.view && target.view->textEditor()->shape())
        attributes = target.view->textEditor()->currentAttributes();
    if (std::optional<RichText> text = textFromMimeData(mime, attributes)) {
        auto shape = std::make_shared<TextShape>();
        shape->setBounds({center.x - kPastedTextWidth / 2, center.y - kPastedTextHeight / 2,
                          kPastedTextWidth, kPastedTextHeight});
        shape->setRichText(*text);
        result.ok = controller.addObject(shape);
        if (result.ok)
            nameUndoStep(target.document, "Paste");
        return result;
    }
    result.reason = QObject::tr("The clipboard holds nothing that can be pasted.");
    return result;
}

bool canPasteMimeData(const QMimeData& mime) {
    return mime.hasFormat(QString::fromLatin1(kPrivateClipboardType)) || canTakePicture(mime) ||
           hasText(mime);
}

ClipboardController& ClipboardController::shared() {
    static ClipboardController* controller = new ClipboardController;
    return *controller;
}

ClipboardController::ClipboardController() : QObject(QGuiApplication::instance()) {
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &ClipboardController::clipboardChanged);
}

void ClipboardController::clipboardChanged() {
    m_Known = false;
}

bool ClipboardController::canPaste() {
    if (!m_Known) {
        const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
        m_CanPaste = mime && canPasteMimeData(*mime);
        m_Known = true;
        ++m_Checks;
    }
    return m_CanPaste;
}

bool ClipboardController::copy(DrawDocument& document, ShapesController& controller) {
    const ShapeList selection = controller.selectedObjects();
    if (selection.empty())
        return false;
    QGuiApplication::clipboard()->setMimeData(mimeDataForSelection(document, selection));
    return true;
}

bool ClipboardController::cut(DrawDocument& document, ShapesController& controller) {
    if (!copy(document, controller))
        return false;
    controller.remove();
    nameUndoStep(document, "Cut");
    return true;
}

PasteResult ClipboardController::paste(PasteTarget target) {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    if (!mime) {
        PasteResult none;
        none.reason = QObject::tr("The clipboard is empty.");
        return none;
    }
    return pasteMimeData(*mime, target);
}

} // namespace qv
