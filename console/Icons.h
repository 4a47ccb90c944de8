// Pictures of the movement and lens buttons, painted at run time.
#pragma once

#include <QIcon>

namespace dxconsole {

enum class Glyph {
    Up, Down, Left, Right, UpLeft, UpRight, DownLeft, DownRight,
    ZoomWide, ZoomTele, FocusNear, FocusFar, IrisOpen, IrisClose,
};

QIcon PaintedIcon(Glyph glyph, int size = 20);
// The splash logo.
QPixmap PaintedLogo(int width, int height);

}  // namespace dxconsole
