#include "bounds.h"

#include <QString>

#include <algorithm>
#include <cmath>

void Bounds::shiftAndClip(Bounds::Direction direction, Bounds const& clip)
{
    double* lo = nullptr;
    double* hi = nullptr;
    double clipLo = 0.0;
    double clipHi = 0.0;
    if (direction == Horizontal) {
        lo = &minX;
        hi = &maxX;
        clipLo = clip.minX;
        clipHi = clip.maxX;
    } else if (direction == Vertical) {
        lo = &minY;
        hi = &maxY;
        clipLo = clip.minY;
        clipHi = clip.maxY;
    } else {
        return;
    }
    if (std::isnan(*lo) || std::isnan(*hi) || std::isnan(clipLo) || std::isnan(clipHi))
        return;

    const double excess = *hi - clipHi;
    if (excess > 0) {
        *hi = clipHi;
        *lo -= excess;
    }
    const double deficit = clipLo - *lo;
    if (deficit > 0) {
        *lo = clipLo;
        *hi = std::min(clipHi, *hi + deficit);
    }
}

QDebug operator<<(QDebug debug, Bounds const& bounds)
{
    auto number = [](double value) { return QString::number(value, 'f', 6).toLocal8Bit(); };
    debug.nospace() << "(" << "MinX:" << number(bounds.minX).constData() << ",MaxX:"
                    << number(bounds.maxX).constData() << " ; " << "MinY:" << number(bounds.minY).constData()
                    << ",MaxY:" << number(bounds.maxY).constData() << ",Size:"
                    << number(bounds.maxX - bounds.minX).constData() << "x"
                    << number(bounds.maxY - bounds.minY).constData() << ")";
    debug.space();
    return debug;
}
