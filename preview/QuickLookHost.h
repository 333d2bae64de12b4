#ifndef QV_PREVIEW_QUICKLOOKHOST_H
#define QV_PREVIEW_QUICKLOOKHOST_H
/* The calls the plug-in makes back into the program that loaded it. The
 * plug-in leaves them undefined; the host defines them and exports them from
 * its executable (a dynamic symbol list names exactly these five), so
 * dlopen binds them when it loads the plug-in. A program that does not
 * provide them cannot load the plug-in at all: dlopen reports the missing
 * symbol instead of crashing later. */

#include "preview/QuickLookTypes.h"

#include <stdbool.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Hands over the preview: `length` bytes of `contentTypeUTI` (kQLTypePDF).
 * The host copies them. `properties` is reserved and null. */
void QLPreviewRequestSetDataRepresentation(QLPreviewRequestRef preview, const void* data,
                                           size_t length, const char* contentTypeUTI,
                                           const void* properties);

/* A context of `size` points to draw the thumbnail into, or null when the
 * host has none to give. `isBitmap` false asks for a vector-like context
 * whose resolution the host chooses. */
QLGraphicsContextRef QLThumbnailRequestCreateContext(QLThumbnailRequestRef thumbnail, QLSize size,
                                                     bool isBitmap, const void* properties);
/* The drawing in `context` is complete and becomes the thumbnail. */
void QLThumbnailRequestFlushContext(QLThumbnailRequestRef thumbnail, QLGraphicsContextRef context);

/* Every instance the factory makes is announced, and its end reported, so
 * the host knows when the plug-in is no longer in use. */
void CFPlugInAddInstanceForFactory(QLUUIDRef factoryID);
void CFPlugInRemoveInstanceForFactory(QLUUIDRef factoryID);

#ifdef __cplusplus
}
#endif

#endif
