#ifndef ZEBPLOT_PLOTRENDERSETTINGS_H
#define ZEBPLOT_PLOTRENDERSETTINGS_H

#include "zebplot_export.h"

#include <QFont>
#include <QList>

/// \file
/// The render settings all drawing reads, the process-wide stack they live on,
/// and the switches that keep the library from waiting for the user.

/// Fonts, pen widths, tick lengths and legend icon sizes read by every drawing
/// routine of the library.  Rendering a plot into a pixmap pushes its own record
/// on the stack, so the same drawing code produces, say, larger fonts for print.
struct ZEBPLOT_EXPORT PlotRenderSettings_t
{
    QFont axisTitleFont;  ///< axis titles of a plot
    QFont scaleFont;  ///< tick labels on the scales
    QFont fixedLabelFont;  ///< fixed labels beside a y scale (the colour-bar names of a plot)
    QFont legendTitleFont;  ///< headings of a legend drawn into a pixmap
    QFont legendFont;  ///< entries of a legend drawn into a pixmap
    int lineWidth = 1;  ///< pen width of grid lines and major ticks, pixels
    int minorTickWidth = 1;  ///< pen width of minor ticks, pixels
    int majorTickLength = 8;  ///< pixels; scales reserve 5/4 of it beside the labels
    int minorTickLength = 4;  ///< pixels
    int lineWidthFactor = 1;  ///< multiplies the line thickness of data sets and their legend icons
    int colorBarWidthFactor = 1;  ///< multiplies the thickness of colour bars and their legend icons
    int legendIconSize = 14;  ///< width of a legend icon, pixels
    int legendIconMargin = 5;  ///< gap between a legend icon and its text, pixels
};

/// The settings stack; its last element is in force.  Push a record before
/// drawing with other settings and takeLast() it afterwards.
ZEBPLOT_EXPORT extern QList<PlotRenderSettings_t> plotRenderSettings;
/// While true, the legend shows no warning box when it does not fit into a pixmap.
ZEBPLOT_EXPORT extern bool zebplotUserInteractionDisabled;
/// While true (the default), a platform without a display ("offscreen",
/// "minimal") counts as user interaction disabled too: nobody could answer a
/// message box there, and a modal one would wait for ever.  Hosts that render
/// headless need not remember the flag above; set this to false only to see
/// the boxes of such a platform (a test that closes them itself).
ZEBPLOT_EXPORT extern bool zebplotHeadlessDisablesUserInteraction;
/// Kept for the host; the library neither reads nor writes it.
ZEBPLOT_EXPORT extern int refDialogOpen;

/// The default record: application fonts, a bold underlined 16-point legend
/// title, 16-point legend entries, fixed labels at 80 % of the application font.
ZEBPLOT_EXPORT PlotRenderSettings_t getDefaultPlotRenderSettings();
/// Whether a box that waits for the user must be left out: the flag is set,
/// or the platform has no display and zebplotHeadlessDisablesUserInteraction
/// is set.
ZEBPLOT_EXPORT bool isUserInteractionDisabled();

/// The record in force.  An empty stack first receives the default record.
/// Do not keep the pointer across a push or pop.
ZEBPLOT_EXPORT PlotRenderSettings_t* getPlotRenderSettings();

#endif
