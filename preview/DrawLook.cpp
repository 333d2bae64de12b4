#include "preview/DrawLook.h"

#include "platform/qt/Export.h"
#include "platform/qt/QtGraphicsContext.h"

#include <QString>
#include <QUrl>

namespace qv {

DrawLook::DrawLook(std::string_view fileURL) : m_document(std::make_unique<DrawDocument>()) {
    const std::string path = pathFromFileURL(fileURL);
    // No window will ever load the shapes here, so they go in at once. A
    // failed read leaves the document as it was made: empty, default page.
    if (!path.empty() && m_document->readFromPackage(path))
        m_document->installLoadedShapes();
    // Always the page, always over the page colour: a preview shows the
    // sheet, never a transparent cut-out.
    m_printView = PrintDrawView::viewWithShapes(m_document->shapes(), &m_document->printInfo(),
                                                m_document->page().color());
}

std::string DrawLook::pathFromFileURL(std::string_view fileURL) {
    const QUrl url =
        QUrl::fromEncoded(QByteArray(fileURL.data(), qsizetype(fileURL.size())), QUrl::StrictMode);
    if (!url.isValid() || !url.isLocalFile())
        return {};
    return url.toLocalFile().toStdString();
}

std::optional<ByteBuffer> DrawLook::data() {
    {
        // Fill pictures are made at zoom 1 before the page is rendered; any
        // context that can make pictures serves.
        QImage scratch = QtImageContext::makeImage(Size{1, 1}, 1);
        QtImageContext context(scratch, 1);
        m_document->preloadFillCache(context.context());
        context.finish();
    }
    return pdfDataForView(*m_printView);
}

void DrawLook::drawInContext(GraphicsContext& gc) const {
    const Rect b = bounds();
    gc.saveGState();
    gc.concatCTM(AffineTransform::translation(-b.x(), -b.y()));
    m_printView->drawRect(gc, b);
    gc.restoreGState();
}

} // namespace qv
