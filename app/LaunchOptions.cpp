#include "app/LaunchOptions.h"

#include <algorithm>
#include <cctype>

namespace qv {

LaunchOptions parseLaunchArguments(const std::vector<std::string>& arguments) {
    LaunchOptions options;
    bool optionsEnded = false;
    for (const std::string& arg : arguments) {
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            options.files.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--new-instance") {
            options.newInstance = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (options.unknownOption.empty()) {
            options.unknownOption = arg;
        }
    }
    return options;
}

bool argumentsChoosePlatform(const std::vector<std::string>& rawArguments) {
    for (const std::string& arg : rawArguments) {
        if (arg == "--")
            break;
        for (const char* option : {"-platform", "--platform"}) {
            const std::string name(option);
            if (arg == name || arg.starts_with(name + "="))
                return true;
        }
    }
    return false;
}

std::optional<std::string> platformForEnvironment(const char* display, const char* qpaPlatform,
                                                  bool argumentsChoose) {
    if (argumentsChoose || (qpaPlatform && *qpaPlatform))
        return std::nullopt;
    if (display && *display)
        return std::string("xcb;wayland");
    return std::nullopt;
}

std::string instanceServerName(const char* runtimeDir, unsigned userId, const char* display,
                               const char* waylandDisplay) {
    std::string name = "quorvik-drawapp-";
    std::string screen = display && *display                 ? display
                         : waylandDisplay && *waylandDisplay ? waylandDisplay
                                                             : "none";
    // The display names a socket file: no slashes or other surprises in it.
    for (char& c : screen)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-')
            c = '_';
    name += screen;
    if (runtimeDir && *runtimeDir && runtimeDir[0] == '/')
        return std::string(runtimeDir) + "/" + name;
    return name + "-" + std::to_string(userId);
}

namespace {
constexpr std::string_view kHandOverHeader = "QVDRAW-OPEN 1\n";
} // namespace

std::string encodeHandOver(const std::vector<std::string>& files) {
    std::string message(kHandOverHeader);
    for (const std::string& file : files)
        if (!file.empty() && file.find('\0') == std::string::npos)
            message.append(file).push_back('\0');
    message.push_back('\0');
    return message;
}

HandOver decodeHandOver(std::string_view bytes) {
    HandOver result;
    if (bytes.size() > kMaximumHandOverSize) {
        result.status = HandOver::Status::Invalid;
        return result;
    }
    const std::size_t headerPart = std::min(bytes.size(), kHandOverHeader.size());
    if (bytes.substr(0, headerPart) != kHandOverHeader.substr(0, headerPart)) {
        result.status = HandOver::Status::Invalid;
        return result;
    }
    if (bytes.size() < kHandOverHeader.size())
        return result;
    bytes.remove_prefix(kHandOverHeader.size());
    while (!bytes.empty()) {
        const std::size_t nul = bytes.find('\0');
        if (nul == std::string_view::npos)
            break;
        if (nul == 0) {
            // The closing NUL must be the last byte.
            result.status =
                bytes.size() == 1 ? HandOver::Status::Complete : HandOver::Status::Invalid;
            if (result.status == HandOver::Status::Invalid)
                result.files.clear();
            return result;
        }
        result.files.emplace_back(bytes.substr(0, nul));
        bytes.remove_prefix(nul + 1);
    }
    result.files.clear();
    return result;
}

} // namespace qv
