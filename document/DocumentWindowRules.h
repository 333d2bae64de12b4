#pragma once
// The rules of the document machinery that need no window: which package a
// path on the command line names, the names a document shows and suggests,
// when the launch's empty window gives way to the first file opened, which
// existing folder a save may replace, the recent-documents list, and when a
// document counts as edited.

#include "document/PrintInfo.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

class DrawDocument;

// The package a path names: trailing slashes go, and the "Shapes.xml" inside
// a package stands for the package.
std::string packagePathForArgument(std::string_view path);

// The path with ".qvdraw" added unless it already ends with it (a name such
// as "Plan.v2" becomes "Plan.v2.qvdraw").
std::string pathWithPackageExtension(std::string_view path);

// "Untitled" for the first untitled document of a session, "Untitled 2" and
// so on after it.
std::string untitledDocumentName(int number);
// The last component of the package path ("Plan.qvdraw").
std::string documentDisplayName(std::string_view path);

// The export panel's suggestion: the window title without ".qvdraw".
std::string suggestedExportName(std::string_view windowTitle);
// The file name with the format's extension: a known export extension is
// replaced, any other name gets the extension added ("Plan" → "Plan.png",
// "Plan.pdf" → "Plan.png", "v1.2" → "v1.2.png"). An empty name stays empty.
std::string exportFileName(std::string_view name, unsigned formatIndex);

// What an existing path means to a save over it.
enum class SaveTarget {
    Absent,         // nothing there yet
    DrawingPackage, // a folder holding a "Shapes.xml": a drawing that may be replaced
    NotADrawing,    // a file, or a folder that is no drawing: never replaced
};
SaveTarget classifySaveTarget(const std::string& path);

// The launch's first document, when a file is being opened in a new window.
struct FirstDocumentFacts {
    bool untitled = true;        // never saved, not read from a file
    bool edited = false;         // shows unsaved changes
    bool hasUndoHistory = false; // anything to undo or redo: it has been worked on
    std::size_t shapeCount = 0;
};
// Only an untouched untitled document gives way, and only to a document that
// has shapes; a saved or worked-on drawing, even an empty one, stays.
bool firstDocumentGivesWay(const FirstDocumentFacts& first, std::size_t newDocumentShapeCount);

// The recent documents, most recent first, without repeats, at most `limit`.
inline constexpr std::size_t kRecentDocumentsLimit = 10;
std::vector<std::string> recentDocumentsAfterOpening(std::vector<std::string> recent,
                                                     const std::string& path,
                                                     std::size_t limit = kRecentDocumentsLimit);

// A document's state as far as saving is concerned: the undo stack's state,
// and what is saved but changes without undo: the grid's and rulers'
// visibility and the print settings.
struct DocumentSaveState {
    std::uint64_t undoState = 0;
    bool gridVisible = false;
    bool rulersVisible = false;
    PrintInfo printInfo;
    friend bool operator==(const DocumentSaveState&, const DocumentSaveState&) = default;
};
DocumentSaveState saveStateOf(DrawDocument& document);

// Tells whether a document differs from the state it was saved (or read) in:
// undo back to that state makes it clean again, and so does showing the grid
// again after hiding it.
class DocumentChangeTracker {
public:
    explicit DocumentChangeTracker(DrawDocument& document)
        : m_Document(document), m_Saved(saveStateOf(document)) {}
    void documentWasSaved() { m_Saved = saveStateOf(m_Document); }
    bool isEdited() const;
    const DocumentSaveState& savedState() const { return m_Saved; }

private:
    DrawDocument& m_Document;
    DocumentSaveState m_Saved;
};

} // namespace qv
