#include "WindowGeometry.h"

#include <QRegion>

#include <algorithm>

namespace {

qint64 Area(const QRect& rect) {
    return rect.isEmpty() ? 0 : qint64(rect.width()) * rect.height();
}

} // namespace

QRect ReachableGeometry(const QRect& saved, const QList<QRect>& available) {
    if (available.isEmpty())
        return saved;
    // A window spanning two screens side by side is as reachable as one on a single screen.
    QRegion screens;
    for (const QRect& area : available)
        screens += area;
    if (!saved.isEmpty() && QRegion(saved).subtracted(screens).isEmpty())
        return saved;
    const QRect* screen = &available.front();
    qint64 best = 0;
    for (const QRect& candidate : available) {
        const qint64 overlap = Area(candidate.intersected(saved));
        if (overlap > best) {
            best = overlap;
            screen = &candidate;
        }
    }
    const int width = std::clamp(saved.width(), 1, std::max(1, screen->width()));
    const int height = std::clamp(saved.height(), 1, std::max(1, screen->height()));
    // 64-bit sums: hand-edited coordinates near the integer limits must not wrap.
    const qint64 left =
        std::clamp<qint64>(saved.x(), screen->x(), qint64(screen->x()) + screen->width() - width);
    const qint64 top =
        std::clamp<qint64>(saved.y(), screen->y(), qint64(screen->y()) + screen->height() - height);
    return QRect(int(left), int(top), width, height);
}
