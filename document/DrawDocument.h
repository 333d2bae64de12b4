#pragma once
// One open drawing: the ordered shape list (back to front), the page, the
// grid and the print settings. It reads and writes the ".qvdraw" package and
// is the root element "qvdrawdocument" of its "Shapes.xml". Undo is
// centralised here: the document observes every undoable key path of its
// shapes (members of groups too) and of the page colour, and registers the
// inverse assignment; list changes go only through the two indexed
// accessors, which register their own inverse.
//
// The model half only: the window, the canvas and the shapes controller
// reach the document through DrawDocumentDelegate and the controller seam.

#include "document/Grid.h"
#include "document/PackageIO.h"
#include "document/Page.h"
#include "document/PrintInfo.h"
#include "document/QVSaveableElement.h"
#include "framework/foundation/ByteBuffer.h"
#include "framework/foundation/KeyValueCoding.h"
#include "framework/foundation/UndoManager.h"
#include "shapes/Shape.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace qv {

class GraphicsContext;
class ShapesController;

// What the document needs of its window and canvas. Absent until the window
// is loaded.
class DrawDocumentDelegate {
public:
    virtual ~DrawDocumentDelegate() = default;
    // Whether the canvas exists (a window may be on its way without one).
    virtual bool hasView() const { return true; }
    virtual void redrawAll() = 0;
    virtual void updateRulers() {}
    // The canvas watches the shapes it draws for redrawing.
    virtual void startObservingShape(Shape&) {}
    virtual void stopObservingShape(Shape&) {}
};

// Outcome of reading or writing; no exception leaves the document.
struct DocumentResult {
    bool ok = false;
    std::string error;
    std::vector<std::string> warnings;
    explicit operator bool() const { return ok; }
};

class DrawDocument : public KeyValueObservable, public KeyValueObserver, public QVSaveableElement {
public:
    static constexpr const char* kNativeTypeName = "Quorvik Drawing";
    static constexpr const char* kPackageExtension = ".qvdraw";
    static constexpr const char* kShapesFileName = "Shapes.xml";
    static constexpr const char* kElementName = "qvdrawdocument";

    DrawDocument();
    ~DrawDocument() override;
    DrawDocument(const DrawDocument&) = delete;
    DrawDocument& operator=(const DrawDocument&) = delete;

    // Window side.
    DrawDocumentDelegate* view() const { return m_View; }
    void setView(DrawDocumentDelegate* view) { m_View = view; }
    bool hasView() const { return m_View && m_View->hasView(); }
    ShapesController* shapesController() const { return m_ShapesController; }
    void setShapesController(ShapesController* controller) { m_ShapesController = controller; }
    // The selected shapes, asked for while the clipboard form is written.
    void setSelectionProvider(std::function<ShapeList()> provider) {
        m_SelectionProvider = std::move(provider);
    }
    UndoManager& undoManager() { return m_UndoManager; }

    // The shape list. setShapes moves all observation from the old shapes to
    // the new ones; the indexed accessors are the only other way in or out.
    const ShapeList& shapes() const { return m_Shapes; }
    void setShapes(const ShapeList& shapes);
    // False (nothing done) for a null shape or an index past the end.
    bool insertObject(ShapePtr shape, std::size_t index);
    bool removeObjectFromShapesAtIndex(std::size_t index);

    // Shapes read but not yet installed (the window installs them).
    const std::optional<ShapeList>& loadedShapes() const { return m_LoadedShapes; }
    std::optional<ShapeList> takeLoadedShapes();
    // setShapes with the read shapes, then updateMargins: what loading the
    // window and the preview do after a read.
    void installLoadedShapes();

    // Copies are stored, never the objects given.
    const Grid& grid() const { return *m_Grid; }
    Grid& grid() { return *m_Grid; }
    void setGrid(const Grid& grid);
    const Page& page() const { return *m_Page; }
    Page& page() { return *m_Page; }
    void setPage(const Page& page);
    const PrintInfo& printInfo() const { return m_PrintInfo; }
    void setPrintInfo(const PrintInfo& printInfo);
    std::int64_t version() const { return m_Version; }
    void setVersion(std::int64_t version) { m_Version = version; }

    // Margins from the paper and its printable area, then the rulers.
    void updateMargins();
    void preloadFillCache(GraphicsContext& gc);

