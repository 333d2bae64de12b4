#pragma once
// The subcommands of qvdraw. Each lives in its own file and registers itself
// with a static CommandRegistration, so adding a command needs no edit of the
// dispatcher.

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace qv {
class DrawDocument;
}

namespace qv::cli {

// Exit statuses.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitUnreadable = 1; // the document cannot be read
inline constexpr int kExitUsage = 2;
inline constexpr int kExitOutputFailed = 3; // the export (or output file) cannot be made

struct CommandIO {
    std::ostream& out;
    std::ostream& err;
};

using CommandFunction = int (*)(const std::vector<std::string>& args, CommandIO& io);

struct CommandInfo {
    const char* name;
    // Arguments as shown by --help ("[--area page|drawing] ... IN OUT").
    const char* synopsis;
    const char* summary;
    CommandFunction run;
    // Position in the help text.
    int order;
};

void registerCommand(const CommandInfo& info);
// In help order.
std::vector<CommandInfo> registeredCommands();
const CommandInfo* findCommand(std::string_view name);

struct CommandRegistration {
    explicit CommandRegistration(const CommandInfo& info) { registerCommand(info); }
};

// "qvdraw: <what>: <reason>" on one line (line breaks in the reason become
// spaces); answers `status`.
int fail(CommandIO& io, int status, const std::string& what, const std::string& reason);
// A usage error of a command, with a pointer to the help.
int usageError(CommandIO& io, const std::string& command, const std::string& reason);

// Reads a package through the document, with its shapes installed. On
// failure reports "qvdraw: PATH: reason" and answers null.
std::unique_ptr<DrawDocument> loadDocument(const std::string& path, CommandIO& io);

// Replaces the file atomically (a temporary file renamed over it); the reason
// when it fails.
std::optional<std::string> writeFileAtomically(const std::string& path, const void* data,
                                               std::size_t size);

// Standard error goes nowhere while it lives. The document (and the preview
// plug-in) log unreadable files themselves; the commands report them in a
// single line of their own instead.
class StderrMute {
public:
    StderrMute();
    ~StderrMute();
    StderrMute(const StderrMute&) = delete;
    StderrMute& operator=(const StderrMute&) = delete;

private:
    int m_Saved = -1;
};

// Splits "--name=value"; a bare "--name" has no value.
struct Option {
    std::string name;
    std::optional<std::string> value;
};
std::optional<Option> parseOption(const std::string& arg);

} // namespace qv::cli
