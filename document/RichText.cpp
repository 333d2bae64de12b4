#include "document/RichText.h"

#include "document/Utf8.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace qv {
namespace {

void trim(std::string& s) {
    // Only ASCII spaces are trimmed; a no-break space may be part of a name.
    std::size_t begin = 0;
    std::size_t end = s.size();
    while (begin < end && s[begin] == ' ')
        ++begin;
    while (end > begin && s[end - 1] == ' ')
        --end;
    s = s.substr(begin, end - begin);
}

// Appends text to the paragraph, merging with the last run when its
// attributes are the same.
void appendToParagraph(TextParagraph& paragraph, std::string_view text,
                       const TextAttributes& attributes) {
    if (text.empty())
        return;
    if (!paragraph.runs.empty() && paragraph.runs.back().attributes == attributes) {
        paragraph.runs.back().text.append(text);
        return;
    }
    paragraph.runs.push_back({std::string(text), attributes});
}

} // namespace

RichText::RichText(std::vector<TextParagraph> paragraphs) : m_Paragraphs(std::move(paragraphs)) {
    normalize();
}

RichText RichText::fromPlainText(std::string_view utf8, const TextAttributes& attributes,
                                 TextAlignment alignment) {
    TextParagraph paragraph;
    paragraph.alignment = alignment;
    paragraph.runs.push_back({std::string(utf8), attributes});
    return RichText({std::move(paragraph)});
}

std::string RichText::plainText() const {
    std::string text;
    for (std::size_t p = 0; p < m_Paragraphs.size(); ++p) {
        if (p > 0)
            text.push_back('\n');
        for (const TextRun& run : m_Paragraphs[p].runs)
            text.append(run.text);
    }
    return text;
}

void RichText::changeAttributes(const std::function<void(TextAttributes&)>& change) {
    for (TextParagraph& paragraph : m_Paragraphs)
        for (TextRun& run : paragraph.runs)
            change(run.attributes);
    normalize();
}

void RichText::setFontFamily(std::string_view family) {
    const std::string normalized = normalizedFontFamily(family);
    changeAttributes([&](TextAttributes& a) { a.fontFamily = normalized; });
}

void RichText::setFontSize(double points) {
    changeAttributes([&](TextAttributes& a) { a.fontSize = points; });
}

void RichText::setAlignment(TextAlignment alignment) {
    for (TextParagraph& paragraph : m_Paragraphs)
        paragraph.alignment = alignment;
}

