#pragma once
// Writing a whole file so that a reader sees either the old file or the
// complete new one: the bytes go into a temporary file beside the target,
// which then replaces it. A failure leaves an existing file as it was.

#include <cstddef>
#include <optional>
#include <string>

namespace qv {

// The reason, in words, when the file could not be written.
std::optional<std::string> writeFileAtomically(const std::string& path, const void* data,
                                               std::size_t size);

} // namespace qv
