#include "document/ExportOptions.h"

namespace qv {

std::vector<std::string> exportFormats() {
    std::vector<std::string> result;
    for (const ExportFormat& f : kExportFormats)
        result.emplace_back(f.extension);
    return result;
}

std::vector<std::string> exportFormatDescriptions() {
    std::vector<std::string> result;
    for (const ExportFormat& f : kExportFormats)
        result.emplace_back(f.description);
    return result;
}

std::optional<unsigned> exportFormatIndex(std::string_view extension) {
    for (unsigned i = 0; i < kExportFormats.size(); ++i)
        if (extension == kExportFormats[i].extension)
            return i;
    return std::nullopt;
}

bool canExportTransparentBackground(unsigned formatIndex) {
    return formatIndex >= kExportFormats.size() ||
           kExportFormats[formatIndex].transparentBackgroundPossible;
}

} // namespace qv
