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
#include <typeinfo>
#include <unordered_map>
#include <unordered_set>
#include <vector>

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

    // Element names are looked up by the parser's own text, without copies.
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const {
            return std::hash<std::string_view>{}(name);
        }
    };
    template <class T>
    using NameMap = std::unordered_map<std::string, T, NameHash, std::equal_to<>>;

    // One open element. `reading` marks an object the parser made and alone
    // holds, whose reading it brackets (see QVSaveableElement).
    struct Open {
        ElementPtr element;
        QVGenericElement* textTarget = nullptr; // the element when it collects character data
        bool instance = false;
        bool reading = false;
        bool spare = false; // a plain element the parser made (or reused) itself
    };
    static constexpr std::size_t kMaxSpareElements = 8;

    // The element for a start tag; `instance` tells whether it is a
    // registered instance.
    ElementPtr elementForName(std::string_view name, bool& instance, bool& spare);
    // A plain element of that name: a spare one when there is one.
    ElementPtr plainElement(std::string_view name);
    void pushElement(ElementPtr element, bool instance, bool reading, bool spare);
    ElementPtr popElement();
    QVSaveableElement* topElement() const;
    // The element as a collector of character data, or null. The answer of
    // the cast is remembered per class: a file has thousands of elements of
    // a dozen classes.
    QVGenericElement* genericElement(QVSaveableElement* element);

    // What is registered under one name: a class, an instance or both (the
    // instance wins while it is not open).
    struct Registration {
        Factory factory;
        ElementPtr instance;
    };

    std::vector<Open> m_Stack;
    NameMap<Registration> m_Registrations;
    std::vector<const QVSaveableElement*> m_Instances; // every registered instance
    std::optional<QVParserError> m_ParserError;

    // Parse state.
    std::unordered_set<const QVSaveableElement*> m_OpenInstances;
    QVGenericElement* m_TextTarget = nullptr; // the top when it collects character data
    ElementPtr m_Root;
    std::optional<std::string> m_Abort; // a limit that stopped the parse
    int m_EntityDeclarations = 0;
    AttributeMap m_Attributes;                               // reused from element to element
    std::vector<std::size_t> m_AttributeLengths;             // of the values of one tag
    std::vector<const std::type_info*> m_NotGenericClasses;  // classes seen not to collect text
    std::vector<std::shared_ptr<QVGenericElement>> m_Spares; // finished leaves nobody kept
};

} // namespace qv
