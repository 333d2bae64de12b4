// qvdraw dump: the document model as JSON on standard output.

#include "cli/Command.h"
#include "cli/DocumentDump.h"

#include "document/DrawDocument.h"

namespace qv::cli {

namespace {

int runDump(const std::vector<std::string>& args, CommandIO& io) {
    std::vector<std::string> files;
    for (const std::string& arg : args) {
        if (arg != "--" && parseOption(arg))
            return usageError(io, "dump", "unknown option " + arg);
        if (arg != "--")
            files.push_back(arg);
    }
    if (files.size() != 1)
        return usageError(io, "dump", "needs one input document");
    std::unique_ptr<DrawDocument> document = loadDocument(files[0], io);
    if (!document)
        return kExitUnreadable;
    io.out << dumpDocument(*document).dump();
    io.out.flush();
    return kExitSuccess;
}

const CommandRegistration registration({
    "dump",
    "IN.qvdraw",
    "Prints the document as JSON: version, printInfo, page, grid and shapes with their "
    "styles and properties.",
    runDump,
    30,
});

} // namespace

} // namespace qv::cli
