#include "correlationplotwidget.h"

#include "bounds.h"
#include "memleaktracer.h"
#include "xycanvas.h"
#include "xyplot.h"

CorrelationPlotWidget::CorrelationPlotWidget(XYDataSet* first, XYDataSet* second, QWidget* toolBar)
    : ToolBarPlotWidget(toolBar, -128)
    , firstDataSet(first)
{
    MemLeakTracer::getInstance()->doAllocateObject("CorrelationPlotWidget");
    setXYPlot(new XYPlot(true, false, true, nullptr));
    if (toolBar)
        connect(toolBar, SIGNAL(connectFirstLast(bool)), xyPlot, SIGNAL(connectFirstLast(bool)));
    setUpPlainAxesPlot(QStringLiteral("Normalized Correlation Amplitude (%)"), QStringLiteral("Lag (chips)"));
    xyPlot->addDataSet(first);
    xyPlot->addDataSet(second);
    xyPlot->addLegend(true, LEGEND_RIGHT, nullptr);

    // The window never moves: new correlation values replace the old ones
    // inside the same lag and amplitude range.
    XYCanvas* canvas = xyPlot->getCanvas();
    canvas->setFixedDataBounds(Bounds(-1.5, 1.5, -150.0, 150.0));
    canvas->setHorizontalViewBoundsUpdatePolicy(XYCanvas::FullViewBounds, true);
    canvas->setVerticalViewBoundsUpdatePolicy(XYCanvas::FullViewBounds, true);
}

CorrelationPlotWidget::~CorrelationPlotWidget()
{
    MemLeakTracer::getInstance()->doDeallocateObject("CorrelationPlotWidget");
}

void CorrelationPlotWidget::updatePlot(double x)
{
    verticalMarker->position = x;
    xyPlot->redrawCanvas();
}

XYDataSet* CorrelationPlotWidget::getFirstDataSet() const
{
    return firstDataSet;
}
