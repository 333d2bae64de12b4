#pragma once
// The store of named pictures that image fills refer to. It keeps each
// picture's bytes exactly as added (they go back into the package unchanged),
// decodes them lazily for drawing, and hands the pictures a drawing uses back
// as package files when the drawing is saved. Entries are only ever added:
// a name, once given, keeps its bytes for the life of the store.
//
// Names double as file names inside a package, so only plain file names are
// accepted (see isSafePictureName); any other name is never stored, never
// found, and refused when a package is written.

#include "framework/foundation/ByteBuffer.h"
#include "framework/foundation/Image.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// File name → bytes: the regular files of a document package.
using FileWrapperMap = std::map<std::string, ByteBuffer, std::less<>>;

// Why the pictures of a drawing could not be written; the save fails with it.
struct ImageCacheError {
    std::string name = "ImageCacheException";
    std::string reason;
    friend bool operator==(const ImageCacheError&, const ImageCacheError&) = default;
};

// A non-empty name that is not "." or ".." and holds no "/" and no NUL: a name
// that stays inside the package directory when used as a file name.
bool isSafePictureName(std::string_view name);

struct ImageCacheEntry {
    // The bytes as added.
    ByteBuffer data;
    // Decoded on first request. Our drawing surfaces all draw pictures upright
    // in their own user space, so the canvas form and the y-up form (image
    // well) are the same decoded picture; one decode serves both.
    mutable ImagePtr image;
    mutable bool decodeAttempted = false;
};

class ImageCache;

// Something saved with a drawing that may bring picture files along (a shape
// whose fill shows a picture; a group forwards to its members).
class PackageFileSource {
public:
    virtual ~PackageFileSource() = default;
    // Adds this object's picture files; the error stops the save.
    virtual std::optional<ImageCacheError> addFileWrapperTo(FileWrapperMap& files,
                                                            const ImageCache& cache) const = 0;
};

struct FileWrappersResult {
    FileWrapperMap files;
    std::optional<ImageCacheError> error;
    bool ok() const { return !error.has_value(); }
};

class ImageCache {
public:
    ImageCache() = default;
    ImageCache(const ImageCache&) = delete;
    ImageCache& operator=(const ImageCache&) = delete;

    // The process-wide store, made on first use.
    static ImageCache& imageCache();

    // Stores the bytes under `name`, or under "stem n.ext" for the first free
    // n = 1, 2, … when the name holds other bytes; identical bytes under the
    // name itself store nothing. Answers the name used, or nothing for an
    // empty or unsafe name.
    std::optional<std::string> addImageData(const ByteBuffer& data, std::string_view name);
    // The picture's TIFF encoding under "QVImage.tiff"; nothing without a codec
    // or when the picture does not encode.
    std::optional<std::string> addImage(const Image& image);
    // The file's bytes under its last path component; nothing when the file
    // cannot be read.
    std::optional<std::string> addImageWithContentsOfFile(const std::string& path);
    // Picking up pictures from the clipboard lives in the platform layer,
    // which hands the bytes and file names it finds to the calls above.

    // Null for an empty, unsafe or unknown name.
    const ImageCacheEntry* entryNamed(std::string_view name) const;
    bool containsName(std::string_view name) const { return entryNamed(name) != nullptr; }
    // A name under which the store holds exactly these bytes: `preferred`
    // when it does, else the first such name in name order; nothing when no
    // entry holds them.
    std::optional<std::string> nameForData(const ByteBuffer& data,
                                           std::string_view preferred = {}) const;
    std::size_t count() const { return m_Cache.size(); }

    // The decoded picture, decoded on first request through the shared codec;
    // null for unknown names and bytes that do not decode.
    ImagePtr imageNamed(std::string_view name) const;
    // The picture for y-up surfaces: the same decoded picture (see above).
    ImagePtr unflippedImageNamed(std::string_view name) const;

    // Puts the named picture's bytes into `files` under its name. Fails with
    // "Could not find image named <name>" for a name the store lacks, and
    // refuses a name that is not a plain file name.
    std::optional<ImageCacheError> addFileWrapperTo(FileWrapperMap& files,
                                                    std::string_view name) const;

    // The picture files of everything in `sources`: one file per picture name
    // used. Any range whose elements are (smart) pointers to objects with
    // addFileWrapperTo(FileWrapperMap&, const ImageCache&).
    template <typename Range> FileWrappersResult fileWrappersForShapes(const Range& sources) const {
        FileWrappersResult result;
        for (const auto& source : sources) {
            if (!source)
                continue;
            if (auto error = source->addFileWrapperTo(result.files, *this)) {
                result.error = std::move(error);
                result.files.clear();
                return result;
            }
        }
        return result;
    }

private:
    std::map<std::string, ImageCacheEntry, std::less<>> m_Cache;
};

// The shared store.
inline ImageCache& imageCache() {
    return ImageCache::imageCache();
}

} // namespace qv
