// The plug-in's C entry points: the factory, the instance's reference
// counting and interface query, and the two generators. Only these (and the
// description record) are exported; the drawing code linked into the
// plug-in stays private to it, so a host that carries its own copy of the
// same code never mixes the two.

#include "preview/DrawLook.h"
#include "preview/QuickLookHost.h"
#include "preview/QuickLookTypes.h"

#include "framework/foundation/Image.h"
#include "platform/qt/QtGraphicsContext.h"
#include "platform/qt/QtImageCodec.h"

#include <QPainter>

#include <cstdlib>
#include <mutex>
#include <new>

#define QV_EXPORT extern "C" __attribute__((visibility("default")))

// One instance the factory made; the host sees only its first field.
struct QuickLookGeneratorPluginType {
    QLGeneratorInterfaceStruct* conduitInterface;
    QLUUIDRef factoryID;
    std::uint32_t refCount;
};

namespace {

// The factory this plug-in registers its instances under.
constexpr QLUUIDBytes kFactoryUUIDBytes = QL_UUID_BYTES(
    0xDF, 0x58, 0x29, 0x9C, 0xCA, 0x95, 0x4D, 0xE8, 0xAD, 0x30, 0x1B, 0xAC, 0xC5, 0x15, 0x72, 0xCB);
constexpr QLUUIDBytes kGeneratorTypeID = kQLGeneratorTypeIDBytes;
constexpr QLUUIDBytes kGeneratorCallbacksInterfaceID = kQLGeneratorCallbacksInterfaceIDBytes;

// The picture store and the arrow catalogue are process-wide and not
// thread-safe, and a host may call from any thread: one request at a time.
std::mutex& requestMutex() {
    static std::mutex mutex;
    return mutex;
}

// Pictures in packages decode through Qt; the plug-in has its own copy of
// the codec registry, so it registers its own codec.
void ensureImageCodec() {
    static qv::QtImageCodec codec;
    if (!qv::ImageCodec::shared())
        qv::ImageCodec::setShared(&codec);
}

const char* const kContentTypes[] = {"application/x-qvdraw", nullptr};

} // namespace

extern "C" {
QLStatus QuickLookGeneratorQueryInterface(void* thisInstance, QLUUIDBytes iid, void** ppv);
std::uint32_t QuickLookGeneratorPluginAddRef(void* thisInstance);
std::uint32_t QuickLookGeneratorPluginRelease(void* thisInstance);
QLStatus GenerateThumbnailForURL(void* thisInterface, QLThumbnailRequestRef thumbnail,
                                 const char* url, const char* contentTypeUTI, const void* options,
                                 QLSize maxSize);
void CancelThumbnailGeneration(void* thisInterface, QLThumbnailRequestRef thumbnail);
QLStatus GeneratePreviewForURL(void* thisInterface, QLPreviewRequestRef preview, const char* url,
                               const char* contentTypeUTI, const void* options);
void CancelPreviewGeneration(void* thisInterface, QLPreviewRequestRef preview);
}

