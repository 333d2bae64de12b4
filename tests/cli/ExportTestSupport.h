#pragma once
// Drawings and decoding for the export tests.

#include "tests/cli/PdfInspection.h"

#include "document/DrawDocument.h"
#include "framework/foundation/ByteBuffer.h"
#include "shapes/OvalShape.h"
#include "shapes/RectangleShape.h"
#include "styles/Fill.h"
#include "styles/Stroke.h"

#include <QByteArray>
#include <QImage>

#include <memory>
#include <string>

namespace qv::test {

inline ShapePtr filledRect(Rect bounds, Color fill, double rotation = 0) {
    auto shape = std::make_shared<RectangleShape>();
    shape->setBounds(bounds);
    shape->setRotation(rotation);
    shape->stroke().setStyle(StrokeStyleNone);
    shape->fill().setStyle(FillStyleColor);
    shape->fill().setColor(fill);
    return shape;
}

inline ShapePtr strokedOval(Rect bounds, Color stroke, double width) {
    auto shape = std::make_shared<OvalShape>();
    shape->setBounds(bounds);
    shape->fill().setStyle(FillStyleNone);
    shape->stroke().setStyle(StrokeStyleDash);
    shape->stroke().setWidth(width);
    shape->stroke().setColor(stroke);
    return shape;
}

inline QByteArray bytes(const ByteBuffer& b) {
    return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
}

inline QImage decode(const ByteBuffer& b) {
    return QImage::fromData(bytes(b));
}

} // namespace qv::test
