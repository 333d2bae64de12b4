#include "shapes/TextShape.h"

#include "shapes/ElementCast.h"

#include "document/QVGenericElement.h"
#include "document/RtfReader.h"
#include "document/RtfWriter.h"
#include "framework/foundation/Base64.h"
#include "framework/foundation/GraphicsContext.h"
#include "styles/Shadow.h"

#include <algorithm>
#include <cmath>

namespace qv {
namespace {

// Byte blobs in saved elements use lines of this length.
constexpr std::size_t kBase64LineLength = 72;

double zoomOf(const ShapeView* view) {
    if (!view)
        return 1.0;
    const double z = view->zoom();
    return (z > 0 && std::isfinite(z)) ? z : 1.0;
}

} // namespace

void TextStorage::setRichText(RichText text) {
    m_Text = std::move(text);
    // A copy: a shape may let go of the storage while it is told.
    const std::vector<TextShape*> shapes = m_Shapes;
    for (TextShape* shape : shapes)
        if (std::find(m_Shapes.begin(), m_Shapes.end(), shape) != m_Shapes.end())
            shape->textContentsChanged();
    NotificationCenter::defaultCenter().postNotification(QVTextStorageDidProcessEditingNotification,
                                                         this);
}

bool RichTextValue::equals(const ValueObject& other) const {
    const auto* o = dynamic_cast<const RichTextValue*>(&other);
    return o && o->m_Text == m_Text;
}

std::string RichTextValue::description() const {
    return "RichText(\"" + m_Text.plainText() + "\")";
}

Value RichTextValue::make(const RichText& text) {
    return Value(std::shared_ptr<const ValueObject>(std::make_shared<RichTextValue>(text)));
}

TextShape::TextShape() {
    setText(std::make_shared<TextStorage>());
}

TextShape::~TextShape() {
    if (m_Text)
        m_Text->removeShape(this);
}

void TextShape::setText(TextStoragePtr text) {
    if (text == m_Text)
        return;
    willChange();
    willChangeValueForKeyPath("text");
    if (m_Text)
        m_Text->removeShape(this);
    m_Text = std::move(text);
    if (m_Text)
        m_Text->addShape(this);
    didChangeValueForKeyPath("text");
    didChange();
}

void TextShape::setRichText(const RichText& text) {
    setText(std::make_shared<TextStorage>(text));
}

std::string TextShape::textData() const {
    if (!m_Text)
        return {};
    const std::string rtf = rtfFromRichText(m_Text->richText());
    return base64Encoding(ByteBuffer(rtf.begin(), rtf.end()), kBase64LineLength);
}

void TextShape::setTextData(std::string_view data) {
    const ByteBuffer bytes = dataWithBase64EncodedString(data);
    const std::optional<RichText> rich = richTextFromRTF(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (rich)
        setRichText(*rich);
    else
        setText(nullptr);
}

void TextShape::textContentsChanged() {
    didChange();
}

void TextShape::drawEditDecoractionInView(GraphicsContext& gc, const ShapeView* view) const {
    const double px = 1 / zoomOf(view);
    BezierPath outline = BezierPath::bezierPathWithRect(m_Bounds);
    outline.setLineWidth(px);
    outline.setLineDash({px, 2 * px}, px);
    gc.strokePath(outline, Color::black());
    const Color page = view ? view->pageColor() : Color::white();
    gc.fillPath(BezierPath::bezierPathWithRect(m_Bounds), page.withAlpha(0.75));
}

std::optional<BezierPath> TextShape::path() const {
    return BezierPath::bezierPathWithRect(m_Bounds);
}

void TextShape::drawInView(GraphicsContext& gc, const ShapeView* view, bool) {
    if (view && view->editingShape() == this)
        return;
    if (!m_Text)
        return;
    GStateSaver saver(gc);
    // Installed before the shape's transform, like every other shape's shadow,
    // so that it neither turns nor scales with the rotation.
    if (m_Shadow->visible())
        m_Shadow->install(gc);
    gc.concatCTM(transform());
    gc.drawRichText(m_Text->richText(), m_Bounds);
}

std::vector<std::string> TextShape::undoableProperties() const {
    std::vector<std::string> keys{"text"};
    const std::vector<std::string> base = Shape::undoableProperties();
    keys.insert(keys.end(), base.begin(), base.end());
    return keys;
}

ShapePtr TextShape::copy() const {
    ShapePtr s = Shape::copy();
    static_cast<TextShape&>(*s).setTextData(textData());
    return s;
}

Value TextShape::valueForKey(std::string_view key) const {
    if (key == "text")
        return m_Text ? RichTextValue::make(m_Text->richText()) : Value();
    return Shape::valueForKey(key);
}

bool TextShape::setValueForKey(const Value& value, std::string_view key) {
    if (key == "text") {
        if (value.isNull()) {
            setText(nullptr);
            return true;
        }
        const auto rich = value.toObject<RichTextValue>();
        if (!rich)
            return false;
        if (!m_Text || !(m_Text->richText() == rich->richText()))
            setRichText(rich->richText());
        return true;
    }
    return Shape::setValueForKey(value, key);
}

ElementList TextShape::elementChildren() const {
    ElementList children = Shape::elementChildren();
    auto boundsElement = QVGenericElement::elementNamed("bounds");
    boundsElement->setRectAttribute(m_Bounds);
    children.push_back(boundsElement);
    auto rtf = QVGenericElement::elementNamed("rtf");
    rtf->setStringData(textData());
    children.push_back(rtf);
    return children;
}

void TextShape::addElement(const ElementPtr& child) {
    if (!child)
        return;
    const std::optional<std::string> name = child->elementName();
    if (name == "bounds") {
        if (auto* generic = elementCast<QVGenericElement>(child.get()))
            setBounds(sanitizedRect(generic->rectAttribute()));
        return;
    }
    if (name == "rtf") {
        if (auto* generic = elementCast<QVGenericElement>(child.get())) {
            if (const std::optional<std::string> data =
                    generic->attributes().stringValueForKey("data"))
                setTextData(*data);
            else
                setTextData(generic->stringData());
        }
        return;
    }
    Shape::addElement(child);
}

} // namespace qv
