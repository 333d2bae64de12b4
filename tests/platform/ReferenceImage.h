#pragma once
// Rendering tests against reference pictures: tests/<folder>/reference/<name>.png.
//
// A fresh rendering matches when every channel of every pixel is within
// `perChannel` (0..255) of the reference, except for at most `maxOutliers`
// pixels. On failure <name>.actual.png and <name>.diff.png are written to the
// build's test output folder and their paths are printed. With
// QV_UPDATE_REFERENCES=1 in the environment the rendering is written as the
// new reference instead (see README.md).

#include <QImage>

#include <gtest/gtest.h>

#include <string>

namespace qv::test {

struct ReferenceTolerance {
    int perChannel = 3;
    int maxOutliers = 4;
};

::testing::AssertionResult matchesReference(const QImage& rendering, const std::string& name,
                                            ReferenceTolerance tolerance = {},
                                            const std::string& folder = "platform");

// Compares two pictures of the same size; `diff` (when given) becomes a
// picture of the differences: outliers in red, small differences in grey.
struct ImageComparison {
    bool sameSize = false;
    int maxDifference = 0;
    int outliers = 0;
};
ImageComparison compareImages(const QImage& a, const QImage& b, int perChannel,
                              QImage* diff = nullptr);

std::string testOutputPath(const std::string& fileName);

} // namespace qv::test
