#ifndef ZEBPLOT_MARKER_H
#define ZEBPLOT_MARKER_H

#include "plottypes.h"

#include <QColor>
#include <QMetaType>
#include <QString>

/// \file
/// Annotation records drawn by the canvas.  The host creates and owns them and
/// registers them with its plot; the canvas reads them at every paint and never
/// changes them.

/// A line across the whole viewport at an x value (VERTICAL) or a y value
/// (HORIZONTAL), with an optional label written at horizontal lines.
struct Marker_t
{
    int type = MARKER_BACKGROUND;   ///< E_MARKER_TYPE: drawing layer
    int orientation = VERTICAL;     ///< E_ORIENTATION_TYPE; other values draw nothing
    double position = 0.0;          ///< x or y value in world units
    QColor color;  ///< line colour
    int penStyle = Qt::SolidLine;   ///< Qt::PenStyle
    int width = 0;                  ///< pen width in pixels; 0 is the cosmetic one-pixel pen
    /// Written only at HORIZONTAL lines: above the line of the plot's first marker, below the others.
    QString label;
};

/// A shaded band between two x values (VERTICAL) or two y values (HORIZONTAL).
struct BandMarker_t
{
    int type = MARKER_BACKGROUND;   ///< E_MARKER_TYPE: drawing layer
    int orientation = VERTICAL;     ///< E_ORIENTATION_TYPE
    double start = 0.0;             ///< lower limit, world units
    double end = 0.0;               ///< upper limit, world units
    QColor color;                   ///< fill colour; its alpha makes the band translucent
    QString label;                  ///< empty: no label; labels of overlapping bands are moved apart
};

/// A rotated ellipse, always drawn in the foreground.  At angle 0 axisA runs
/// along +y and axisB along +x; the angle turns from +y toward +x, in degrees.
struct EllipseMarker_t
{
    double x = 0.0;                 ///< centre, world units
    double y = 0.0;                 ///< centre, world units
    double axisA = 0.0;             ///< full length, world units
    double axisB = 0.0;             ///< full length, world units
    double angle = 0.0;             ///< degrees
    QColor color;                   ///< pen colour
    int penStyle = Qt::SolidLine;   ///< Qt::PenStyle
    int width = 0;                  ///< pen width in pixels; 0 is the cosmetic one-pixel pen
};

/// A cross at a world position, always drawn in the foreground.
struct CrossMarker_t
{
    double x = 0.0;                 ///< centre, world units
    double y = 0.0;                 ///< centre, world units
    double size = 0.0;              ///< half length of each arm in pixels (truncated)
    QColor color;                   ///< pen colour
    int penStyle = Qt::SolidLine;   ///< Qt::PenStyle
    int width = 0;                  ///< pen width in pixels; 0 is the cosmetic one-pixel pen
};

Q_DECLARE_METATYPE(Marker_t)
Q_DECLARE_METATYPE(BandMarker_t)
Q_DECLARE_METATYPE(EllipseMarker_t)
Q_DECLARE_METATYPE(CrossMarker_t)

#endif
