#pragma once
// The export formats in their fixed order: the index is what the document's
// selectedExportFormat stores and what the export sheet's format menu shows.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

struct ExportFormat {
    const char* extension;
    const char* description;
    bool transparentBackgroundPossible;
};

inline constexpr std::array<ExportFormat, 5> kExportFormats{{
    {"pdf", "PDF Document", true},
    {"png", "PNG Image", true},
    {"tif", "TIFF Image", true},
    {"jpg", "JPEG Image", false},
    {"gif", "GIF Image", true},
}};

// The five extensions and descriptions, in index order.
std::vector<std::string> exportFormats();
std::vector<std::string> exportFormatDescriptions();

// The index of an extension, compared exactly (lower case); nothing for any
// other text.
std::optional<unsigned> exportFormatIndex(std::string_view extension);

// Only JPEG cannot keep the background transparent; an index outside the
// table can.
bool canExportTransparentBackground(unsigned formatIndex);

// Failing exports report this, in the application's own error domain.
inline constexpr const char* kExportErrorDescription = "Unable to generate export data";
inline constexpr int kExportErrorCode = 1042;
inline constexpr const char* kApplicationErrorDomain = "org.quorvik.draw";

} // namespace qv
