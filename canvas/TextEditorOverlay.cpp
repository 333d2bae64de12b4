#include "canvas/TextEditorOverlay.h"

#include "platform/qt/QtRichText.h"

#include <QAbstractTextDocumentLayout>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStyleOptionGraphicsItem>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextList>

#include <algorithm>
#include <cmath>
#include <vector>

namespace qv {

// The editable text item. It covers the whole editor, so that a click below
// the last line still reaches the text and the edges of glyphs that reach
// past the text's left edge are not cut off (the item clips its painting to
// its bounds). It draws no focus frame (the canvas draws the edit decoration)
// and leaves the keys that end editing to the window.
class TextEditorItem final : public QGraphicsTextItem {
public:
    explicit TextEditorItem(TextEditorOverlay& overlay) : m_Overlay(overlay) {}

    // The editor's area in the item's coordinates.
    void setArea(const QRectF& area) {
        if (area == m_Area)
            return;
        prepareGeometryChange();
        m_Area = area;
    }

    QRectF boundingRect() const override {
        return QGraphicsTextItem::boundingRect().united(m_Area);
    }

    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option,
               QWidget* widget) override {
        QStyleOptionGraphicsItem plain(*option);
        plain.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
        QGraphicsTextItem::paint(painter, &plain, widget);
    }

protected:
    bool sceneEvent(QEvent* event) override {
        const bool handled = QGraphicsTextItem::sceneEvent(event);
        m_Overlay.userEventHandled();
        return handled;
    }

    void keyPressEvent(QKeyEvent* event) override {
        // Escape and Ctrl+period discard the edit, the keypad's Enter commits
        // it: the window's business.
        const bool ctrl = event->modifiers() & Qt::ControlModifier;
        if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Enter ||
            (ctrl && event->key() == Qt::Key_Period)) {
            event->ignore();
            return;
        }
        QGraphicsTextItem::keyPressEvent(event);
    }

private:
    TextEditorOverlay& m_Overlay;
    QRectF m_Area;
};

namespace {

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

TextAlignment modelAlignment(Qt::Alignment alignment) {
    const Qt::Alignment h = alignment & Qt::AlignHorizontal_Mask;
    if (h & Qt::AlignJustify)
        return TextAlignment::Justified;
    if (h & Qt::AlignHCenter)
        return TextAlignment::Center;
    if (h & Qt::AlignRight)
        return TextAlignment::Right;
    return TextAlignment::Left;
}

// The paragraph format as setRichTextOnTextDocument() makes it: nothing but
// the alignment.
QTextBlockFormat blockFormatFor(TextAlignment alignment) {
    QTextBlockFormat format;
    format.setAlignment(qtAlignment(alignment));
    return format;
}

bool isObject(const QTextFragment& fragment) {
    return fragment.charFormat().objectType() != QTextFormat::NoObject ||
           fragment.text().contains(QChar::ObjectReplacementCharacter);
}

} // namespace

TextEditorOverlay::TextEditorOverlay(QWidget* canvas)
    : QGraphicsView(canvas), m_Scene(new QGraphicsScene(this)), m_Item(new TextEditorItem(*this)),
      m_Document(new QTextDocument(this)) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTransformationAnchor(QGraphicsView::NoAnchor);
    setResizeAnchor(QGraphicsView::NoAnchor);
    setBackgroundBrush(Qt::NoBrush);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    // As the canvas draws shapes (QtGraphicsContext).
    setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                   QPainter::SmoothPixmapTransform);

    // A click on empty space must not take the keyboard from the text.
    m_Scene->setStickyFocus(true);
    setScene(m_Scene);

    m_Item->setDocument(m_Document);
    configureTextDocumentLayout(*m_Document, 0);
    m_Document->setUndoRedoEnabled(true);
    m_Item->setTextInteractionFlags(Qt::TextEditorInteraction);
    m_Scene->addItem(m_Item);
    connect(m_Document, &QTextDocument::contentsChange, this, &TextEditorOverlay::contentsChanged);
    hide();
}

TextEditorOverlay::~TextEditorOverlay() {
    // The storage must not hear from a document being torn down.
    m_Storage.reset();
    m_Shape = nullptr;
}

