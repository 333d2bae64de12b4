#include "document/DrawDocument.h"

#include "document/ImageCache.h"
#include "document/QVGenericElement.h"
#include "document/QVParser.h"
#include "document/QVWriter.h"
#include "shapes/ArcShape.h"
#include "shapes/BezierShape.h"
#include "shapes/ElementCast.h"
#include "shapes/FreehandShape.h"
#include "shapes/GroupShape.h"
#include "shapes/LineShape.h"
#include "shapes/OvalShape.h"
#include "shapes/PolylineShape.h"
#include "shapes/RectangleShape.h"
#include "shapes/RegularPolygonShape.h"
#include "shapes/RoundRectangleShape.h"
#include "shapes/TextShape.h"
#include "styles/Fill.h"
#include "styles/Shadow.h"
#include "styles/Stroke.h"

#include <cstdio>
#include <exception>
#include <new>
#include <typeinfo>
#include <unordered_set>

namespace qv {

namespace {

template <class T> void registerClass(QVParser& parser, const char* name) {
    parser.registerElementClass(name, [] { return std::make_shared<T>(); });
}

// The element classes of "Shapes.xml", in the order the format lists them.
void registerDocumentClasses(QVParser& parser) {
    registerClass<Page>(parser, "page");
    registerClass<Grid>(parser, "grid");
    registerClass<Fill>(parser, "fill");
    registerClass<Stroke>(parser, "stroke");
    registerClass<Shadow>(parser, "shadow");
    registerClass<RectangleShape>(parser, "rectangle");
    registerClass<RoundRectangleShape>(parser, "roundrectangle");
    registerClass<OvalShape>(parser, "oval");
    registerClass<RegularPolygonShape>(parser, "regularpolygon");
    registerClass<ArcShape>(parser, "arc");
    registerClass<BezierShape>(parser, "bezier");
    registerClass<FreehandShape>(parser, "freehand");
    registerClass<PolylineShape>(parser, "polyline");
    registerClass<GroupShape>(parser, "group");
    registerClass<LineShape>(parser, "line");
    registerClass<TextShape>(parser, "text");
}

// Registration off for a scope, so that reading never makes an undo step.
class UndoRegistrationOff {
public:
    explicit UndoRegistrationOff(UndoManager& undo) : m_Undo(undo) {
        m_Undo.disableUndoRegistration();
    }
    ~UndoRegistrationOff() { m_Undo.enableUndoRegistration(); }
    UndoRegistrationOff(const UndoRegistrationOff&) = delete;
    UndoRegistrationOff& operator=(const UndoRegistrationOff&) = delete;

private:
    UndoManager& m_Undo;
};

DocumentResult failure(std::string message) {
    DocumentResult r;
    r.error = std::move(message);
    return r;
}

} // namespace

DrawDocument::DrawDocument() : m_Grid(std::make_shared<Grid>()), m_Page(std::make_shared<Page>()) {
    m_Grid->addObserver(this, "rulersVisible", 0);
    m_Page->addObserver(this, "color", KeyValueObservingOptionOld);
}

DrawDocument::~DrawDocument() {
    // The view goes first, then every observation ends with the list.
    m_View = nullptr;
    m_SelectionProvider = nullptr;
    for (const ShapePtr& shape : m_Shapes)
        if (shape)
            stopObservingShape(*shape);
    m_Shapes.clear();
    m_Grid->removeObserver(this);
    m_Page->removeObserver(this);
    m_UndoManager.removeAllActions();
}

// ---------------------------------------------------------------------------
// The shape list

void DrawDocument::observeShapeForBoth(const ShapePtr& shape) {
    startObservingShapeTree(*shape, shape);
    if (m_View)
        m_View->startObservingShape(*shape);
}

void DrawDocument::stopObservingShapeForBoth(const ShapePtr& shape) {
    stopObservingShape(*shape);
    if (m_View)
        m_View->stopObservingShape(*shape);
}

void DrawDocument::setShapes(const ShapeList& shapes) {
    if (shapes == m_Shapes)
        return;
    KeyValueChangeScope change(this, "shapes");
    for (const ShapePtr& shape : m_Shapes)
        if (shape)
            stopObservingShapeForBoth(shape);
    m_Shapes.clear();
    m_Shapes.reserve(shapes.size());
    m_Observed.reserve(m_Observed.size() + shapes.size());
    for (const ShapePtr& shape : shapes) {
        if (!shape)
            continue;
        m_Shapes.push_back(shape);
        observeShapeForBoth(shape);
    }
}

bool DrawDocument::insertObject(ShapePtr shape, std::size_t index) {
    if (!shape || index > m_Shapes.size())
        return false;
    m_UndoManager.registerUndoWithTarget(this,
                                         [this, index] { removeObjectFromShapesAtIndex(index); });
    if (!m_UndoManager.isUndoing() && !m_UndoManager.isRedoing())
        m_UndoManager.setActionName("Insert Shape");
    KeyValueChangeScope change(this, "shapes");
    observeShapeForBoth(shape);
    m_Shapes.insert(m_Shapes.begin() + static_cast<std::ptrdiff_t>(index), std::move(shape));
    return true;
}

bool DrawDocument::removeObjectFromShapesAtIndex(std::size_t index) {
    if (index >= m_Shapes.size())
        return false;
    ShapePtr shape = m_Shapes[index];
    m_UndoManager.registerUndoWithTarget(this,
                                         [this, shape, index] { insertObject(shape, index); });
    if (!m_UndoManager.isUndoing() && !m_UndoManager.isRedoing())
        m_UndoManager.setActionName("Delete Shape");
    KeyValueChangeScope change(this, "shapes");
    stopObservingShapeForBoth(shape);
    m_Shapes.erase(m_Shapes.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

std::optional<ShapeList> DrawDocument::takeLoadedShapes() {
    std::optional<ShapeList> shapes = std::move(m_LoadedShapes);
    m_LoadedShapes.reset();
    return shapes;
}

void DrawDocument::installLoadedShapes() {
    if (std::optional<ShapeList> shapes = takeLoadedShapes())
        setShapes(*shapes);
    updateMargins();
}

// ---------------------------------------------------------------------------
// Page, grid, print settings

void DrawDocument::setGrid(const Grid& grid) {
    if (&grid == m_Grid.get())
        return;
    // The old grid outlives the announcement: observers told of the change
    // may still hold it and stop observing it then.
    const std::shared_ptr<Grid> old = m_Grid;
    KeyValueChangeScope change(this, "grid");
    m_Grid->removeObserver(this, "rulersVisible");
    m_Grid = grid.copy();
    m_Grid->addObserver(this, "rulersVisible", 0);
}

void DrawDocument::setPage(const Page& page) {
    if (&page == m_Page.get())
        return;
    const std::shared_ptr<Page> old = m_Page; // outlives the announcement, as in setGrid
    KeyValueChangeScope change(this, "page");
    m_Page->removeObserver(this, "color");
    m_Page = page.copy();
    m_Page->addObserver(this, "color", KeyValueObservingOptionOld);
}

void DrawDocument::setPrintInfo(const PrintInfo& printInfo) {
    {
        KeyValueChangeScope change(this, "printInfo");
        m_PrintInfo = printInfo;
    }
    updateMargins();
}

void DrawDocument::updateMargins() {
    const Size paper = m_PrintInfo.paperSize();
    const Rect printable = m_PrintInfo.imageablePageBounds();
    m_PrintInfo.setLeftMargin(printable.x());
    m_PrintInfo.setBottomMargin(printable.y());
    m_PrintInfo.setRightMargin(paper.width - printable.width() - printable.x());
    m_PrintInfo.setTopMargin(paper.height - printable.height() - printable.y());
    if (m_View)
        m_View->updateRulers();
}

void DrawDocument::preloadFillCache(GraphicsContext& gc) {
    for (const ShapePtr& shape : m_Shapes)
        if (shape)
            shape->preloadFillCache(gc);
}

void DrawDocument::setSelectedExportFormat(unsigned format) {
    if (format == m_SelectedExportFormat)
        return;
    KeyValueChangeScope a(this, "selectedExportFormat");
    KeyValueChangeScope b(this, "canExportTransparentBackground");
    m_SelectedExportFormat = format;
}

// ---------------------------------------------------------------------------
// Undo through observation

void DrawDocument::startObservingShape(Shape& shape) {
    // Find the owning pointer when the shape is in the list.
    for (const ShapePtr& s : m_Shapes)
        if (s.get() == &shape)
            return startObservingShapeTree(shape, s);
    startObservingShapeTree(shape, nullptr);
}

void DrawDocument::startObservingShapeTree(Shape& shape, const ShapePtr& owner) {
    // One record over the shared list of the class's paths, not one per path.
    shape.addObserver(this, shape.undoableKeyPaths(), KeyValueObservingOptionOld);
    if (owner)
        m_Observed[&shape] = owner;
    if (auto* group = elementCast<GroupShape>(&shape))
        for (const ShapePtr& member : group->shapes())
            if (member)
                startObservingShapeTree(*member, member);
}

void DrawDocument::stopObservingShape(Shape& shape) {
    stopObservingShapeTree(shape);
}

void DrawDocument::stopObservingShapeTree(Shape& shape) {
    if (auto* group = elementCast<GroupShape>(&shape))
        for (const ShapePtr& member : group->shapes())
            if (member)
                stopObservingShapeTree(*member);
    shape.removeObserver(this);
    m_Observed.erase(&shape);
}

void DrawDocument::changeKeyPath(const std::string& keyPath,
                                 const std::shared_ptr<KeyValueObservable>& object,
                                 const Value& value) {
    // A shape puts a recorded value back its own way (a group leaves its
    // members to their own records).
    if (auto* shape = dynamic_cast<Shape*>(object.get()))
        shape->restoreValueForKeyPath(value, keyPath);
    else if (object)
        object->setValueForKeyPath(value, keyPath);
}

void DrawDocument::observeValueForKeyPath(std::string_view keyPath, KeyValueObservable& object,
                                          const Value& oldValue, const Value&) {
    if (keyPath == "rulersVisible") {
        if (m_View)
            m_View->updateRulers();
        return;
    }
    // The undo step keeps the object it changes alive.
    std::shared_ptr<KeyValueObservable> target;
    const bool isPage = &object == m_Page.get();
    if (isPage) {
        target = m_Page;
    } else if (auto found = m_Observed.find(&object); found != m_Observed.end()) {
        target = found->second.lock();
    }
    if (!target)
        return;
    m_UndoManager.registerUndoWithTarget(this,
                                         [this, path = std::string(keyPath), target, oldValue] {
                                             changeKeyPath(path, target, oldValue);
                                         });
    if (isPage)
        redrawAll();
    if (!m_UndoManager.isUndoing() && !m_UndoManager.isRedoing())
        m_UndoManager.setActionName(keyPath == "rotation" ? "Rotate" : "Edit");
}

// ---------------------------------------------------------------------------
// Key-value coding

Value DrawDocument::valueForKey(std::string_view key) const {
    if (key == "version")
        return m_Version;
    if (key == "selectedExportFormat")
        return static_cast<std::int64_t>(m_SelectedExportFormat);
    if (key == "shapesToExport")
        return m_ShapesToExport;
    if (key == "exportBoundary")
        return m_ExportBoundary;
    if (key == "exportTransparentBackground")
        return m_ExportTransparentBackground;
    if (key == "canExportTransparentBackground")
        return canExportTransparentBackground();
    return {};
}

bool DrawDocument::setValueForKey(const Value& value, std::string_view key) {
    if (!value.isNumber())
        return false;
    if (key == "version") {
        m_Version = value.toInt();
    } else if (key == "selectedExportFormat") {
        const std::int64_t v = value.toInt();
        if (v < 0 || v > 4)
            return false;
        setSelectedExportFormat(static_cast<unsigned>(v));
    } else if (key == "shapesToExport") {
        m_ShapesToExport = value.toInt();
    } else if (key == "exportBoundary") {
        m_ExportBoundary = value.toInt();
    } else if (key == "exportTransparentBackground") {
        m_ExportTransparentBackground = value.toBool();
    } else {
        return false;
    }
    return true;
}

KeyValueCoding* DrawDocument::childForKey(std::string_view key) const {
    if (key == "page")
        return m_Page.get();
    if (key == "grid")
        return m_Grid.get();
    if (key == "printInfo")
        return const_cast<PrintInfo*>(&m_PrintInfo);
    return nullptr;
}

bool DrawDocument::setValueForKeyPath(const Value& value, std::string_view keyPath) {
    const std::string_view top = splitKeyPath(keyPath).first;
    if (top != "page" && top != "grid" && top != "printInfo")
        return KeyValueObservable::setValueForKeyPath(value, keyPath);
    const std::string key(top);
    bool ok;
    {
        KeyValueChangeScope change(this, key);
        ok = KeyValueObservable::setValueForKeyPath(value, keyPath);
    }
    if (key == "printInfo")
        updateMargins();
    return ok;
}

// ---------------------------------------------------------------------------
// Element

ElementList DrawDocument::elementChildren() const {
    ElementList children;
    if (m_OnlyWriteSelection) {
        // The selection in list order, and only shapes of this list.
        std::unordered_set<const Shape*> selected;
        if (m_SelectionProvider)
            for (const ShapePtr& shape : m_SelectionProvider())
                selected.insert(shape.get());
        for (const ShapePtr& shape : m_Shapes)
            if (shape && selected.count(shape.get()))
                children.push_back(shape);
        return children;
    }
    children.reserve(m_Shapes.size() + 3);
    auto printInfo = QVGenericElement::elementNamed("printinfo");
    printInfo->setStringData(m_PrintInfo.base64Encoded());
    children.push_back(std::move(printInfo));
    children.push_back(m_Page);
    children.push_back(m_Grid);
    for (const ShapePtr& shape : m_Shapes)
        if (shape)
            children.push_back(shape);
    return children;
}

void DrawDocument::setElementAttributes(const AttributeMap& attributes) {
    if (!attributes.contains("version"))
        return;
    const std::int64_t version = attributes.intValueForKey("version");
    if (m_Pending)
        m_Pending->version = version;
    else
        m_Version = version;
}

void DrawDocument::addElement(const ElementPtr& child) {
    if (!child)
        return;
    // Outside a parse (a caller building a document by hand) the pieces go
    // straight in; during one they wait for the parse to succeed.
    PendingRead direct;
    PendingRead& into = m_Pending ? *m_Pending : direct;
    const QVSaveableElement& element = *child;
    // Shapes, by far the most, are asked for first; no class is two of these.
    if (auto* shape = elementCast<Shape>(child.get())) {
        if (!into.shapes)
            into.shapes.emplace();
        into.shapes->push_back(ShapePtr(child, shape));
    } else if (auto* generic = elementCast<const QVGenericElement>(&element)) {
        if (generic->name() == "printinfo")
            into.printInfo = PrintInfo::fromBase64(generic->stringData());
    } else if (typeid(element) == typeid(Grid)) {
        into.grid = std::static_pointer_cast<Grid>(child);
    } else if (typeid(element) == typeid(Page)) {
        into.page = std::static_pointer_cast<Page>(child);
    }
    if (!m_Pending) {
        UndoRegistrationOff off(m_UndoManager);
        if (direct.printInfo)
            setPrintInfo(*direct.printInfo);
        if (direct.grid)
            setGrid(*direct.grid);
        if (direct.page)
            setPage(*direct.page);
        if (direct.shapes) {
            if (!m_LoadedShapes)
                m_LoadedShapes.emplace();
            m_LoadedShapes->insert(m_LoadedShapes->end(), direct.shapes->begin(),
                                   direct.shapes->end());
        }
    }
}

// ---------------------------------------------------------------------------
// Reading and writing

bool DrawDocument::parseData(std::string_view data) {
    m_LastError.clear();
    m_Pending = std::make_unique<PendingRead>();
    bool ok = false;
    std::string error;
    try {
        QVParser parser = QVParser::parser();
        parser.registerElementInstance(*this);
        registerDocumentClasses(parser);
        ok = parser.parseData(data);
        if (!ok)
            error = parser.parserError() ? parser.parserError()->description() : "unreadable XML";
    } catch (const std::bad_alloc&) {
        error = "out of memory";
    } catch (const std::exception& e) {
        error = e.what();
    }
    std::unique_ptr<PendingRead> pending = std::move(m_Pending);
    if (!ok) {
        m_LastError = "Parser error: " + error;
        std::fprintf(stderr, "%s\n", m_LastError.c_str());
        return false;
    }
    UndoRegistrationOff off(m_UndoManager);
    if (pending->version)
        m_Version = *pending->version;
    if (pending->printInfo)
        setPrintInfo(*pending->printInfo);
    if (pending->grid)
        setGrid(*pending->grid);
    if (pending->page)
        setPage(*pending->page);
    if (pending->shapes) {
        if (!m_LoadedShapes)
            m_LoadedShapes.emplace();
        m_LoadedShapes->insert(m_LoadedShapes->end(),
                               std::make_move_iterator(pending->shapes->begin()),
                               std::make_move_iterator(pending->shapes->end()));
    }
    return true;
}

bool DrawDocument::parseData(const ByteBuffer& data) {
    return parseData(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
}

void DrawDocument::repointPictures(const std::unordered_map<std::string, std::string>& renamed) {
    if (renamed.empty() || !m_LoadedShapes)
        return;
    forEachShapeDeep(*m_LoadedShapes, [&](Shape& shape) {
        const auto found = renamed.find(shape.fill().imageName());
        if (found != renamed.end())
            shape.fill().setImageName(found->second);
    });
}

DocumentResult DrawDocument::readFromPackage(const std::string& path, std::string_view typeName) {
    try {
        if (typeName != kNativeTypeName)
            return failure("Documents of the type \u201C" + std::string(typeName) +
                           "\u201D cannot be opened.");
        PackageReadResult package = PackageIO::readPackage(path);
        if (!package)
            return failure(package.error);
        DocumentResult result;
        result.warnings = std::move(package.warnings);
        const auto xml = package.files.find(kShapesFileName);
        if (xml == package.files.end()) {
            result.error = "The document \u201C" + path + "\u201D holds no \u201C" +
                           kShapesFileName + "\u201D.";
            return result;
        }
        // Pictures first, so that a picture whose name the store already
        // gives to other bytes can be followed to the name it gets instead.
        ImageCache& store = imageCache();
        std::unordered_map<std::string, std::string> renamed;
        for (const auto& [name, bytes] : package.files) {
            if (name == kShapesFileName)
                continue;
            const std::optional<std::string> stored = store.addImageData(bytes, name);
            if (!stored)
                result.warnings.push_back("The picture \u201C" + name + "\u201D was not read.");
            else if (*stored != name)
                renamed.emplace(name, *stored);
        }

        const bool revert = hasView();
        {
            UndoRegistrationOff off(m_UndoManager);
            std::optional<ShapeList> before = takeLoadedShapes();
            if (!parseData(xml->second)) {
                m_LoadedShapes = std::move(before);
                result.error = m_LastError;
                return result;
            }
            repointPictures(renamed);
            // A revert puts the shapes in at once; otherwise they wait for the window.
            if (revert)
                setShapes(takeLoadedShapes().value_or(ShapeList{}));
        }
        // The old undo steps refer to shapes that are gone.
        if (revert)
            m_UndoManager.removeAllActions();
        result.ok = true;
        return result;
    } catch (const std::bad_alloc&) {
        return failure("The document \u201C" + path + "\u201D could not be read: out of memory.");
    } catch (const std::exception& e) {
        return failure("The document \u201C" + path + "\u201D could not be read: " + e.what());
    }
}

ByteBuffer DrawDocument::dataWithSelectionOnly(bool selectionOnly) {
    m_OnlyWriteSelection = selectionOnly;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{m_OnlyWriteSelection};
    return QVWriter::writer().dataWithElement(*this);
}

DocumentResult DrawDocument::fileWrapperRepresentation(PackageFiles& files) {
    try {
        FileWrappersResult pictures = imageCache().fileWrappersForShapes(m_Shapes);
        if (!pictures.ok())
            return failure("The drawing could not be saved: " + pictures.error->reason + " (" +
                           pictures.error->name + ").");
        files.clear();
        for (auto& [name, bytes] : pictures.files)
            files.insert_or_assign(name, std::move(bytes));
        // After the pictures, so that it wins over a picture of the same name.
        files.insert_or_assign(kShapesFileName, dataWithSelectionOnly(false));
        DocumentResult result;
        result.ok = true;
        return result;
    } catch (const std::bad_alloc&) {
        return failure("The document could not be saved: out of memory.");
    } catch (const std::exception& e) {
        return failure(std::string("The document could not be saved: ") + e.what());
    }
}

DocumentResult DrawDocument::writeToPackage(const std::string& path, FileOperations& ops) {
    PackageFiles files;
    DocumentResult result = fileWrapperRepresentation(files);
    if (!result)
        return result;
    try {
        PackageResult written = PackageIO::writePackage(path, files, ops);
        result.ok = written.ok;
        result.error = std::move(written.error);
        result.warnings = std::move(written.warnings);
    } catch (const std::exception& e) {
        result = failure(std::string("The document could not be saved: ") + e.what());
    }
    return result;
}

} // namespace qv
