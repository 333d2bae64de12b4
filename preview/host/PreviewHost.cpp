#include "preview/host/PreviewHost.h"

#include "preview/QuickLookHost.h"

#include <QFileInfo>
#include <QPainter>
#include <QString>
#include <QUrl>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <map>
#include <mutex>

#define QV_HOST_EXPORT extern "C" __attribute__((visibility("default")))

namespace qv {

namespace {

using UUIDKey = std::array<std::uint8_t, 16>;

UUIDKey keyOf(QLUUIDBytes bytes) {
    UUIDKey key;
    std::memcpy(key.data(), bytes.byte, key.size());
    return key;
}

struct InstanceRegistry {
    std::mutex mutex;
    std::map<UUIDKey, PreviewHostInstanceCounts> counts;
};

InstanceRegistry& registry() {
    static InstanceRegistry r;
    return r;
}

// "5E2D9680-5022-40FA-B806-43349622E5B9" as bytes.
std::optional<QLUUIDBytes> parseUUID(const char* text) {
    if (!text)
        return std::nullopt;
    QLUUIDBytes bytes{};
    int n = 0;
    int high = -1;
    for (const char* p = text; *p; ++p) {
        if (*p == '-')
            continue;
        int v;
        if (*p >= '0' && *p <= '9')
            v = *p - '0';
        else if (*p >= 'a' && *p <= 'f')
            v = *p - 'a' + 10;
        else if (*p >= 'A' && *p <= 'F')
            v = *p - 'A' + 10;
        else
            return std::nullopt;
        if (high < 0) {
            high = v;
            continue;
        }
        if (n == 16)
            return std::nullopt;
        bytes.byte[n++] = std::uint8_t(high << 4 | v);
        high = -1;
    }
    if (n != 16 || high >= 0)
        return std::nullopt;
    return bytes;
}

// The host's drawing surface for one thumbnail: a picture of the asked size
// scaled to fit the request's box.
struct HostContext {
    QLGraphicsContext context{};
    QLThumbnailRequest* request = nullptr;
    QImage image;
    QPainter painter;
};

void releaseContext(QLGraphicsContextRef context) {
    if (!context)
        return;
    auto* host = static_cast<HostContext*>(context->hostData);
    if (host->painter.isActive())
        host->painter.end();
    if (host->request)
        host->request->contextsReleased++;
    delete host;
}

bool usable(double v) {
    return std::isfinite(v) && v > 0;
}

} // namespace

std::unique_ptr<PreviewPlugIn> PreviewPlugIn::load(const std::string& path, std::string* error) {
    auto fail = [&](const std::string& reason) -> std::unique_ptr<PreviewPlugIn> {
        if (error)
            *error = reason;
        return nullptr;
    };
    // Kept loaded for good (see the class comment); bound at once so a host
    // call the program does not provide shows up here, not mid-request.
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!handle) {
        const char* reason = ::dlerror();
        return fail(reason ? reason : "the plug-in cannot be loaded");
    }
    auto plugIn = std::unique_ptr<PreviewPlugIn>(new PreviewPlugIn);
    plugIn->m_Path = path;
    plugIn->m_Handle = handle;
    plugIn->m_Info =
        static_cast<const QLPlugInInfo*>(::dlsym(handle, "QuickLookGeneratorPlugInInfo"));
    if (!plugIn->m_Info || !plugIn->m_Info->factoryFunctionName)
        return fail(path + " has no plug-in description");
    plugIn->m_Factory = reinterpret_cast<QLPlugInFactoryFunction>(
        ::dlsym(handle, plugIn->m_Info->factoryFunctionName));
    if (!plugIn->m_Factory)
        return fail(path + " has no factory " + plugIn->m_Info->factoryFunctionName);
    return plugIn;
}

