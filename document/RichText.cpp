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

std::string RichText::normalizedFontFamily(std::string_view family) {
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

        for (const TextRun& run : source.runs) {
            TextAttributes attributes = normalizedAttributes(run.attributes);
            if (!(attributes == lastAttributes)) {
                appendToParagraph(current, pending, lastAttributes);
                pending.clear();
                lastAttributes = std::move(attributes);
            }
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
