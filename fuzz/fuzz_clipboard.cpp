// Reads any bytes as what the clipboard brings: the private XML up to the
// first NUL byte, the picture payload after it. The payload must read back
// from its own encoding the same; every pasted shape's picture must be one
// the store holds under a plain name; a refused paste adds nothing to the
// store.
#include "document/ClipboardReader.h"
#include "shapes/ElementCast.h"
#include "shapes/GroupShape.h"
#include "styles/Fill.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

using namespace qv;

namespace {

void checkPictures(const ShapeList& shapes, const ImageCache& store) {
    for (const ShapePtr& shape : shapes) {
        if (!shape)
            std::abort();
        if (shape->fill().hasImage() && (!isPlainPictureName(shape->fill().imageName()) ||
                                         !store.containsName(shape->fill().imageName())))
            std::abort(); // a fill names a picture the drawing could not save
        if (auto* group = elementCast<GroupShape>(shape.get()))
            checkPictures(group->shapes(), store);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const void* nul = std::memchr(data, 0, size);
    const std::size_t xmlSize =
        nul ? std::size_t(static_cast<const std::uint8_t*>(nul) - data) : size;
    const std::string_view xml(reinterpret_cast<const char*>(data), xmlSize);
    const ByteBuffer payload(data + std::min(size, xmlSize + 1), data + size);

    if (const auto pictures = decodePicturePayload(payload.data(), payload.size())) {
        const ByteBuffer again = encodePicturePayload(*pictures);
        const auto reread = decodePicturePayload(again.data(), again.size());
        if (!reread)
            std::abort();
        std::size_t plain = 0;
        for (const ClipboardPicture& p : *pictures)
            plain += isPlainPictureName(p.name);
        if (reread->size() != plain)
            std::abort(); // only pictures with unusable names may be left out
    }

    // Without a codec, "decodes" means: starts with an even byte.
    ImageCache store;
    const ClipboardShapes pasted =
        readClipboardShapes(xml, nul ? &payload : nullptr, store, [](const ByteBuffer& bytes) {
            return !bytes.empty() && bytes[0] % 2 == 0;
        });
    if (!pasted) {
        if (store.count() != 0 || pasted.error.empty())
            std::abort();
        return 0;
    }
    checkPictures(pasted.shapes, store);
    return 0;
}