void TextEditorOverlay::attach(TextShape& shape) {
    if (m_Shape)
        detach();
    if (!shape.text())
        shape.setText(std::make_shared<TextStorage>());
    m_Shape = &shape;
    m_Storage = shape.text();
    m_OriginalText = m_Storage->richText();
    m_Scroll = 0;
    m_Document->setTextWidth(shape.bounds().standardized().width());
    loadText();
    selectAll();
    m_Item->setFocus();
    positionItem();
}

bool TextEditorOverlay::detach() {
    if (!m_Shape)
        return false;
    const bool changed = !(m_Storage->richText() == m_OriginalText);
    m_Shape = nullptr;
    m_Storage.reset();
    m_Loading = true;
    m_Document->clear();
    m_Loading = false;
    hide();
    return changed;
}

void TextEditorOverlay::loadText() {
    m_Loading = true;
    setRichTextOnTextDocument(*m_Document, m_Storage->richText());
    m_Loading = false;
    // Undo in the editor stops at the text it was given.
    m_Document->clearUndoRedoStacks();
    m_DirtyFrom = m_DirtyTo = -1;
}

void TextEditorOverlay::place(const Rect& bounds, double zoom, QPointF origin) {
    if (!(zoom > 0) || !std::isfinite(zoom))
        return;
    if (m_Shape && m_Shape->text() && m_Shape->text() != m_Storage) {
        // The shape was given another storage (an undo, a script): edit that.
        const int position = m_Item->textCursor().position();
        m_Storage = m_Shape->text();
        loadText();
        QTextCursor cursor(m_Document);
        cursor.setPosition(std::min(position, m_Document->characterCount() - 1));
        m_Item->setTextCursor(cursor);
    }
    const Rect r = bounds.standardized();
    if (m_Document->textWidth() != r.width())
        m_Document->setTextWidth(r.width());
    const double left = origin.x() + r.x() * zoom, top = origin.y() + r.y() * zoom;
    const double right = left + r.width() * zoom, bottom = top + r.height() * zoom;
    const int x = static_cast<int>(std::floor(left)), y = static_cast<int>(std::floor(top));
    const int width = std::max(1, static_cast<int>(std::ceil(right)) - x);
    const int height = std::max(1, static_cast<int>(std::ceil(bottom)) - y);
    setGeometry(x, y, width, height);
    m_Fraction = QPointF(left - x, top - y);
    m_Zoom = zoom;
    setTransform(QTransform::fromScale(zoom, zoom));
    // The scene is exactly the editor's pixels, so the view never scrolls by
    // itself; the item's position carries the fraction and the scrolling.
    setSceneRect(0, 0, width / zoom, height / zoom);
    positionItem();
    scrollToCaret();
}

