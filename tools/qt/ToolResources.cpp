#include "tools/qt/ToolResources.h"

#include <QColor>
#include <QPainter>
#include <QSvgRenderer>

#include <cmath>

// Outside any namespace, as Q_INIT_RESOURCE requires.
static void initToolResources() {
    Q_INIT_RESOURCE(tools);
}

namespace qv {

void ensureToolResources() {
    static const bool registered = (initToolResources(), true);
    (void)registered;
}

QImage renderSvgImage(const QString& path, int logicalSize, qreal devicePixelRatio) {
    ensureToolResources();
    QSvgRenderer renderer(path);
    if (!renderer.isValid())
        return {};
    const int pixels = int(std::lround(logicalSize * devicePixelRatio));
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        renderer.render(&p, QRectF(0, 0, pixels, pixels));
    }
    image.setDevicePixelRatio(devicePixelRatio);
    return image;
}

QImage renderTintedSvgImage(const QString& path, const QColor& color, int logicalSize,
                            qreal devicePixelRatio) {
    QImage image = renderSvgImage(path, logicalSize, devicePixelRatio);
    if (image.isNull())
        return image;
    QPainter p(&image);
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(QRectF(QPointF(0, 0), image.deviceIndependentSize()), color);
    return image;
}

} // namespace qv
