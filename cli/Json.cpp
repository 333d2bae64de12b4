#include "cli/Json.h"

#include <charconv>
#include <cmath>

namespace qv::cli {

Json& Json::set(std::string key, Json value) {
    if (std::holds_alternative<std::monostate>(m_Data))
        m_Data = Object{};
    std::get<Object>(m_Data).emplace_back(std::move(key), std::move(value));
    return *this;
}

Json& Json::push(Json value) {
    if (std::holds_alternative<std::monostate>(m_Data))
        m_Data = Array{};
    std::get<Array>(m_Data).push_back(std::move(value));
    return *this;
}

std::string jsonNumber(double v) {
    if (!std::isfinite(v))
        return "null";
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
    if (ec != std::errc())
        return "null";
    return std::string(buffer, end);
}

std::string jsonString(std::string_view s) {
    std::string out = "\"";
    static const char* hex = "0123456789abcdef";
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    out += "\\u00";
                    out += hex[c >> 4];
                    out += hex[c & 15];
                } else {
                    out += char(c);
                }
            }
            ++i;
            continue;
        }
        // A well-formed UTF-8 sequence is copied; anything else is replaced.
        int length = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
        bool valid = length > 0 && i + std::size_t(length) <= s.size();
        std::uint32_t cp = length == 2 ? c & 0x1F : length == 3 ? c & 0x0F : c & 0x07;
        for (int k = 1; valid && k < length; ++k) {
            const unsigned char cc = static_cast<unsigned char>(s[i + std::size_t(k)]);
            valid = (cc & 0xC0) == 0x80;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (valid)
            valid = !(length == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) &&
                    !(length == 4 && (cp < 0x10000 || cp > 0x10FFFF));
        if (valid) {
            out.append(s.substr(i, std::size_t(length)));
            i += std::size_t(length);
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    out += '"';
    return out;
}

bool Json::isScalar() const {
    return !std::holds_alternative<Array>(m_Data) && !std::holds_alternative<Object>(m_Data);
}

void Json::write(std::string& out, int indent) const {
    const std::string pad(std::size_t(indent + 2), ' ');
    const std::string closePad(std::size_t(indent), ' ');
    if (std::holds_alternative<std::monostate>(m_Data)) {
        out += "null";
    } else if (const bool* b = std::get_if<bool>(&m_Data)) {
        out += *b ? "true" : "false";
    } else if (const std::int64_t* i = std::get_if<std::int64_t>(&m_Data)) {
        out += std::to_string(*i);
    } else if (const std::uint64_t* u = std::get_if<std::uint64_t>(&m_Data)) {
        out += std::to_string(*u);
    } else if (const double* d = std::get_if<double>(&m_Data)) {
        out += jsonNumber(*d);
    } else if (const std::string* s = std::get_if<std::string>(&m_Data)) {
        out += jsonString(*s);
    } else if (const Array* a = std::get_if<Array>(&m_Data)) {
        if (a->empty()) {
            out += "[]";
            return;
        }
        bool flat = true;
        for (const Json& e : *a)
            flat = flat && e.isScalar() && !std::holds_alternative<std::string>(e.m_Data);
        // A path element starts with its name and goes on with numbers.
        if (!flat && std::holds_alternative<std::string>(a->front().m_Data)) {
            flat = true;
            for (std::size_t k = 1; k < a->size(); ++k)
                flat = flat && (*a)[k].isScalar();
        }
        if (flat) {
            out += '[';
            for (std::size_t k = 0; k < a->size(); ++k) {
                if (k)
                    out += ", ";
                (*a)[k].write(out, indent);
            }
            out += ']';
            return;
        }
        out += "[\n";
        for (std::size_t k = 0; k < a->size(); ++k) {
            out += pad;
            (*a)[k].write(out, indent + 2);
            out += k + 1 < a->size() ? ",\n" : "\n";
        }
        out += closePad + "]";
    } else if (const Object* o = std::get_if<Object>(&m_Data)) {
        if (o->empty()) {
            out += "{}";
            return;
        }
        out += "{\n";
        for (std::size_t k = 0; k < o->size(); ++k) {
            out += pad + jsonString((*o)[k].first) + ": ";
            (*o)[k].second.write(out, indent + 2);
            out += k + 1 < o->size() ? ",\n" : "\n";
        }
        out += closePad + "}";
    }
}

std::string Json::dump() const {
    std::string out;
    write(out, 0);
    out += '\n';
    return out;
}

} // namespace qv::cli
