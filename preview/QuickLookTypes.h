#ifndef QV_PREVIEW_QUICKLOOKTYPES_H
#define QV_PREVIEW_QUICKLOOKTYPES_H
/* The C types shared by the preview plug-in and the program that loads it:
 * identifiers, the generator's function table, the opaque request types the
 * host defines, the drawing context the host hands out for thumbnails, and
 * status codes. Plain C so that any host can use them; the layouts are the
 * plug-in's ABI and only ever grow at the end. */

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Status codes ------------------------------------------------------ */

typedef int32_t QLStatus;
#define kQLStatusOK ((QLStatus)0)
/* The instance does not implement the interface asked for. */
#define kQLStatusNoInterface ((QLStatus)0x80000004)

/* ---- Identifiers ------------------------------------------------------- */

/* Sixteen bytes in the order they are written, 5E2D9680-... is 0x5E first. */
typedef struct QLUUIDBytes {
    uint8_t byte[16];
} QLUUIDBytes;

/* A counted identifier. A count below zero marks a constant that is never
 * freed (the well-known type and interface identifiers). */
typedef struct QLUUID {
    QLUUIDBytes bytes;
    int32_t refCount;
} QLUUID;
typedef QLUUID* QLUUIDRef;

#define QL_UUID_BYTES(b0, b1, b2, b3, b4, b5, b6, b7, b8, b9, b10, b11, b12, b13, b14, b15)        \
    {                                                                                              \
        { b0, b1, b2, b3, b4, b5, b6, b7, b8, b9, b10, b11, b12, b13, b14, b15 }                   \
    }

/* The generator plug-in type: 5E2D9680-5022-40FA-B806-43349622E5B9. */
#define kQLGeneratorTypeIDBytes                                                                    \
    QL_UUID_BYTES(0x5E, 0x2D, 0x96, 0x80, 0x50, 0x22, 0x40, 0xFA, 0xB8, 0x06, 0x43, 0x34, 0x96,    \
                  0x22, 0xE5, 0xB9)
/* The generator callbacks interface: 865AF5E0-6D30-4345-951B-D37105754F2D. */
#define kQLGeneratorCallbacksInterfaceIDBytes                                                      \
    QL_UUID_BYTES(0x86, 0x5A, 0xF5, 0xE0, 0x6D, 0x30, 0x43, 0x45, 0x95, 0x1B, 0xD3, 0x71, 0x05,    \
                  0x75, 0x4F, 0x2D)

/* Identifiers are small enough to live in the header: plug-in and host
 * each carry a copy, and a count made by one is freed correctly by the
 * other because both use the same C allocator. */
static inline QLUUIDRef QLUUIDCreateWithBytes(QLUUIDBytes bytes) {
    QLUUIDRef uuid = (QLUUIDRef)malloc(sizeof(QLUUID));
    if (uuid) {
        uuid->bytes = bytes;
        uuid->refCount = 1;
    }
    return uuid;
}
static inline QLUUIDRef QLUUIDRetain(QLUUIDRef uuid) {
    if (uuid && __atomic_load_n(&uuid->refCount, __ATOMIC_RELAXED) >= 0)
        __atomic_fetch_add(&uuid->refCount, 1, __ATOMIC_RELAXED);
    return uuid;
}
static inline void QLUUIDRelease(QLUUIDRef uuid) {
    if (!uuid || __atomic_load_n(&uuid->refCount, __ATOMIC_RELAXED) < 0)
        return;
    if (__atomic_sub_fetch(&uuid->refCount, 1, __ATOMIC_ACQ_REL) == 0)
        free(uuid);
}
static inline int QLUUIDBytesEqual(QLUUIDBytes a, QLUUIDBytes b) {
    return memcmp(a.byte, b.byte, sizeof a.byte) == 0;
}

/* ---- Requests ---------------------------------------------------------- */

/* Defined by the host; the plug-in only passes them back. */
typedef struct QLPreviewRequest* QLPreviewRequestRef;
typedef struct QLThumbnailRequest* QLThumbnailRequestRef;

typedef struct QLSize {
    double width;
    double height;
} QLSize;

/* A drawing surface the host lends for a thumbnail. `painter` is a QPainter
 * active on the host's picture; `transform` (a, b, c, d, tx, ty) maps points
 * of the requested size, origin at the bottom-left corner and y growing
 * upwards, to the painter's logical coordinates. The plug-in flips it to
 * draw y-down and gives it back with `release` once flushed. */
typedef struct QLGraphicsContext* QLGraphicsContextRef;
struct QLGraphicsContext {
    QLSize size;
    void* painter;
    double transform[6];
    void (*release)(QLGraphicsContextRef context);
    void* hostData;
};

/* The content type of the preview's data. */
#define kQLTypePDF "com.adobe.pdf"

/* ---- The generator interface ------------------------------------------- */

/* `url` is a file URL in UTF-8 ("file:///home/a/Plan.qvdraw", percent
 * escapes as URLs have them); `contentTypeUTI` names the file's type;
 * `options` is reserved and null. */
typedef struct QLGeneratorInterfaceStruct {
    void* _reserved;
    QLStatus (*QueryInterface)(void* thisInstance, QLUUIDBytes iid, void** ppv);
    uint32_t (*AddRef)(void* thisInstance);
    uint32_t (*Release)(void* thisInstance);
    QLStatus (*GenerateThumbnailForURL)(void* thisInterface, QLThumbnailRequestRef thumbnail,
                                        const char* url, const char* contentTypeUTI,
                                        const void* options, QLSize maxSize);
    void (*CancelThumbnailGeneration)(void* thisInterface, QLThumbnailRequestRef thumbnail);
    QLStatus (*GeneratePreviewForURL)(void* thisInterface, QLPreviewRequestRef preview,
                                      const char* url, const char* contentTypeUTI,
                                      const void* options);
    void (*CancelPreviewGeneration)(void* thisInterface, QLPreviewRequestRef preview);
} QLGeneratorInterfaceStruct;

/* What an instance pointer points at: its table comes first, so a host
 * calls (*(QLGeneratorInterfaceStruct**)instance)->Release(instance). */
typedef QLGeneratorInterfaceStruct** QLGeneratorInstanceRef;

/* The factory the host looks up by name: an instance for `typeID`, or null. */
typedef void* (*QLPlugInFactoryFunction)(void* allocator, QLUUIDRef typeID);

/* What the plug-in's bundle description would say: the factory's
 * identifier and function name, the plug-in type it makes, and the content
 * types it handles (null-terminated). Exported as QuickLookGeneratorPlugInInfo. */
typedef struct QLPlugInInfo {
    const char* factoryUUID;
    const char* factoryFunctionName;
    const char* typeUUID;
    const char* const* contentTypes;
} QLPlugInInfo;

#ifdef __cplusplus
}
#endif

#endif
