#include "app/LaunchOptions.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(LaunchOptions, ArgumentsAndPlatform) {
    const LaunchOptions options =
        parseLaunchArguments({"a.qvdraw", "--new-instance", "--", "--odd.qvdraw", "-"});
    EXPECT_TRUE(options.newInstance);
    EXPECT_EQ(options.files, (std::vector<std::string>{"a.qvdraw", "--odd.qvdraw", "-"}));
    EXPECT_EQ(parseLaunchArguments({"--bogus", "--other"}).unknownOption, "--bogus");

    EXPECT_TRUE(argumentsChoosePlatform({"-platform", "offscreen"}));
    EXPECT_TRUE(argumentsChoosePlatform({"--platform=wayland"}));
    EXPECT_FALSE(argumentsChoosePlatform({"--", "-platform"}));
    // X11 first whenever there is a display; the user's choice wins.
    EXPECT_EQ(platformForEnvironment(":0", nullptr, false), "xcb;wayland");
    EXPECT_EQ(platformForEnvironment(":0", "", false), "xcb;wayland");
    EXPECT_EQ(platformForEnvironment(":0", "wayland", false), std::nullopt);
    EXPECT_EQ(platformForEnvironment(":0", nullptr, true), std::nullopt);
    EXPECT_EQ(platformForEnvironment(nullptr, nullptr, false), std::nullopt); // Wayland only
}

TEST(LaunchOptions, ServerNamesArePerUserAndDisplay) {
    EXPECT_EQ(instanceServerName("/run/user/7", 7, ":1", nullptr),
              "/run/user/7/quorvik-drawapp-_1");
    EXPECT_EQ(instanceServerName(nullptr, 7, "host/x:0.0", nullptr),
              "quorvik-drawapp-host_x_0.0-7");
    EXPECT_EQ(instanceServerName("", 8, nullptr, "wayland-0"), "quorvik-drawapp-wayland-0-8");
    EXPECT_NE(instanceServerName(nullptr, 7, ":0", nullptr),
              instanceServerName(nullptr, 8, ":0", nullptr));
}

TEST(LaunchOptions, HandOverMessagesRoundTripAndRejectGarbage) {
    const std::vector<std::string> files{"/a b/Plan.qvdraw", "/c/\xC3\xA9.qvdraw"};
    const std::string message = encodeHandOver(files);
    HandOver decoded = decodeHandOver(message);
    EXPECT_EQ(decoded.status, HandOver::Status::Complete);
    EXPECT_EQ(decoded.files, files);
    EXPECT_EQ(decodeHandOver(encodeHandOver({})).status, HandOver::Status::Complete);
    // Every shorter prefix is still incomplete, never wrongly complete.
    for (std::size_t n = 0; n < message.size(); ++n)
        EXPECT_EQ(decodeHandOver(message.substr(0, n)).status, HandOver::Status::Incomplete) << n;
    EXPECT_EQ(decodeHandOver("GET / HTTP/1.0\r\n").status, HandOver::Status::Invalid);
    EXPECT_EQ(decodeHandOver(message + "x").status, HandOver::Status::Invalid);
    EXPECT_EQ(decodeHandOver(std::string(kMaximumHandOverSize + 1, 'Q')).status,
              HandOver::Status::Invalid);
}

} // namespace
} // namespace qv
