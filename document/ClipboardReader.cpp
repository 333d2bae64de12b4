#include "document/ClipboardReader.h"

#include "document/DrawDocument.h"
#include "framework/foundation/Image.h"
#include "shapes/ElementCast.h"
#include "shapes/GroupShape.h"
#include "styles/Fill.h"

#include <cstring>
#include <map>
#include <new>
#include <set>

namespace qv {
namespace {

constexpr char kMark[] = "QVPICT01";
constexpr std::size_t kMarkLength = sizeof(kMark) - 1;

void putUInt(ByteBuffer& out, std::uint32_t value, int bytes) {
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

// Reads big-endian integers from a buffer, failing once past its end.
class Reader {
public:
    Reader(const std::uint8_t* bytes, std::size_t size) : m_Bytes(bytes), m_Size(size) {}
    bool take(std::size_t n, const std::uint8_t*& at) {
        if (m_Size - m_At < n)
            return false;
        at = m_Bytes + m_At;
        m_At += n;
        return true;
    }
    bool uint(int bytes, std::uint32_t& value) {
        const std::uint8_t* at = nullptr;
        if (!take(std::size_t(bytes), at))
            return false;
        value = 0;
        for (int i = 0; i < bytes; ++i)
            value = (value << 8) | at[i];
        return true;
    }
    bool atEnd() const { return m_At == m_Size; }

private:
    const std::uint8_t* m_Bytes;
    std::size_t m_Size;
    std::size_t m_At = 0;
};

} // namespace

bool isPlainPictureName(std::string_view name) {
    if (name.size() > kMaximumPictureNameLength || !isSafePictureName(name))
        return false;
    for (const char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return false;
    return true;
}

ByteBuffer encodePicturePayload(const std::vector<ClipboardPicture>& pictures) {
    std::vector<const ClipboardPicture*> kept;
    for (const ClipboardPicture& p : pictures)
        if (isPlainPictureName(p.name) && !p.data.empty() &&
            p.data.size() <= kMaximumPictureBytes && kept.size() < kMaximumPictureCount)
            kept.push_back(&p);
    ByteBuffer out(kMark, kMark + kMarkLength);
    putUInt(out, std::uint32_t(kept.size()), 4);
    for (const ClipboardPicture* p : kept) {
        putUInt(out, std::uint32_t(p->name.size()), 2);
        out.insert(out.end(), p->name.begin(), p->name.end());
        putUInt(out, std::uint32_t(p->data.size()), 4);
        out.insert(out.end(), p->data.begin(), p->data.end());
    }
    return out;
}

std::optional<std::vector<ClipboardPicture>> decodePicturePayload(const std::uint8_t* bytes,
                                                                  std::size_t size) {
    if (!bytes && size)
        return std::nullopt;
    Reader in(bytes, size);
    const std::uint8_t* mark = nullptr;
    std::uint32_t count = 0;
    if (!in.take(kMarkLength, mark) || std::memcmp(mark, kMark, kMarkLength) != 0 ||
        !in.uint(4, count) || count > kMaximumPictureCount)
        return std::nullopt;
    std::vector<ClipboardPicture> pictures;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t nameLength = 0, dataLength = 0;
        const std::uint8_t* name = nullptr;
        const std::uint8_t* data = nullptr;
        if (!in.uint(2, nameLength) || nameLength == 0 || nameLength > kMaximumPictureNameLength ||
            !in.take(nameLength, name) || !in.uint(4, dataLength) || dataLength == 0 ||
            dataLength > kMaximumPictureBytes || !in.take(dataLength, data))
            return std::nullopt;
        pictures.push_back({std::string(reinterpret_cast<const char*>(name), nameLength),
                            ByteBuffer(data, data + dataLength)});
    }
    if (!in.atEnd())
        return std::nullopt;
    return pictures;
}

std::vector<ClipboardPicture> picturesForShapes(const ShapeList& shapes, const ImageCache& store) {
    std::vector<ClipboardPicture> pictures;
    std::set<std::string, std::less<>> seen;
    forEachShapeDeep(shapes, [&](Shape& shape) {
        if (!shape.fill().hasImage())
            return;
        const std::string& name = shape.fill().imageName();
        if (!seen.insert(name).second)
            return;
        if (const ImageCacheEntry* entry = store.entryNamed(name);
            entry && isPlainPictureName(name))
            pictures.push_back({name, entry->data});
    });
    return pictures;
}

PictureCheck sharedCodecPictureCheck() {
    return [](const ByteBuffer& bytes) {
        const ImageCodec* codec = ImageCodec::shared();
        return codec && codec->decode(bytes) != nullptr;
    };
}

ClipboardShapes readClipboardShapes(std::string_view xml, const ByteBuffer* picturePayload,
                                    ImageCache& store, const PictureCheck& check) {
    ClipboardShapes result;
    // A scratch document takes whatever the XML holds; only its shapes leave it.
    ShapeList shapes;
    {
        DrawDocument scratch;
        if (!scratch.parseData(xml)) {
            result.error = scratch.lastError();
            return result;
        }
        shapes = scratch.takeLoadedShapes().value_or(ShapeList{});
    }
    std::erase(shapes, nullptr);
    if (shapes.empty()) {
        result.error = "The copied data holds no shapes.";
        return result;
    }

    std::map<std::string, const ByteBuffer*, std::less<>> offered;
    std::optional<std::vector<ClipboardPicture>> pictures;
    if (picturePayload) {
        pictures = decodePicturePayload(picturePayload->data(), picturePayload->size());
        if (!pictures)
            result.warnings.push_back("The copied pictures could not be read.");
        else
            for (const ClipboardPicture& p : *pictures)
                if (isPlainPictureName(p.name))
                    offered.emplace(p.name, &p.data);
                else
                    result.warnings.push_back("A copied picture's name is not a plain file name.");
    }

    // Each picture a fill names, resolved once: to the store's name for the
    // same bytes, to a new entry, or to nothing.
    std::map<std::string, std::optional<std::string>, std::less<>> resolved;
    auto resolve = [&](const std::string& name) -> std::optional<std::string> {
        if (const auto found = resolved.find(name); found != resolved.end())
            return found->second;
        std::optional<std::string> answer;
        const auto data = offered.find(name);
        if (!isPlainPictureName(name)) {
            result.warnings.push_back("A pasted fill names a picture without a plain file name.");
        } else if (data == offered.end()) {
            // Copied in this process, or from a drawing whose picture the
            // store already holds.
            if (store.containsName(name))
                answer = name;
            else
                result.warnings.push_back("The picture \u201C" + name + "\u201D was not copied.");
        } else if (std::optional<std::string> same = store.nameForData(*data->second, name)) {
            answer = std::move(same);
        } else if (check && check(*data->second)) {
            answer = store.addImageData(*data->second, name);
        } else {
            result.warnings.push_back("The picture \u201C" + name + "\u201D is not a picture.");
        }
        resolved.emplace(name, answer);
        return answer;
    };
    forEachShapeDeep(shapes, [&](Shape& shape) {
        Fill& fill = shape.fill();
        if (!fill.hasImage())
            return;
        const std::string name = fill.imageName();
        if (const std::optional<std::string> used = resolve(name)) {
            if (*used != name)
                fill.setImageName(*used);
        } else {
            // A picture the drawing could not save: the shape shows no fill.
            fill.setImageName("");
            fill.setStyle(FillStyleNone);
        }
    });
    result.shapes = std::move(shapes);
    return result;
}

} // namespace qv
