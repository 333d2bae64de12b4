#include "document/ImageCache.h"

#include <fstream>
#include <iterator>

namespace qv {
namespace {

// The text after the last "/" once trailing slashes are gone ("a/b/" → "b").
std::string lastPathComponent(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    const auto slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return std::string(path);
    return std::string(path.substr(slash + 1));
}

std::optional<ByteBuffer> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    ByteBuffer bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    return bytes;
}

} // namespace

bool isSafePictureName(std::string_view name) {
    if (name.empty() || name == "." || name == "..")
        return false;
    return name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

ImageCache& ImageCache::imageCache() {
    static ImageCache shared;
    return shared;
}

std::optional<std::string> ImageCache::addImageData(const ByteBuffer& data, std::string_view name) {
    if (!isSafePictureName(name))
        return std::nullopt;
    const auto found = m_Cache.find(name);
    if (found == m_Cache.end()) {
        m_Cache.emplace(std::string(name), ImageCacheEntry{data, nullptr, false});
        return std::string(name);
    }
    if (found->second.data == data)
        return std::string(name);

    // Only the name asked for is compared by content; numbered names that are
    // taken are skipped whatever they hold.
    const auto dot = name.rfind('.');
    const std::string_view stem = dot == std::string_view::npos ? name : name.substr(0, dot);
    const std::string_view extension =
        dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
    for (unsigned long n = 1;; ++n) {
        std::string candidate =
            std::string(stem) + " " + std::to_string(n) + "." + std::string(extension);
        if (m_Cache.find(candidate) == m_Cache.end()) {
            m_Cache.emplace(candidate, ImageCacheEntry{data, nullptr, false});
            return candidate;
        }
    }
}

std::optional<std::string> ImageCache::addImage(const Image& image) {
    const ImageCodec* codec = ImageCodec::shared();
    if (!codec)
        return std::nullopt;
    std::optional<ByteBuffer> tiff = codec->encodeTIFF(image);
    if (!tiff)
        return std::nullopt;
    return addImageData(*tiff, "QVImage.tiff");
}

std::optional<std::string> ImageCache::addImageWithContentsOfFile(const std::string& path) {
    const std::string name = lastPathComponent(path);
    if (!isSafePictureName(name))
        return std::nullopt;
    std::optional<ByteBuffer> bytes = readFile(path);
    if (!bytes)
        return std::nullopt;
    return addImageData(*bytes, name);
}

const ImageCacheEntry* ImageCache::entryNamed(std::string_view name) const {
    if (!isSafePictureName(name))
        return nullptr;
    const auto found = m_Cache.find(name);
    return found == m_Cache.end() ? nullptr : &found->second;
}

std::optional<std::string> ImageCache::nameForData(const ByteBuffer& data,
                                                   std::string_view preferred) const {
    if (const ImageCacheEntry* entry = entryNamed(preferred); entry && entry->data == data)
        return std::string(preferred);
    for (const auto& [name, entry] : m_Cache)
        if (entry.data.size() == data.size() && entry.data == data)
            return name;
    return std::nullopt;
}

ImagePtr ImageCache::imageNamed(std::string_view name) const {
    const ImageCacheEntry* entry = entryNamed(name);
    if (!entry)
        return nullptr;
    if (!entry->decodeAttempted) {
        const ImageCodec* codec = ImageCodec::shared();
        // Without a codec nothing is decided yet: a codec registered later
        // still gets its chance.
        if (!codec)
            return nullptr;
        entry->image = codec->decode(entry->data);
        entry->decodeAttempted = true;
    }
    return entry->image;
}

ImagePtr ImageCache::unflippedImageNamed(std::string_view name) const {
    return imageNamed(name);
}

std::optional<ImageCacheError> ImageCache::addFileWrapperTo(FileWrapperMap& files,
                                                            std::string_view name) const {
    if (!name.empty() && !isSafePictureName(name)) {
        std::string shown(name);
        for (char& c : shown)
            if (c == '\0')
                c = '?';
        return ImageCacheError{"ImageCacheException",
                               "Image name \"" + shown + "\" is not a plain file name"};
    }
    const ImageCacheEntry* entry = entryNamed(name);
    if (!entry)
        return ImageCacheError{"ImageCacheException",
                               "Could not find image named " + std::string(name)};
    files.insert_or_assign(std::string(name), entry->data);
    return std::nullopt;
}

} // namespace qv
