#ifndef ZEBPLOT_PIXELROUNDING_H
#define ZEBPLOT_PIXELROUNDING_H

#include <QtGlobal>

#include <cmath>

// Internal to the canvas; not exported.

/// Drawing works in int pixels.  Points far outside the view (deep zoom into
/// long series, a value of 1e308 or an infinity among ordinary ones) are
/// clamped so that pixel arithmetic can never overflow; the clamp lies far
/// beyond any real viewport, so a line towards such a point still leaves the
/// view in the right direction.
constexpr double kCoordinateLimit = double(1 << 29);

/// A pixel position rounded half away from zero and clamped to
/// ±kCoordinateLimit.  NaN has no position: it gives 0, and callers that may
/// see one test for it first.
inline int roundClamped(double v)
{
    if (v > kCoordinateLimit)
        return int(kCoordinateLimit);
    if (v < -kCoordinateLimit)
        return -int(kCoordinateLimit);
    if (std::isnan(v))
        return 0;
    return qRound(v);
}

#endif
