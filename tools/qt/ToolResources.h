#pragma once
// The pictures of the tools (icons and cursors) are compiled into the widgets
// library; a static library drops them unless someone asks for them.

#include <QImage>
#include <QString>

class QColor;

namespace qv {

// Registers the tools' resource file; cheap after the first call.
void ensureToolResources();

// The SVG at `path` rendered into a square image of `logicalSize` points at
// the device pixel ratio (the image carries that ratio). A null image when the
// file cannot be read.
QImage renderSvgImage(const QString& path, int logicalSize, qreal devicePixelRatio);

// The same, with every painted pixel recoloured to `color` and its coverage
// kept: the icons are drawn in one colour and take the theme's at run time.
QImage renderTintedSvgImage(const QString& path, const QColor& color, int logicalSize,
                            qreal devicePixelRatio);

} // namespace qv
