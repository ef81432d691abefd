#ifndef ZEBPLOT_EXAMPLES_PRINTSETTINGS_H
#define ZEBPLOT_EXAMPLES_PRINTSETTINGS_H

#include <zebplot/zebplot.h>

#include <QFont>

/// Render settings for a print or a saved picture: larger fonts and thicker
/// lines than on screen, all scaled together by scale (2 for a picture with
/// twice the pixels across).  The legend's entries are set in legendPoints,
/// its title two points larger.
inline PlotRenderSettings_t printSettings(int scale, double legendPoints)
{
    PlotRenderSettings_t settings = getDefaultPlotRenderSettings();
    auto font = [scale](double points, bool bold = false, bool underline = false) {
        QFont font;
        font.setPointSizeF(points * scale);
        if (bold)
            font.setWeight(QFont::Bold);
        font.setUnderline(underline);
        return font;
    };
    settings.axisTitleFont = font(13);
    settings.scaleFont = font(11);
    settings.fixedLabelFont = font(10);
    settings.legendTitleFont = font(legendPoints + 2, true, true);
    settings.legendFont = font(legendPoints);
    settings.lineWidth = scale;
    settings.minorTickWidth = scale;
    settings.majorTickLength = 10 * scale;
    settings.minorTickLength = 5 * scale;
    settings.lineWidthFactor = 2 * scale;
    settings.colorBarWidthFactor = scale;
    settings.legendIconSize = 14 * scale;
    settings.legendIconMargin = 5 * scale;
    return settings;
}

#endif
