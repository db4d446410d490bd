#include "platform/WindowPlacement.h"
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <limits>

namespace {

// Before a window is first shown the window system has not told its frame yet; a title bar is
// taken to be this tall until then.
constexpr int AssumedTitleBarHeight = 32;

qint64 OverlapArea(const QRect& a, const QRect& b)
{
    const QRect both = a.intersected(b);
    return both.isEmpty() ? 0 : qint64(both.width()) * both.height();
}

qint64 DistanceSquared(const QPoint& p, const QRect& r)
{
    const qint64 dx = p.x() < r.left() ? r.left() - p.x() : p.x() > r.right() ? p.x() - r.right() : 0;
    const qint64 dy = p.y() < r.top() ? r.top() - p.y() : p.y() > r.bottom() ? p.y() - r.bottom() : 0;
    return dx * dx + dy * dy;
}

const QRect& ScreenFor(const QRect& frame, const QList<QRect>& screens)
{
    const QRect* best = &screens.front();
    qint64 bestArea = 0;
    for (const QRect& screen : screens) {
        if (const qint64 area = OverlapArea(frame, screen); area > bestArea) {
            bestArea = area;
            best = &screen;
        }
    }
    if (bestArea > 0)
        return *best;
    qint64 bestDistance = std::numeric_limits<qint64>::max();
    for (const QRect& screen : screens) {
        if (const qint64 d = DistanceSquared(frame.center(), screen); d < bestDistance) {
            bestDistance = d;
            best = &screen;
        }
    }
    return *best;
}

// Moves the frame onto the screen as little as possible: wholly where it fits, else its top left.
QPoint ClampInto(const QRect& frame, const QRect& screen)
{
    const int x = std::max(screen.left(), std::min(frame.left(), screen.right() + 1 - frame.width()));
    const int y = std::max(screen.top(), std::min(frame.top(), screen.bottom() + 1 - frame.height()));
    return {x, y};
}

int TitleBarHeight(const QWidget* window)
{
    const int top = window->geometry().top() - window->frameGeometry().top();
    return top > 0 ? top : AssumedTitleBarHeight;
}

QRect FrameOf(const QWidget* window)
{
    QSize size = window->frameGeometry().size();
    if (window->frameGeometry().top() == window->geometry().top())
        size.rheight() += AssumedTitleBarHeight;
    return {window->pos(), size};
}

} // namespace

namespace WindowPlacement {

QPoint OnScreen(const QRect& frame, int titleBarHeight, const QList<QRect>& screens)
{
    if (screens.isEmpty())
        return frame.topLeft();
    const QRect titleBar(frame.left(), frame.top(), frame.width(), std::max(titleBarHeight, 1));
    for (const QRect& screen : screens)
        if (screen.contains(titleBar))
            return frame.topLeft();
    return ClampInto(frame, ScreenFor(frame, screens));
}

QPoint Beside(const QRect& anchorFrame, const QSize& frameSize, int titleBarHeight, const QList<QRect>& screens)
{
    if (screens.isEmpty())
        return anchorFrame.topRight() + QPoint(1, 0);
    const QRect& screen = ScreenFor(anchorFrame, screens);
    const QRect right(QPoint(anchorFrame.right() + 1, anchorFrame.top()), frameSize);
    const QRect left(QPoint(anchorFrame.left() - frameSize.width(), anchorFrame.top()), frameSize);
    for (const QRect& candidate : {right, left})
        if (candidate.left() >= screen.left() && candidate.right() <= screen.right())
            return ClampInto(candidate, screen);
    const QRect over(anchorFrame.topLeft() + QPoint(titleBarHeight, titleBarHeight), frameSize);
    return ClampInto(over, screen);
}

QList<QRect> AvailableScreens()
{
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens << screen->availableGeometry();
    return screens;
}

void KeepOnScreen(QWidget* window)
{
    const QPoint to = OnScreen(FrameOf(window), TitleBarHeight(window), AvailableScreens());
    if (to != window->pos())
        window->move(to);
}

void PlaceBeside(QWidget* window, const QWidget* anchor)
{
    const QRect anchorFrame = anchor ? FrameOf(anchor->window()) : QRect();
    if (!anchor || anchorFrame.isEmpty()) {
        KeepOnScreen(window);
        return;
    }
    window->move(Beside(anchorFrame, FrameOf(window).size(), TitleBarHeight(window), AvailableScreens()));
}

} // namespace WindowPlacement
