#pragma once
// The in-place text editor: a small transparent scroll view over the canvas
// that edits a text shape's own text. It lays the text out exactly as the
// shape draws it (the same QTextDocument set-up, wrapped to the shape's
// width, one point of text per drawing unit) and scales it with the zoom, so
// the text does not move when editing begins or ends.

#include "canvas/model/TextCommand.h"
#include "framework/foundation/Geometry.h"

#include <QGraphicsView>

#include <memory>

class QGraphicsScene;
class QGraphicsTextItem;
class QTextDocument;

namespace qv {

class TextShape;

class TextEditorOverlay : public QGraphicsView {
    Q_OBJECT

public:
    explicit TextEditorOverlay(QWidget* canvas);
    ~TextEditorOverlay() override;

    // Starts editing the shape's text: the editor shows it and every edit
    // goes straight into the shape's text storage. The whole text is
    // selected.
    void attach(TextShape& shape);
    // Stops editing; the editor forgets the shape. Answers whether the text
    // changed since attach().
    bool detach();
    TextShape* shape() const { return m_Shape; }

    // Places the editor over the shape's bounds (drawing coordinates) at the
    // canvas's zoom; `origin` is the viewport position of drawing (0, 0).
    void place(const Rect& bounds, double zoom, QPointF origin);

    // The Format menu's commands on the editor's selection (the whole text
    // when nothing is selected, for the attributes of what is typed next).
    void applyTextCommand(const TextCommand& command);
    // The font at the insertion point, for the font dialog.
    TextAttributes currentAttributes() const;

    void selectAll();

signals:
    // After every edit of the text.
    void textEdited();

private:
    QGraphicsScene* m_Scene;
    QGraphicsTextItem* m_Item;
    TextShape* m_Shape = nullptr;
};

} // namespace qv
