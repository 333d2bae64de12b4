#include "document/DocumentWindowRules.h"

#include "document/DrawDocument.h"
#include "document/ExportOptions.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace qv {

namespace {

constexpr std::string_view kExtension = ".qvdraw";

bool endsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::string_view withoutTrailingSlashes(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    return path;
}

std::string_view lastComponent(std::string_view path) {
    path = withoutTrailingSlashes(path);
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

} // namespace

std::string packagePathForArgument(std::string_view path) {
    path = withoutTrailingSlashes(path);
    if (lastComponent(path) == DrawDocument::kShapesFileName) {
        const std::size_t slash = path.rfind('/');
        if (slash == std::string_view::npos)
            return ".";
        return std::string(slash == 0 ? std::string_view("/") : path.substr(0, slash));
    }
    return std::string(path);
}

std::string pathWithPackageExtension(std::string_view path) {
    path = withoutTrailingSlashes(path);
    std::string result(path);
    if (!endsWith(path, kExtension))
        result += kExtension;
    return result;
}

std::string untitledDocumentName(int number) {
    return number <= 1 ? "Untitled" : "Untitled " + std::to_string(number);
}

std::string documentDisplayName(std::string_view path) {
    return std::string(lastComponent(path));
}

std::string suggestedExportName(std::string_view windowTitle) {
    if (endsWith(windowTitle, kExtension))
        windowTitle.remove_suffix(kExtension.size());
    return std::string(windowTitle);
}

std::string exportFileName(std::string_view name, unsigned formatIndex) {
    if (name.empty() || formatIndex >= kExportFormats.size())
        return std::string(name);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string_view::npos && dot > 0 && name.find('/', dot) == std::string_view::npos) {
        std::string ext(name.substr(dot + 1));
        std::transform(ext.begin(), ext.end(), ext.begin(),
                       [](unsigned char c) { return char(std::tolower(c)); });
        if (exportFormatIndex(ext) || ext == "tiff" || ext == "jpeg")
            name = name.substr(0, dot);
    }
    return std::string(name) + "." + kExportFormats[formatIndex].extension;
}

SaveTarget classifySaveTarget(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::symlink_status(path, ec).type() == fs::file_type::not_found)
        return SaveTarget::Absent;
    // A link is followed, as the save itself replaces what it points to.
    // A dangling link or anything unreadable is left alone.
    if (!fs::is_directory(path, ec))
        return SaveTarget::NotADrawing;
    const fs::path shapes = fs::path(path) / DrawDocument::kShapesFileName;
    if (fs::is_regular_file(fs::symlink_status(shapes, ec)))
        return SaveTarget::DrawingPackage;
    return SaveTarget::NotADrawing;
}

bool firstDocumentGivesWay(const FirstDocumentFacts& first, std::size_t newDocumentShapeCount) {
    return first.untitled && !first.edited && !first.hasUndoHistory && first.shapeCount == 0 &&
           newDocumentShapeCount > 0;
}

std::vector<std::string> recentDocumentsAfterOpening(std::vector<std::string> recent,
                                                     const std::string& path, std::size_t limit) {
    std::erase(recent, path);
    recent.insert(recent.begin(), path);
    if (recent.size() > limit)
        recent.resize(limit);
    return recent;
}

DocumentSaveState saveStateOf(DrawDocument& document) {
    return {document.undoManager().stateToken(), document.grid().visible(),
            document.grid().rulersVisible(), document.printInfo()};
}

bool DocumentChangeTracker::isEdited() const {
    return saveStateOf(m_Document) != m_Saved;
}

} // namespace qv
