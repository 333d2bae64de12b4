#pragma once
// A look into the PDF files the exports and previews make: their streams as
// stored and inflated, the media box, the pages and the fill colours.

#include <QByteArray>
#include <QList>
#include <QRegularExpression>
#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace qv::test {

struct PdfStream {
    QByteArray data; // as stored in the file
    bool flate = false;
};

inline QByteArray inflated(const QByteArray& data) {
    // qUncompress wants the expected length in front; a generous guess works.
    return qUncompress(QByteArray("\x04\x00\x00\x00", 4) + data);
}

// The streams of a PDF as stored, and their data inflated where it is deflated.
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
        begin += pdf.mid(begin, 2) == "\r\n" ? 2 : pdf.mid(begin, 1) == "\n" ? 1 : 0;
        const qsizetype end = pdf.indexOf("endstream", begin);
        if (end < 0)
            break;
        QByteArray data = pdf.mid(begin, end - begin);
        // The stream's data ends with the line end before "endstream".
        data.chop(data.endsWith("\r\n") ? 2 : data.endsWith('\n') || data.endsWith('\r') ? 1 : 0);
        streams.push_back({data, flate});
        at = end + 9;
    }
    return streams;
}
inline QByteArray pdfContent(const QByteArray& pdf) {
    QByteArray content;
    for (const PdfStream& s : pdfRawStreams(pdf))
        content += s.flate ? inflated(s.data) : s.data;
    return content;
}

// The deflate level a zlib stream was made with, from its header's FLEVEL
// bits: 0 for the fastest level, 2 for the default one; -1 if not zlib.
inline int zlibLevelClass(const QByteArray& data) {
    if (data.size() < 2 || (data[0] & 0x0f) != 8 ||
        ((quint8(data[0]) << 8) | quint8(data[1])) % 31 != 0)
        return -1;
    return quint8(data[1]) >> 6;
}

// The page's media box, [x0 y0 x1 y1].
inline std::optional<std::array<double, 4>> mediaBox(const QByteArray& pdf) {
    static const QRegularExpression box(
        R"(/MediaBox\s*\[\s*([-\d.]+)\s+([-\d.]+)\s+([-\d.]+)\s+([-\d.]+)\s*\])");
    const QRegularExpressionMatch m = box.match(QString::fromLatin1(pdf));
    if (!m.hasMatch())
        return std::nullopt;
    return std::array<double, 4>{m.captured(1).toDouble(), m.captured(2).toDouble(),
                                 m.captured(3).toDouble(), m.captured(4).toDouble()};
}

inline int pageCount(const QByteArray& pdf) {
    static const QRegularExpression page(R"(/Type\s*/Page\b)");
    return int(QString::fromLatin1(pdf).count(page));
}

// The colours of the fills, in order, as "r g b scn" operands.
inline std::vector<std::array<double, 3>> fillColors(const QByteArray& content) {
    static const QRegularExpression scn(R"(([\d.]+) ([\d.]+) ([\d.]+) scn)");
    std::vector<std::array<double, 3>> colors;
    for (auto it = scn.globalMatch(QString::fromLatin1(content)); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        colors.push_back(
            {m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble()});
    }
    return colors;
}

} // namespace qv::test
