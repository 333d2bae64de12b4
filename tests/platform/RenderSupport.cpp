#include "tests/platform/RenderSupport.h"

#include "platform/qt/QtGraphicsContext.h"

#include <QPainter>

namespace qv::test {

QImage render(QSize size, const ShapeView& view, const DrawInView& draw) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    {
        const double zoom = view.zoom();
        QtGraphicsContext gc(painter, AffineTransform::scaling(zoom, zoom), true);
        draw(gc, view);
        gc.finish();
    }
    painter.end();
    return image;
}

QImage render(QSize size, double zoom, const DrawInView& draw) {
    return render(size, CanvasView(zoom), draw);
}

} // namespace qv::test
