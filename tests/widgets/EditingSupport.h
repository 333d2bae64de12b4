#pragma once
// Edits made as the user makes them, and files read back, for the document
// window and recovery tests.

#include "app/DocumentWindowController.h"
#include "canvas/ShapesController.h"
#include "shapes/RectangleShape.h"
#include "tests/widgets/DocumentTestSupport.h"

#include <QByteArray>
#include <QFile>
#include <QString>

namespace qv::test::editing {

inline ShapePtr rectangle(double x = 10) {
    auto s = std::make_shared<RectangleShape>();
    s->setBounds({x, 10, 50, 40});
    return s;
}

// One event, one undo step.
inline void addShape(DocumentWindowController& document) {
    document.shapesController().addObject(rectangle());
    settle();
}

inline QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace qv::test::editing
