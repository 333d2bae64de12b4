#pragma once
// The drawing's own clipboard forms, written and read without any window
// system: the XML of the copied shapes, and beside it the bytes of the
// pictures their fills use, so that shapes pasted into another process keep
// their pictures.
//
// The picture payload is a small length-prefixed record, all integers big
// endian:
//
//   "QVPICT01"                      8 bytes, the layout's mark and version
//   count                           4 bytes, number of pictures (at most
//                                   kMaximumPictureCount)
//   count times:
//     name length                   2 bytes, 1 to kMaximumPictureNameLength
//     name                          that many bytes of UTF-8, a plain file
//                                   name (isSafePictureName, no control
//                                   characters)
//     data length                   4 bytes, 1 to kMaximumPictureBytes
//     data                          that many bytes, the picture file as the
//                                   image store holds it
//
// Nothing may follow the last picture. A payload that breaks the layout is
// refused whole; a picture with an unusable name or bytes that do not
// decode is refused alone.

#include "document/ImageCache.h"
#include "framework/foundation/ByteBuffer.h"
#include "shapes/Shape.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// The clipboard formats of the drawing's own data.
inline constexpr const char* kPrivateClipboardType = "QVDrawPboardType";
inline constexpr const char* kPictureClipboardType = "application/x-qvdraw-pictures";

inline constexpr std::size_t kMaximumPictureCount = 4096;
inline constexpr std::size_t kMaximumPictureNameLength = 255;
inline constexpr std::size_t kMaximumPictureBytes = std::size_t(256) << 20;

struct ClipboardPicture {
    std::string name;
    ByteBuffer data;
    friend bool operator==(const ClipboardPicture&, const ClipboardPicture&) = default;
};

// A name that may stand as a picture's name: a plain file name of at most
// kMaximumPictureNameLength bytes without control characters.
bool isPlainPictureName(std::string_view name);

// The payload of the pictures, in the order given. Pictures whose name is
// not plain are left out.
ByteBuffer encodePicturePayload(const std::vector<ClipboardPicture>& pictures);
// The pictures of a payload, or nothing when it breaks the layout.
std::optional<std::vector<ClipboardPicture>> decodePicturePayload(const std::uint8_t* bytes,
                                                                  std::size_t size);

// The pictures the shapes' fills use (members of groups included), each name
// once, as the store holds them; names the store lacks are left out.
std::vector<ClipboardPicture> picturesForShapes(const ShapeList& shapes, const ImageCache& store);

// Whether bytes are a picture the program can draw (the codec's limits
// apply). Without one every picture is refused.
using PictureCheck = std::function<bool(const ByteBuffer&)>;
// The shared codec's decode, when a codec is registered.
PictureCheck sharedCodecPictureCheck();

struct ClipboardShapes {
    // Empty when the paste cannot go ahead; `error` then says why.
    ShapeList shapes;
    std::string error;
    // Pictures refused or fills that lost their picture.
    std::vector<std::string> warnings;
    explicit operator bool() const { return !shapes.empty(); }
};

// The shapes of the private clipboard XML, with the pictures of the payload
// (may be null) added to the store and the shapes' fills pointed at the names
// the store gives. Only shapes are taken: a page, a grid, print settings or a
// version in the XML are ignored. XML that does not parse or holds no shape
// is refused and changes nothing, the store included. Pictures are added only
// when a pasted shape uses them: bytes the store already holds under some
// name reuse that name; new bytes must pass `check`. A fill whose picture is
// neither in the payload nor in the store, or whose name is not plain, shows
// no fill rather than a picture the drawing could not save.
ClipboardShapes readClipboardShapes(std::string_view xml, const ByteBuffer* picturePayload,
                                    ImageCache& store, const PictureCheck& check);

} // namespace qv
