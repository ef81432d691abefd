#ifndef ZEBPLOT_TESTS_PLOTTESTHELPERS_H
#define ZEBPLOT_TESTS_PLOTTESTHELPERS_H

// Data sets and colour bars for the legend and plot tests.

#include "pixelhelpers.h"

#include <zebplot/zebplot.h>

#include <QImage>

#include <cmath>

inline XYDataSet* makeDataSet(QString const& name, int points, QColor color = Qt::blue)
{
    auto* dataSet = new XYDataSet(new DataArrayTemplate<double>(), new DataArrayTemplate<double>(), name, color,
                                  SYMBOL_NONE, Qt::SolidLine, 1, nullptr);
    for (int i = 0; i < points; ++i)
        dataSet->append(i, (i % 7) - 3);
    return dataSet;
}

/// A colour bar with a ColorBarDrawListener and one legend text per colour,
/// listed in this order; every colour occurs in the data.
inline XYDataSet* makeColorBar(QString const& name, QList<QColor> const& colors, QStringList const& texts,
                               int offset = -10, int thickness = 6)
{
    XYDataSet* bar = makeDataSet(name, 0, colors.value(0, Qt::green));
    Look* look = bar->getLook();
    look->setColorBar(offset);
    look->setDefaultLineThickness(thickness);
    look->setMustIncludeAllEntriesInLegend(true);
    for (int i = 0; i < colors.size(); ++i) {
        look->setLegendText(Look::Entry(colors[i], SYMBOL_NONE, Qt::SolidLine, thickness), texts.value(i), Look::Color);
        look->changeFromLast(colors[i], SYMBOL_NONE, Qt::SolidLine, thickness);
        for (int j = 0; j < 10; ++j)
            bar->append(10 * i + j, i);
    }
    bar->setDrawListener(new ColorBarDrawListener(bar));
    return bar;
}

/// A plot with everything a rendering lays out: both scales, both axis
/// titles, two curves, a colour bar, a background marker and a legend.
struct RichPlot
{
    LinearGrid xGrid{VERTICAL, nullptr};
    LinearGrid yGrid{HORIZONTAL, nullptr};
    XYPlot plot{true, false, false, nullptr};
    QList<XYDataSet*> dataSets;
    Marker_t threshold{MARKER_BACKGROUND, HORIZONTAL, 2.5, Qt::darkMagenta, Qt::SolidLine, 0, "threshold"};

    explicit RichPlot(int points = 2000, bool xScaleOnTop = false)
    {
        plot.getCanvas()->setGrid(VERTICAL, &xGrid, false);
        plot.getCanvas()->setGrid(HORIZONTAL, &yGrid, false);
        dataSets = {makeDataSet("GPS L1", 0, Qt::red), makeDataSet("GPS L2", 0, Qt::blue),
                    makeColorBar("Lock", {Qt::green, Qt::yellow}, {"locked", "slipped"})};
        for (int i = 0; i < points; ++i) {
            const double x = 40.0 * i / points;
            dataSets[0]->append(x, 3 * std::sin(x / 3));
            dataSets[1]->append(x, 2 * std::cos(x / 5) - 1);
        }
        for (XYDataSet* dataSet : dataSets)
            plot.addDataSet(dataSet);
        plot.addMarker(&threshold);
        plot.getCanvas()->updateBounds();
        plot.getCanvas()->zoomTo(Bounds(0, 40, -4, 4));
        plot.addScale(VERTICAL, xScaleOnTop);
        plot.addScale(HORIZONTAL, true);
        plot.setLabelType(VERTICAL, LABEL_ON_SCALE);
        plot.setLabelType(HORIZONTAL, LABEL_ON_SCALE);
        plot.setAxisTitle(VERTICAL, "C/N0 (dB-Hz)");
        plot.setAxisTitle(HORIZONTAL, "Time of week (s)");
        plot.addLegend(true, LEGEND_RIGHT, nullptr);
    }
    ~RichPlot()
    {
        plot.removeAllDataSets();
        qDeleteAll(dataSets);
    }
};

#endif
