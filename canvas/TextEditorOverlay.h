#pragma once
// The in-place text editor: a small transparent scroll view over the canvas
// that edits a text shape's own text. It lays the text out exactly as the
// shape draws it (the same QTextDocument set-up, wrapped to the shape's
// width, one point of text per drawing unit) and scales it with the zoom, so
// the text does not move when editing begins or ends.
//
// Every edit goes at once into the shape's text storage, so the shape's text
// is always the editor's. What the model cannot keep (pasted tables, lists,
// pictures, pixel-sized fonts, links) is turned into what it keeps right after
// the edit, so the editor never shows anything the shape would draw
// differently.
//
// Undo inside the editor (Ctrl+Z) steps through the edits since attach().
// The drawing's undo step for the whole edit is the canvas's: after detach()
// it puts originalText() back into the storage, which the document does not
// record, and then assigns the new text to the shape's "text" key.

#include "canvas/model/TextCommand.h"
#include "framework/foundation/Geometry.h"
#include "shapes/TextShape.h"

#include <QGraphicsView>

#include <memory>

class QGraphicsScene;
class QGraphicsTextItem;
class QTextDocument;

namespace qv {

class TextEditorItem;

class TextEditorOverlay : public QGraphicsView {
    Q_OBJECT

public:
    explicit TextEditorOverlay(QWidget* canvas);
    ~TextEditorOverlay() override;

    // Starts editing the shape's text: the editor shows it and every edit
    // goes straight into the shape's text storage. The whole text is
    // selected. A shape without a storage gets an empty one. The shape must
    // stay alive until detach().
    void attach(TextShape& shape);
    // Stops editing and hides the editor; the editor forgets the shape.
    // Answers whether the text changed since attach().
    bool detach();
    TextShape* shape() const { return m_Shape; }
    // The text as it was when attach() was called (kept after detach()).
    const RichText& originalText() const { return m_OriginalText; }

    // Places the editor over the shape's bounds (drawing coordinates) at the
    // canvas's zoom; `origin` is the viewport position of drawing (0, 0).
    // Also picks up a text storage that the shape was given meanwhile.
    void place(const Rect& bounds, double zoom, QPointF origin);

    // The Format menu's commands on the editor's selection (the whole text
    // when nothing is selected), with the semantics of the model's
    // applyTextCommand() on those runs and paragraphs. One undo step.
    void applyTextCommand(const TextCommand& command);
    // The font at the insertion point (of the first selected character when
    // there is a selection), for the font dialog.
    TextAttributes currentAttributes() const;

    void selectAll();

signals:
    // After every edit of the text.
    void textEdited();

private:
    friend class TextEditorItem;

    void loadText();
    void contentsChanged(int position, int removed, int added);
    void storeText();
    // After each event the editor handled itself (typing, pasting, dropping).
    void userEventHandled();
    void normalizeEdit(int from, int to);
    void rebuildFromModel();
    void positionItem();
    void scrollToCaret();
    TextAttributes fallbackAttributes() const;

    QGraphicsScene* m_Scene;
    TextEditorItem* m_Item;
    QTextDocument* m_Document;
    TextShape* m_Shape = nullptr;
    TextStoragePtr m_Storage;
    RichText m_OriginalText;
    double m_Zoom = 1;
    // Where the shape's top-left corner falls inside the editor's first
    // pixel, in pixels: the editor's frame is whole pixels, the shape's
    // bounds are not.
    QPointF m_Fraction;
    // Whole pixels the text is scrolled up when it runs past the bottom.
    int m_Scroll = 0;
    bool m_Loading = false;
    // Characters inserted by an event still being handled.
    int m_DirtyFrom = -1;
    int m_DirtyTo = -1;
};

} // namespace qv
