#pragma once
// Drawings and PDF inspection for the export tests.

#include "document/DrawDocument.h"
#include "framework/foundation/ByteBuffer.h"
#include "shapes/OvalShape.h"
#include "shapes/RectangleShape.h"
#include "styles/Fill.h"
#include "styles/Stroke.h"

#include <QByteArray>
#include <QImage>
#include <QList>

#include <memory>
#include <string>

namespace qv::test {

inline ShapePtr filledRect(Rect bounds, Color fill, double rotation = 0) {
    auto shape = std::make_shared<RectangleShape>();
    shape->setBounds(bounds);
    shape->setRotation(rotation);
    shape->stroke().setStyle(StrokeStyleNone);
    shape->fill().setStyle(FillStyleColor);
    shape->fill().setColor(fill);
    return shape;
}

inline ShapePtr strokedOval(Rect bounds, Color stroke, double width) {
    auto shape = std::make_shared<OvalShape>();
    shape->setBounds(bounds);
    shape->fill().setStyle(FillStyleNone);
    shape->stroke().setStyle(StrokeStyleDash);
    shape->stroke().setWidth(width);
    shape->stroke().setColor(stroke);
    return shape;
}

inline QByteArray bytes(const ByteBuffer& b) {
    return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
}

inline QImage decode(const ByteBuffer& b) {
    return QImage::fromData(bytes(b));
}

struct PdfStream {
    QByteArray data; // as stored in the file
    bool flate = false;
};

// The streams of a PDF as stored.
inline QList<PdfStream> pdfRawStreams(const QByteArray& pdf) {
    QList<PdfStream> streams;
    qsizetype at = 0;
    while ((at = pdf.indexOf("stream", at)) >= 0) {
        if (at >= 3 && pdf.mid(at - 3, 3) == "end") {
            at += 6;
            continue;
        }
        const qsizetype dict = pdf.lastIndexOf("<<", at);
        const bool flate = dict >= 0 && pdf.mid(dict, at - dict).contains("/FlateDecode");
        qsizetype begin = at + 6;
        if (pdf.mid(begin, 2) == "\r\n")
            begin += 2;
        else if (pdf.mid(begin, 1) == "\n")
            begin += 1;
        const qsizetype end = pdf.indexOf("endstream", begin);
        if (end < 0)
            break;
        QByteArray data = pdf.mid(begin, end - begin);
        // The stream's data ends with the line end before "endstream".
        if (data.endsWith("\r\n"))
            data.chop(2);
        else if (data.endsWith('\n') || data.endsWith('\r'))
            data.chop(1);
        streams.push_back({data, flate});
        at = end + 9;
    }
    return streams;
}

inline QByteArray inflated(const QByteArray& data) {
    // qUncompress wants the expected length in front; a generous guess works.
    QByteArray framed("\x04\x00\x00\x00", 4);
    framed.append(data);
    return qUncompress(framed);
}

// The streams of a PDF, inflated where they are Flate-compressed.
inline QList<QByteArray> pdfStreams(const QByteArray& pdf) {
    QList<QByteArray> streams;
    for (const PdfStream& s : pdfRawStreams(pdf))
        streams.push_back(s.flate ? inflated(s.data) : s.data);
    return streams;
}

// The deflate level a zlib stream was made with, from its header's FLEVEL
// bits: 0 for the fastest level, 2 for the default one; -1 if not zlib.
inline int zlibLevelClass(const QByteArray& data) {
    if (data.size() < 2 || (data[0] & 0x0f) != 8 ||
        ((quint8(data[0]) << 8) | quint8(data[1])) % 31 != 0)
        return -1;
    return quint8(data[1]) >> 6;
}

} // namespace qv::test
