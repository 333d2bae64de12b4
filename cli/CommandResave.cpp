// qvdraw resave: reads a package and writes it back through the document.

#include "cli/Command.h"

#include "document/DrawDocument.h"

namespace qv::cli {

namespace {

int runResave(const std::vector<std::string>& args, CommandIO& io) {
    std::vector<std::string> files;
    for (const std::string& arg : args) {
        if (arg != "--" && parseOption(arg))
            return usageError(io, "resave", "unknown option " + arg);
        if (arg != "--")
            files.push_back(arg);
    }
    if (files.size() != 2)
        return usageError(io, "resave", "needs an input and an output document");
    std::unique_ptr<DrawDocument> document = loadDocument(files[0], io);
    if (!document)
        return kExitUnreadable;
    const DocumentResult written = document->writeToPackage(files[1]);
    if (!written)
        return fail(io, kExitOutputFailed, files[1], written.error);
    return kExitSuccess;
}

const CommandRegistration registration({
    "resave",
    "IN.qvdraw OUT.qvdraw",
    "Reads the document and saves it again, as the application would.",
    runResave,
    40,
});

} // namespace

} // namespace qv::cli
