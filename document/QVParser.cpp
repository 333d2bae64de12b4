#include "document/QVParser.h"

#include "document/QVGenericElement.h"

// The system's expat is built with DTD support, which is what declares the
// entity-expansion limits.
#ifndef XML_DTD
#define XML_DTD 1
#endif
#include <expat.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

namespace qv {

std::string QVParserError::description() const {
    return message + " (line " + std::to_string(line) + ", column " + std::to_string(column) + ")";
}

namespace {

// The XML parser's table for ISO-8859-1 input lets U+00AA, U+00B5 and U+00BA
// into names, which XML does not allow and which the same parser refuses in
// the UTF-8 that the writer produces. Refusing them here keeps every file that
// reads also readable after it is written back.
bool hasForbiddenNameCharacter(const char* name) {
    for (const char* p = name; (p = std::strchr(p, '\xC2')) != nullptr; ++p) {
        const unsigned char next = static_cast<unsigned char>(p[1]);
        if (next == 0xAA || next == 0xB5 || next == 0xBA)
            return true;
    }
    return false;
}

} // namespace

struct QVParser::Handlers {
    struct Context {
        QVParser* self;
        XML_Parser xml;
    };

    static void abort(Context& c, std::string message) {
        if (!c.self->m_Abort)
            c.self->m_Abort = std::move(message);
        XML_StopParser(c.xml, XML_FALSE);
    }

    static void XMLCALL start(void* userData, const XML_Char* name, const XML_Char** atts) {
        auto& c = *static_cast<Context*>(userData);
        QVParser& self = *c.self;
        if (self.m_Abort)
            return;
        if (self.m_Stack.size() >= kMaxDepth) {
            abort(c, "elements nested deeper than " + std::to_string(kMaxDepth) + " levels");
            return;
        }
        if (hasForbiddenNameCharacter(name)) {
            abort(c, "not well-formed (invalid name character)");
            return;
        }
        try {
            AttributeMap attributes;
            std::size_t count = 0;
            for (const XML_Char** a = atts; *a; a += 2)
                ++count;
            attributes.reserve(count);
            for (const XML_Char** a = atts; *a; a += 2) {
                if (hasForbiddenNameCharacter(a[0])) {
                    abort(c, "not well-formed (invalid name character)");
                    return;
                }
                const std::size_t length = std::strlen(a[1]);
                if (length > kMaxAttributeLength) {
                    abort(c, std::string("attribute \"") + a[0] + "\" longer than " +
                                 std::to_string(kMaxAttributeLength) + " bytes");
                    return;
                }
                // The XML parser has rejected duplicate names already.
                attributes.append(a[0], std::string(a[1], length));
            }
            ElementPtr element = self.elementForName(name);
            element->setElementAttributes(attributes);
            self.pushElement(std::move(element));
        } catch (const std::bad_alloc&) {
            abort(c, "out of memory");
        } catch (...) {
            abort(c, std::string("element \"") + name + "\" could not be read");
        }
    }

    static void XMLCALL end(void* userData, const XML_Char*) {
        auto& c = *static_cast<Context*>(userData);
        QVParser& self = *c.self;
        if (self.m_Abort || self.m_Stack.empty())
            return;
        try {
            ElementPtr element = self.popElement();
            if (QVSaveableElement* parent = self.topElement())
                parent->addElement(element);
            else
                self.m_Root = std::move(element);
        } catch (const std::bad_alloc&) {
            abort(c, "out of memory");
        } catch (...) {
            abort(c, "element could not be added to its parent");
        }
    }

    static void XMLCALL characters(void* userData, const XML_Char* s, int len) {
        auto& c = *static_cast<Context*>(userData);
        QVParser& self = *c.self;
        if (self.m_Abort || !self.m_TextTarget || len <= 0)
            return;
        try {
            self.m_TextTarget->addStringData(std::string_view(s, static_cast<std::size_t>(len)));
        } catch (...) {
            abort(c, "out of memory");
        }
    }

