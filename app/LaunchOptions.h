#pragma once
// What `drawapp` makes of its command line and environment before Qt starts:
// the files to open, whether to hand them to a running application, which
// window system platform to ask Qt for, and where the running application
// listens for hand-overs.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

struct LaunchOptions {
    std::vector<std::string> files;
    bool newInstance = false;
    bool help = false;
    bool version = false;
    // The first unknown option, reported as a usage error.
    std::string unknownOption;
};

// The arguments after Qt has taken its own (without the program name).
// "--" ends the options.
LaunchOptions parseLaunchArguments(const std::vector<std::string>& arguments);

// True when the raw arguments choose a platform ("-platform NAME",
// "--platform=NAME" and the like).
bool argumentsChoosePlatform(const std::vector<std::string>& rawArguments);

// The platform list to ask for: palettes place themselves, which Wayland
// forbids, so X11 (or XWayland) comes first whenever a display is set,
// Wayland second for a session whose X server does not answer. Nothing
// when the user chose a platform, or when there is no X display (Qt's own
// choice then starts on a Wayland-only session).
std::optional<std::string> platformForEnvironment(const char* display, const char* qpaPlatform,
                                                  bool argumentsChoose);

// The socket of the running application for this user and display: in the
// user's runtime folder when there is one, else a name with the user id.
std::string instanceServerName(const char* runtimeDir, unsigned userId, const char* display,
                               const char* waylandDisplay);

// The message a second `drawapp` sends: a header line, then each absolute
// path followed by a NUL byte, then one more NUL. Paths cannot hold NUL, so
// the message needs no escaping.
inline constexpr std::size_t kMaximumHandOverSize = std::size_t(1) << 20;
std::string encodeHandOver(const std::vector<std::string>& files);
struct HandOver {
    enum class Status { Incomplete, Complete, Invalid } status = Status::Incomplete;
    std::vector<std::string> files;
};
// Invalid for a wrong header, an empty path inside the list or a message
// longer than kMaximumHandOverSize; Incomplete until the closing NUL came.
HandOver decodeHandOver(std::string_view bytes);

} // namespace qv
