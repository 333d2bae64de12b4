#pragma once
// Base64 with the standard alphabet and "=" padding, as byte blobs are carried
// in the character data of saved elements.

#include "framework/foundation/ByteBuffer.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace qv {

// With lineLength > 0 a line feed follows every line of lineLength characters
// (lengths are counted in groups of four), including a last line that is
// exactly full; a shorter last line has none. Empty input gives "".
std::string base64Encoding(const ByteBuffer& data, std::size_t lineLength = 0);

// Lenient decoding: bytes outside the alphabet (line feeds, spaces) are
// skipped, "=" ends the data, and an unfinished last group without "=" is
// dropped. Text holding any non-ASCII byte decodes to nothing.
ByteBuffer dataWithBase64EncodedString(std::string_view text);

} // namespace qv