namespace {

// The common case: printable ASCII, trimmed, short enough.
bool isPlainFontFamily(std::string_view family) {
    if (family.empty() || family.size() > RichText::kMaxFontFamilyBytes || family.front() == ' ' ||
        family.back() == ' ')
        return false;
    return std::all_of(family.begin(), family.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

bool isNormalizedText(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        if (b >= 0x20 && b < 0x80) {
            ++i;
            continue;
        }
        const std::size_t start = i;
        const char32_t c = utf8::next(text, i);
        if (c == 0 || c == '\r' || c == '\n' || c == 0x2029 ||
            (c == utf8::kReplacementCharacter && i - start != 3))
            return false;
    }
    return true;
}

bool isNormalizedAttributes(const TextAttributes& a) {
    return (isPlainFontFamily(a.fontFamily) ||
            RichText::normalizedFontFamily(a.fontFamily) == a.fontFamily) &&
           RichText::normalizedFontSize(a.fontSize) == a.fontSize &&
           RichText::normalizedColor(a.color) == a.color;
}

bool isCanonical(const std::vector<TextParagraph>& paragraphs) {
    if (paragraphs.size() == 1 && paragraphs[0].runs.size() == 1 &&
        paragraphs[0].runs[0].text.empty())
        return false;
    for (const TextParagraph& p : paragraphs) {
        if (p.runs.empty())
            return false;
        for (std::size_t r = 0; r < p.runs.size(); ++r) {
            const TextRun& run = p.runs[r];
            if ((run.text.empty() && p.runs.size() > 1) || !isNormalizedText(run.text) ||
                !isNormalizedAttributes(run.attributes) ||
                (r > 0 && p.runs[r - 1].attributes == run.attributes))
                return false;
        }
    }
    return true;
}

} // namespace

std::string RichText::normalizedFontFamily(std::string_view family) {
    if (isPlainFontFamily(family))
        return std::string(family);
    std::string out;
    out.reserve(std::min(family.size(), kMaxFontFamilyBytes));
    for (std::size_t i = 0; i < family.size();) {
        const char32_t c = utf8::next(family, i);
        if (c < 0x20 || c == 0x7F)
            continue;
        if (out.empty() && c == ' ')
            continue;
        if (out.size() + utf8::encodedLength(c) > kMaxFontFamilyBytes)
            break;
        utf8::append(out, c);
    }
    trim(out);
    if (out.empty())
        out = TextAttributes().fontFamily;
    return out;
}

double RichText::normalizedFontSize(double points) {
    if (std::isnan(points))
        return TextAttributes().fontSize;
    const double clamped = std::clamp(points, kMinFontSize, kMaxFontSize);
    return std::round(clamped * 2) / 2;
}

Color RichText::normalizedColor(const Color& color) {
    const auto step = [](double c) {
        if (std::isnan(c))
            return 0.0;
        return std::round(std::clamp(c, 0.0, 1.0) * 255) / 255;
    };
    return {step(color.red), step(color.green), step(color.blue), 1};
}

TextAttributes RichText::normalizedAttributes(const TextAttributes& attributes) {
    TextAttributes a;
    a.fontFamily = normalizedFontFamily(attributes.fontFamily);
    a.fontSize = normalizedFontSize(attributes.fontSize);
    a.bold = attributes.bold;
    a.italic = attributes.italic;
    a.underline = attributes.underline;
    a.color = normalizedColor(attributes.color);
    return a;
}

void RichText::normalize() {
    // Texts from the RTF reader and the editor are usually canonical already.
    if (isCanonical(m_Paragraphs))
        return;
    std::vector<TextParagraph> out;
    out.reserve(m_Paragraphs.size());
    for (const TextParagraph& source : m_Paragraphs) {
        TextParagraph current;
        current.alignment = source.alignment;
        TextAttributes lastAttributes; // for a paragraph that ends up empty
        bool afterCarriageReturn = false;
        std::string pending;

        const auto endParagraph = [&] {
            appendToParagraph(current, pending, lastAttributes);
            pending.clear();
            if (current.runs.empty())
                current.runs.push_back({std::string(), lastAttributes});
            out.push_back(std::move(current));
            current = TextParagraph();
            current.alignment = source.alignment;
        };

        const TextAttributes* lastSource = nullptr;
        for (const TextRun& run : source.runs) {
            // Runs in a row often share their attributes; normalize them once.
            if (!lastSource || !(*lastSource == run.attributes)) {
                TextAttributes attributes = normalizedAttributes(run.attributes);
                if (!(attributes == lastAttributes)) {
                    appendToParagraph(current, pending, lastAttributes);
                    pending.clear();
                    lastAttributes = std::move(attributes);
                }
            }
            lastSource = &run.attributes;
            const std::string_view text = run.text;
            for (std::size_t i = 0; i < text.size();) {
                const char32_t c = utf8::next(text, i);
                if (c == '\n' && afterCarriageReturn) {
                    afterCarriageReturn = false;
                    continue;
                }
                afterCarriageReturn = c == '\r';
                if (c == '\r' || c == '\n' || c == 0x2029) {
                    endParagraph();
                } else if (c != 0) {
                    utf8::append(pending, c);
                }
            }
        }
        endParagraph();
    }
    if (out.size() == 1 && out[0].runs.size() == 1 && out[0].runs[0].text.empty())
        out.clear();
    m_Paragraphs = std::move(out);
}

} // namespace qv