    // Reading and writing. Only the native type reads; the foreign types the
    // application recognises never open.
    DocumentResult readFromPackage(const std::string& path,
                                   std::string_view typeName = kNativeTypeName);
    // Writes atomically: a failure leaves the previous package as it was.
    DocumentResult writeToPackage(const std::string& path,
                                  FileOperations& ops = FileOperations::system());
    // The package's files: the pictures used, then "Shapes.xml".
    DocumentResult fileWrapperRepresentation(PackageFiles& files);
    // Parses "Shapes.xml" bytes into this document; shapes go to loadedShapes.
    // On failure logs one line "Parser error: …", keeps it in lastError() and
    // leaves the document as it was.
    bool parseData(const ByteBuffer& data);
    bool parseData(std::string_view data);
    const std::string& lastError() const { return m_LastError; }
    // The whole "Shapes.xml", or the clipboard form with only the selection.
    ByteBuffer dataWithSelectionOnly(bool selectionOnly);

    // Undo plumbing.
    void startObservingShape(Shape& shape);
    void stopObservingShape(Shape& shape);
    void changeKeyPath(const std::string& keyPath,
                       const std::shared_ptr<KeyValueObservable>& object, const Value& value);
    void observeValueForKeyPath(std::string_view keyPath, KeyValueObservable& object,
                                const Value& oldValue, const Value& newValue) override;

    // Key-value coding: "page", "grid", "printInfo" lead to those objects;
    // "version" and the export settings are values. Assignments under "page",
    // "grid" and "printInfo" announce that top-level key before and after,
    // and one under "printInfo" then updates the margins.
    Value valueForKey(std::string_view key) const override;
    bool setValueForKey(const Value& value, std::string_view key) override;
    KeyValueCoding* childForKey(std::string_view key) const override;
    bool setValueForKeyPath(const Value& value, std::string_view keyPath) override;

    // Export settings, kept for the life of the document and not saved.
    unsigned selectedExportFormat() const { return m_SelectedExportFormat; }
    void setSelectedExportFormat(unsigned format);
    std::int64_t shapesToExport() const { return m_ShapesToExport; }
    void setShapesToExport(std::int64_t v) { m_ShapesToExport = v; }
    std::int64_t exportBoundary() const { return m_ExportBoundary; }
    void setExportBoundary(std::int64_t v) { m_ExportBoundary = v; }
    bool exportTransparentBackground() const { return m_ExportTransparentBackground; }
    void setExportTransparentBackground(bool v) { m_ExportTransparentBackground = v; }
    // JPEG (format 3) has no transparency.
    bool canExportTransparentBackground() const { return m_SelectedExportFormat != 3; }

    // QVSaveableElement.
    static std::optional<std::string> classElementName() { return kElementName; }
    std::optional<std::string> elementName() const override { return kElementName; }
    AttributeMap elementAttributes() const override { return {}; }
    ElementList elementChildren() const override;
    void setElementAttributes(const AttributeMap& attributes) override;
    void addElement(const ElementPtr& child) override;
    void addStringData(std::string_view) {}

private:
    // What a parse collects; applied to the document only when it succeeds.
    struct PendingRead {
        std::optional<ShapeList> shapes;
        std::shared_ptr<Grid> grid;
        std::shared_ptr<Page> page;
        std::optional<PrintInfo> printInfo;
        std::optional<std::int64_t> version;
    };

    void startObservingShapeTree(Shape& shape, const ShapePtr& owner);
    void stopObservingShapeTree(Shape& shape);
    void observeShapeForBoth(const ShapePtr& shape);
    void stopObservingShapeForBoth(const ShapePtr& shape);
    void repointPictures(const std::unordered_map<std::string, std::string>& renamed);
    void redrawAll() {
        if (m_View)
            m_View->redrawAll();
    }

    DrawDocumentDelegate* m_View = nullptr;
    ShapesController* m_ShapesController = nullptr;
    std::function<ShapeList()> m_SelectionProvider;
    std::optional<ShapeList> m_LoadedShapes;
    ShapeList m_Shapes;
    std::shared_ptr<Grid> m_Grid;
    std::shared_ptr<Page> m_Page;
    PrintInfo m_PrintInfo;
    std::int64_t m_Version = 0;
    unsigned m_SelectedExportFormat = 0;
    std::int64_t m_ShapesToExport = 0;
    std::int64_t m_ExportBoundary = 0;
    bool m_ExportTransparentBackground = true;
    bool m_OnlyWriteSelection = false;

    std::unique_ptr<PendingRead> m_Pending; // only during parseData
    std::string m_LastError;
    // Every observed shape (members of groups included) by address, so that
    // an undo action can keep the shape it changes alive.
    std::unordered_map<const KeyValueObservable*, std::weak_ptr<Shape>> m_Observed;
    UndoManager m_UndoManager;
};

} // namespace qv
