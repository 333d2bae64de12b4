// qvdraw export: a document's page or drawing as PDF, PNG, TIFF, JPEG or GIF.

#include "cli/Command.h"

#include "document/DrawDocument.h"
#include "document/ExportOptions.h"
#include "platform/qt/Export.h"

#include <charconv>
#include <cmath>

namespace qv::cli {

namespace {

constexpr double kMaximumDpi = 7200;

std::string extensionOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) ||
        dot + 1 == path.size())
        return {};
    std::string ext = path.substr(dot + 1);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return ext;
}

std::optional<double> parseDpi(const std::string& text) {
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v) || v <= 0 ||
        v > kMaximumDpi)
        return std::nullopt;
    return v;
}

int runExport(const std::vector<std::string>& args, CommandIO& io) {
    std::optional<std::int64_t> boundary;
    std::optional<bool> transparent;
    std::optional<std::string> format;
    double dpi = 72;
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::optional<Option> option = optionsEnded ? std::nullopt : parseOption(arg);
        if (arg == "--" && !optionsEnded) {
            optionsEnded = true;
            continue;
        }
        if (!option) {
            files.push_back(arg);
            continue;
        }
        auto value = [&]() -> std::optional<std::string> {
            if (option->value)
                return option->value;
            if (i + 1 < args.size())
                return args[++i];
            return std::nullopt;
        };
        if (option->name == "transparent" || option->name == "opaque") {
            if (option->value)
                return usageError(io, "export", "--" + option->name + " takes no value");
            transparent = option->name == "transparent";
        } else if (option->name == "area") {
            const std::optional<std::string> v = value();
            if (v == "page")
                boundary = 0;
            else if (v == "drawing")
                boundary = 1;
            else
                return usageError(io, "export", "--area takes page or drawing");
        } else if (option->name == "format") {
            const std::optional<std::string> v = value();
            if (!v || !exportFormatIndex(*v))
                return usageError(io, "export", "--format takes pdf, png, tif, jpg or gif");
            format = v;
        } else if (option->name == "dpi") {
            const std::optional<std::string> v = value();
            const std::optional<double> parsed = v ? parseDpi(*v) : std::nullopt;
            if (!parsed)
                return usageError(io, "export", "--dpi takes a resolution above 0 and up to 7200");
            dpi = *parsed;
        } else {
            return usageError(io, "export", "unknown option --" + option->name);
        }
    }
    if (files.size() != 2)
        return usageError(io, "export", "needs an input document and an output file");
    const std::string& in = files[0];
    const std::string& out = files[1];
    if (!format) {
        const std::string ext = extensionOf(out);
        if (!exportFormatIndex(ext))
            return usageError(io, "export",
                              "cannot tell the format from \"" + out +
                                  "\"; name it .pdf, .png, .tif, .jpg or .gif or use --format");
        format = ext;
    }

    std::unique_ptr<DrawDocument> document = loadDocument(in, io);
    if (!document)
        return kExitUnreadable;
    const ExportResult result =
        dataForType(*document, *format, document->shapesToExport(),
                    boundary.value_or(document->exportBoundary()),
                    transparent.value_or(document->exportTransparentBackground()), dpi);
    if (!result)
        return fail(io, kExitOutputFailed, in,
                    result.errorDescription + " (" + result.errorDomain + " error " +
                        std::to_string(result.errorCode) + ")");
    if (std::optional<std::string> error =
            writeFileAtomically(out, result.data->data(), result.data->size()))
        return fail(io, kExitOutputFailed, out, *error);
    return kExitSuccess;
}

const CommandRegistration registration({
    "export",
    "[--area page|drawing] [--transparent|--opaque] [--format pdf|png|tif|jpg|gif] "
    "[--dpi N] IN.qvdraw OUT",
    "Exports the page (default) or the drawing's extent with a 5% margin, without the page "
    "colour (default) or over it. The format follows OUT's extension unless given; pictures "
    "have one pixel per point at the default 72 dpi. JPEG has no transparency: transparent "
    "areas come out white.",
    runExport,
    10,
});

} // namespace

} // namespace qv::cli
