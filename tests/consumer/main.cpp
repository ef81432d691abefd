// Exercises the installed package the way a host does: one include, one target.
// streamIntoTimePlot() is the code tour of README.md; keep the two in step.
#include <zebplot/zebplot.h>

#include <QApplication>

#include <cmath>
#include <cstdio>

namespace {

bool streamIntoTimePlot(QWidget* toolBar)
{
    // A time plot of C/N0 for two satellites that share one time array.
    auto* plot = new TimePlotWidget(18 /* GNSS-UTC leap seconds */, "Signal strength", 300, 600,
                                    "C/N0 (dB-Hz)", false, 1.0, toolBar);
    auto* time = new DataArrayTemplate<double>();
    time->setReferenceCounted(true); // shared: it goes with the last data set
    auto* g05 = new XYDataSet(time, new DataArrayTemplate<double>(), "G05", Qt::blue, SYMBOL_NONE, Qt::SolidLine, 1);
    auto* g12 = new XYDataSet(time, new DataArrayTemplate<double>(), "G12", Qt::red, SYMBOL_NONE, Qt::SolidLine, 1);
    plot->setDataSets({g05, g12}); // two data sets: a checkable legend appears
    plot->changeTimeAxis(eSHOW_UTC); // axis title "UTC Time (h:mm:ss)"

    // Every epoch: the time once (ms since 1980-01-06 00:00:00 GNSS time), then one
    // value per satellite (NaN leaves a gap), then let the plot draw the new points.
    auto onEpoch = [&](double gnssMs, double cn0G05, double cn0G12) {
        time->append(gnssMs);
        g05->yData->append(cn0G05);
        g12->yData->append(cn0G12);
        if (time->dataSize() > 36000) { // keep the newest hour at 10 Hz
            time->leftshift(1);
            g05->yData->leftshift(1);
            g12->yData->leftshift(1);
        }
        plot->updateTimePlot(); // the view follows the newest data until the user zooms
    };

    for (int i = 0; i < 40000; ++i)
        onEpoch(1.4e12 + i * 100.0, 40 + std::sin(i * 0.01), i % 500 < 20 ? std::nan("") : 35.0);
    bool const ok = time->dataSize() == 36000 && plot->getXYPlot()->getLegend()
        && plot->getXYPlot()->getAxisTitle(HORIZONTAL) == "UTC Time (h:mm:ss)";
    delete plot; // the plot does not own the data sets
    delete g05;
    delete g12;
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Runs unattended: no message box may wait for an answer.
    zebplotUserInteractionDisabled = true;
    Bounds bounds(0, 10, 0, 1);
    bounds.shiftAndClip(Bounds::Horizontal, Bounds(2, 5, 0, 1));
    if (bounds.minX != 2 || bounds.maxX != 5) {
        std::fprintf(stderr, "consumer: unexpected bounds\n");
        return 1;
    }
    if (getPlotRenderSettings()->majorTickLength != 8) {
        std::fprintf(stderr, "consumer: unexpected render settings\n");
        return 1;
    }
    // No host tool bar here: the plot works without one.
    if (!streamIntoTimePlot(nullptr)) {
        std::fprintf(stderr, "consumer: streaming into a time plot failed\n");
        return 1;
    }
    std::printf("consumer: linked against ZebPlot\n");
    return 0;
}
