#pragma once
// Packages written straight as files, so the tests see the plug-in exactly
// as a file on disk reaches it, and helpers to look into the PDF it makes.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QString>
#include <QTemporaryDir>

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace qv::testing {

// "QVPrintInfo 1" records as the document saves them.
inline QByteArray printInfoElement(const QByteArray& paper, const QByteArray& margins) {
    const QByteArray record =
        "QVPrintInfo 1\npaper=" + paper + "\nmargins=" + margins + "\norientation=portrait\n";
    return "\t<printinfo>\n" + record.toBase64() + "\n\t</printinfo>\n";
}

inline QByteArray rectangleElement(double x, double y, double w, double h,
                                   const char* fill = "#FF0000FF") {
    return QByteArray("\t<rectangle>\n\t\t<fill color=\"") + fill +
           "\"/>\n\t\t<stroke style=\"0\" color=\"#000000FF\" width=\"1\" cap-style=\"0\" "
           "join-style=\"0\"/>\n\t\t<shadow color=\"none\" width=\"0\" height=\"-10\" "
           "radius=\"10\"/>\n\t\t<transform rotation=\"0\"/>\n\t\t<bounds x=\"" +
           QByteArray::number(x) + "\" y=\"" + QByteArray::number(y) + "\" w=\"" +
           QByteArray::number(w) + "\" h=\"" + QByteArray::number(h) + "\"/>\n\t</rectangle>\n";
}

inline QByteArray documentXML(const QByteArray& body, const QByteArray& pageColor = "#FFFFFF") {
    return "<?xml version=\"1.0\" standalone=\"no\"?>\n<qvdrawdocument>\n\t<page color=\"" +
           pageColor + "\"/>\n" + body + "</qvdrawdocument>\n";
}

class PackageDir {
public:
    PackageDir() { EXPECT_TRUE(m_Dir.isValid()); }
    // A package NAME.qvdraw holding "Shapes.xml" with `xml`.
    std::string package(const QString& name, const QByteArray& xml) {
        const QString path = m_Dir.filePath(name + ".qvdraw");
        QDir().mkpath(path);
        QFile file(path + "/Shapes.xml");
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(xml);
        return path.toStdString();
    }
    // A package directory with only `fileName` in it.
    std::string packageWithout(const QString& name, const QString& fileName) {
        const QString path = m_Dir.filePath(name + ".qvdraw");
        QDir().mkpath(path);
        QFile file(path + "/" + fileName);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a drawing");
        return path.toStdString();
    }
    std::string path(const QString& name) const { return m_Dir.filePath(name).toStdString(); }

private:
    QTemporaryDir m_Dir;
};

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

// Every content stream, inflated (Flate is a zlib stream; Qt's inflater
// wants the expected size up front and grows past it as needed).
inline QByteArray inflatedStreams(const QByteArray& pdf) {
    QByteArray all;
    qsizetype at = 0;
    while ((at = pdf.indexOf("stream", at)) >= 0) {
        qsizetype start = at + 6;
        if (pdf.mid(at - 3, 3) == "end") {
            at = start;
            continue;
        }
        if (pdf.mid(start, 2) == "\r\n")
            start += 2;
        else if (pdf.mid(start, 1) == "\n")
            start += 1;
        const qsizetype end = pdf.indexOf("endstream", start);
        if (end < 0)
            break;
        QByteArray packed = QByteArray::fromHex("00100000") + pdf.mid(start, end - start);
        all += qUncompress(packed);
        at = end + 9;
    }
    return all;
}

// The colours of the fills, in order, as "r g b scn" operands.
inline std::vector<std::array<double, 3>> fillColors(const QByteArray& content) {
    static const QRegularExpression scn(R"(([\d.]+) ([\d.]+) ([\d.]+) scn)");
    std::vector<std::array<double, 3>> colors;
    auto it = scn.globalMatch(QString::fromLatin1(content));
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        colors.push_back(
            {m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble()});
    }
    return colors;
}

} // namespace qv::testing
