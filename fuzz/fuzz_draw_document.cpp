// Reads any bytes as a document's "Shapes.xml" (print settings record
// included). What a readable file writes must read back and write again to
// the same bytes, and a file that does not read must leave the document as
// it was.
#include "document/DrawDocument.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

using namespace qv;

std::string_view view(const ByteBuffer& b) {
    return std::string_view(reinterpret_cast<const char*>(b.data()), b.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    DrawDocument doc;
    const ByteBuffer empty = doc.dataWithSelectionOnly(false);
    if (!doc.parseData(input)) {
        if (doc.loadedShapes() || view(doc.dataWithSelectionOnly(false)) != view(empty))
            std::abort(); // a failed read changed the document
        return 0;
    }
    doc.installLoadedShapes();
    if (doc.undoManager().canUndo())
        std::abort(); // reading made an undo step
    const ByteBuffer first = doc.dataWithSelectionOnly(false);

    DrawDocument second;
    if (!second.parseData(view(first)))
        std::abort();
    second.installLoadedShapes();
    const ByteBuffer again = second.dataWithSelectionOnly(false);

    DrawDocument third;
    if (!third.parseData(view(again)))
        std::abort();
    third.installLoadedShapes();
    if (view(third.dataWithSelectionOnly(false)) != view(again)) {
        std::fprintf(stderr, "written document does not read back to the same bytes\n");
        std::abort();
    }
    return 0;
}
