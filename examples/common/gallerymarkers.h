#ifndef ZEBPLOT_EXAMPLES_GALLERYMARKERS_H
#define ZEBPLOT_EXAMPLES_GALLERYMARKERS_H

#include <zebplot/zebplot.h>

/// The line markers both galleries draw over their receiver data, so that the
/// canvas on its own and the complete plot show the same picture.

/// A dashed red line on the background at the C/N0 below which a receiver
/// loses track, with its label.
inline Marker_t trackingThresholdMarker()
{
    Marker_t threshold;
    threshold.type = MARKER_BACKGROUND;
    threshold.orientation = HORIZONTAL;
    threshold.position = 30;
    threshold.color = QColor(200, 0, 0);
    threshold.penStyle = Qt::DashLine;
    threshold.width = 1;
    threshold.label = QStringLiteral("tracking threshold");
    return threshold;
}

/// A dotted black line in the foreground at the time of the newest epoch.
inline Marker_t nowMarker()
{
    Marker_t now;
    now.type = MARKER_FOREGROUND;
    now.orientation = VERTICAL;
    now.position = 3000;
    now.color = Qt::black;
    now.penStyle = Qt::DotLine;
    now.label = QStringLiteral("now");
    return now;
}

#endif
