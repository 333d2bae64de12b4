#pragma once
// Styled text of a text shape: paragraphs of runs. The model keeps only what
// its RTF codec stores (font family, size, bold, italic, underline, colour,
// paragraph alignment), and keeps it in one canonical form so that two texts
// that look the same compare equal:
//   - run text is valid UTF-8 without line feeds, carriage returns, U+2029
//     or NULs (those breaks separate paragraphs; tabs stay '\t', U+2028 is a
//     line break inside a paragraph);
//   - runs are non-empty and neighbours differ in attributes, except that an
//     empty paragraph keeps one empty run for the attributes of its line;
//   - font sizes are whole half-points in [1, 1638], colours are opaque with
//     components in steps of 1/255, font families are trimmed, at most
//     kMaxFontFamilyBytes long and never empty;
//   - a text that is one empty paragraph is the empty text (no paragraphs).

#include "framework/foundation/Color.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

enum class TextAlignment { Left, Center, Right, Justified };

struct TextAttributes {
    std::string fontFamily = "Helvetica";
    double fontSize = 12; // points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    Color color = Color::black();

    friend bool operator==(const TextAttributes&, const TextAttributes&) = default;
};

struct TextRun {
    std::string text; // UTF-8
    TextAttributes attributes;

    friend bool operator==(const TextRun&, const TextRun&) = default;
};

struct TextParagraph {
    TextAlignment alignment = TextAlignment::Left;
    std::vector<TextRun> runs;

    friend bool operator==(const TextParagraph&, const TextParagraph&) = default;
};

class RichText {
public:
    static constexpr double kMinFontSize = 1;
    static constexpr double kMaxFontSize = 1638;
    static constexpr std::size_t kMaxFontFamilyBytes = 128;

    RichText() = default;
    // Takes any paragraphs and brings them into the canonical form.
    explicit RichText(std::vector<TextParagraph> paragraphs);

    // Lines separated by "\n", "\r\n", "\r" or U+2029 become paragraphs.
    static RichText fromPlainText(std::string_view utf8,
                                  const TextAttributes& attributes = TextAttributes(),
                                  TextAlignment alignment = TextAlignment::Left);

    const std::vector<TextParagraph>& paragraphs() const { return m_Paragraphs; }
    // Paragraphs joined with "\n".
    std::string plainText() const;
    bool isEmpty() const { return m_Paragraphs.empty(); }

    // Edits every run (the whole text is the selection), then restores the
    // canonical form.
    void changeAttributes(const std::function<void(TextAttributes&)>& change);
    void setFontFamily(std::string_view family);
    void setFontSize(double points);
    void setAlignment(TextAlignment alignment);

    // The canonical form of single values, as the model stores them.
    static std::string normalizedFontFamily(std::string_view family);
    static double normalizedFontSize(double points);
    static Color normalizedColor(const Color& color);
    static TextAttributes normalizedAttributes(const TextAttributes& attributes);

    friend bool operator==(const RichText&, const RichText&) = default;

private:
    void normalize();

    std::vector<TextParagraph> m_Paragraphs;
};

} // namespace qv
