#ifndef ZEBPLOT_BOUNDS_H
#define ZEBPLOT_BOUNDS_H

#include "zebplot_export.h"

#include <QDebug>
#include <QMetaType>

#include <limits>

/// \file
/// The world rectangle type used for data bounds and view bounds.

/// A rectangle in world coordinates.  A NaN limit means "not set"; the x pair
/// and the y pair are set or unset independently.  Nothing keeps the lower limit
/// below the upper one.
struct ZEBPLOT_EXPORT Bounds
{
    /// Selects the x pair (Horizontal) or the y pair (Vertical) in per-direction operations.
    enum Direction {
        Horizontal = 0,  ///< x: minX and maxX
        Vertical = 1  ///< y: minY and maxY
    };
    /// Selects the lower (Min) or upper (Max) limit of a pair.
    enum End {
        Min = 0,  ///< the lower limit
        Max = 1  ///< the upper limit
    };

    /// Limits in world (data) units; NaN until set.
    ///@{
    double minX = std::numeric_limits<double>::quiet_NaN();
    double maxX = std::numeric_limits<double>::quiet_NaN();
    double minY = std::numeric_limits<double>::quiet_NaN();
    double maxY = std::numeric_limits<double>::quiet_NaN();
    ///@}

    /// All four limits NaN: nothing set.
    Bounds() = default;
    /// Takes the limits as given: no ordering or NaN check.
    Bounds(double minX, double maxX, double minY, double maxY)
        : minX(minX), maxX(maxX), minY(minY), maxY(maxY)
    {
    }

    /// Moves the limit pair of one direction inside the same pair of clip,
    /// keeping its extent where possible.  The upper side is handled first, so
    /// a pair wider than the clip range ends up equal to it.  Nothing changes
    /// when any of the four limits involved is NaN.
    void shiftAndClip(Bounds::Direction direction, Bounds const& clip);
};

/// Writes "(MinX:…,MaxX:… ; MinY:…,MaxY:…,Size:…x…)" with six decimals each.
ZEBPLOT_EXPORT QDebug operator<<(QDebug debug, Bounds const& bounds);

Q_DECLARE_METATYPE(Bounds)

#endif
