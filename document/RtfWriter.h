#pragma once
// Writes RichText as RTF that word processors read: Windows-1252 with \'hh
// for its non-ASCII characters and \uN? for every other character, a font
// and a colour table, \fs in half-points, alignment, \b \i \ul, and \par
// between paragraphs.

#include "document/RichText.h"

#include <string>

namespace qv {

std::string rtfFromRichText(const RichText& text);

} // namespace qv
