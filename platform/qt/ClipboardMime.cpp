#include "platform/qt/ClipboardMime.h"

#include "document/ClipboardReader.h"
#include "document/DrawDocument.h"
#include "document/PrintDrawView.h"
#include "document/RtfReader.h"
#include "platform/qt/Export.h"
#include "platform/qt/QtImageCodec.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QMimeData>
#include <QUrl>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace qv {
namespace {

// Enough of a file for any reader to tell its format and size.
constexpr qint64 kHeaderBytes = qint64(1) << 20;

QByteArray toQByteArray(const ByteBuffer& b) {
    return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
}

ByteBuffer toByteBuffer(const QByteArray& a) {
    return ByteBuffer(a.begin(), a.end());
}

// The file, opened for reading only if it is a regular file: a FIFO or a
// device is never waited on. -1 otherwise.
int openRegularFile(const QString& path, qint64 limit, qint64& size) {
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > limit) {
        ::close(fd);
        return -1;
    }
    size = st.st_size;
    return fd;
}

std::optional<QByteArray> readFd(int fd, qint64 wanted) {
    QByteArray bytes(qsizetype(wanted), Qt::Uninitialized);
    qint64 done = 0;
    while (done < wanted) {
        const ssize_t n = ::read(fd, bytes.data() + done, std::size_t(wanted - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        done += n;
    }
    bytes.resize(qsizetype(done));
    return bytes;
}

std::optional<QByteArray> readHead(const QString& path, qint64 limit, qint64 head) {
    qint64 size = 0;
    const int fd = openRegularFile(path, limit, size);
    if (fd < 0)
        return std::nullopt;
    std::optional<QByteArray> bytes = readFd(fd, std::min(size, head));
    ::close(fd);
    return bytes;
}

bool headerLooksLikePicture(const QByteArray& head) {
    QByteArray copy = head;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    if (!reader.canRead())
        return false;
    const QSize size = reader.size();
    return !size.isValid() || double(size.width()) * double(size.height()) * 4.0 <=
                                  double(QtImageCodec::kDefaultAllocationLimit);
}

ImagePtr decodePicture(const ByteBuffer& bytes) {
    const ImageCodec* codec = ImageCodec::shared();
    return codec ? codec->decode(bytes) : nullptr;
}

} // namespace

QMimeData* mimeDataForSelection(DrawDocument& document, const ShapeList& selection) {
    auto* mime = new QMimeData;
    if (selection.empty())
        return mime;
    mime->setData(QString::fromLatin1(kPrivateClipboardType),
                  toQByteArray(document.dataWithSelectionOnly(true)));
    const std::vector<ClipboardPicture> pictures = picturesForShapes(selection, imageCache());
    if (!pictures.empty())
        mime->setData(QString::fromLatin1(kPictureClipboardType),
                      toQByteArray(encodePicturePayload(pictures)));
    // The selection as an export of the drawing's extent, transparent.
    const auto view = PrintDrawView::viewWithShapes(selection);
    if (std::optional<ByteBuffer> pdf = pdfDataForView(*view))
        mime->setData(QStringLiteral("application/pdf"), toQByteArray(*pdf));
    const QImage picture = imageForView(*view, 72);
    if (!picture.isNull())
        if (std::optional<ByteBuffer> png = encodeImage(picture, "png", 72))
            mime->setData(QStringLiteral("image/png"), toQByteArray(*png));
    return mime;
}

QStringList pictureFormats(const QMimeData& mime) {
    static const QStringList preferred = {QStringLiteral("image/png"), QStringLiteral("image/tiff"),
                                          QStringLiteral("image/jpeg"), QStringLiteral("image/bmp"),
                                          QStringLiteral("image/gif")};
    QStringList readable;
    for (const QByteArray& type : QImageReader::supportedMimeTypes())
        readable.append(QString::fromLatin1(type));
    const QStringList offered = mime.formats();
    QStringList formats;
    for (const QString& type : preferred)
        if (offered.contains(type) && readable.contains(type))
            formats.append(type);
    for (const QString& type : offered)
        if (type.startsWith(QLatin1String("image/")) && readable.contains(type) &&
            !formats.contains(type))
            formats.append(type);
    return formats;
}

QStringList listedLocalFiles(const QMimeData& mime) {
    QStringList files;
    if (!mime.hasUrls())
        return files;
    for (const QUrl& url : mime.urls())
        if (url.isLocalFile())
            files.append(url.toLocalFile());
    return files;
}

std::optional<ByteBuffer> readRegularFile(const QString& path, qint64 limit) {
    qint64 size = 0;
    const int fd = openRegularFile(path, limit, size);
    if (fd < 0)
        return std::nullopt;
    std::optional<QByteArray> bytes = readFd(fd, size);
    ::close(fd);
    if (!bytes)
        return std::nullopt;
    return toByteBuffer(*bytes);
}

bool fileLooksLikePicture(const QString& path) {
    const std::optional<QByteArray> head = readHead(path, kMaximumPictureFileBytes, kHeaderBytes);
    return head && !head->isEmpty() && headerLooksLikePicture(*head);
}

bool canTakePicture(const QMimeData& mime) {
    for (const QString& file : listedLocalFiles(mime))
        if (fileLooksLikePicture(file))
            return true;
    return mime.hasImage() || !pictureFormats(mime).isEmpty();
}

std::optional<std::string> addPictureFromMimeData(const QMimeData& mime, ImageCache& store) {
    for (const QString& file : listedLocalFiles(mime)) {
        const std::string name = QFileInfo(file).fileName().toStdString();
        if (!isPlainPictureName(name))
            continue;
        std::optional<ByteBuffer> bytes = readRegularFile(file);
        if (bytes && decodePicture(*bytes))
            return store.addImageData(*bytes, name);
    }
    const QStringList formats = pictureFormats(mime);
    for (const QString& type : formats) {
        const QByteArray data = mime.data(type);
        if (ImagePtr image = decodePicture(toByteBuffer(data)))
            return store.addImage(*image);
    }
    // A picture handed over inside this process, already decoded; it obeys
    // the same limit as decoded ones. Offered picture files that the codec
    // refused are not decoded again some other way.
    if (formats.isEmpty() && mime.hasImage()) {
        const QImage image = qvariant_cast<QImage>(mime.imageData());
        if (!image.isNull() && double(image.width()) * double(image.height()) * 4.0 <=
                                   double(QtImageCodec::kDefaultAllocationLimit))
            return store.addImage(QtImage(image));
    }
    return std::nullopt;
}

// Plain text itself: QMimeData::hasText() also answers yes for a list of
// files, whose names are not text to paste.
bool hasPlainText(const QMimeData& mime) {
    for (const QString& type : mime.formats())
        if (type == QLatin1String("text/plain") || type.startsWith(QLatin1String("text/plain;")))
            return true;
    return false;
}

bool hasText(const QMimeData& mime) {
    return mime.hasFormat(QStringLiteral("text/rtf")) ||
           mime.hasFormat(QStringLiteral("application/rtf")) || hasPlainText(mime);
}

std::optional<RichText> textFromMimeData(const QMimeData& mime, const TextAttributes& attributes) {
    for (const QString& type : {QStringLiteral("text/rtf"), QStringLiteral("application/rtf")}) {
        if (!mime.hasFormat(type))
            continue;
        const QByteArray rtf = mime.data(type);
        std::optional<RichText> text =
            richTextFromRTF(std::string_view(rtf.constData(), std::size_t(rtf.size())));
        if (text && !text->isEmpty())
            return text;
    }
    if (hasPlainText(mime)) {
        RichText text = RichText::fromPlainText(mime.text().toStdString(), attributes);
        if (!text.isEmpty())
            return text;
    }
    return std::nullopt;
}

} // namespace qv
