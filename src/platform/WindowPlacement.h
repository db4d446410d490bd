#pragma once
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

// Where windows may stand: on one of the screens, with the whole title bar on it, so a window
// can always be seen, grabbed and closed. Frames are in global coordinates; screens are their
// available areas (without task bars).
namespace WindowPlacement {

// The top-left corner for a frame. A frame whose title bar lies wholly on a screen stays where it
// is; any other moves onto the screen it overlaps most, else the nearest one, as little as
// possible and wholly on it where it fits.
QPoint OnScreen(const QRect& frame, int titleBarHeight, const QList<QRect>& screens);

// The top-left corner for a frame of the given size placed beside another window's frame: to its
// right, else to its left, else over it a little offset; always on a screen.
QPoint Beside(const QRect& anchorFrame, const QSize& frameSize, int titleBarHeight, const QList<QRect>& screens);

// The available areas of the screens attached now.
QList<QRect> AvailableScreens();

// The same for a real window, with its frame as far as the window system has told it.
void KeepOnScreen(QWidget* window);
void PlaceBeside(QWidget* window, const QWidget* anchor);

} // namespace WindowPlacement
