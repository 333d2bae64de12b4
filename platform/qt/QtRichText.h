#pragma once
// Qt layout of the model's rich text. The shape's drawing and the in-place
// editor both lay text out through configureTextDocumentLayout(), so text
// breaks into the same lines in both. One point of text is one unit of the
// drawing whatever device is painted on: the painter's transform carries the
// zoom, the layout never sees it.

#include "document/RichText.h"
#include "framework/foundation/Geometry.h"

#include <QString>
#include <QTextCharFormat>

#include <memory>
#include <string_view>

class QPainter;
class QTextDocument;

namespace qv {

// Lays out `text` wrapped to rect's width and draws it from rect's top-left
// corner with the painter's current transform and clip. Text taller than
// rect runs on below it.
void drawRichTextWithPainter(QPainter& painter, const RichText& text, const Rect& rect);

// No document margin, `width` as the fixed text width (none when negative),
// word wrapping that breaks over-long words, design metrics, tab stops every
// 28 points and a 72 dpi layout device, so that sizes in points are units.
void configureTextDocumentLayout(QTextDocument& document, double width);

// A document set up with configureTextDocumentLayout() holding `text`.
std::unique_ptr<QTextDocument> makeTextDocument(const RichText& text, double width);

// Replaces the document's content with `text` (its layout set-up is kept).
void setRichTextOnTextDocument(QTextDocument& document, const RichText& text);
// The document's text with the attributes the model keeps.
RichText richTextFromTextDocument(const QTextDocument& document);

QTextCharFormat charFormatForAttributes(const TextAttributes& attributes);
// `fallback` supplies what the format leaves unset (the document's font).
TextAttributes attributesFromCharFormat(const QTextCharFormat& format,
                                        const TextAttributes& fallback = TextAttributes());

// The family Qt should look for when a text names a font by its PostScript
// name ("Helvetica-Bold" is Helvetica, "TimesNewRomanPSMT" Times New Roman).
QString qtFontFamilyForFamily(std::string_view family);

} // namespace qv
