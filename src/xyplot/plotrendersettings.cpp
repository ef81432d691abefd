#include "plotrendersettings.h"

#include <QGuiApplication>

QList<PlotRenderSettings_t> plotRenderSettings;
bool zebplotUserInteractionDisabled = false;
bool zebplotHeadlessDisablesUserInteraction = true;
int refDialogOpen = 0;

PlotRenderSettings_t getDefaultPlotRenderSettings()
{
    PlotRenderSettings_t settings;
    settings.axisTitleFont = QFont();
    settings.scaleFont = QFont();

    QFont fixedLabelFont;
    fixedLabelFont.setPointSizeF(fixedLabelFont.pointSizeF() * 0.8);
    settings.fixedLabelFont = fixedLabelFont;

    QFont legendTitleFont;
    legendTitleFont.setPointSize(16);
    legendTitleFont.setWeight(QFont::Weight(700));
    legendTitleFont.setUnderline(true);
    settings.legendTitleFont = legendTitleFont;

    QFont legendFont;
    legendFont.setPointSize(16);
    settings.legendFont = legendFont;
    return settings;
}

PlotRenderSettings_t* getPlotRenderSettings()
{
    if (plotRenderSettings.isEmpty())
        plotRenderSettings.append(getDefaultPlotRenderSettings());
    // last() on a non-const list detaches, so the pointer refers to our own storage.
    return &plotRenderSettings.last();
}

bool isUserInteractionDisabled()
{
    if (zebplotUserInteractionDisabled)
        return true;
    if (!zebplotHeadlessDisablesUserInteraction)
        return false;
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}
