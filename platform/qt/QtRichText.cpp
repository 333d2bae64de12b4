#include "platform/qt/QtRichText.h"

#include <QAbstractTextDocumentLayout>
#include <QBrush>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

#include <algorithm>
#include <array>
#include <cmath>

// Qt scales tab stops by the layout device's dpi over this one.
Q_GUI_EXPORT int qt_defaultDpiY();

namespace qv {
namespace {

// Where a char format keeps the family name the model gave it, so that a
// PostScript name survives a trip through the editor unchanged.
constexpr int kModelFontFamilyProperty = QTextFormat::UserProperty + 0x5156;

// The platform's text system puts a tab stop every 28 points.
constexpr double kTabInterval = 28;

// The device every text layout is made for: 72 dots per inch, so a font of
// n points is n units high. It is never painted on.
QPaintDevice* layoutDevice() {
    static QImage device = [] {
        QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
        const int dotsPerMeter = static_cast<int>(std::lround(72 / 0.0254));
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        return image;
    }();
    return &device;
}

Qt::Alignment qtAlignment(TextAlignment alignment) {
    switch (alignment) {
    case TextAlignment::Center:
        return Qt::AlignHCenter;
    case TextAlignment::Right:
        return Qt::AlignRight;
    case TextAlignment::Justified:
        return Qt::AlignJustify;
    case TextAlignment::Left:
        break;
    }
    return Qt::AlignLeft;
}

TextAlignment alignmentFromQt(Qt::Alignment alignment) {
    const Qt::Alignment h = alignment & Qt::AlignHorizontal_Mask;
    if (h & Qt::AlignJustify)
        return TextAlignment::Justified;
    if (h & Qt::AlignHCenter)
        return TextAlignment::Center;
    if (h & Qt::AlignRight)
        return TextAlignment::Right;
    return TextAlignment::Left;
}

// True when `style` is made only of the style words of PostScript names
// ("Bold", "BoldOblique", "LightItalic").
bool isStyleSuffix(std::string_view style) {
    static constexpr std::array<std::string_view, 33> kWords = {
        "UltraLight", "ExtraLight", "ExtraBold", "UltraBold", "Condensed", "Compressed", "Expanded",
        "SemiBold",   "Semibold",   "DemiBold",  "Demibold",  "Oblique",   "Regular",    "Italic",
        "Medium",     "Narrow",     "Normal",    "Heavy",     "Black",     "Light",      "Roman",
        "Plain",      "Bold",       "Book",      "Thin",      "Demi",      "Cond",       "Wide",
        "Semi",       "Ultra",      "Extra",     "Ita",       "It"};
    if (style.empty())
        return false;
    while (!style.empty()) {
        const auto word = std::find_if(kWords.begin(), kWords.end(),
                                       [&](std::string_view w) { return style.starts_with(w); });
        if (word == kWords.end())
            return false;
        style.remove_prefix(word->size());
    }
    return true;
}

bool stripSuffix(std::string& s, std::string_view suffix) {
    if (s.size() > suffix.size() && std::string_view(s).ends_with(suffix)) {
        s.resize(s.size() - suffix.size());
        return true;
    }
    return false;
}

QStringList qtFamiliesFor(const std::string& family) {
    const QString original = QString::fromStdString(family);
    const QString mapped = qtFontFamilyForFamily(family);
    // A font really called by the given name wins; otherwise the family.
    if (mapped == original)
        return {original};
    return {original, mapped};
}

} // namespace

QString qtFontFamilyForFamily(std::string_view family) {
    std::string name(family);
    if (name.find(' ') != std::string::npos)
        return QString::fromStdString(name);
    bool monotype = false;
    const std::size_t dash = name.rfind('-');
    if (dash != std::string::npos && dash > 0) {
        std::string style = name.substr(dash + 1);
        const bool styleMonotype = stripSuffix(style, "PSMT") || stripSuffix(style, "MT");
        if (isStyleSuffix(style)) {
            name.resize(dash);
            monotype = styleMonotype;
        }
    }
    // Monotype's names run the words together: "TimesNewRomanPSMT",
    // "TimesNewRomanPS-BoldMT".
    if (stripSuffix(name, "PSMT") || stripSuffix(name, "MT"))
        monotype = true;
    else if (monotype)
        stripSuffix(name, "PS");
    if (monotype) {
        std::string spaced;
        for (std::size_t i = 0; i < name.size(); ++i) {
            const char c = name[i];
            if (i > 0 && c >= 'A' && c <= 'Z' && name[i - 1] >= 'a' && name[i - 1] <= 'z')
                spaced.push_back(' ');
            spaced.push_back(c);
        }
        name = spaced;
    }
    return QString::fromStdString(name);
}

QTextCharFormat charFormatForAttributes(const TextAttributes& attributes) {
    QTextCharFormat format;
    format.setFontFamilies(qtFamiliesFor(attributes.fontFamily));
    format.setProperty(kModelFontFamilyProperty, QString::fromStdString(attributes.fontFamily));
    format.setFontPointSize(attributes.fontSize);
    format.setFontWeight(attributes.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(attributes.italic);
    format.setFontUnderline(attributes.underline);
    format.setFontHintingPreference(QFont::PreferNoHinting);
    format.setForeground(QColor::fromRgbF(static_cast<float>(attributes.color.red),
                                          static_cast<float>(attributes.color.green),
                                          static_cast<float>(attributes.color.blue)));
    return format;
}

TextAttributes attributesFromCharFormat(const QTextCharFormat& format,
                                        const TextAttributes& fallback) {
    TextAttributes a = fallback;
    const QStringList families = format.fontFamilies().toStringList();
    const QString model = format.property(kModelFontFamilyProperty).toString();
    if (!model.isEmpty() && families == qtFamiliesFor(model.toStdString()))
        a.fontFamily = model.toStdString();
    else if (!families.isEmpty() && !families.front().isEmpty())
        a.fontFamily = families.front().toStdString();
    else if (const QString single = format.property(QTextFormat::FontFamily).toString();
             !single.isEmpty())
        a.fontFamily = single.toStdString();
    if (format.hasProperty(QTextFormat::FontPointSize) && format.fontPointSize() > 0)
        a.fontSize = format.fontPointSize();
    if (format.hasProperty(QTextFormat::FontWeight))
        a.bold = format.fontWeight() >= QFont::DemiBold;
    if (format.hasProperty(QTextFormat::FontItalic))
        a.italic = format.fontItalic();
    if (format.hasProperty(QTextFormat::TextUnderlineStyle) ||
        format.hasProperty(QTextFormat::FontUnderline))
        a.underline = format.fontUnderline();
    if (format.hasProperty(QTextFormat::ForegroundBrush) &&
        format.foreground().style() != Qt::NoBrush) {
        const QColor c = format.foreground().color().toRgb();
        a.color = Color(c.redF(), c.greenF(), c.blueF());
    }
    return RichText::normalizedAttributes(a);
}

void configureTextDocumentLayout(QTextDocument& document, double width) {
    document.documentLayout()->setPaintDevice(layoutDevice());
    document.setDocumentMargin(0);
    document.setUseDesignMetrics(true);
    QTextOption option = document.defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // Qt multiplies the distance by the device's dpi over the screen's.
    option.setTabStopDistance(kTabInterval * qt_defaultDpiY() / 72.0);
    document.setDefaultTextOption(option);
    QFont font = charFormatForAttributes(TextAttributes()).font();
    document.setDefaultFont(font);
    document.setTextWidth(std::isfinite(width) ? width : -1);
}

std::unique_ptr<QTextDocument> makeTextDocument(const RichText& text, double width) {
    auto document = std::make_unique<QTextDocument>();
    configureTextDocumentLayout(*document, width);
    setRichTextOnTextDocument(*document, text);
    return document;
}

void setRichTextOnTextDocument(QTextDocument& document, const RichText& text) {
    document.clear();
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    bool first = true;
    for (const TextParagraph& paragraph : text.paragraphs()) {
        QTextBlockFormat blockFormat;
        blockFormat.setAlignment(qtAlignment(paragraph.alignment));
        // The block's own format sizes an empty line.
        const QTextCharFormat lineFormat =
            paragraph.runs.empty() ? charFormatForAttributes(TextAttributes())
                                   : charFormatForAttributes(paragraph.runs[0].attributes);
        if (first) {
            cursor.setBlockFormat(blockFormat);
            cursor.setBlockCharFormat(lineFormat);
            first = false;
        } else {
            cursor.insertBlock(blockFormat, lineFormat);
        }
        for (const TextRun& run : paragraph.runs)
            if (!run.text.empty())
                cursor.insertText(QString::fromStdString(run.text),
                                  charFormatForAttributes(run.attributes));
    }
    cursor.endEditBlock();
}

RichText richTextFromTextDocument(const QTextDocument& document) {
    const TextAttributes fallback = attributesFromCharFormat(QTextCharFormat(), [&] {
        TextAttributes a;
        const QFont font = document.defaultFont();
        if (!font.family().isEmpty())
            a.fontFamily = font.family().toStdString();
        if (font.pointSizeF() > 0)
            a.fontSize = font.pointSizeF();
        return a;
    }());
    std::vector<TextParagraph> paragraphs;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        TextParagraph paragraph;
        paragraph.alignment = alignmentFromQt(block.blockFormat().alignment());
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.isValid())
                paragraph.runs.push_back(
                    {fragment.text().toStdString(),
                     attributesFromCharFormat(fragment.charFormat(), fallback)});
        }
        if (paragraph.runs.empty())
            paragraph.runs.push_back(
                {std::string(), attributesFromCharFormat(block.charFormat(), fallback)});
        paragraphs.push_back(std::move(paragraph));
    }
    return RichText(std::move(paragraphs));
}

void drawRichTextWithPainter(QPainter& painter, const RichText& text, const Rect& rect) {
    if (text.isEmpty())
        return;
    const Rect r = rect.standardized();
    const std::unique_ptr<QTextDocument> document = makeTextDocument(text, r.width());
    painter.save();
    painter.translate(r.x(), r.y());
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, Qt::black);
    document->documentLayout()->draw(&painter, context);
    painter.restore();
}

} // namespace qv
