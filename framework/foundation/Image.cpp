#include "framework/foundation/Image.h"

namespace qv {
namespace {
const ImageCodec* g_sharedCodec = nullptr;
}

const ImageCodec* ImageCodec::shared() { return g_sharedCodec; }
void ImageCodec::setShared(const ImageCodec* codec) { g_sharedCodec = codec; }

} // namespace qv
