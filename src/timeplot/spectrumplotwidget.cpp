#include "spectrumplotwidget.h"

#include "bounds.h"
#include "marker.h"
#include "memleaktracer.h"
#include "xycanvas.h"
#include "xyplot.h"

namespace {

struct SignalBand
{
    char const* label;
    double from;
    double to;
    int red, green, blue;
};

// GNSS signal bands, in the order they are drawn (and listed in the legend of
// the bands): lowest frequency first.
SignalBand const kSignalBands[] = {
    {"L5/E5a/AltBoc/B2a", 1168.95, 1183.95, 0, 0, 255},
    {"E5b/AltBoc/B2b/B2I/L3", 1194.533, 1214.633, 255, 255, 0},
    {"GPSL2", 1220.1, 1235.1, 127, 0, 127},
    {"GLOL2", 1242.0, 1250.0, 0, 255, 0},
    {"B3", 1261.02, 1275.5, 255, 0, 255},
    {"E6/L6", 1275.5, 1282.5, 0, 255, 255},
    {"B1I", 1557.348, 1564.848, 255, 215, 0},
    {"GPSL1", 1567.92, 1582.92, 255, 140, 0},
    {"GLOL1", 1598.0, 1606.0, 139, 69, 19},
};

// Translucent enough that spectra and grid lines stay readable through it.
constexpr int kBandAlpha = 40;
constexpr double kLineHalfWidthMHz = 0.1;

BandMarker_t* newBand(double from, double to, QColor colour, QString label)
{
    auto* band = new BandMarker_t;
    band->type = MARKER_BACKGROUND;
    band->orientation = VERTICAL;
    band->start = from;
    band->end = to;
    colour.setAlpha(kBandAlpha);
    band->color = colour;
    band->label = label;
    return band;
}

} // namespace

SpectrumPlotWidget::SpectrumPlotWidget(QWidget* toolBar)
    : ToolBarPlotWidget(toolBar, -128)
{
    MemLeakTracer::getInstance()->doAllocateObject("SpectrumPlotWidget");
    setXYPlot(new XYPlot(true, false, true, nullptr));
    setUpPlainAxesPlot(QStringLiteral("Power (dB)"), QStringLiteral("Frequency (MHz)"));
    xyPlot->addLegend(true, LEGEND_RIGHT, nullptr);
}

SpectrumPlotWidget::~SpectrumPlotWidget()
{
    for (BandMarker_t* band : std::as_const(signalBands)) {
        xyPlot->removeBandMarker(band);
        delete band;
    }
    for (BandMarker_t* band : std::as_const(lineBands)) {
        xyPlot->removeBandMarker(band);
        delete band;
    }
    MemLeakTracer::getInstance()->doDeallocateObject("SpectrumPlotWidget");
}

void SpectrumPlotWidget::updatePlot(double x)
{
    verticalMarker->position = x;
    xyPlot->redrawCanvas();
}

void SpectrumPlotWidget::setAxisTitle(E_ORIENTATION_TYPE orientation, QString title)
{
    xyPlot->setAxisTitle(orientation, title);
}

void SpectrumPlotWidget::addDataSet(XYDataSet* dataSet, unsigned int minX, unsigned int minY, unsigned int maxX,
                                    unsigned int maxY)
{
    xyPlot->addDataSet(dataSet);
    // The legend was built empty with the widget; a spectrum that arrives
    // complete never announces a new appearance, so rebuild it here.
    xyPlot->addLegend(true, LEGEND_RIGHT, nullptr);
    xyPlot->getCanvas()->setFixedDataBounds(Bounds(minX, maxX, minY, maxY));
}

void SpectrumPlotWidget::addSpectrumBands(QList<std::pair<double, QString>> lines)
{
    if (signalBands.isEmpty()) {
        for (SignalBand const& b : kSignalBands) {
            BandMarker_t* band = newBand(b.from, b.to, QColor(b.red, b.green, b.blue), QString::fromLatin1(b.label));
            signalBands.append(band);
            xyPlot->addBandMarker(band);
        }
    }

    for (BandMarker_t* band : std::as_const(lineBands)) {
        xyPlot->removeBandMarker(band);
        delete band;
    }
    lineBands.clear();

    for (auto const& line : lines)
        lineBands.append(newBand(line.first - kLineHalfWidthMHz, line.first + kLineHalfWidthMHz, QColor(0, 127, 0),
                                 line.second));
    for (BandMarker_t* band : std::as_const(lineBands))
        xyPlot->addBandMarker(band);
}

QList<BandMarker_t*> const& SpectrumPlotWidget::getSignalBands() const
{
    return signalBands;
}

QList<BandMarker_t*> const& SpectrumPlotWidget::getLineBands() const
{
    return lineBands;
}
