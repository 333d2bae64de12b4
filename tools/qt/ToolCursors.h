#pragma once
// The pointer shapes of the tools. The arrow and the crosshair are Qt's own;
// the pencil, free-rotate and zoom cursors are drawn for the program, at
// 1× and at 2× for high-density screens.

#include "tools/ToolCanvas.h"

#include <QCursor>
#include <QPoint>
#include <QStringView>

class QWidget;

namespace qv {

// Drawn cursors are this many points square.
inline constexpr int kToolCursorSize = 24;

// The cursor for a screen of this device pixel ratio: the 2× picture above 1.
QCursor toolCursor(CursorKind kind, qreal devicePixelRatio = 1);
// The cursor for the screen the widget is on.
QCursor toolCursor(CursorKind kind, const QWidget& widget);

// The hot spot of a drawn cursor in the picture's 1× pixels, (0, 0) for
// Qt's own shapes.
QPoint toolCursorHotSpot(CursorKind kind);

// The hot spot to give QCursor with a picture of this pixel ratio on the
// named platform. The xcb platform hands the hot spot to the X server with the
// picture's device pixels unscaled, so there it must be in device pixels;
// the other platforms scale it themselves.
QPoint cursorHotSpotForPlatform(QPoint hotSpot, qreal pixmapRatio, QStringView platformName);

} // namespace qv
