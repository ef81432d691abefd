#ifndef ZEBPLOT_PLOTTYPES_H
#define ZEBPLOT_PLOTTYPES_H

#include <QMetaType>

// Plain enumerations shared by data sets, canvas, grids, scales, legends and
// time plots.  Callers store and compare the integer values, so the values are
// part of the interface and never change.

/// Orientation of drawn lines or text.  For grids, canvas grid slots, scales and
/// label types VERTICAL means the x axis (vertical grid lines); for axis titles
/// it means the y-axis title, written vertically.
enum E_ORIENTATION_TYPE {
    VERTICAL = 0,
    HORIZONTAL = 1
};

/// Symbol drawn at a data point.  Values outside 1..10 draw nothing.  The
/// type is int-sized explicitly, so that any int a caller stores in it is a
/// value of the type (the symbols 11 and up are free for hosts to pass).
enum E_SYMBOL : int {
    SYMBOL_NONE = 0,
    SYMBOL_DOT = 1,
    SYMBOL_PLUS = 2,
    SYMBOL_CROSS = 3,
    SYMBOL_SQUARE = 4,
    SYMBOL_TRIANGLE_DOWN = 5,
    SYMBOL_TRIANGLE_UP = 6,
    SYMBOL_TRIANGLE_LEFT = 7,
    SYMBOL_TRIANGLE_RIGHT = 8,
    SYMBOL_CIRCLE = 9,
    SYMBOL_DIAMOND = 10
};

/// Where the tick labels of an axis go.
enum E_LABEL_TYPE {
    LABEL_NONE = 0,
    LABEL_ON_SCALE = 1,
    LABEL_IN_PLOT = 2,
    LABEL_BOTH = 3
};

/// Where a plot puts its legend.
enum E_LEGEND_POSITION {
    LEGEND_BOTTOM = 0,
    LEGEND_RIGHT = 1,
    LEGEND_DETACHED = 2
};

/// Drawing layer of a line or band marker.
enum E_MARKER_TYPE {
    MARKER_BACKGROUND = 0,
    MARKER_FOREGROUND = 1
};

/// Labelling of a time axis.
enum ETimeType {
    eSHOW_GNSS = 0,
    eSHOW_UTC = 1,
    eSHOW_LOCAL = 2,
    eSHOW_TOW = 3,
    eSHOW_SECONDS = 4,
    eSHOW_EOL = 5
};
Q_DECLARE_METATYPE(ETimeType)

#endif
