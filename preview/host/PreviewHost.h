#pragma once
// The host side of the preview plug-in: loading it, asking its factory for a
// generator, and the requests the generator answers. A program that links
// this also defines the plug-in's host calls (QuickLookHost.h) and exports
// them, so the plug-in binds to them when it is loaded.
//
// The plug-in serves one request at a time; so does this host.

#include "preview/QuickLookTypes.h"

#include "framework/foundation/ByteBuffer.h"

#include <QImage>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The requests the plug-in is handed. It only passes them back to the host
// calls, which fill them in.
struct QLPreviewRequest {
    std::optional<qv::ByteBuffer> data;
    std::string contentType;
    int representations = 0; // how often data was handed over
};

struct QLThumbnailRequest {
    // The box the thumbnail is fitted into, in pixels.
    QLSize maxSize{0, 0};
    // False: the host has no context to give (the plug-in then draws nothing).
    bool provideContext = true;

    // What the plug-in asked for.
    std::optional<QLSize> requestedSize;
    bool requestedBitmap = false;
    int contextsCreated = 0;
    int contextsReleased = 0;
    int flushes = 0;
    // The thumbnail: the asked size scaled to fit maxSize, set by the flush.
    QImage image;
};

namespace qv {

// One loaded copy of the plug-in. It is never unloaded: the Qt code inside
// it may leave process-wide state behind that outlives any instance.
class PreviewPlugIn {
public:
    static constexpr const char* kFileName = "drawpreview.so";

    // Null with `error` set when the file does not load or lacks its entries.
    static std::unique_ptr<PreviewPlugIn> load(const std::string& path, std::string* error);
    // The first of candidatePaths() that loads.
    static std::unique_ptr<PreviewPlugIn> loadInstalled(std::string* error);
    // Beside the running program, then where an installed program finds its
    // libraries, then the build tree this host was built in.
    static std::vector<std::string> candidatePaths();

    const std::string& path() const { return m_Path; }
    const QLPlugInInfo& info() const { return *m_Info; }
    // The factory identifier the description names.
    std::optional<QLUUIDBytes> factoryUUID() const;
    // An exported entry of the plug-in by name, or null.
    void* symbol(const char* name) const;

    // What the factory answers for `type`: an instance holding one reference,
    // or null.
    void* createInstance(QLUUIDBytes type) const;

private:
    PreviewPlugIn() = default;
    std::string m_Path;
    void* m_Handle = nullptr;
    const QLPlugInInfo* m_Info = nullptr;
    QLPlugInFactoryFunction m_Factory = nullptr;
};

// The generator callbacks of one instance. Holds one reference, given back
// when it goes.
class PreviewGenerator {
public:
    // Null with `error` set when the factory or the interface query fails.
    static std::unique_ptr<PreviewGenerator> create(const PreviewPlugIn& plugIn,
                                                    std::string* error);
    ~PreviewGenerator();
    PreviewGenerator(const PreviewGenerator&) = delete;
    PreviewGenerator& operator=(const PreviewGenerator&) = delete;

    QLStatus generatePreview(const std::string& fileURL, QLPreviewRequest& request,
                             const char* contentType = "application/x-qvdraw");
    QLStatus generateThumbnail(const std::string& fileURL, QLThumbnailRequest& request,
                               const char* contentType = "application/x-qvdraw");

private:
    explicit PreviewGenerator(QLGeneratorInterfaceStruct** interface) : m_Interface(interface) {}
    QLGeneratorInterfaceStruct** m_Interface;
};

// The file URL of a local path, made absolute ("file:///home/a/Plan.qvdraw").
std::string fileURLForPath(const std::string& path);

// The host's record of live plug-in instances, by factory identifier.
struct PreviewHostInstanceCounts {
    int added = 0;   // CFPlugInAddInstanceForFactory calls
    int removed = 0; // CFPlugInRemoveInstanceForFactory calls
    int live = 0;    // added less removed, for this factory
};
PreviewHostInstanceCounts previewHostInstanceCounts(QLUUIDBytes factory);

} // namespace qv