void TextEditorOverlay::positionItem() {
    // The editor's own height: a hidden view's viewport is resized only when
    // it is shown.
    const double height = this->height();
    const double textBottom = m_Fraction.y() + m_Document->size().height() * m_Zoom;
    const int maxScroll = std::max(0, static_cast<int>(std::ceil(textBottom - height)));
    m_Scroll = std::clamp(m_Scroll, 0, maxScroll);
    const QPointF position(m_Fraction.x() / m_Zoom, (m_Fraction.y() - m_Scroll) / m_Zoom);
    m_Item->setPos(position);
    m_Item->setArea(QRectF(-position, QSizeF(width() / m_Zoom, height / m_Zoom)));
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

void TextEditorOverlay::scrollToCaret() {
    const QTextCursor cursor = m_Item->textCursor();
    const QTextBlock block = cursor.block();
    const QRectF blockRect = m_Document->documentLayout()->blockBoundingRect(block);
    const QTextLayout* layout = block.layout();
    if (!layout)
        return;
    const QTextLine line = layout->lineForTextPosition(cursor.positionInBlock());
    if (!line.isValid())
        return;
    const double top = m_Fraction.y() + (blockRect.top() + line.y()) * m_Zoom;
    const double bottom = top + line.height() * m_Zoom;
    const int height = this->height();
    int scroll = m_Scroll;
    if (bottom - scroll > height)
        scroll = static_cast<int>(std::ceil(bottom - height));
    if (top - scroll < 0)
        scroll = static_cast<int>(std::floor(top));
    if (scroll != m_Scroll) {
        m_Scroll = scroll;
        positionItem();
    }
}

void TextEditorOverlay::selectAll() {
    // Backwards, so that text typed over the selection takes the font of its
    // first character rather than of its last.
    QTextCursor cursor(m_Document);
    cursor.movePosition(QTextCursor::End);
    cursor.setPosition(0, QTextCursor::KeepAnchor);
    m_Item->setTextCursor(cursor);
}

void TextEditorOverlay::contentsChanged(int position, int, int added) {
    if (m_Loading || !m_Storage)
        return;
    if (added > 0) {
        m_DirtyFrom = m_DirtyFrom < 0 ? position : std::min(m_DirtyFrom, position);
        m_DirtyTo = std::max(m_DirtyTo, position + added);
    }
    storeText();
}

void TextEditorOverlay::storeText() {
    RichText text = richTextFromTextDocument(*m_Document);
    if (text == m_Storage->richText())
        return;
    m_Storage->setRichText(std::move(text));
    emit textEdited();
}

void TextEditorOverlay::userEventHandled() {
    if (!m_Storage)
        return;
    if (m_DirtyFrom >= 0) {
        normalizeEdit(m_DirtyFrom, m_DirtyTo);
        // The clean-up's own changes need none.
        m_DirtyFrom = m_DirtyTo = -1;
    }
    positionItem();
    scrollToCaret();
}

TextAttributes TextEditorOverlay::fallbackAttributes() const {
    // What richTextFromTextDocument() assumes where a format says nothing.
    TextAttributes a;
    const QFont font = m_Document->defaultFont();
    if (!font.family().isEmpty())
        a.fontFamily = font.family().toStdString();
    if (font.pointSizeF() > 0)
        a.fontSize = font.pointSizeF();
    return attributesFromCharFormat(QTextCharFormat(), a);
}

void TextEditorOverlay::normalizeEdit(int from, int to) {
    // Typed text already has the formats the model gives it; pasted and
    // dropped text may have anything a QTextDocument can hold.
    const TextAttributes fallback = fallbackAttributes();
    const auto canonical = [&](const QTextCharFormat& format) {
        return charFormatForAttributes(attributesFromCharFormat(format, fallback));
    };
    struct CharFix {
        int start, end;
        QTextCharFormat format;
        bool remove; // an embedded object (a picture) goes
    };
    std::vector<CharFix> charFixes;
    std::vector<std::pair<int, QTextBlockFormat>> blockFixes;
    std::vector<std::pair<int, QTextCharFormat>> lineFixes;
    std::vector<QTextBlock> listed;
    for (QTextBlock block = m_Document->findBlock(from); block.isValid() && block.position() <= to;
         block = block.next()) {
        if (block.textList())
            listed.push_back(block);
        const QTextBlockFormat blockFormat =
            blockFormatFor(modelAlignment(block.blockFormat().alignment()));
        if (block.blockFormat() != blockFormat)
            blockFixes.emplace_back(block.position(), blockFormat);
        const QTextCharFormat lineFormat = canonical(block.charFormat());
        if (block.charFormat() != lineFormat)
            lineFixes.emplace_back(block.position(), lineFormat);
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            const int start = fragment.position(), end = start + fragment.length();
            if (isObject(fragment)) {
                charFixes.push_back({start, end, {}, true});
                continue;
            }
            const QTextCharFormat format = canonical(fragment.charFormat());
            if (fragment.charFormat() != format)
                charFixes.push_back({start, end, format, false});
        }
    }
    if (!charFixes.empty() || !blockFixes.empty() || !lineFixes.empty() || !listed.empty()) {
        QTextCursor cursor(m_Document);
        // Part of the edit that brought the text in, for undo.
        cursor.joinPreviousEditBlock();
        for (const QTextBlock& block : listed)
            if (QTextList* list = block.textList())
                list->remove(block);
        for (const auto& [position, format] : blockFixes) {
            cursor.setPosition(position);
            cursor.setBlockFormat(format);
        }
        for (const auto& [position, format] : lineFixes) {
            cursor.setPosition(position);
            cursor.setBlockCharFormat(format);
        }
        // From the end, so that removals leave the earlier positions valid.
        for (auto fix = charFixes.rbegin(); fix != charFixes.rend(); ++fix) {
            cursor.setPosition(fix->start);
            cursor.setPosition(fix->end, QTextCursor::KeepAnchor);
            if (fix->remove)
                cursor.removeSelectedText();
            else
                cursor.setCharFormat(fix->format);
        }
        cursor.endEditBlock();
    }
    if (!m_Document->rootFrame()->childFrames().isEmpty())
        rebuildFromModel();
}

