// qvdraw preview: the preview plug-in's full-size preview, a one-page PDF of
// the document's page. Like the plug-in, it shows a file that cannot be read
// as a blank page of the default size.

#include "cli/Command.h"

#include "preview/host/PreviewHost.h"

namespace qv::cli {

namespace {

int runPreview(const std::vector<std::string>& args, CommandIO& io) {
    std::vector<std::string> files;
    for (const std::string& arg : args) {
        if (arg != "--" && parseOption(arg))
            return usageError(io, "preview", "unknown option " + arg);
        if (arg != "--")
            files.push_back(arg);
    }
    if (files.size() != 2)
        return usageError(io, "preview", "needs an input document and an output PDF");
    const std::string& in = files[0];
    const std::string& out = files[1];

    std::string error;
    const std::unique_ptr<PreviewPlugIn> plugIn = PreviewPlugIn::loadInstalled(&error);
    if (!plugIn)
        return fail(io, kExitOutputFailed, out, error);
    const std::unique_ptr<PreviewGenerator> generator = PreviewGenerator::create(*plugIn, &error);
    if (!generator)
        return fail(io, kExitOutputFailed, out, error);

    QLPreviewRequest request;
    generator->generatePreview(fileURLForPath(in), request);
    if (!request.data || request.data->empty() || request.contentType != kQLTypePDF)
        return fail(io, kExitOutputFailed, out, "the preview plug-in handed over no PDF");
    if (const std::optional<std::string> reason =
            writeFileAtomically(out, request.data->data(), request.data->size()))
        return fail(io, kExitOutputFailed, out, *reason);
    return kExitSuccess;
}

const CommandRegistration registration({
    "preview",
    "IN.qvdraw OUT.pdf",
    "Writes the preview plug-in's preview of the page as a one-page PDF. A document that "
    "cannot be read previews as a blank page.",
    runPreview,
    25,
});

} // namespace

} // namespace qv::cli
