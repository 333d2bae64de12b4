#pragma once
// A box of rich text laid out in the shape's bounds and turned with it. It has
// no fill or stroke of its own (its shadow is drawn), is edited in place by the
// text tool's editor and is saved as base64-encoded RTF.

#include "document/RichText.h"
#include "framework/foundation/NotificationCenter.h"
#include "shapes/Shape.h"

#include <memory>
#include <string>
#include <vector>

namespace qv {

// Posted by a text storage after it has taken an edit; object: the storage.
inline constexpr const char* QVTextStorageDidProcessEditingNotification =
    "QVTextStorageDidProcessEditingNotification";

class TextShape;

// The text of a text shape, shared with the in-place editor while it edits:
// the editor hands every edit to setRichText, which tells the shape.
class TextStorage {
public:
    TextStorage() = default;
    explicit TextStorage(RichText text) : m_Text(std::move(text)) {}
    TextStorage(const TextStorage&) = delete;
    TextStorage& operator=(const TextStorage&) = delete;

    const RichText& richText() const { return m_Text; }
    // Takes an edit, tells the shapes showing it, and posts
    // QVTextStorageDidProcessEditingNotification.
    void setRichText(RichText text);

    // The shapes showing this text are told directly rather than through the
    // notification centre, whose every post would otherwise look at one
    // registration per text shape of every open drawing.
    void addShape(TextShape* shape) { m_Shapes.push_back(shape); }
    void removeShape(TextShape* shape) { std::erase(m_Shapes, shape); }

private:
    RichText m_Text;
    std::vector<TextShape*> m_Shapes;
};

using TextStoragePtr = std::shared_ptr<TextStorage>;

// Rich text as a key-value value (the "text" key of a text shape): an
// unchanging snapshot, so that undo keeps the text as it was.
class RichTextValue : public ValueObject {
public:
    explicit RichTextValue(RichText text) : m_Text(std::move(text)) {}
    const RichText& richText() const { return m_Text; }
    bool equals(const ValueObject& other) const override;
    std::string description() const override;

    static Value make(const RichText& text);

private:
    RichText m_Text;
};

class TextShape : public Shape {
public:
    static std::optional<std::string> classElementName() { return "text"; }

    // Starts with an empty text.
    TextShape();
    ~TextShape() override;

    // The text storage; none when the stored RTF could not be read, and then
    // the shape draws no text.
    const TextStoragePtr& text() const { return m_Text; }
    // Keeps the given storage (not a copy) and follows its edits.
    void setText(TextStoragePtr text);
    // A new storage holding the text.
    void setRichText(const RichText& text);
    // Base64 of the text's RTF in lines of 72 characters; "" without a text.
    std::string textData() const;
    // Decodes base64 RTF; data that is not RTF leaves the shape without a text.
    void setTextData(std::string_view data);
    // Every edit of the storage announces a change of the shape, so the canvas
    // redraws; it is not an undoable change of "text".
    void textContentsChanged();
    // Font changes reach the text through the editor, not the shape.
    void changeFont() {}
    // While the text is edited: the bounds, dashed, over a veil of the page
    // colour that dims the shapes beneath the editor.
    void drawEditDecoractionInView(GraphicsContext& gc, const ShapeView* view) const;

    std::optional<BezierPath> path() const override;
    bool usesStroke() const override { return false; }
    bool usesFill() const override { return false; }
    bool canConvertToBezier() const override { return false; }
    // Nothing while the view is editing this shape: the editor shows the text.
    void drawInView(GraphicsContext& gc, const ShapeView* view, bool dragTarget = false) override;
    // "text" first, then the base list.
    std::vector<std::string> undoableProperties() const override;
    ShapePtr copy() const override;

    // "text": a RichTextValue, or null without a text.
    Value valueForKey(std::string_view key) const override;
    bool setValueForKey(const Value& value, std::string_view key) override;

    std::optional<std::string> elementName() const override { return classElementName(); }
    // The base children, "bounds", then "rtf" with textData as character data.
    ElementList elementChildren() const override;
    void addElement(const ElementPtr& child) override;

protected:
    ShapePtr newInstance() const override { return std::make_shared<TextShape>(); }

private:
    TextStoragePtr m_Text;
};

} // namespace qv
