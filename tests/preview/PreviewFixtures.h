#pragma once
// Packages written straight as files, so the tests see the plug-in exactly
// as a file on disk reaches it, and helpers to look into the PDF it makes.

#include "tests/cli/PdfInspection.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
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

using test::fillColors;
using test::mediaBox;
using test::pageCount;
// Every content stream, inflated.
inline QByteArray inflatedStreams(const QByteArray& pdf) {
    return test::pdfContent(pdf);
}

} // namespace qv::testing