    static void XMLCALL entityDeclaration(void* userData, const XML_Char*, int, const XML_Char*,
                                          int, const XML_Char*, const XML_Char*, const XML_Char*,
                                          const XML_Char*) {
        // Saved files never declare entities; a few in a foreign file are
        // harmless, many are only good for exhausting the reader.
        auto& c = *static_cast<Context*>(userData);
        if (++c.self->m_EntityDeclarations > kMaxEntityDeclarations)
            abort(c,
                  "more than " + std::to_string(kMaxEntityDeclarations) + " entity declarations");
    }
};

void QVParser::registerElementClass(const std::string& name, Factory factory) {
    if (factory)
        m_ElementClasses[name] = std::move(factory);
}

void QVParser::registerElementInstance(const ElementPtr& instance) {
    if (!instance)
        return;
    if (auto name = instance->elementName())
        m_ElementInstances[*name] = instance;
}

void QVParser::registerElementInstance(QVSaveableElement& instance) {
    // Shares no ownership: the caller keeps the object alive.
    registerElementInstance(ElementPtr(ElementPtr(), &instance));
}

ElementPtr QVParser::elementForName(const std::string& name) {
    // An instance that is already open (its own name nested inside it) would
    // become its own child; the nested element is built as if no instance
    // were registered.
    if (auto it = m_ElementInstances.find(name);
        it != m_ElementInstances.end() && !m_OpenInstances.count(it->second.get()))
        return it->second;
    if (auto it = m_ElementClasses.find(name); it != m_ElementClasses.end()) {
        if (ElementPtr made = it->second())
            return made;
    }
    return QVGenericElement::elementNamed(name);
}

void QVParser::pushElement(ElementPtr element) {
    m_Stack.reserve(m_Stack.size() + 1);
    for (const auto& [name, instance] : m_ElementInstances) {
        if (instance == element) {
            m_OpenInstances.insert(element.get());
            break;
        }
    }
    m_TextTarget = dynamic_cast<QVGenericElement*>(element.get());
    m_Stack.push_back(std::move(element));
}

ElementPtr QVParser::popElement() {
    if (m_Stack.empty())
        return nullptr;
    ElementPtr element = std::move(m_Stack.back());
    m_Stack.pop_back();
    m_OpenInstances.erase(element.get());
    m_TextTarget =
        m_Stack.empty() ? nullptr : dynamic_cast<QVGenericElement*>(m_Stack.back().get());
    return element;
}

QVSaveableElement* QVParser::topElement() const {
    return m_Stack.empty() ? nullptr : m_Stack.back().get();
}

bool QVParser::parseData(const ByteBuffer& data) {
    return parseData(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
}

bool QVParser::parseData(std::string_view data) {
    m_Stack.clear();
    m_OpenInstances.clear();
    m_TextTarget = nullptr;
    m_Root.reset();
    m_Abort.reset();
    m_ParserError.reset();
    m_EntityDeclarations = 0;

    XML_Parser xml = XML_ParserCreate(nullptr);
    if (!xml) {
        m_ParserError = QVParserError{"out of memory", 0, 0};
        return false;
    }
    Handlers::Context context{this, xml};
    XML_SetUserData(xml, &context);
    XML_SetElementHandler(xml, &Handlers::start, &Handlers::end);
    XML_SetCharacterDataHandler(xml, &Handlers::characters);
    XML_SetEntityDeclHandler(xml, &Handlers::entityDeclaration);
    // External entities and the external DTD subset are never loaded.
    XML_SetParamEntityParsing(xml, XML_PARAM_ENTITY_PARSING_NEVER);
    // Entity expansion may not grow the input much beyond its own size.
    XML_SetBillionLaughsAttackProtectionMaximumAmplification(xml, 16.0f);
    XML_SetBillionLaughsAttackProtectionActivationThreshold(xml, 4 * 1024 * 1024);

    // Fed in pieces so that buffers beyond the int range of the XML parser work.
    constexpr std::size_t kChunk = 64 * 1024 * 1024;
    bool ok = true;
    std::size_t offset = 0;
    do {
        const std::size_t n = std::min(kChunk, data.size() - offset);
        const bool final = offset + n == data.size();
        if (XML_Parse(xml, data.data() + offset, static_cast<int>(n), final) != XML_STATUS_OK) {
            ok = false;
            break;
        }
        offset += n;
    } while (offset < data.size());

    if (!ok) {
        QVParserError error;
        const XML_LChar* text = XML_ErrorString(XML_GetErrorCode(xml));
        error.message = m_Abort ? *m_Abort : (text ? text : "unreadable XML");
        error.line = XML_GetCurrentLineNumber(xml);
        error.column = XML_GetCurrentColumnNumber(xml);
        m_ParserError = std::move(error);
        m_Root.reset();
    }
    XML_ParserFree(xml);
    // Elements still open at an error are let go one by one.
    while (!m_Stack.empty())
        m_Stack.pop_back();
    m_OpenInstances.clear();
    m_TextTarget = nullptr;
    return ok;
}

} // namespace qv
