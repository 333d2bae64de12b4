#include "tests/platform/ReferenceImage.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdlib>

namespace qv::test {
namespace {

// What a picture looks like after a trip through a PNG file, so that a fresh
// rendering and a stored one are compared in the same form.
QImage normalized(const QImage& image) {
    return image.convertToFormat(QImage::Format_ARGB32)
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

bool updating() {
    const char* v = std::getenv("QV_UPDATE_REFERENCES");
    return v && std::string(v) == "1";
}

} // namespace

std::string referencePath(const std::string& name, const std::string& folder) {
    return std::string(QV_SOURCE_DIR) + "/tests/" + folder + "/reference/" + name + ".png";
}

std::string testOutputPath(const std::string& fileName) {
    QDir().mkpath(QStringLiteral(QV_TEST_OUTPUT_DIR));
    return std::string(QV_TEST_OUTPUT_DIR) + "/" + fileName;
}

ImageComparison compareImages(const QImage& a, const QImage& b, int perChannel, QImage* diff) {
    ImageComparison result;
    if (a.size() != b.size())
        return result;
    result.sameSize = true;
    const QImage x = normalized(a), y = normalized(b);
    if (diff) {
        *diff = QImage(x.size(), QImage::Format_ARGB32);
        diff->fill(Qt::white);
    }
    for (int row = 0; row < x.height(); ++row) {
        const QRgb* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const QRgb* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            const int d = std::max({std::abs(qRed(p[col]) - qRed(q[col])),
                                    std::abs(qGreen(p[col]) - qGreen(q[col])),
                                    std::abs(qBlue(p[col]) - qBlue(q[col])),
                                    std::abs(qAlpha(p[col]) - qAlpha(q[col]))});
            result.maxDifference = std::max(result.maxDifference, d);
            if (d > perChannel)
                ++result.outliers;
            if (diff && d > 0) {
                const int shade = 255 - std::min(255, 64 + d);
                diff->setPixel(col, row,
                               d > perChannel ? qRgb(255, shade / 2, shade / 2)
                                              : qRgb(shade + 32, shade + 32, shade + 32));
            }
        }
    }
    return result;
}

::testing::AssertionResult matchesReference(const QImage& rendering, const std::string& name,
                                            ReferenceTolerance tolerance,
                                            const std::string& folder) {
    const QString reference = QString::fromStdString(referencePath(name, folder));
    if (updating()) {
        QDir().mkpath(QFileInfo(reference).absolutePath());
        if (!rendering.convertToFormat(QImage::Format_ARGB32).save(reference, "PNG"))
            return ::testing::AssertionFailure() << "cannot write " << reference.toStdString();
        std::printf("updated reference %s\n", reference.toStdString().c_str());
        return ::testing::AssertionSuccess();
    }
    const std::string actualPath = testOutputPath(name + ".actual.png");
    const std::string diffPath = testOutputPath(name + ".diff.png");
    const QImage expected(reference);
    if (expected.isNull()) {
        rendering.convertToFormat(QImage::Format_ARGB32).save(QString::fromStdString(actualPath));
        return ::testing::AssertionFailure()
               << "no reference picture " << reference.toStdString() << "; rendering written to "
               << actualPath << " (QV_UPDATE_REFERENCES=1 writes references)";
    }
    QImage diff;
    const ImageComparison c = compareImages(rendering, expected, tolerance.perChannel, &diff);
    if (c.sameSize && c.outliers <= tolerance.maxOutliers)
        return ::testing::AssertionSuccess();
    rendering.convertToFormat(QImage::Format_ARGB32).save(QString::fromStdString(actualPath));
    auto failure = ::testing::AssertionFailure();
    if (!c.sameSize) {
        failure << name << ": size " << rendering.width() << "x" << rendering.height()
                << ", reference " << expected.width() << "x" << expected.height();
    } else {
        diff.save(QString::fromStdString(diffPath));
        failure << name << ": " << c.outliers << " pixels differ by more than "
                << tolerance.perChannel << " (largest difference " << c.maxDifference
                << "); difference picture " << diffPath;
    }
    failure << "; rendering " << actualPath;
    return failure;
}

} // namespace qv::test
