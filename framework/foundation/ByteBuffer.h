#pragma once
// Raw bytes: file contents, encoded pictures, decoded Base64.

#include <cstdint>
#include <vector>

namespace qv {

using ByteBuffer = std::vector<std::uint8_t>;

} // namespace qv
