#include "document/RtfWriter.h"

#include "document/Cp1252.h"
#include "document/Utf8.h"

#include <cmath>
#include <map>
#include <string_view>
#include <vector>

namespace qv {
namespace {

struct ColorBytes {
    int red, green, blue;
    friend auto operator<=>(const ColorBytes&, const ColorBytes&) = default;
};

ColorBytes colorBytes(const Color& c) {
    const auto byte = [](double v) { return static_cast<int>(std::lround(v * 255)); };
    const Color n = RichText::normalizedColor(c);
    return {byte(n.red), byte(n.green), byte(n.blue)};
}

// Entries in order of first use, with an index for lookups.
template <typename T> class Table {
public:
    int indexOf(const T& value) {
        const auto [it, inserted] = m_Index.emplace(value, static_cast<int>(m_Entries.size()));
        if (inserted)
            m_Entries.push_back(value);
        return it->second;
    }
    const std::vector<T>& entries() const { return m_Entries; }

private:
    std::map<T, int> m_Index;
    std::vector<T> m_Entries;
};

void appendHexByte(std::string& out, int byte) {
    static constexpr char kDigits[] = "0123456789abcdef";
    out += "\\'";
    out.push_back(kDigits[(byte >> 4) & 0xF]);
    out.push_back(kDigits[byte & 0xF]);
}

void appendUnicodeUnit(std::string& out, char32_t unit) {
    // \uN takes a signed 16-bit value; '?' is the fallback for readers
    // without Unicode.
    const int value = unit >= 0x8000 ? static_cast<int>(unit) - 0x10000 : static_cast<int>(unit);
    out += "\\u" + std::to_string(value) + "?";
}

// Text in RTF syntax. In the font table a ';' would end the name, so it is
// escaped there.
void appendEscaped(std::string& out, std::string_view text, bool inFontTable) {
    for (std::size_t i = 0; i < text.size();) {
        const char32_t c = utf8::next(text, i);
        if (c == '\\' || c == '{' || c == '}') {
            out.push_back('\\');
            out.push_back(static_cast<char>(c));
        } else if (c == '\t' && !inFontTable) {
            out += "\\tab ";
        } else if (c == 0x2028 && !inFontTable) {
            out += "\\line ";
        } else if (c == ';' && inFontTable) {
            appendHexByte(out, ';');
        } else if (c >= 0x20 && c < 0x7F) {
            out.push_back(static_cast<char>(c));
        } else if (const int byte = cp1252::fromUnicode(c); byte >= 0) {
            appendHexByte(out, byte);
        } else if (c >= 0x10000) {
            const char32_t v = c - 0x10000;
            appendUnicodeUnit(out, 0xD800 + (v >> 10));
            appendUnicodeUnit(out, 0xDC00 + (v & 0x3FF));
        } else {
            appendUnicodeUnit(out, c);
        }
    }
}

const char* alignmentWord(TextAlignment alignment) {
    switch (alignment) {
    case TextAlignment::Center:
        return "\\qc";
    case TextAlignment::Right:
        return "\\qr";
    case TextAlignment::Justified:
        return "\\qj";
    case TextAlignment::Left:
        break;
    }
    return "\\ql";
}

} // namespace

std::string rtfFromRichText(const RichText& text) {
    Table<std::string> fonts;
    Table<ColorBytes> colors;
    for (const TextParagraph& paragraph : text.paragraphs())
        for (const TextRun& run : paragraph.runs) {
            fonts.indexOf(run.attributes.fontFamily);
            colors.indexOf(colorBytes(run.attributes.color));
        }
    if (fonts.entries().empty())
        fonts.indexOf(TextAttributes().fontFamily);

    std::string out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\n{\\fonttbl";
    for (std::size_t i = 0; i < fonts.entries().size(); ++i) {
        out += "{\\f" + std::to_string(i) + "\\fnil\\fcharset0 ";
        appendEscaped(out, fonts.entries()[i], true);
        out += ";}";
    }
    out += "}\n{\\colortbl;";
    for (const ColorBytes& c : colors.entries())
        out += "\\red" + std::to_string(c.red) + "\\green" + std::to_string(c.green) + "\\blue" +
               std::to_string(c.blue) + ";";
    out += "}\n";

    // What the reader's state holds after the header: font 0, 12 points, \cf0.
    int font = 0;
    int halfPoints = 24;
    int color = 0;
    bool bold = false, italic = false, underline = false;
    bool first = true;
    const auto& paragraphs = text.paragraphs();
    for (std::size_t p = 0; p < paragraphs.size(); ++p) {
        const TextParagraph& paragraph = paragraphs[p];
        out += "\\pard";
        out += alignmentWord(paragraph.alignment);
        bool needsDelimiter = true;
        for (const TextRun& run : paragraph.runs) {
            const TextAttributes& a = run.attributes;
            const int runFont = fonts.indexOf(a.fontFamily);
            const int runHalfPoints = static_cast<int>(std::lround(a.fontSize * 2));
            const int runColor = colors.indexOf(colorBytes(a.color)) + 1;
            if (first || runFont != font)
                out += "\\f" + std::to_string(runFont), needsDelimiter = true;
            if (first || runHalfPoints != halfPoints)
                out += "\\fs" + std::to_string(runHalfPoints), needsDelimiter = true;
            if (first || runColor != color)
                out += "\\cf" + std::to_string(runColor), needsDelimiter = true;
            if (a.bold != bold)
                out += a.bold ? "\\b" : "\\b0", needsDelimiter = true;
            if (a.italic != italic)
                out += a.italic ? "\\i" : "\\i0", needsDelimiter = true;
            if (a.underline != underline)
                out += a.underline ? "\\ul" : "\\ulnone", needsDelimiter = true;
            font = runFont, halfPoints = runHalfPoints, color = runColor;
            bold = a.bold, italic = a.italic, underline = a.underline;
            first = false;
            if (needsDelimiter)
                out.push_back(' '), needsDelimiter = false;
            appendEscaped(out, run.text, false);
        }
        if (needsDelimiter)
            out.push_back(' ');
        if (p + 1 < paragraphs.size())
            out += "\\par\n";
    }
    out += "}";
    return out;
}

} // namespace qv
