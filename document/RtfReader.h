#pragma once
// Reads RTF into RichText: the font and colour tables, paragraph alignment,
// font, size, bold, italic, underline and colour of characters, tabs, line
// breaks, \'hh in the Windows-1252 code page and \uN with its fallback.
// Everything else (pictures, style sheets, document information, field
// instructions, unknown destinations) is skipped.

#include "document/RichText.h"

#include <optional>
#include <string_view>

namespace qv {

// Groups nested deeper than this are skipped with everything inside them.
constexpr int kMaxRtfGroupDepth = 512;

// nullopt when bytes do not start with "{\rtf"; otherwise the text that could
// be read, also from truncated or unbalanced input.
std::optional<RichText> richTextFromRTF(std::string_view bytes);

} // namespace qv
