#ifndef ZEBPLOT_PLOTTYPES_H
#define ZEBPLOT_PLOTTYPES_H

#include <QMetaType>

/// \file
/// Plain enumerations shared by data sets, canvas, grids, scales, legends and
/// time plots.  Callers store and compare the integer values, so the values are
/// part of the interface and never change.

/// Orientation of drawn lines or text.  For grids, canvas grid slots, scales and
/// label types VERTICAL means the x axis (vertical grid lines); for axis titles
/// it means the y-axis title, written vertically.
enum E_ORIENTATION_TYPE {
    VERTICAL = 0,  ///< x axis, vertical lines; the upright y-axis title
    HORIZONTAL = 1  ///< y axis, horizontal lines; the x-axis title
};

/// Symbol drawn at a data point.  Values outside 1..10 draw nothing.  The
/// type is int-sized explicitly, so that any int a caller stores in it is a
/// value of the type (the symbols 11 and up are free for hosts to pass).
enum E_SYMBOL : int {
    SYMBOL_NONE = 0,  ///< no symbol
    SYMBOL_DOT = 1,  ///< small square of half the symbol size, up and to the right of the point on the canvas
    SYMBOL_PLUS = 2,  ///< "+"
    SYMBOL_CROSS = 3,  ///< "x"
    SYMBOL_SQUARE = 4,  ///< square outline centred on the point
    SYMBOL_TRIANGLE_DOWN = 5,  ///< triangle; on the canvas (y upwards) it points up, in legends down
    SYMBOL_TRIANGLE_UP = 6,  ///< triangle; on the canvas (y upwards) it points down, in legends up
    SYMBOL_TRIANGLE_LEFT = 7,  ///< triangle pointing left
    SYMBOL_TRIANGLE_RIGHT = 8,  ///< triangle pointing right
    SYMBOL_CIRCLE = 9,  ///< circle outline
    SYMBOL_DIAMOND = 10  ///< diamond outline
};

/// Where the tick labels of an axis go.
enum E_LABEL_TYPE {
    LABEL_NONE = 0,  ///< no tick labels
    LABEL_ON_SCALE = 1,  ///< on the axis scale beside the canvas
    LABEL_IN_PLOT = 2,  ///< inside the plot area, over the grid
    LABEL_BOTH = 3  ///< both places
};

/// Where a plot puts its legend.
enum E_LEGEND_POSITION {
    LEGEND_BOTTOM = 0,  ///< below the plot
    LEGEND_RIGHT = 1,  ///< right of the plot
    LEGEND_DETACHED = 2  ///< no widget: the data sets become actions of a menu the host supplies
};

/// Drawing layer of a line or band marker.
enum E_MARKER_TYPE {
    MARKER_BACKGROUND = 0,  ///< drawn on the cached background, under the data
    MARKER_FOREGROUND = 1  ///< drawn over the data at every paint
};

/// Labelling of a time axis.
enum ETimeType {
    eSHOW_GNSS = 0,  ///< GNSS time of day
    eSHOW_UTC = 1,  ///< UTC time of day (needs the leap seconds)
    eSHOW_LOCAL = 2,  ///< local time of day (needs the leap seconds)
    eSHOW_TOW = 3,  ///< GNSS time of week, seconds
    eSHOW_SECONDS = 4,  ///< seconds since the GNSS time origin
    eSHOW_EOL = 5  ///< end of list: the number of time types; labelling with it fails an assertion
};
Q_DECLARE_METATYPE(ETimeType)

#endif
