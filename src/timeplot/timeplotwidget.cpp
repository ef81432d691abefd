#include "timeplotwidget.h"

#include "colorbardrawlistener.h"
#include "dataarray.h"
#include "lineartimegrid.h"
#include "look.h"
#include "memleaktracer.h"
#include "viewportmaskfilter.h"
#include "xycanvas.h"
#include "xydataset.h"
#include "xyplot.h"

#include <cmath>

namespace {

const int timeTypeMetaTypeId = qRegisterMetaType<ETimeType>("ETimeType");

QString shortest(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

} // namespace

TimePlotWidget::TimePlotWidget(short deltaLS, QString plotTitle, int minimumHeight, int minimumWidth,
                               QString yAxisTitle, bool roundMean, double verticalZoomLimit, QWidget* toolBar)
    : ToolBarPlotWidget(toolBar, deltaLS)
    , roundMean(roundMean)
{
    Q_UNUSED(timeTypeMetaTypeId);
    MemLeakTracer::getInstance()->doAllocateObject("TimePlotWidget");

    setXYPlot(new XYPlot(true, true, false, nullptr));
    // "Show all" must bring the threshold and statistics lines into view too.
    xyPlot->getCanvas()->addCustomVerticalDataBoundsVector(&markerValues);
    if (!plotTitle.isEmpty())
        xyPlot->setPlotTitle(plotTitle);
    xyPlot->setMinimumHeight(minimumHeight);
    xyPlot->setMinimumWidth(minimumWidth);
    xyPlot->minimumPlotWidth = minimumWidth;

    setUpXYPlot(false, true);

    xyPlot->setAxisTitle(VERTICAL, yAxisTitle);
    xyPlot->setAxisTitle(HORIZONTAL, QStringLiteral("Time (s)"));
    xyPlot->addScale(VERTICAL, true);
    xyPlot->getCanvas()->setHorizontalZoomLimit(1000.0);
    xyPlot->getCanvas()->setVerticalZoomLimit(verticalZoomLimit);
}

TimePlotWidget::~TimePlotWidget()
{
    // The plot goes first: its data sets hold the filters that read the
    // listener list, and its canvas paints with the time grid.
    delete xyPlot;
    xyPlot = nullptr;
    delete timeGrid;
    timeGrid = nullptr;
    MemLeakTracer::getInstance()->doDeallocateObject("TimePlotWidget");
}

void TimePlotWidget::changeTimeAxis(ETimeType type)
{
    timeGrid->changeTimeFormat(type);
    updateTimeAxisTitle();
    xyPlot->getCanvas()->fullRepaint();
}

void TimePlotWidget::setDeltaLS(short deltaLS)
{
    this->deltaLS = deltaLS;
    timeGrid->setDeltaLS(deltaLS);
}

void TimePlotWidget::setUtcOffset(float utcOffset)
{
    timeGrid->setUtcOffset(utcOffset);
}

void TimePlotWidget::updateTimeAxisTitle()
{
    QString title;
    ETimeType const type = timeGrid->getTimeType();
    switch (type) {
    case eSHOW_GNSS:
    case eSHOW_TOW:
    case eSHOW_SECONDS:
        title = tr("GNSS Time");
        break;
    case eSHOW_UTC:
        title = tr("UTC Time");
        break;
    case eSHOW_LOCAL: {
        title = tr("Local Time");
        double const offset = timeGrid->getLocalTimeOffsetHours(0);
        // An offset that is no number names no zone (the labels then read
        // Local N/A); any finite one is written out without integer casts.
        if (!std::isfinite(offset))
            break;
        double const magnitude = std::fabs(offset);
        double const hours = std::floor(magnitude);
        title += tr(": UTC");
        title += offset < 0 ? QStringLiteral("-") : QStringLiteral("+");
        title += QString::number(hours, 'f', 0);
        if (magnitude - hours > 0.01) {
            int const minutes = static_cast<int>((magnitude - hours) * 60.0);
            title += QStringLiteral(":%1").arg(minutes, 2, 10, QLatin1Char('0'));
        }
        break;
    }
    default:
        break;
    }
    if (type == eSHOW_SECONDS)
        title += tr(" (s)");
    else if (type == eSHOW_TOW)
        title += tr(" (TOW)");
    else
        title += tr(" (h:mm:ss)");
    xyPlot->setAxisTitle(HORIZONTAL, title);
}

void TimePlotWidget::updateTimePlot()
{
    QList<Marker_t*> const markers = xyPlot->getMarkers();
    markerValues.clear();
    if (!markers.isEmpty() && !showStatistics)
        markerValues.append(horizMarkerOne->position);
    if (markers.size() >= 2)
        markerValues.append(horizMarkerTwo->position);

    xyPlot->getCanvas()->updateBounds();
    xyPlot->drawNewPoints();

    QList<XYDataSet*> const dataSets = xyPlot->getDataSets();
    if (!showStatistics || dataSets.isEmpty())
        return;

    XYDataSet* first = dataSets.first();
    DataArray* y = first->yData;
    double mean = y->getMean();
    if (!y->hasUptodateVarianceSkewness()) {
        if (first->isComplete())
            y->calculateVarianceAndSkewness();
        else
            y->maybeCalculateVarianceAndSkewness();
    }
    double const variance = y->getVariance();
    double const skewness = y->getSkewness();
    if (roundMean)
        mean = std::round(mean);

    QString text = dataSets.size() < 2 ? tr("mean: %1").arg(shortest(mean))
                                       : tr("%1 mean: %2").arg(first->name, shortest(mean));
    if (!std::isnan(variance) && !std::isnan(skewness))
        text += tr(", variance: %1, skewness: %2").arg(shortest(variance), shortest(skewness));
    updateHorizMarkerOne(mean, text);
}

void TimePlotWidget::addDataSet(XYDataSet* dataSet, QList<QString> hiddenEntries)
{
    xyPlot->addDataSet(dataSet);
    if (dataSet->getLook()->isColorBar())
        setColorBarFilter(dataSet, hiddenEntries);
    else
        updateViewportMaskFilter(dataSet);
}

void TimePlotWidget::updateViewportMaskFilter(XYDataSet* dataSet)
{
    auto* filter = new ViewportMaskFilter(dataSet, &colorBarListeners, dataSet);
    delete dataSet->getFilter();
    dataSet->setFilter(filter);
}

void TimePlotWidget::setColorBarFilter(XYDataSet* dataSet, QList<QString> hiddenEntries)
{
    auto* listener = new ColorBarDrawListener(dataSet, nullptr);
    for (QString const& text : hiddenEntries)
        listener->filterEntry(dataSet->getLook()->getLookEntryByLegendText(text), true);

    if (XYDataSetDrawListener* previous = dataSet->getDrawListener()) {
        auto* previousBar = qobject_cast<ColorBarDrawListener*>(previous);
        if (previousBar)
            colorBarListeners.removeOne(previousBar);
        delete previous;
    }
    dataSet->setDrawListener(listener);
    colorBarListeners.append(listener);
    // A data set deleted by the host takes its listener along; the mask
    // filters of the other data sets must not read it afterwards.
    connect(listener, &QObject::destroyed, this, [this, listener] { colorBarListeners.removeAll(listener); });
}

void TimePlotWidget::setDataSets(QList<XYDataSet*> dataSets)
{
    xyPlot->removeAllDataSets();
    colorBarListeners.clear();
    for (XYDataSet* dataSet : dataSets)
        addDataSet(dataSet, {});
    updateLegend();
}

void TimePlotWidget::updateLegend()
{
    QList<XYDataSet*> const dataSets = xyPlot->getDataSets();
    if (dataSets.size() >= 2 || (dataSets.size() == 1 && dataSets.first()->getShowLegendEvenIfOnlyDataSet()))
        xyPlot->addLegend(true, LEGEND_RIGHT, nullptr);
}

QList<ColorBarDrawListener*> const& TimePlotWidget::getColorBarListeners() const
{
    return colorBarListeners;
}

QList<double> const& TimePlotWidget::getMarkerValues() const
{
    return markerValues;
}
