#pragma once
// One preview or thumbnail request's drawing: the document read from the
// package and the export view of its page. Built and thrown away per
// request; only the process-wide stores (pictures, arrow heads) outlive it.

#include "document/DrawDocument.h"
#include "document/PrintDrawView.h"
#include "framework/foundation/ByteBuffer.h"
#include "framework/foundation/Geometry.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

class GraphicsContext;

class DrawLook {
public:
    // Reads the package the file URL names. A package that cannot be read
    // leaves an empty drawing on the default page, so a broken file still
    // previews as a blank page.
    explicit DrawLook(std::string_view fileURL);

    // The file-system path of a "file:" URL; empty for any other URL.
    static std::string pathFromFileURL(std::string_view fileURL);

    // The page rectangle (paper less margins) from the canvas origin.
    Rect bounds() const { return m_printView->bounds(); }
    // One PDF page of the bounds, with the fill pictures made beforehand.
    std::optional<ByteBuffer> data();
    // The bounds drawn into `gc`, whose origin is the bounds' top-left corner
    // and whose y axis grows downwards.
    void drawInContext(GraphicsContext& gc) const;

    const DrawDocument& document() const { return *m_document; }
    const PrintDrawView& printView() const { return *m_printView; }

private:
    std::unique_ptr<DrawDocument> m_document;
    std::unique_ptr<PrintDrawView> m_printView;
};

} // namespace qv
