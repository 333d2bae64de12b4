#include "document/PrintInfo.h"

#include "framework/foundation/Base64.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

std::string base64Of(std::string_view text) {
    return base64Encoding(ByteBuffer(text.begin(), text.end()), 72);
}

TEST(PrintInfo, DefaultsAreUsLetterWithHalfInchMargins) {
    const PrintInfo info;
    EXPECT_EQ(info.paperSize(), Size(612, 792));
    EXPECT_EQ(info.leftMargin(), 36);
    EXPECT_EQ(info.rightMargin(), 36);
    EXPECT_EQ(info.topMargin(), 36);
    EXPECT_EQ(info.bottomMargin(), 36);
    EXPECT_EQ(info.orientation(), PrintOrientation::Portrait);
    EXPECT_EQ(info.pageSize(), Size(540, 720));
    // y-up: the bottom margin is the origin's y.
    EXPECT_EQ(info.imageablePageBounds(), Rect(36, 36, 540, 720));
}

TEST(PrintInfo, ImageableBoundsFollowMarginsUnlessAPrinterSetThem) {
    PrintInfo info;
    info.setLeftMargin(10);
    info.setRightMargin(20);
    info.setTopMargin(30);
    info.setBottomMargin(40);
    EXPECT_EQ(info.imageablePageBounds(), Rect(10, 40, 582, 722));
    info.setPrinterImageableBounds(Rect(18, 18, 576, 756));
    EXPECT_EQ(info.imageablePageBounds(), Rect(18, 18, 576, 756));
}

TEST(PrintInfo, LandscapeTurnsThePaper) {
    PrintInfo info;
    info.setPrinterImageableBounds(Rect(1, 2, 3, 4));
    info.setOrientation(PrintOrientation::Landscape);
    EXPECT_EQ(info.paperSize(), Size(792, 612));
    EXPECT_FALSE(info.hasPrinterImageableBounds());
    info.setOrientation(PrintOrientation::Landscape);
    EXPECT_EQ(info.paperSize(), Size(792, 612));
    info.setOrientation(PrintOrientation::Portrait);
    EXPECT_EQ(info.paperSize(), Size(612, 792));
}

TEST(PrintInfo, RoundTripsExactlyThroughBase64) {
    PrintInfo info;
    info.setPaperSize(Size(595.2755905511812, 841.8897637795276)); // A4
    info.setLeftMargin(0.1);
    info.setRightMargin(1.0 / 3);
    info.setTopMargin(72);
    info.setBottomMargin(18.000000000000004);
    info.setOrientation(PrintOrientation::Landscape);
    info.setPrinterImageableBounds(Rect(12.5, 13.25, 800, 500));
    const std::string encoded = info.base64Encoded();
    EXPECT_EQ(encoded.find('\n'), 72u); // lines of 72, as the base64 layout makes them
    EXPECT_EQ(PrintInfo::fromBase64(encoded), info);
    EXPECT_EQ(PrintInfo::fromBase64(PrintInfo().base64Encoded()), PrintInfo());
}

TEST(PrintInfo, UnreadableRecordsGiveTheDefaults) {
    const char* records[] = {
        "",
        "garbage",
        "QVPrintInfo\npaper=612 792\nmargins=1 1 1 1\n",       // no version
        "QVPrintInfo 0\npaper=612 792\nmargins=1 1 1 1\n",     // bad version
        "QVPrintInfo 1\nmargins=1 1 1 1\n",                    // no paper
        "QVPrintInfo 1\npaper=612 792\n",                      // no margins
        "QVPrintInfo 1\npaper=612\nmargins=1 1 1 1\n",         // one number
        "QVPrintInfo 1\npaper=612 792 1\nmargins=1 1 1 1\n",   // three numbers
        "QVPrintInfo 1\npaper=612  792\nmargins=1 1 1 1\n",    // empty field
        "QVPrintInfo 1\npaper=612 792x\nmargins=1 1 1 1\n",    // trailing junk
        "QVPrintInfo 1\npaper=nan 792\nmargins=1 1 1 1\n",     // not finite
        "QVPrintInfo 1\npaper=inf 792\nmargins=1 1 1 1\n",     // not finite
        "QVPrintInfo 1\npaper=0 792\nmargins=0 0 0 0\n",       // no paper area
        "QVPrintInfo 1\npaper=1e7 792\nmargins=1 1 1 1\n",     // absurd paper
        "QVPrintInfo 1\npaper=612 792\nmargins=-1 1 1 1\n",    // negative margin
        "QVPrintInfo 1\npaper=612 792\nmargins=306 306 1 1\n", // no page left
        "QVPrintInfo 1\npaper=612 792\nmargins=1 1 1 1\norientation=sideways\n",
        "QVPrintInfo 1\npaper=612 792\nmargins=1 1 1 1\nimageable=0 0 700 10\n",
        "QVPrintInfo 1\npaper=612 792\nmargins=1 1 1 1\nno equals sign\n",
    };
    for (const char* record : records) {
        SCOPED_TRACE(record);
        EXPECT_FALSE(PrintInfo::fromSerializedText(record));
        EXPECT_EQ(PrintInfo::fromBase64(base64Of(record)), PrintInfo());
    }
    EXPECT_EQ(PrintInfo::fromBase64("%%% not base64 %%%"), PrintInfo());
    EXPECT_EQ(PrintInfo::fromBase64(std::string(10000, 'A')), PrintInfo());
}

TEST(PrintInfo, LaterVersionsReadWhatThisVersionKnows) {
    auto info = PrintInfo::fromSerializedText(
        "QVPrintInfo 7\npaper=100 200\nmargins=1 2 3 4\nduplex=long\n\norientation=portrait\n");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->paperSize(), Size(100, 200));
    EXPECT_EQ(info->rightMargin(), 2);
    EXPECT_EQ(info->bottomMargin(), 4);
}

TEST(PrintInfo, KeyValueCoding) {
    PrintInfo info;
    EXPECT_TRUE(info.setValueForKeyPath(Value(10.0), "leftMargin"));
    EXPECT_EQ(info.leftMargin(), 10);
    EXPECT_TRUE(info.setValueForKey(Value(Size(100, 50)), "paperSize"));
    EXPECT_EQ(info.valueForKey("pageSize"), Value(Size(100 - 10 - 36, 50 - 72)));
    EXPECT_TRUE(info.setValueForKey(Value(1), "orientation"));
    EXPECT_EQ(info.valueForKey("orientation"), Value(1));
    EXPECT_FALSE(info.setValueForKey(Value("wide"), "leftMargin"));
    EXPECT_FALSE(info.setValueForKey(Value(1.0), "pageSize"));
}

} // namespace
} // namespace qv
