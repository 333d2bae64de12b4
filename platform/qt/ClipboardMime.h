#pragma once
// What the drawing puts on the clipboard and what it takes from it (and from
// drops), over QMimeData.
//
// Offered on copy: the private XML ("QVDrawPboardType"), the pictures the
// shapes' fills use (kPictureClipboardType), "application/pdf" of the
// shapes drawn as an export of the drawing's extent without page colour,
// and "image/png" of the same picture at one pixel per point.
//
// Taken: pictures in any image type QImageReader reads (PNG, JPEG, TIFF,
// BMP, GIF first), Qt's in-process picture, local picture files of a
// text/uri-list, RTF ("text/rtf", "application/rtf") and plain text. Every
// picture is decoded through the program's codec, so its size limits hold;
// files are read only when they are local regular files no larger than
// kMaximumPictureFileBytes, opened without blocking.

#include "document/ImageCache.h"
#include "document/RichText.h"
#include "shapes/Shape.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <string>

class QMimeData;

namespace qv {

class DrawDocument;

inline constexpr qint64 kMaximumPictureFileBytes = qint64(64) << 20;

// The clipboard's data for the selected shapes of the document (its shapes
// controller's selection).
QMimeData* mimeDataForSelection(DrawDocument& document, const ShapeList& selection);

// The image types offered that the picture reader knows, best first.
QStringList pictureFormats(const QMimeData& mime);
// Local files listed (text/uri-list), in order.
QStringList listedLocalFiles(const QMimeData& mime);
// The file's bytes when it is a local regular file within the size limit;
// nothing for anything else (FIFOs, devices, directories, huge files).
std::optional<ByteBuffer> readRegularFile(const QString& path,
                                          qint64 limit = kMaximumPictureFileBytes);
// Whether the file looks like a picture the reader takes, from its header
// (the announced size within the codec's limit); reads no more than that.
bool fileLooksLikePicture(const QString& path);

// Whether a picture can be taken from the data: a listed file that looks like
// a picture, or an offered picture type. Decodes nothing.
bool canTakePicture(const QMimeData& mime);
// Adds the first listed file that decodes as a picture to the store under
// its file name, or else the first offered picture that decodes, as
// "QVImage.tiff"; the name the store gives, or nothing.
std::optional<std::string> addPictureFromMimeData(const QMimeData& mime, ImageCache& store);

// RTF (text/rtf, application/rtf) read as rich text, or else the plain text
// in `attributes`; nothing when neither gives any text.
std::optional<RichText> textFromMimeData(const QMimeData& mime, const TextAttributes& attributes);
bool hasText(const QMimeData& mime);

} // namespace qv
