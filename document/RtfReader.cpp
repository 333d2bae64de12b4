#include "document/RtfReader.h"

#include "document/Cp1252.h"
#include "document/Utf8.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <unordered_map>
#include <utility>
#include <vector>

namespace qv {
namespace {

enum class Destination : std::uint8_t { Text, FontTable, ColorTable, Skip };

struct CharacterState {
    int font = -1; // -1: the document's default font
    int halfPoints = 24;
    int color = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool hidden = false;

    friend bool operator==(const CharacterState&, const CharacterState&) = default;
};

struct GroupState {
    CharacterState characters;
    TextAlignment alignment = TextAlignment::Left;
    int unicodeSkip = 1; // \ucN: fallback characters after each \uN
    Destination destination = Destination::Text;
};

enum class Word : std::uint8_t {
    Unknown,
    Deff,
    FontTable,
    ColorTable,
    SkippedDestination,
    Font,
    FontSize,
    Color,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Hidden,
    Plain,
    Pard,
    AlignLeft,
    AlignCenter,
    AlignRight,
    AlignJustified,
    Paragraph,
    Line,
    Tab,
    Unicode,
    UnicodeSkip,
    Binary,
    Red,
    Green,
    Blue,
    Character, // a special character, see specialCharacter()
};

struct WordInfo {
    Word word;
    char32_t character = 0;
};

const std::unordered_map<std::string_view, WordInfo>& wordTable() {
    static const std::unordered_map<std::string_view, WordInfo> table = [] {
        std::unordered_map<std::string_view, WordInfo> t = {
            {"deff", {Word::Deff}},
            {"fonttbl", {Word::FontTable}},
            {"colortbl", {Word::ColorTable}},
            {"f", {Word::Font}},
            {"fs", {Word::FontSize}},
            {"cf", {Word::Color}},
            {"b", {Word::Bold}},
            {"i", {Word::Italic}},
            {"ulnone", {Word::UnderlineNone}},
            {"v", {Word::Hidden}},
            {"plain", {Word::Plain}},
            {"pard", {Word::Pard}},
            {"ql", {Word::AlignLeft}},
            {"qc", {Word::AlignCenter}},
            {"qr", {Word::AlignRight}},
            {"qj", {Word::AlignJustified}},
            {"qd", {Word::AlignJustified}},
            {"par", {Word::Paragraph}},
            {"sect", {Word::Paragraph}},
            {"page", {Word::Paragraph}},
            {"row", {Word::Paragraph}},
            {"line", {Word::Line}},
            {"tab", {Word::Tab}},
            {"cell", {Word::Tab}},
            {"nestcell", {Word::Tab}},
            {"u", {Word::Unicode}},
            {"uc", {Word::UnicodeSkip}},
            {"bin", {Word::Binary}},
            {"red", {Word::Red}},
            {"green", {Word::Green}},
            {"blue", {Word::Blue}},
            {"emdash", {Word::Character, 0x2014}},
            {"endash", {Word::Character, 0x2013}},
            {"bullet", {Word::Character, 0x2022}},
            {"lquote", {Word::Character, 0x2018}},
            {"rquote", {Word::Character, 0x2019}},
            {"ldblquote", {Word::Character, 0x201C}},
            {"rdblquote", {Word::Character, 0x201D}},
            {"emspace", {Word::Character, 0x2003}},
            {"enspace", {Word::Character, 0x2002}},
            {"qmspace", {Word::Character, 0x2005}},
            {"zwj", {Word::Character, 0x200D}},
            {"zwnj", {Word::Character, 0x200C}},
            {"zwbo", {Word::Character, 0x200B}},
            {"ltrmark", {Word::Character, 0x200E}},
            {"rtlmark", {Word::Character, 0x200F}},
        };
        // Destinations whose content is not part of the visible text.
        for (std::string_view name : {"stylesheet",
                                      "info",
                                      "pict",
                                      "object",
                                      "objdata",
                                      "header",
                                      "headerl",
                                      "headerr",
                                      "headerf",
                                      "footer",
                                      "footerl",
                                      "footerr",
                                      "footerf",
                                      "footnote",
                                      "annotation",
                                      "atnid",
                                      "atnauthor",
                                      "fldinst",
                                      "xe",
                                      "tc",
                                      "txe",
                                      "rxe",
                                      "bkmkstart",
                                      "bkmkend",
                                      "template",
                                      "revtbl",
                                      "filetbl",
                                      "listtable",
                                      "listoverridetable",
                                      "pntxta",
                                      "pntxtb",
                                      "author",
                                      "title",
                                      "subject",
                                      "operator",
                                      "keywords",
                                      "comment",
                                      "doccomm",
                                      "company",
                                      "creatim",
                                      "revtim",
                                      "printim",
                                      "buptim",
                                      "nonshppict",
                                      "shp",
                                      "do",
                                      "ftnsep",
                                      "ftnsepc",
                                      "ftncn",
                                      "aftnsep",
                                      "aftnsepc",
                                      "aftncn",
                                      "private",
                                      "userprops",
                                      "rsidtbl",
                                      "generator",
                                      "xmlnstbl",
                                      "themedata",
                                      "colorschememapping",
                                      "datastore",
                                      "latentstyles",
                                      "pgdsctbl",
                                      "objclass",
                                      "objname",
                                      "mmathPr",
                                      "category",
                                      "manager",
                                      "hlinkbase"})
            t.emplace(name, WordInfo{Word::SkippedDestination});
        return t;
    }();
    return table;
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// One pass over the input with an explicit group stack, so nesting costs no
// recursion and every byte is looked at a bounded number of times.
class RtfReader {
public:
    explicit RtfReader(std::string_view input) : m_In(input) {}

    RichText read() {
        while (m_Pos < m_In.size() && !m_Done) {
            const char c = m_In[m_Pos++];
            switch (c) {
            case '{':
                openGroup();
                break;
            case '}':
                closeGroup();
                break;
            case '\\':
                controlSequence();
                break;
            case '\r':
            case '\n':
                break;
            default:
                if (m_Overflow > 0 || consumeFallback())
                    break;
                if (c == '\t')
                    character(U'\t', false);
                else if (static_cast<unsigned char>(c) >= 0x20)
                    character(cp1252::toUnicode(static_cast<unsigned char>(c)), c == ';');
                break;
            }
            if (c != '\r' && c != '\n')
                m_GroupFresh = c == '{';
        }
        finish();
        return RichText(std::move(m_Paragraphs));
    }

private:
    GroupState& state() { return m_Stack.back(); }

    void openGroup() {
        m_SkipFallback = 0;
        if (m_Overflow > 0 || m_Stack.size() >= static_cast<std::size_t>(kMaxRtfGroupDepth)) {
            ++m_Overflow;
            return;
        }
        if (m_Stack.empty())
            m_Stack.emplace_back();
        else
            m_Stack.push_back(m_Stack.back());
    }

    void closeGroup() {
        m_SkipFallback = 0;
        if (m_Overflow > 0) {
            --m_Overflow;
            return;
        }
        if (m_Stack.empty())
            return;
        // An entry may end with its group instead of a ';'.
        if (state().destination == Destination::FontTable &&
            m_FontName.find_first_not_of(' ') != std::string::npos)
            commitFont();
        if (m_Stack.size() == 1) {
            finish();
            m_Done = true;
            return;
        }
        m_Stack.pop_back();
    }

    // True when the character belongs to the fallback of a preceding \uN.
    bool consumeFallback() {
        if (m_SkipFallback <= 0)
            return false;
        --m_SkipFallback;
        return true;
    }

    void controlSequence() {
        if (m_Pos >= m_In.size())
            return;
        const char c = m_In[m_Pos];
        if (isLetter(c)) {
            controlWord();
            return;
        }
        ++m_Pos;
        if (c == '\'') {
            int value = -1;
            if (m_Pos + 1 < m_In.size()) {
                const int high = hexValue(m_In[m_Pos]);
                const int low = hexValue(m_In[m_Pos + 1]);
                if (high >= 0 && low >= 0) {
                    value = high * 16 + low;
                    m_Pos += 2;
                }
            }
            if (m_Overflow > 0 || consumeFallback() || value < 0)
                return;
            character(cp1252::toUnicode(static_cast<std::uint8_t>(value)), false);
            return;
        }
        if (c == '*') {
            // "{\*\word ...}": a destination this reader may not know; skip it.
            if (m_GroupFresh && m_Overflow == 0 && !m_Stack.empty())
                state().destination = Destination::Skip;
            return;
        }
        if (m_Overflow > 0 || consumeFallback())
            return;
        switch (c) {
        case '\\':
        case '{':
        case '}':
            character(static_cast<unsigned char>(c), false);
            break;
        case '~':
            character(0x00A0, false);
            break;
        case '_':
            character(0x2011, false);
            break;
        case '\t':
            character(U'\t', false);
            break;
        case '\n':
        case '\r':
            paragraphBreak();
            break;
        default: // \- (optional hyphen), \: and unknown symbols
            break;
        }
    }

    void controlWord() {
        const std::size_t start = m_Pos;
        while (m_Pos < m_In.size() && isLetter(m_In[m_Pos]))
            ++m_Pos;
        const std::string_view name = m_In.substr(start, m_Pos - start);
        bool hasParameter = false;
        bool negative = false;
        std::int64_t parameter = 0;
        if (m_Pos < m_In.size() && m_In[m_Pos] == '-' && m_Pos + 1 < m_In.size() &&
            isDigit(m_In[m_Pos + 1])) {
            negative = true;
            ++m_Pos;
        }
        while (m_Pos < m_In.size() && isDigit(m_In[m_Pos])) {
            hasParameter = true;
            parameter = std::min<std::int64_t>(parameter * 10 + (m_In[m_Pos] - '0'), 1LL << 32);
            ++m_Pos;
        }
        if (negative)
            parameter = -parameter;
        const int value =
            static_cast<int>(std::clamp<std::int64_t>(parameter, INT32_MIN, INT32_MAX));
        if (m_Pos < m_In.size() && m_In[m_Pos] == ' ')
            ++m_Pos;

        WordInfo info{Word::Unknown};
        if (name.size() <= 32) {
            const auto& table = wordTable();
            const auto found = table.find(name);
            if (found != table.end())
                info = found->second;
            else if (name.starts_with("ul") && name != "ulc")
                info = WordInfo{Word::Underline};
        }

        if (info.word == Word::Binary) {
            // Raw bytes follow; they must not be read as RTF.
            const std::size_t count = value > 0 ? static_cast<std::size_t>(value) : 0;
            m_Pos += std::min(count, m_In.size() - m_Pos);
            return;
        }
        if (m_Overflow > 0 || m_Stack.empty() || consumeFallback())
            return;
        const bool on = !hasParameter || value != 0;
        GroupState& group = state();

        switch (info.word) {
        case Word::FontTable:
            group.destination = Destination::FontTable;
            m_FontName.clear();
            m_FontEntry = 0;
            return;
        case Word::ColorTable:
            group.destination = Destination::ColorTable;
            m_Colors.clear();
            resetColorComponents();
            return;
        case Word::SkippedDestination:
            group.destination = Destination::Skip;
            return;
        default:
            break;
        }

        switch (group.destination) {
        case Destination::Skip:
            return;
        case Destination::FontTable:
            if (info.word == Word::Font) {
                m_FontEntry = value;
                m_FontName.clear();
            } else if (info.word == Word::Unicode)
                unicode(value);
            else if (info.word == Word::UnicodeSkip)
                group.unicodeSkip = std::clamp(value, 0, 64);
            return;
        case Destination::ColorTable:
            if (info.word == Word::Red)
                m_Red = std::clamp(value, 0, 255), m_ColorSet = true;
            else if (info.word == Word::Green)
                m_Green = std::clamp(value, 0, 255), m_ColorSet = true;
            else if (info.word == Word::Blue)
                m_Blue = std::clamp(value, 0, 255), m_ColorSet = true;
            return;
        case Destination::Text:
            break;
        }

        CharacterState& chars = group.characters;
        switch (info.word) {
        case Word::Deff:
            m_DefaultFont = value;
            break;
        case Word::Font:
            chars.font = value;
            break;
        case Word::FontSize:
            if (hasParameter && value > 0)
                chars.halfPoints = std::min(value, 2 * static_cast<int>(RichText::kMaxFontSize));
            break;
        case Word::Color:
            chars.color = value;
            break;
        case Word::Bold:
            chars.bold = on;
            break;
        case Word::Italic:
            chars.italic = on;
            break;
        case Word::Underline:
            chars.underline = on;
            break;
        case Word::UnderlineNone:
            chars.underline = false;
            break;
        case Word::Hidden:
            chars.hidden = on;
            break;
        case Word::Plain:
            chars = CharacterState();
            break;
        case Word::Pard:
            group.alignment = TextAlignment::Left;
            break;
        case Word::AlignLeft:
            group.alignment = TextAlignment::Left;
            break;
        case Word::AlignCenter:
            group.alignment = TextAlignment::Center;
            break;
        case Word::AlignRight:
            group.alignment = TextAlignment::Right;
            break;
        case Word::AlignJustified:
            group.alignment = TextAlignment::Justified;
            break;
        case Word::Paragraph:
            paragraphBreak();
            break;
        case Word::Line:
            character(0x2028, false);
            break;
        case Word::Tab:
            character(U'\t', false);
            break;
        case Word::Unicode:
            unicode(value);
            break;
        case Word::UnicodeSkip:
            group.unicodeSkip = std::clamp(value, 0, 64);
            break;
        case Word::Character:
            character(info.character, false);
            break;
        default:
            break;
        }
    }

    // \uN: a signed 16-bit code unit; pairs of surrogates make one character.
    void unicode(int value) {
        const char32_t unit = static_cast<char32_t>(value < 0 ? value + 65536 : value) & 0xFFFF;
        const int skip = state().unicodeSkip;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (m_HighSurrogate != 0)
                character(utf8::kReplacementCharacter, false);
            m_HighSurrogate = unit;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            if (m_HighSurrogate != 0) {
                const char32_t c = 0x10000 + ((m_HighSurrogate - 0xD800) << 10) + (unit - 0xDC00);
                m_HighSurrogate = 0;
                character(c, false);
            } else {
                character(utf8::kReplacementCharacter, false);
            }
        } else {
            character(unit, false);
        }
        m_SkipFallback = skip;
    }

    // A character of the current destination. `literal` is true for a plain
    // ';' in the input, which ends font and colour table entries.
    void character(char32_t c, bool literal) {
        if (m_HighSurrogate != 0) {
            m_HighSurrogate = 0;
            character(utf8::kReplacementCharacter, false);
        }
        GroupState& group = state();
        switch (group.destination) {
        case Destination::Skip:
            return;
        case Destination::FontTable:
            if (literal && c == ';')
                commitFont();
            else if (m_FontName.size() < 4 * RichText::kMaxFontFamilyBytes)
                utf8::append(m_FontName, c);
            return;
        case Destination::ColorTable:
            if (literal && c == ';')
                commitColor();
            return;
        case Destination::Text:
            break;
        }
        if (group.characters.hidden || c == 0)
            return;
        if (c == '\n' || c == '\r' || c == 0x2029) {
            paragraphBreak();
            return;
        }
        if (m_Pending.empty()) {
            m_PendingState = group.characters;
        } else if (!(m_PendingState == group.characters)) {
            flushPending();
            m_PendingState = group.characters;
        }
        utf8::append(m_Pending, c);
    }

    void paragraphBreak() {
        if (m_Stack.empty() || state().destination != Destination::Text)
            return;
        endParagraph();
        m_SawParagraphBreak = true;
    }

    void endParagraph() {
        flushPending();
        if (m_Current.runs.empty())
            m_Current.runs.push_back({std::string(), attributesFor(state().characters)});
        m_Current.alignment = state().alignment;
        m_Paragraphs.push_back(std::move(m_Current));
        m_Current = TextParagraph();
    }

    void finish() {
        if (m_Done || m_Stack.empty())
            return;
        if (m_HighSurrogate != 0)
            character(utf8::kReplacementCharacter, false);
        flushPending();
        if (m_SawParagraphBreak || !m_Current.runs.empty()) {
            // The state where the text ends describes the last line.
            const GroupState saved = state();
            state().destination = Destination::Text;
            endParagraph();
            state() = saved;
        }
    }

    void flushPending() {
        if (m_Pending.empty())
            return;
        const TextAttributes attributes = attributesFor(m_PendingState);
        if (!m_Current.runs.empty() && m_Current.runs.back().attributes == attributes)
            m_Current.runs.back().text.append(m_Pending);
        else
            m_Current.runs.push_back({m_Pending, attributes});
        m_Pending.clear();
    }

    TextAttributes attributesFor(const CharacterState& chars) const {
        TextAttributes a;
        // A font missing from the table is the document's default font.
        auto font = m_Fonts.find(chars.font >= 0 ? chars.font : m_DefaultFont);
        if (font == m_Fonts.end())
            font = m_Fonts.find(m_DefaultFont);
        if (font != m_Fonts.end())
            a.fontFamily = font->second;
        a.fontSize = RichText::normalizedFontSize(chars.halfPoints / 2.0);
        a.bold = chars.bold;
        a.italic = chars.italic;
        a.underline = chars.underline;
        if (chars.color >= 0 && static_cast<std::size_t>(chars.color) < m_Colors.size() &&
            m_Colors[chars.color])
            a.color = *m_Colors[chars.color];
        return a;
    }

    void commitFont() {
        m_Fonts[m_FontEntry] = RichText::normalizedFontFamily(m_FontName);
        m_FontName.clear();
    }

    void commitColor() {
        if (m_ColorSet)
            m_Colors.push_back(Color(m_Red / 255.0, m_Green / 255.0, m_Blue / 255.0));
        else
            m_Colors.push_back(std::nullopt); // "auto": the default text colour
        resetColorComponents();
    }

    void resetColorComponents() {
        m_Red = m_Green = m_Blue = 0;
        m_ColorSet = false;
    }

    std::string_view m_In;
    std::size_t m_Pos = 0;
    bool m_Done = false;
    bool m_GroupFresh = false; // nothing but "{" read since the group opened

    std::vector<GroupState> m_Stack;
    int m_Overflow = 0; // groups opened beyond the depth limit, skipped
    int m_SkipFallback = 0;
    char32_t m_HighSurrogate = 0;

    std::map<int, std::string> m_Fonts;
    int m_DefaultFont = 0;
    int m_FontEntry = 0;
    std::string m_FontName;

    std::vector<std::optional<Color>> m_Colors;
    int m_Red = 0, m_Green = 0, m_Blue = 0;
    bool m_ColorSet = false;

    std::vector<TextParagraph> m_Paragraphs;
    TextParagraph m_Current;
    std::string m_Pending;
    CharacterState m_PendingState;
    bool m_SawParagraphBreak = false;
};

} // namespace

std::optional<RichText> richTextFromRTF(std::string_view bytes) {
    if (!bytes.starts_with("{\\rtf"))
        return std::nullopt;
    return RtfReader(bytes).read();
}

} // namespace qv
