#pragma once
// PNG encoding of our own: 8-bit RGB when every pixel is opaque, RGBA
// otherwise, deflated at zlib's fastest level. It skips the image-format
// plug-ins QImageWriter loads and libpng's per-row filter search, which
// together cost more than the deflating.
//
// The pixels written are those of the picture converted to
// QImage::Format_ARGB32 by Qt, so reading the file back gives exactly them.

#include <QByteArray>
#include <QImage>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qv {

// Keyword and text of one tEXt chunk, both Latin-1.
using PngText = std::pair<std::string, std::string>;

// Whether `keyword` may name a tEXt chunk: 1 to 79 printable Latin-1
// characters, no space at either end nor two in a row.
bool isValidPngKeyword(const std::string& keyword);

// The PNG bytes of `image` (any format) with its resolution, when `dpi` is
// positive, and the text chunks right after the header in the order given.
// Nothing for a null picture, an invalid keyword, a text holding a NUL, or
// when zlib fails.
std::optional<QByteArray> encodePng(const QImage& image, double dpi,
                                    const std::vector<PngText>& textChunks = {});

} // namespace qv
