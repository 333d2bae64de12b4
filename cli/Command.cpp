#include "cli/Command.h"

#include "document/DrawDocument.h"
#include "platform/qt/AtomicFile.h"

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace qv::cli {

namespace {

std::vector<CommandInfo>& registry() {
    static std::vector<CommandInfo> commands;
    return commands;
}

std::string oneLine(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return text;
}

} // namespace

StderrMute::StderrMute() {
    std::fflush(stderr);
    m_Saved = ::dup(STDERR_FILENO);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (m_Saved >= 0 && null >= 0)
        ::dup2(null, STDERR_FILENO);
    if (null >= 0)
        ::close(null);
}

StderrMute::~StderrMute() {
    std::fflush(stderr);
    if (m_Saved >= 0) {
        ::dup2(m_Saved, STDERR_FILENO);
        ::close(m_Saved);
    }
}

void registerCommand(const CommandInfo& info) {
    registry().push_back(info);
}

std::vector<CommandInfo> registeredCommands() {
    std::vector<CommandInfo> commands = registry();
    std::stable_sort(commands.begin(), commands.end(),
                     [](const CommandInfo& a, const CommandInfo& b) { return a.order < b.order; });
    return commands;
}

const CommandInfo* findCommand(std::string_view name) {
    for (const CommandInfo& info : registry())
        if (name == info.name)
            return &info;
    return nullptr;
}

int fail(CommandIO& io, int status, const std::string& what, const std::string& reason) {
    io.err << "qvdraw: " << oneLine(what) << ": " << oneLine(reason) << "\n";
    io.err.flush();
    return status;
}

int usageError(CommandIO& io, const std::string& command, const std::string& reason) {
    io.err << "qvdraw: " << command << ": " << oneLine(reason) << " (see qvdraw --help)\n";
    io.err.flush();
    return kExitUsage;
}

std::unique_ptr<DrawDocument> loadDocument(const std::string& path, CommandIO& io) {
    auto document = std::make_unique<DrawDocument>();
    DocumentResult result;
    {
        StderrMute mute;
        result = document->readFromPackage(path);
    }
    if (!result) {
        fail(io, kExitUnreadable, path,
             result.error.empty() ? "the document cannot be read" : result.error);
        return nullptr;
    }
    document->installLoadedShapes();
    return document;
}

std::optional<std::string> writeFileAtomically(const std::string& path, const void* data,
                                               std::size_t size) {
    return qv::writeFileAtomically(path, data, size);
}

std::optional<Option> parseOption(const std::string& arg) {
    if (arg.size() < 3 || arg.compare(0, 2, "--") != 0)
        return std::nullopt;
    Option option;
    const std::size_t eq = arg.find('=');
    if (eq == std::string::npos) {
        option.name = arg.substr(2);
    } else {
        option.name = arg.substr(2, eq - 2);
        option.value = arg.substr(eq + 1);
    }
    return option;
}

} // namespace qv::cli
