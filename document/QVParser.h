#pragma once
// Reads XML bytes and rebuilds the element tree. Each start tag becomes the
// registered instance of that name, else a new object of the class registered
// under it, else a QVGenericElement; each finished element is handed to its
// parent's addElement().
//
// Outside data is untrusted: nesting depth, attribute length, entity
// declarations and entity expansion are limited, and a parse that runs into a
// limit fails like any other malformed file.

#include "document/QVSaveableElement.h"
#include "framework/foundation/ByteBuffer.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace qv {

class QVGenericElement;

struct QVParserError {
    std::string message;
    unsigned long line = 0;
    unsigned long column = 0;
    // One line for the log, e.g. "mismatched tag (line 3, column 2)".
    std::string description() const;
};

class QVParser {
public:
    using Factory = std::function<ElementPtr()>;

    // Deeper files are refused, so that code walking a tree recursively
    // (groups, destruction) stays well inside the stack.
    static constexpr std::size_t kMaxDepth = 1000;
    static constexpr std::size_t kMaxAttributeLength = 16 * 1024 * 1024;
    static constexpr int kMaxEntityDeclarations = 256;

    static QVParser parser() { return {}; }

    // A later registration under the same name replaces the earlier one.
    void registerElementClass(const std::string& name, Factory factory);
    template <class T> void registerElementClass() {
        const std::optional<std::string> name{T::classElementName()};
        if (name)
            registerElementClass(*name, [] { return std::make_shared<T>(); });
    }
    // Stored under the instance's own element name; ignored when it has none.
    void registerElementInstance(const ElementPtr& instance);
    // The same for an object owned elsewhere, which must outlive the parse.
    void registerElementInstance(QVSaveableElement& instance);

    // True when the whole buffer was read without error.
    bool parseData(const ByteBuffer& data);
    bool parseData(std::string_view data);

    // The error of the last failed parse; none after a successful one.
    const std::optional<QVParserError>& parserError() const { return m_ParserError; }
    // The outermost element of the last successful parse. A caller normally
    // reads its document through a registered instance instead.
    const ElementPtr& rootElement() const { return m_Root; }

private:
    struct Handlers;

    ElementPtr elementForName(const std::string& name);
    void pushElement(ElementPtr element);
    ElementPtr popElement();
    QVSaveableElement* topElement() const;

    std::vector<ElementPtr> m_Stack;
    std::unordered_map<std::string, Factory> m_ElementClasses;
    std::unordered_map<std::string, ElementPtr> m_ElementInstances;
    std::optional<QVParserError> m_ParserError;

    // Parse state.
    std::unordered_set<const QVSaveableElement*> m_OpenInstances;
    QVGenericElement* m_TextTarget = nullptr; // the top when it collects character data
    ElementPtr m_Root;
    std::optional<std::string> m_Abort; // a limit that stopped the parse
    int m_EntityDeclarations = 0;
};

} // namespace qv