std::vector<std::string> PreviewPlugIn::candidatePaths() {
    std::vector<std::string> paths;
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec && !exe.empty()) {
        const std::filesystem::path dir = exe.parent_path();
        paths.push_back((dir / kFileName).string());
#ifdef QV_PREVIEW_PLUGIN_FROM_BINDIR
        paths.push_back((dir / QV_PREVIEW_PLUGIN_FROM_BINDIR).lexically_normal().string());
#endif
    }
#ifdef QV_PREVIEW_PLUGIN_BUILD_PATH
    paths.push_back(QV_PREVIEW_PLUGIN_BUILD_PATH);
#endif
    return paths;
}

std::unique_ptr<PreviewPlugIn> PreviewPlugIn::loadInstalled(std::string* error) {
    std::string reasons;
    for (const std::string& path : candidatePaths()) {
        if (!std::filesystem::exists(path))
            continue;
        std::string reason;
        if (auto plugIn = load(path, &reason))
            return plugIn;
        reasons += (reasons.empty() ? "" : "; ") + reason;
    }
    if (error)
        *error = reasons.empty()
                     ? std::string("the preview plug-in ") + kFileName + " was not found"
                     : reasons;
    return nullptr;
}

std::optional<QLUUIDBytes> PreviewPlugIn::factoryUUID() const {
    return parseUUID(m_Info->factoryUUID);
}

void* PreviewPlugIn::symbol(const char* name) const {
    return ::dlsym(m_Handle, name);
}

void* PreviewPlugIn::createInstance(QLUUIDBytes type) const {
    QLUUIDRef typeID = QLUUIDCreateWithBytes(type);
    if (!typeID)
        return nullptr;
    void* instance = m_Factory(nullptr, typeID);
    QLUUIDRelease(typeID);
    return instance;
}

std::unique_ptr<PreviewGenerator> PreviewGenerator::create(const PreviewPlugIn& plugIn,
                                                           std::string* error) {
    auto fail = [&](const std::string& reason) -> std::unique_ptr<PreviewGenerator> {
        if (error)
            *error = reason;
        return nullptr;
    };
    const std::optional<QLUUIDBytes> type = parseUUID(plugIn.info().typeUUID);
    if (!type || !QLUUIDBytesEqual(*type, QLUUIDBytes(kQLGeneratorTypeIDBytes)))
        return fail(plugIn.path() + " is not a preview generator");
    auto instance = static_cast<QLGeneratorInstanceRef>(plugIn.createInstance(*type));
    if (!instance)
        return fail(plugIn.path() + ": the factory made no generator");
    void* callbacks = nullptr;
    const QLStatus status = (*instance)->QueryInterface(
        instance, QLUUIDBytes(kQLGeneratorCallbacksInterfaceIDBytes), &callbacks);
    // The factory's reference is ours to give back; the interface holds its own.
    (*instance)->Release(instance);
    if (status != kQLStatusOK || !callbacks)
        return fail(plugIn.path() + ": the generator has no callbacks interface");
    return std::unique_ptr<PreviewGenerator>(
        new PreviewGenerator(static_cast<QLGeneratorInstanceRef>(callbacks)));
}

PreviewGenerator::~PreviewGenerator() {
    (*m_Interface)->Release(m_Interface);
}

QLStatus PreviewGenerator::generatePreview(const std::string& fileURL, QLPreviewRequest& request,
                                           const char* contentType) {
    return (*m_Interface)
        ->GeneratePreviewForURL(m_Interface, &request, fileURL.c_str(), contentType, nullptr);
}

QLStatus PreviewGenerator::generateThumbnail(const std::string& fileURL,
                                             QLThumbnailRequest& request, const char* contentType) {
    return (*m_Interface)
        ->GenerateThumbnailForURL(m_Interface, &request, fileURL.c_str(), contentType, nullptr,
                                  request.maxSize);
}

std::string fileURLForPath(const std::string& path) {
    const QString absolute = QFileInfo(QString::fromStdString(path)).absoluteFilePath();
    return QUrl::fromLocalFile(absolute).toEncoded(QUrl::FullyEncoded).toStdString();
}