void TextEditorOverlay::rebuildFromModel() {
    // Tables cannot be flattened in place; the model already holds their
    // text as paragraphs. Undo in the editor starts afresh from here.
    storeText();
    const int position = m_Item->textCursor().position();
    loadText();
    QTextCursor cursor(m_Document);
    cursor.setPosition(std::clamp(position, 0, m_Document->characterCount() - 1));
    m_Item->setTextCursor(cursor);
    storeText();
}

void TextEditorOverlay::applyTextCommand(const TextCommand& command) {
    if (!m_Storage)
        return;
    const int end = m_Document->characterCount() - 1;
    const QTextCursor selection = m_Item->textCursor();
    int from = selection.selectionStart(), to = selection.selectionEnd();
    if (from == to) {
        from = 0;
        to = end;
    }
    // A paragraph that starts where the selection ends is not selected,
    // unless the selection runs to the end of the text.
    const auto selected = [&](int position) {
        return position >= from && (position < to || to == end);
    };

    struct Piece {
        int start, end; // end == start: the line format of an empty paragraph
        TextAttributes attributes;
        bool paragraphStart;
    };
    const TextAttributes fallback = fallbackAttributes();
    std::vector<Piece> pieces;
    std::vector<int> paragraphs;
    for (QTextBlock block = m_Document->findBlock(from); block.isValid() && block.position() <= to;
         block = block.next()) {
        const int blockStart = block.position();
        if (blockStart > from && !selected(blockStart))
            break;
        paragraphs.push_back(blockStart);
        if (block.length() == 1) {
            if (selected(blockStart))
                pieces.push_back({blockStart, blockStart,
                                  attributesFromCharFormat(block.charFormat(), fallback), true});
            continue;
        }
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            const int start = std::max(from, fragment.position());
            const int stop = std::min(to, fragment.position() + fragment.length());
            if (start < stop)
                pieces.push_back({start, stop,
                                  attributesFromCharFormat(fragment.charFormat(), fallback),
                                  start == blockStart});
        }
    }

    QTextCursor cursor(m_Document);
    cursor.beginEditBlock();
    if (command.kind == TextCommand::Kind::SetAlignment) {
        for (int position : paragraphs) {
            cursor.setPosition(position);
            cursor.setBlockFormat(blockFormatFor(command.alignment));
        }
    } else {
        std::vector<TextAttributes> runs;
        runs.reserve(pieces.size());
        for (const Piece& piece : pieces)
            runs.push_back(piece.attributes);
        const auto change = attributeChangeForTextCommand(command, runs);
        for (const Piece& piece : pieces) {
            TextAttributes a = piece.attributes;
            change(a);
            const QTextCharFormat format =
                charFormatForAttributes(RichText::normalizedAttributes(a));
            cursor.setPosition(piece.start);
            // The line keeps the font of its first character for when it is
            // emptied and typed into again.
            if (piece.paragraphStart)
                cursor.setBlockCharFormat(format);
            if (piece.end > piece.start) {
                cursor.setPosition(piece.end, QTextCursor::KeepAnchor);
                cursor.setCharFormat(format);
            }
        }
    }
    cursor.endEditBlock();
    // The formats set here are the model's own; nothing to tidy.
    m_DirtyFrom = m_DirtyTo = -1;
    positionItem();
    scrollToCaret();
}

TextAttributes TextEditorOverlay::currentAttributes() const {
    const QTextCursor selection = m_Item->textCursor();
    QTextCursor cursor(m_Document);
    cursor.setPosition(selection.selectionStart());
    // A cursor reports the character before it; the first selected one is
    // after it.
    if (selection.hasSelection() && !cursor.atBlockEnd())
        cursor.movePosition(QTextCursor::NextCharacter);
    return attributesFromCharFormat(cursor.charFormat(), fallbackAttributes());
}

} // namespace qv
