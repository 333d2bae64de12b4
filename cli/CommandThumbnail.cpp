// qvdraw thumbnail: the freedesktop thumbnailer. The page, fitted into a
// square box, drawn by the preview plug-in's thumbnail path and written as
// PNG with the original's URI and modification time.

#include "cli/Command.h"

#include "document/DrawDocument.h"
#include "platform/qt/PngEncoder.h"
#include "preview/host/PreviewHost.h"

#include <QByteArray>
#include <QImage>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <future>
#include <sys/stat.h>
#include <utility>

namespace qv::cli {

namespace {

constexpr int kDefaultSize = 256;
// Past the largest size thumbnail caches keep, with room to spare.
constexpr int kMaximumSize = 4096;

// The picture as PNG with the text chunks right after its header,
// uncompressed tEXt that every reader of thumbnail caches finds.
std::optional<QByteArray> pngWithText(const QImage& image,
                                      const std::vector<std::pair<QByteArray, QByteArray>>& text) {
    std::vector<PngText> chunks;
    for (const auto& [key, value] : text)
        chunks.emplace_back(key.toStdString(), value.toStdString());
    constexpr double kMetersPerInch = 0.0254;
    return encodePng(image, image.dotsPerMeterX() * kMetersPerInch, chunks);
}

// Whether the package reads as the plug-in will read it. Only parsed: the
// shapes are thrown away without being installed, which is the costly half
// of loading a large drawing.
std::optional<std::string> unreadableReason(const std::string& path) {
    const DocumentResult result = DrawDocument().readFromPackage(path);
    if (result)
        return std::nullopt;
    return result.error.empty() ? std::string("the document cannot be read") : result.error;
}

std::optional<int> parseSize(const std::string& text) {
    int v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || v < 1 || v > kMaximumSize)
        return std::nullopt;
    return v;
}

int runThumbnail(const std::vector<std::string>& args, CommandIO& io) {
    int size = kDefaultSize;
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::optional<std::string> value;
        if (arg == "-s" || arg == "--size") {
            if (i + 1 < args.size())
                value = args[++i];
        } else if (arg.rfind("--size=", 0) == 0) {
            value = arg.substr(7);
        } else {
            return usageError(io, "thumbnail", "unknown option " + arg);
        }
        const std::optional<int> parsed = value ? parseSize(*value) : std::nullopt;
        if (!parsed)
            return usageError(io, "thumbnail",
                              "-s takes a size from 1 to " + std::to_string(kMaximumSize));
        size = *parsed;
    }
    if (files.size() != 2)
        return usageError(io, "thumbnail", "needs an input document and an output picture");
    const std::string& in = files[0];
    const std::string& out = files[1];

    struct stat info {};
    if (::stat(in.c_str(), &info) != 0)
        return fail(io, kExitUnreadable, in, std::strerror(errno));
    // The plug-in draws an unreadable file as a blank page; a thumbnailer
    // must not, or the blank page would stand for the file in every cache.
    // The check shares nothing with the plug-in (which has its own copy of
    // the model), so it runs beside the drawing.
    std::string error;
    std::unique_ptr<PreviewPlugIn> plugIn;
    std::unique_ptr<PreviewGenerator> generator;
    const std::string uri = fileURLForPath(in);
    QLThumbnailRequest request;
    request.maxSize = QLSize{double(size), double(size)};
    std::optional<std::string> unreadable;
    {
        StderrMute mute;
        std::future<std::optional<std::string>> check =
            std::async(std::launch::async, unreadableReason, in);
        plugIn = PreviewPlugIn::loadInstalled(&error);
        if (plugIn)
            generator = PreviewGenerator::create(*plugIn, &error);
        if (generator)
            generator->generateThumbnail(uri, request);
        unreadable = check.get();
    }
    if (unreadable)
        return fail(io, kExitUnreadable, in, *unreadable);
    if (!generator)
        return fail(io, kExitOutputFailed, out, error);
    if (request.image.isNull())
        return fail(io, kExitOutputFailed, out, "the preview plug-in drew no thumbnail");

    // The URI is percent-encoded ASCII, as tEXt requires (Latin-1).
    const std::optional<QByteArray> png =
        pngWithText(request.image, {{"Thumb::URI", QByteArray::fromStdString(uri)},
                                    {"Thumb::MTime", QByteArray::number(qint64(info.st_mtime))}});
    if (!png)
        return fail(io, kExitOutputFailed, out, "the thumbnail cannot be encoded as PNG");
    if (const std::optional<std::string> reason =
            writeFileAtomically(out, png->constData(), std::size_t(png->size())))
        return fail(io, kExitOutputFailed, out, *reason);
    return kExitSuccess;
}

const CommandRegistration registration({
    "thumbnail",
    "[-s SIZE] IN.qvdraw OUT.png",
    "Draws the page fitted into SIZE x SIZE pixels (default 256) through the preview plug-in "
    "and writes it as PNG with the Thumb::URI and Thumb::MTime of IN, as a freedesktop "
    "thumbnailer does. A document that cannot be read gives no picture.",
    runThumbnail,
    20,
});

} // namespace

} // namespace qv::cli
