#include "tests/platform/ReferenceImage.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdlib>

namespace qv::test {

std::string testOutputPath(const std::string& fileName) {
    QDir().mkpath(QStringLiteral(QV_TEST_OUTPUT_DIR));
    return std::string(QV_TEST_OUTPUT_DIR) + "/" + fileName;
}

ImageComparison compareImages(const QImage& a, const QImage& b, int perChannel, QImage* diff) {
    ImageComparison result;
    if (a.size() != b.size())
        return result;
    result.sameSize = true;
    // Both in the form a picture has after a trip through a PNG file.
    const QImage x = a.convertToFormat(QImage::Format_ARGB32)
                         .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32)
                         .convertToFormat(QImage::Format_ARGB32_Premultiplied);
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
            result.outliers += d > perChannel;
            const int shade = 255 - std::min(255, 64 + d);
            if (diff && d > 0)
                diff->setPixel(col, row,
                               d > perChannel ? qRgb(255, shade / 2, shade / 2)
                                              : qRgb(shade + 32, shade + 32, shade + 32));
        }
    }
    return result;
}

::testing::AssertionResult matchesReference(const QImage& rendering, const std::string& name,
                                            ReferenceTolerance tolerance,
                                            const std::string& folder) {
    const QString reference = QString::fromStdString(std::string(QV_SOURCE_DIR) + "/tests/" +
                                                     folder + "/reference/" + name + ".png");
    const QImage argb = rendering.convertToFormat(QImage::Format_ARGB32);
    const char* update = std::getenv("QV_UPDATE_REFERENCES");
    if (update && std::string(update) == "1") {
        QDir().mkpath(QFileInfo(reference).absolutePath());
        if (!argb.save(reference, "PNG"))
            return ::testing::AssertionFailure() << "cannot write " << reference.toStdString();
        std::printf("updated reference %s\n", reference.toStdString().c_str());
        return ::testing::AssertionSuccess();
    }
    const std::string actualPath = testOutputPath(name + ".actual.png");
    const std::string diffPath = testOutputPath(name + ".diff.png");
    const QImage expected(reference);
    QImage diff;
    const ImageComparison c = compareImages(rendering, expected, tolerance.perChannel, &diff);
    if (!expected.isNull() && c.sameSize && c.outliers <= tolerance.maxOutliers)
        return ::testing::AssertionSuccess();
    argb.save(QString::fromStdString(actualPath));
    auto failure = ::testing::AssertionFailure();
    if (expected.isNull())
        failure << "no reference picture " << reference.toStdString()
                << " (QV_UPDATE_REFERENCES=1 writes references)";
    else if (!c.sameSize)
        failure << name << ": size " << rendering.width() << "x" << rendering.height()
                << ", reference " << expected.width() << "x" << expected.height();
    else {
        diff.save(QString::fromStdString(diffPath));
        failure << name << ": " << c.outliers << " pixels differ by more than "
                << tolerance.perChannel << " (largest difference " << c.maxDifference
                << "); difference picture " << diffPath;
    }
    return failure << "; rendering " << actualPath;
}

} // namespace qv::test
