#include "toolbarplotwidget.h"

#include "lineargrid.h"
#include "lineartimegrid.h"
#include "memleaktracer.h"
#include "xycanvas.h"
#include "xyplot.h"

#include <QGridLayout>

namespace {

Marker_t* newLineMarker(int orientation, QColor colour, Qt::PenStyle style, QString label)
{
    auto* marker = new Marker_t;
    marker->type = MARKER_FOREGROUND;
    marker->orientation = orientation;
    marker->position = 0.0;
    marker->color = colour;
    marker->penStyle = style;
    marker->width = 1;
    marker->label = label;
    return marker;
}

} // namespace

ToolBarPlotWidget::ToolBarPlotWidget(QWidget* toolBar, short deltaLS)
    : QWidget(toolBar)
    , toolBar(toolBar)
    , deltaLS(deltaLS)
    , verticalMarker(newLineMarker(VERTICAL, Qt::red, Qt::SolidLine, QString()))
    , horizMarkerOne(newLineMarker(HORIZONTAL, Qt::red, Qt::DashLine, QStringLiteral("N/A")))
    , horizMarkerTwo(newLineMarker(HORIZONTAL, Qt::green, Qt::DashLine, QStringLiteral("N/A")))
{
    MemLeakTracer::getInstance()->doAllocateObject("ToolBarPlotWidget");
}

ToolBarPlotWidget::~ToolBarPlotWidget()
{
    // A plot that outlives this part (it is deleted with the child widgets
    // after this destructor body) must not paint markers that are gone.
    if (xyPlot) {
        xyPlot->removeMarker(horizMarkerOne);
        xyPlot->removeMarker(horizMarkerTwo);
        xyPlot->removeMarker(verticalMarker);
    }
    delete verticalMarker;
    delete horizMarkerOne;
    delete horizMarkerTwo;
    MemLeakTracer::getInstance()->doDeallocateObject("ToolBarPlotWidget");
}

void ToolBarPlotWidget::setXYPlot(XYPlot* plot)
{
    xyPlot = plot;
}

XYPlot* ToolBarPlotWidget::getXYPlot() const
{
    return xyPlot;
}

LinearTimeGrid* ToolBarPlotWidget::getTimeGrid() const
{
    return timeGrid;
}

void ToolBarPlotWidget::setUpXYPlot(bool withVerticalMarker, bool timeAxis)
{
    XYCanvas* canvas = xyPlot->getCanvas();

    // By signature: the tool bar is any host widget; what it lacks, Qt reports
    // and the plot works without.
    if (toolBar) {
        connect(toolBar, SIGNAL(showFullPlot()), xyPlot, SLOT(showFullPlot()));
        connect(toolBar, SIGNAL(changeCursor(Qt::CursorShape)), canvas, SLOT(changeCursor(Qt::CursorShape)));
        connect(toolBar, SIGNAL(mouseTrackingOn(bool)), xyPlot, SLOT(enableMouseTracking(bool)));
        connect(toolBar, SIGNAL(sendMouseCoords(bool)), xyPlot, SIGNAL(sendMouseCoords(bool)));
        connect(xyPlot, SIGNAL(mouseMoved(QString, QString)), toolBar, SLOT(drawMouseCoords(QString, QString)));
    }

    auto* layout = new QGridLayout;
    layout->addWidget(xyPlot, 0, 0);
    setLayout(layout);

    canvas->setGrid(HORIZONTAL, new LinearGrid(HORIZONTAL, this), false);
    if (timeAxis) {
        timeGrid = new LinearTimeGrid(deltaLS, VERTICAL, this);
        canvas->setGrid(VERTICAL, timeGrid, false);
    } else {
        canvas->setGrid(VERTICAL, new LinearGrid(VERTICAL, this), false);
    }

    xyPlot->setLabelType(HORIZONTAL, LABEL_ON_SCALE);
    xyPlot->setLabelType(VERTICAL, LABEL_ON_SCALE);
    xyPlot->addScale(HORIZONTAL, true);

    if (withVerticalMarker) {
        verticalMarker->color = Qt::red;
        verticalMarker->penStyle = Qt::SolidLine;
        verticalMarker->width = 1;
        verticalMarker->type = MARKER_FOREGROUND;
        verticalMarker->orientation = VERTICAL;
        verticalMarker->position = 0.0;
        xyPlot->addMarker(verticalMarker);
    }
}

void ToolBarPlotWidget::setUpPlainAxesPlot(QString yAxisTitle, QString xAxisTitle)
{
    xyPlot->setMinimumHeight(400);
    xyPlot->setMinimumWidth(600);
    xyPlot->minimumPlotWidth = 600;
    setUpXYPlot(true, false);
    xyPlot->setAxisTitle(VERTICAL, yAxisTitle);
    xyPlot->setAxisTitle(HORIZONTAL, xAxisTitle);
    xyPlot->addScale(VERTICAL, false);
    xyPlot->getCanvas()->setHorizontalZoomLimit(0.2);
    xyPlot->getCanvas()->setVerticalZoomLimit(10.0);
}

void ToolBarPlotWidget::addHorizMarkerOne(QString label, Qt::PenStyle style, QColor colour)
{
    horizMarkerOne->label = label;
    horizMarkerOne->penStyle = style;
    horizMarkerOne->color = colour;
}

void ToolBarPlotWidget::addHorizMarkerTwo(QString label, Qt::PenStyle style, QColor colour)
{
    horizMarkerTwo->label = label;
    horizMarkerTwo->penStyle = style;
    horizMarkerTwo->color = colour;
}

void ToolBarPlotWidget::updateHorizMarkerOne(double position, QString label)
{
    horizMarkerOne->position = position;
    if (!label.isEmpty())
        horizMarkerOne->label = label;
}

void ToolBarPlotWidget::updateHorizMarkerTwo(double position, QString label)
{
    horizMarkerTwo->position = position;
    if (!label.isEmpty())
        horizMarkerTwo->label = label;
}

Marker_t* ToolBarPlotWidget::getVerticalMarker() const
{
    return verticalMarker;
}

Marker_t* ToolBarPlotWidget::getHorizMarkerOne() const
{
    return horizMarkerOne;
}

Marker_t* ToolBarPlotWidget::getHorizMarkerTwo() const
{
    return horizMarkerTwo;
}

bool ToolBarPlotWidget::isHorizMarkerOneShown() const
{
    return plotHolds(horizMarkerOne);
}

bool ToolBarPlotWidget::isHorizMarkerTwoShown() const
{
    return plotHolds(horizMarkerTwo);
}

bool ToolBarPlotWidget::plotHolds(Marker_t* marker) const
{
    // Asked of the plot itself, so that the answer cannot drift from what it draws.
    return xyPlot && xyPlot->getMarkers().contains(marker);
}

void ToolBarPlotWidget::showHorizMarker(Marker_t* marker, bool show)
{
    // The two horizontal markers are distinct lines of this widget, whose
    // labels may well be equal (both start as "N/A"): the plot's refusal of
    // a second marker with a label already present must not hide one of them.
    if (show)
        xyPlot->addMarkerSharingLabel(marker);
    else
        xyPlot->removeMarker(marker);
    xyPlot->redrawCanvas();
}

void ToolBarPlotWidget::showHMarkerOne(bool show)
{
    showHorizMarker(horizMarkerOne, show);
}

void ToolBarPlotWidget::showHMarkerTwo(bool show)
{
    showHorizMarker(horizMarkerTwo, show);
}

void ToolBarPlotWidget::redrawCanvas()
{
    if (xyPlot)
        xyPlot->redrawCanvas();
}
