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
#include <typeinfo>

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
            // Every attribute is checked before an object is made for the tag.
            std::vector<std::size_t>& lengths = self.m_AttributeLengths;
            lengths.clear();
            for (const XML_Char** a = atts; *a; a += 2) {
                if (hasForbiddenNameCharacter(a[0])) {
                    abort(c, "not well-formed (invalid name character)");
                    return;
                }
                lengths.push_back(std::strlen(a[1]));
                if (lengths.back() > kMaxAttributeLength) {
                    abort(c, std::string("attribute \"") + a[0] + "\" longer than " +
                                 std::to_string(kMaxAttributeLength) + " bytes");
                    return;
                }
            }
            bool instance = false;
            bool spare = false;
            ElementPtr element = self.elementForName(name, instance, spare);
            // Only the parser holds an object it made itself and has not
            // handed on: its reading is bracketed.
            const bool reading = !instance && element.use_count() == 1;
            if (reading)
                element->willReadElement();
            // A plain element made here takes its attributes straight into
            // its own map; any other gets the parser's map, whose strings
            // are reused from tag to tag. The XML parser has rejected
            // duplicate names already.
            // (A plain element whose class comes with a second type_info from
            // another library takes the general way, to the same effect.)
            const bool plain = spare || &typeid(*element) == &typeid(QVGenericElement);
            AttributeMap& attributes =
                plain ? static_cast<QVGenericElement&>(*element).attributes() : self.m_Attributes;
            const std::size_t count = lengths.size();
            if (plain)
                attributes.reserve(count);
            for (std::size_t i = 0; i < count; ++i)
                attributes.assignTextAt(i, atts[2 * i],
                                        std::string_view(atts[2 * i + 1], lengths[i]));
            attributes.truncate(count);
            if (!plain)
                element->setElementAttributes(attributes);
            self.pushElement(std::move(element), instance, reading, spare);
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
            const bool reading = self.m_Stack.back().reading;
            const bool spare = self.m_Stack.back().spare;
            ElementPtr element = self.popElement();
            if (reading)
                element->didReadElement();
            if (QVSaveableElement* parent = self.topElement()) {
                parent->addElement(element);
                // A leaf of our own that the parent did not keep serves the
                // next plain tag.
                if (spare && element.use_count() == 1 && self.m_Spares.size() < kMaxSpareElements) {
                    auto generic = std::static_pointer_cast<QVGenericElement>(std::move(element));
                    if (generic->children().empty())
                        self.m_Spares.push_back(std::move(generic));
                }
            } else {
                self.m_Root = std::move(element);
            }
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
        m_Registrations[name].factory = std::move(factory);
}

void QVParser::registerElementInstance(const ElementPtr& instance) {
    if (!instance)
        return;
    if (auto name = instance->elementName()) {
        m_Registrations[*name].instance = instance;
        m_Instances.clear();
        for (const auto& [registeredName, r] : m_Registrations)
            if (r.instance)
                m_Instances.push_back(r.instance.get());
    }
}

void QVParser::registerElementInstance(QVSaveableElement& instance) {
    // Shares no ownership: the caller keeps the object alive.
    registerElementInstance(ElementPtr(ElementPtr(), &instance));
}

ElementPtr QVParser::plainElement(std::string_view name) {
    if (m_Spares.empty())
        return QVGenericElement::elementNamed(name);
    std::shared_ptr<QVGenericElement> element = std::move(m_Spares.back());
    m_Spares.pop_back();
    element->reuseAs(name);
    return element;
}

ElementPtr QVParser::elementForName(std::string_view name, bool& instance, bool& spare) {
    instance = false;
    spare = false;
    const auto it = m_Registrations.find(name);
    if (it == m_Registrations.end()) {
        spare = true;
        return plainElement(name);
    }
    const Registration& r = it->second;
    // An instance that is already open (its own name nested inside it) would
    // become its own child; the nested element is built as if no instance
    // were registered.
    if (r.instance && !m_OpenInstances.count(r.instance.get())) {
        instance = true;
        return r.instance;
    }
    if (r.factory) {
        if (ElementPtr made = r.factory()) {
            // A factory may answer a registered instance too.
            instance =
                std::find(m_Instances.begin(), m_Instances.end(), made.get()) != m_Instances.end();
            return made;
        }
    }
    spare = true;
    return plainElement(name);
}

QVGenericElement* QVParser::genericElement(QVSaveableElement* element) {
    if (!element)
        return nullptr;
    const std::type_info& type = typeid(*element);
    if (&type == &typeid(QVGenericElement))
        return static_cast<QVGenericElement*>(element);
    for (const std::type_info* seen : m_NotGenericClasses)
        if (seen == &type)
            return nullptr;
    // A class may have a second type_info object when it comes from another
    // library; it then gets an entry of its own.
    auto* generic = dynamic_cast<QVGenericElement*>(element);
    if (!generic)
        m_NotGenericClasses.push_back(&type);
    return generic;
}

void QVParser::pushElement(ElementPtr element, bool instance, bool reading, bool spare) {
    m_Stack.reserve(m_Stack.size() + 1);
    QVGenericElement* textTarget = genericElement(element.get());
    if (instance)
        m_OpenInstances.insert(element.get());
    m_TextTarget = textTarget;
    m_Stack.push_back({std::move(element), textTarget, instance, reading, spare});
}

ElementPtr QVParser::popElement() {
    if (m_Stack.empty())
        return nullptr;
    Open open = std::move(m_Stack.back());
    m_Stack.pop_back();
    if (open.instance)
        m_OpenInstances.erase(open.element.get());
    m_TextTarget = m_Stack.empty() ? nullptr : m_Stack.back().textTarget;
    return std::move(open.element);
}

QVSaveableElement* QVParser::topElement() const {
    return m_Stack.empty() ? nullptr : m_Stack.back().element.get();
}

bool QVParser::parseData(const ByteBuffer& data) {
    return parseData(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
}

bool QVParser::parseData(std::string_view data) {
    m_Stack.clear();
    m_OpenInstances.clear();
    m_Spares.clear();
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
    m_Spares.clear();
    m_TextTarget = nullptr;
    return ok;
}

} // namespace qv