namespace {

// The first four slots; QueryInterface fills in the generators.
const QLGeneratorInterfaceStruct kTemplate = {
    nullptr,
    QuickLookGeneratorQueryInterface,
    QuickLookGeneratorPluginAddRef,
    QuickLookGeneratorPluginRelease,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

} // namespace

QV_EXPORT const QLPlugInInfo QuickLookGeneratorPlugInInfo = {
    "DF58299C-CA95-4DE8-AD30-1BACC51572CB",
    "QuickLookGeneratorPluginFactory",
    "5E2D9680-5022-40FA-B806-43349622E5B9",
    kContentTypes,
};

QV_EXPORT void DeallocQuickLookGeneratorPluginType(QuickLookGeneratorPluginType* thisInstance);

QV_EXPORT QuickLookGeneratorPluginType* AllocQuickLookGeneratorPluginType(QLUUIDRef inFactoryID) {
    auto* instance = static_cast<QuickLookGeneratorPluginType*>(
        std::malloc(sizeof(QuickLookGeneratorPluginType)));
    if (!instance)
        return nullptr;
    auto* table =
        static_cast<QLGeneratorInterfaceStruct*>(std::malloc(sizeof(QLGeneratorInterfaceStruct)));
    if (!table) {
        std::free(instance);
        return nullptr;
    }
    *table = kTemplate;
    instance->conduitInterface = table;
    instance->factoryID = QLUUIDRetain(inFactoryID);
    if (inFactoryID)
        CFPlugInAddInstanceForFactory(inFactoryID);
    instance->refCount = 1;
    return instance;
}

QV_EXPORT void DeallocQuickLookGeneratorPluginType(QuickLookGeneratorPluginType* thisInstance) {
    if (!thisInstance)
        return;
    QLUUIDRef factoryID = thisInstance->factoryID;
    std::free(thisInstance->conduitInterface);
    std::free(thisInstance);
    if (factoryID) {
        CFPlugInRemoveInstanceForFactory(factoryID);
        QLUUIDRelease(factoryID);
    }
}

QV_EXPORT QLStatus QuickLookGeneratorQueryInterface(void* thisInstance, QLUUIDBytes iid,
                                                    void** ppv) {
    if (!ppv)
        return kQLStatusNoInterface;
    auto* instance = static_cast<QuickLookGeneratorPluginType*>(thisInstance);
    if (instance && QLUUIDBytesEqual(iid, kGeneratorCallbacksInterfaceID)) {
        instance->conduitInterface->GenerateThumbnailForURL = GenerateThumbnailForURL;
        instance->conduitInterface->CancelThumbnailGeneration = CancelThumbnailGeneration;
        instance->conduitInterface->GeneratePreviewForURL = GeneratePreviewForURL;
        instance->conduitInterface->CancelPreviewGeneration = CancelPreviewGeneration;
        instance->conduitInterface->AddRef(instance);
        *ppv = instance;
        return kQLStatusOK;
    }
    *ppv = nullptr;
    return kQLStatusNoInterface;
}

QV_EXPORT std::uint32_t QuickLookGeneratorPluginAddRef(void* thisInstance) {
    auto* instance = static_cast<QuickLookGeneratorPluginType*>(thisInstance);
    return __atomic_add_fetch(&instance->refCount, 1, __ATOMIC_RELAXED);
}

QV_EXPORT std::uint32_t QuickLookGeneratorPluginRelease(void* thisInstance) {
    auto* instance = static_cast<QuickLookGeneratorPluginType*>(thisInstance);
    const std::uint32_t count = __atomic_sub_fetch(&instance->refCount, 1, __ATOMIC_ACQ_REL);
    if (count == 0)
        DeallocQuickLookGeneratorPluginType(instance);
    return count;
}

QV_EXPORT void* QuickLookGeneratorPluginFactory(void* /*allocator*/, QLUUIDRef typeID) {
    if (!typeID || !QLUUIDBytesEqual(typeID->bytes, kGeneratorTypeID))
        return nullptr;
    QLUUIDRef factoryID = QLUUIDCreateWithBytes(kFactoryUUIDBytes);
    if (!factoryID)
        return nullptr;
    // The instance keeps its own reference to the identifier.
    QuickLookGeneratorPluginType* instance = AllocQuickLookGeneratorPluginType(factoryID);
    QLUUIDRelease(factoryID);
    return instance;
}

QV_EXPORT QLStatus GeneratePreviewForURL(void* /*thisInterface*/, QLPreviewRequestRef preview,
                                         const char* url, const char* /*contentTypeUTI*/,
                                         const void* /*options*/) {
    std::lock_guard<std::mutex> lock(requestMutex());
    ensureImageCodec();
    std::optional<qv::ByteBuffer> pdf;
    {
        qv::DrawLook look(url ? url : "");
        pdf = look.data();
    }
    if (pdf)
        QLPreviewRequestSetDataRepresentation(preview, pdf->data(), pdf->size(), kQLTypePDF,
                                              nullptr);
    return kQLStatusOK;
}

QV_EXPORT QLStatus GenerateThumbnailForURL(void* /*thisInterface*/, QLThumbnailRequestRef thumbnail,
                                           const char* url, const char* /*contentTypeUTI*/,
                                           const void* /*options*/, QLSize /*maxSize*/) {
    std::lock_guard<std::mutex> lock(requestMutex());
    ensureImageCodec();
    qv::DrawLook look(url ? url : "");
    // A context of the page's own size: the host scales it to what it needs.
    const qv::Rect bounds = look.bounds();
    QLGraphicsContextRef context = QLThumbnailRequestCreateContext(
        thumbnail, QLSize{bounds.width(), bounds.height()}, false, nullptr);
    if (!context)
        return kQLStatusOK;
    if (context->painter) {
        auto& painter = *static_cast<QPainter*>(context->painter);
        // The host's points grow upwards from the bottom-left corner; turn
        // them over so the drawing's y-down coordinates land right side up.
        const double* t = context->transform;
        qv::AffineTransform toDevice =
            qv::AffineTransform::scaling(1, -1)
                .appendTranslation(0, context->size.height)
                .append(qv::AffineTransform(t[0], t[1], t[2], t[3], t[4], t[5]));
        {
            qv::QtGraphicsContext gc(painter, toDevice, false);
            look.drawInContext(gc);
            gc.finish();
        }
    }
    QLThumbnailRequestFlushContext(thumbnail, context);
    if (context->release)
        context->release(context);
    return kQLStatusOK;
}

QV_EXPORT void CancelPreviewGeneration(void* /*thisInterface*/, QLPreviewRequestRef /*preview*/) {}

QV_EXPORT void CancelThumbnailGeneration(void* /*thisInterface*/,
                                         QLThumbnailRequestRef /*thumbnail*/) {}