PreviewHostInstanceCounts previewHostInstanceCounts(QLUUIDBytes factory) {
    InstanceRegistry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    const auto it = r.counts.find(keyOf(factory));
    return it == r.counts.end() ? PreviewHostInstanceCounts{} : it->second;
}

} // namespace qv

// ---------------------------------------------------------------------------
// The calls the plug-in makes.

QV_HOST_EXPORT void QLPreviewRequestSetDataRepresentation(QLPreviewRequestRef preview,
                                                          const void* data, size_t length,
                                                          const char* contentTypeUTI,
                                                          const void* /*properties*/) {
    if (!preview)
        return;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    preview->data = bytes ? qv::ByteBuffer(bytes, bytes + length) : qv::ByteBuffer();
    preview->contentType = contentTypeUTI ? contentTypeUTI : "";
    preview->representations++;
}

QV_HOST_EXPORT QLGraphicsContextRef QLThumbnailRequestCreateContext(QLThumbnailRequestRef thumbnail,
                                                                    QLSize size, bool isBitmap,
                                                                    const void* /*properties*/) {
    if (!thumbnail)
        return nullptr;
    thumbnail->requestedSize = size;
    thumbnail->requestedBitmap = isBitmap;
    if (!thumbnail->provideContext || !qv::usable(size.width) || !qv::usable(size.height) ||
        !qv::usable(thumbnail->maxSize.width) || !qv::usable(thumbnail->maxSize.height))
        return nullptr;
    // The whole asked size, shrunk or grown to fit the box, in whole pixels.
    const double scale =
        std::min(thumbnail->maxSize.width / size.width, thumbnail->maxSize.height / size.height);
    const double w = std::clamp(std::round(size.width * scale), 1.0, thumbnail->maxSize.width);
    const double h = std::clamp(std::round(size.height * scale), 1.0, thumbnail->maxSize.height);
    if (w * h > double(1 << 26))
        return nullptr;
    auto host = std::make_unique<qv::HostContext>();
    host->request = thumbnail;
    host->image = QImage(int(w), int(h), QImage::Format_ARGB32_Premultiplied);
    if (host->image.isNull())
        return nullptr;
    host->image.fill(Qt::transparent);
    if (!host->painter.begin(&host->image))
        return nullptr;
    QLGraphicsContext& c = host->context;
    c.size = size;
    c.painter = &host->painter;
    // Points upwards from the bottom-left corner, as the plug-in expects.
    const double sx = w / size.width, sy = h / size.height;
    const double t[6] = {sx, 0, 0, -sy, 0, h};
    std::copy(t, t + 6, c.transform);
    c.release = qv::releaseContext;
    c.hostData = host.get();
    thumbnail->contextsCreated++;
    return &host.release()->context;
}

QV_HOST_EXPORT void QLThumbnailRequestFlushContext(QLThumbnailRequestRef thumbnail,
                                                   QLGraphicsContextRef context) {
    if (!thumbnail || !context)
        return;
    auto* host = static_cast<qv::HostContext*>(context->hostData);
    if (host->painter.isActive())
        host->painter.end();
    thumbnail->image = host->image;
    thumbnail->flushes++;
}

QV_HOST_EXPORT void CFPlugInAddInstanceForFactory(QLUUIDRef factoryID) {
    if (!factoryID)
        return;
    qv::InstanceRegistry& r = qv::registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    qv::PreviewHostInstanceCounts& counts = r.counts[qv::keyOf(factoryID->bytes)];
    counts.added++;
    counts.live++;
}

QV_HOST_EXPORT void CFPlugInRemoveInstanceForFactory(QLUUIDRef factoryID) {
    if (!factoryID)
        return;
    qv::InstanceRegistry& r = qv::registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    qv::PreviewHostInstanceCounts& counts = r.counts[qv::keyOf(factoryID->bytes)];
    counts.removed++;
    counts.live--;
}
