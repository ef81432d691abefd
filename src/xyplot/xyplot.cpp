#include "xyplot.h"

#include "dataarray.h"
#include "look.h"
#include "memleaktracer.h"
#include "verticallabel.h"
#include "verticalscrollbar.h"
#include "xyabstractgrid.h"
#include "xycanvas.h"
#include "xydataset.h"
#include "xylegend.h"
#include "xyscale.h"

#include <QDebug>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

// The y-axis scale reaches this many pixels below the canvas and shifts its
// ticks up by as much (XYScale): down to the bottom of the row of the
// horizontal scroll bar.
const int kScaleExtraLength = 18;
// Height of the horizontal scroll bar assumed when rendering into a pixmap.
const int kRenderedScrollBarHeight = 17;
// Fixed labels keep ticks at least this far away on either side.
const int kMinimumFixedLabelHalfWidth = 7;
const int kDeferredUpdateMs = 250;
// renderToPixmap starts again when drawing changed the y-axis scale width;
// this bounds the number of attempts should the width keep changing.
const int kMaxRenderAttempts = 4;
const QString kBarSuffix = QStringLiteral(" Bar");

bool labelsOnScale(E_LABEL_TYPE type)
{
    return type == LABEL_ON_SCALE || type == LABEL_BOTH;
}

int tickAllowance()
{
    return (5 * getPlotRenderSettings()->majorTickLength) / 4;
}

} // namespace

XYPlot::XYPlot(bool withScrollBars, bool xAxisTitleOnTop, bool skipBackwardLines, QWidget* parent)
    : QWidget(parent),
      markers(new QList<Marker_t*>()),
      dataSets(new QList<XYDataSet*>()),
      ellipseMarkers(new QList<EllipseMarker_t*>()),
      crossMarkers(new QList<CrossMarker_t*>()),
      bandMarkers(new QList<BandMarker_t*>()),
      xAxisTitleOnTop(xAxisTitleOnTop),
      skipBackwardLines(skipBackwardLines)
{
    MemLeakTracer::getInstance()->doAllocateObject("XYPlot");
    const PlotRenderSettings_t* settings = getPlotRenderSettings();

    mainLayout = new QVBoxLayout();
    mainLayout->setContentsMargins(0, 0, 0, 0);

    plotTitleLabel = new QLabel(tr("Plot-title"));
    plotTitleLabel->hide();
    plotTitleLabel->setAlignment(Qt::AlignCenter);
    plotTitleLabel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    mainLayout->addWidget(plotTitleLabel);

    rowLayout = new QHBoxLayout();
    rowLayout->setSpacing(0);
    gridLayout = new QGridLayout();
    gridLayout->setSpacing(0);

    yAxisTitleLabel = new VerticalLabel(QString(), nullptr);
    yAxisTitleLabel->setFontAndUpdate(settings->axisTitleFont);
    yAxisTitleLabel->hide();
    yAxisTitleLabel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);

    canvas = new XYCanvas(dataSets, markers, ellipseMarkers, crossMarkers, bandMarkers, skipBackwardLines, nullptr);
    connect(canvas, &XYCanvas::mouseMoved, this, &XYPlot::mouseMoved);
    connect(canvas, &XYCanvas::mouseCoords, this, &XYPlot::mouseCoords);
    connect(this, &XYPlot::connectFirstLast, canvas, &XYCanvas::setConnectFirstLast);
    connect(this, &XYPlot::sendMouseCoords, canvas, &XYCanvas::enableSendingMouseCoords);

    canvasFrame = new QFrame();
    canvasFrame->setFrameStyle(QFrame::StyledPanel | QFrame::Plain);
    canvasFrame->setContentsMargins(0, 0, 0, 0);
    auto* frameLayout = new QGridLayout(canvasFrame);
    frameLayout->setContentsMargins(0, 0, 0, 0);
    frameLayout->setSpacing(0);
    frameLayout->addWidget(canvas, 0, 0);

    if (withScrollBars) {
        auto* verticalBox = new QVBoxLayout();
        auto* horizontalBox = new QHBoxLayout();
        createScrollBar(verticalBox, Qt::Vertical);
        createScrollBar(horizontalBox, Qt::Horizontal);
        frameLayout->addLayout(horizontalBox, 1, 0);
        frameLayout->addLayout(verticalBox, 0, 1);

        const int e = horizontalScrollBar->height();
        auto* corner = new QPushButton(QIcon(QStringLiteral(":/pic/tp_showall_small.png")), QString());
        corner->setToolTip(tr("Horizontally and vertically show all data"));
        corner->setFixedSize(e, e);
        canvas->connectAsZoomFullBothButton(corner);
        frameLayout->addWidget(corner, 1, 1);
    }

    xAxisTitleLabel = new QLabel(QString());
    xAxisTitleLabel->setFont(settings->axisTitleFont);
    xAxisTitleLabel->hide();
    xAxisTitleLabel->setAlignment(Qt::AlignCenter);
    xAxisTitleLabel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    gridLayout->addWidget(yAxisTitleLabel, 2, 0);
    gridLayout->addWidget(canvasFrame, 2, 2);
    // All the room that titles, scales and scroll bars leave goes to the canvas.
    gridLayout->setRowStretch(2, 1);
    gridLayout->setColumnStretch(2, 1);
    gridLayout->addWidget(xAxisTitleLabel, xAxisTitleOnTop ? 0 : 10, 2);
    rowLayout->addLayout(gridLayout);
    mainLayout->addLayout(rowLayout);
    setLayout(mainLayout);
}

XYPlot::~XYPlot()
{
    MemLeakTracer::getInstance()->doDeallocateObject("XYPlot");
    // The grids outlive the plot; they must not feed the deleted scales.
    if (XYAbstractGrid* grid = canvas->getGrid(HORIZONTAL); grid && grid->getScale() == horizontalScale)
        grid->setScale(nullptr);
    if (XYAbstractGrid* grid = canvas->getGrid(VERTICAL); grid && grid->getScale() == verticalScale)
        grid->setScale(nullptr);
    delete legend;
    // The canvas reads the lists until it goes.
    delete canvasFrame;
    canvasFrame = nullptr;
    delete dataSets;
    delete markers;
    delete ellipseMarkers;
    delete crossMarkers;
    delete bandMarkers;
}

int XYPlot::scrollBarRowHeight() const
{
    // The frame keeps no margins, so its border does not push the canvas in:
    // the scale's lower end is the bottom of the row.
    return kScaleExtraLength - canvasFrame->contentsMargins().bottom();
}

void XYPlot::createScrollBar(QLayout* layout, Qt::Orientation orientation)
{
    // The y-axis scale beside the frame reaches kScaleExtraLength pixels below
    // the canvas, to the bottom of the horizontal scroll bar's row.  Both bars
    // are therefore at least as thick as that row, so that the scale's ticks
    // stay level with the grid lines, and every button is a square of the
    // same thickness.
    const int thickness = scrollBarRowHeight();
    QScrollBar* scrollBar = nullptr;
    QString icon;
    QString direction;
    int e = 0;
    if (orientation == Qt::Horizontal) {
        horizontalScrollBar = new QScrollBar(Qt::Horizontal);
        scrollBar = horizontalScrollBar;
        e = std::max(scrollBar->sizeHint().height(), thickness);
        scrollBar->setFixedHeight(e);
        icon = QStringLiteral(":/pic/tp_showall_horizontal_small.png");
        direction = tr("horizontal");
    } else {
        verticalScrollBar = new VerticalScrollBar();
        scrollBar = verticalScrollBar;
        e = std::max(scrollBar->sizeHint().width(), thickness);
        scrollBar->setFixedWidth(e);
        icon = QStringLiteral(":/pic/tp_showall_vertical_small.png");
        direction = tr("vertical");
    }

    auto* zoomIn = new QPushButton(QStringLiteral("+"));
    zoomIn->setToolTip(tr("Zoom in %1ly").arg(direction));
    zoomIn->setFixedSize(e, e);
    auto* zoomOut = new QPushButton(QStringLiteral("-"));
    zoomOut->setToolTip(tr("Zoom out %1ly").arg(direction));
    zoomOut->setFixedSize(e, e);
    auto* showAll = new QPushButton(QIcon(icon), QString());
    showAll->setToolTip(tr("Show the full %1 extent of the data").arg(direction));
    showAll->setFixedSize(e, e);

    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(scrollBar);
    layout->addWidget(zoomIn);
    layout->addWidget(zoomOut);
    layout->addWidget(showAll);

    if (orientation == Qt::Horizontal) {
        canvas->setHorizontalScrollBar(scrollBar);
        canvas->connectAsZoomInHorizontalButton(zoomIn);
        canvas->connectAsZoomOutHorizontalButton(zoomOut);
        canvas->connectAsZoomFullHorizontalButton(showAll);
    } else {
        canvas->setVerticalScrollBar(scrollBar);
        canvas->connectAsZoomInVerticalButton(zoomIn);
        canvas->connectAsZoomOutVerticalButton(zoomOut);
        canvas->connectAsZoomFullVerticalButton(showAll);
    }
}

// ---------------------------------------------------------------------------
// Events

void XYPlot::resizeEvent(QResizeEvent* event)
{
    setupYScaleForFixedPositionedDatasets(0, -1);
    canvas->fullRepaint();
    QWidget::resizeEvent(event);
}

void XYPlot::showEvent(QShowEvent* event)
{
    setupYScaleForFixedPositionedDatasets(0, -1);
    QWidget::showEvent(event);
}

// ---------------------------------------------------------------------------
// Titles

void XYPlot::setPlotTitle(QString title)
{
    plotTitleLabel->setText(title);
    plotTitleLabel->setVisible(!title.isEmpty());
}

void XYPlot::setAxisTitle(E_ORIENTATION_TYPE orientation, QString title)
{
    if (orientation != VERTICAL) {
        xAxisTitleLabel->setText(title);
        xAxisTitleLabel->setVisible(!title.isEmpty());
    } else {
        yAxisTitleLabel->setText(title);
        yAxisTitleLabel->setVisible(!title.isEmpty());
    }
}

QString XYPlot::getAxisTitle(E_ORIENTATION_TYPE orientation) const
{
    return orientation == HORIZONTAL ? xAxisTitleLabel->text() : yAxisTitleLabel->text();
}

int XYPlot::getAxisTitleFontHeight() const
{
    return QFontMetrics(getPlotRenderSettings()->axisTitleFont).height();
}

int XYPlot::getAxisTitleTextHeight(E_ORIENTATION_TYPE orientation, int width)
{
    const QFontMetrics metrics(getPlotRenderSettings()->axisTitleFont);
    return metrics.boundingRect(QRect(0, 0, width, 1000), Qt::AlignCenter | Qt::TextWordWrap, getAxisTitle(orientation))
        .height();
}

void XYPlot::drawAxisTitle(QPainter* painter, E_ORIENTATION_TYPE orientation, QRect rect)
{
    painter->save();
    painter->setFont(getPlotRenderSettings()->axisTitleFont);
    const QString title = getAxisTitle(orientation);
    if (orientation == VERTICAL) {
        // Turned about the centre, the text is laid out across the rectangle's
        // height and reads upwards.
        painter->translate(QRectF(rect).center());
        painter->rotate(-90);
        const QRectF turned(-rect.height() / 2.0, -rect.width() / 2.0, rect.height(), rect.width());
        painter->drawText(turned, Qt::AlignCenter | Qt::TextWordWrap, title);
    } else {
        painter->drawText(rect, Qt::AlignCenter | Qt::TextWordWrap, title);
    }
    painter->restore();
}

void XYPlot::drawAxisTitle(QPainter* painter, E_ORIENTATION_TYPE orientation, QPoint centre)
{
    painter->save();
    painter->setFont(getPlotRenderSettings()->axisTitleFont);
    const QString title = getAxisTitle(orientation);
    QRectF box = painter->fontMetrics().boundingRect(title);
    if (orientation == VERTICAL) {
        painter->translate(centre);
        painter->rotate(-90);
        box.moveCenter(QPointF(0, 0));
    } else {
        box.moveCenter(centre);
    }
    painter->drawText(box, Qt::AlignCenter, title);
    painter->restore();
}

// ---------------------------------------------------------------------------
// Scales

void XYPlot::addScale(E_ORIENTATION_TYPE orientation, bool onTop)
{
    if (orientation == VERTICAL) {
        XYAbstractGrid* grid = canvas->getGrid(VERTICAL);
        if (verticalScale || !grid)
            return;
        verticalScale = new XYScale(VERTICAL, grid->getLabelType(), onTop, nullptr);
        grid->setScale(verticalScale);
        updateVerticalScaleHeight();
        placeScales();
        QTimer::singleShot(kDeferredUpdateMs, Qt::PreciseTimer, this,
                           [this] { setupYScaleForFixedPositionedDatasets(0, -1); });
    } else {
        XYAbstractGrid* grid = canvas->getGrid(HORIZONTAL);
        if (horizontalScale || !grid)
            return;
        // The y-axis scale always sits left of the canvas.
        horizontalScale = new XYScale(HORIZONTAL, grid->getLabelType(), true, nullptr);
        grid->setScale(horizontalScale);
        setHorizontalScaleWidth(calculateHorizontalScaleWidth(true), true);
        placeScales();
        connect(grid, &XYAbstractGrid::numberOfDecimalsChanged, this, &XYPlot::updateHorizontalScaleWidth);
        connect(canvas, &XYCanvas::viewBoundsChanged, this, &XYPlot::updateHorizontalScaleWidth);
    }
}

void XYPlot::removeScale(E_ORIENTATION_TYPE orientation)
{
    if (orientation == HORIZONTAL) {
        if (!horizontalScale)
            return;
        XYAbstractGrid* grid = canvas->getGrid(HORIZONTAL);
        if (grid) {
            disconnect(grid, &XYAbstractGrid::numberOfDecimalsChanged, this, &XYPlot::updateHorizontalScaleWidth);
            if (grid->getScale() == horizontalScale)
                grid->setScale(nullptr);
        }
        disconnect(canvas, &XYCanvas::viewBoundsChanged, this, &XYPlot::updateHorizontalScaleWidth);
        gridLayout->removeWidget(horizontalScale);
        delete horizontalScale;
        horizontalScale = nullptr;
        placeScales();
    } else {
        if (!verticalScale)
            return;
        XYAbstractGrid* grid = canvas->getGrid(VERTICAL);
        if (grid && grid->getScale() == verticalScale)
            grid->setScale(nullptr);
        gridLayout->removeWidget(verticalScale);
        delete verticalScale;
        verticalScale = nullptr;
        placeScales();
    }
}

void XYPlot::setLabelType(E_ORIENTATION_TYPE orientation, E_LABEL_TYPE type)
{
    XYAbstractGrid* grid = canvas->getGrid(orientation == HORIZONTAL ? HORIZONTAL : VERTICAL);
    if (!grid)
        return;
    grid->setLabelType(type);
    if (orientation == HORIZONTAL)
        setHorizontalScaleWidth(calculateHorizontalScaleWidth(true), true);
    else
        updateVerticalScaleHeight();
}

void XYPlot::setGroupOfPlots(QList<XYPlot*> plots)
{
    groupOfPlots = plots;
}

QList<XYPlot*> XYPlot::getGroupOfPlots() const
{
    return groupOfPlots;
}

int XYPlot::calculateHorizontalScaleWidth(bool includeGroup)
{
    int width = 0;
    XYAbstractGrid* grid = canvas->getGrid(HORIZONTAL);
    if (grid && grid->getScale()) {
        int labelWidth = tickAllowance();
        if (labelsOnScale(grid->getLabelType())) {
            // The widest label the data can produce: the larger magnitude of
            // the two limits, with its sign, every digit made a 9.
            const Bounds bounds = canvas->getDataBounds();
            const double magnitude = std::max(std::fabs(bounds.minY), std::fabs(bounds.maxY));
            if (!std::isnan(magnitude)) {
                const double value = bounds.minY < 0 ? -magnitude : magnitude;
                QString text = grid->getLabel(value, grid->getNumberOfDecimals());
                for (QChar& c : text) {
                    if (c >= QLatin1Char('0') && c <= QLatin1Char('8'))
                        c = QLatin1Char('9');
                }
                labelWidth += QFontMetrics(getPlotRenderSettings()->scaleFont).horizontalAdvance(text);
            }
        }
        width = std::max(labelWidth, grid->getScale()->getRequiredWidthForLabelsAtFixedPosition());
    }
    if (includeGroup) {
        for (XYPlot* plot : std::as_const(groupOfPlots)) {
            if (plot && plot != this)
                width = std::max(width, plot->calculateHorizontalScaleWidth(false));
        }
    }
    return width;
}

void XYPlot::setHorizontalScaleWidth(int width, bool includeGroup)
{
    if (horizontalScale && horizontalScale->minimumWidth() != width) {
        horizontalScale->setMinimumWidth(width);
        horizontalScale->setMaximumWidth(width);
    }
    if (includeGroup) {
        for (XYPlot* plot : std::as_const(groupOfPlots)) {
            if (plot && plot != this)
                plot->setHorizontalScaleWidth(width, false);
        }
    }
}

void XYPlot::updateHorizontalScaleWidth()
{
    setHorizontalScaleWidth(calculateHorizontalScaleWidth(true), true);
}

void XYPlot::updateVerticalScaleHeight()
{
    XYAbstractGrid* grid = canvas->getGrid(VERTICAL);
    if (!grid || !grid->getScale())
        return;
    int height = tickAllowance();
    if (labelsOnScale(grid->getLabelType()))
        height += QFontMetrics(getPlotRenderSettings()->scaleFont).height();
    XYScale* scale = grid->getScale();
    if (scale->minimumHeight() != height) {
        scale->setMinimumHeight(height);
        scale->setMaximumHeight(height);
        if (scale == verticalScale)
            placeScales();
    }
}

void XYPlot::placeScales()
{
    // The y-axis scale reaches kScaleExtraLength pixels below the canvas, or
    // its ticks would miss the grid lines.  With scroll bars it stands beside
    // the canvas frame, whose scroll-bar row is that high.  Without them, row 3
    // under the canvas is kept exactly that high for it; an x-axis scale below
    // the canvas starts in that row and reaches on into row 8 as far as its
    // own height needs, so no height is lost where it is the taller of the two.
    const bool tailRow = horizontalScale && !horizontalScrollBar;
    const int xScaleBelowHeight = verticalScale && !verticalScale->isOnTop() ? verticalScale->minimumHeight() : 0;
    gridLayout->setRowMinimumHeight(3, tailRow ? kScaleExtraLength : 0);
    gridLayout->setRowMinimumHeight(8, tailRow ? std::max(0, xScaleBelowHeight - kScaleExtraLength) : 0);
    if (horizontalScale) {
        gridLayout->removeWidget(horizontalScale);
        gridLayout->addWidget(horizontalScale, 2, 1, tailRow ? 2 : 1, 1);
    }
    if (verticalScale) {
        gridLayout->removeWidget(verticalScale);
        if (verticalScale->isOnTop())
            gridLayout->addWidget(verticalScale, 1, 2);
        else if (tailRow)
            gridLayout->addWidget(verticalScale, 3, 2, 6, 1, Qt::AlignTop);
        else
            gridLayout->addWidget(verticalScale, 8, 2);
    }
}

void XYPlot::updateVerticalScale()
{
    if (verticalScale)
        verticalScale->update();
}

// ---------------------------------------------------------------------------
// Data sets at fixed heights

void XYPlot::setupYScaleForFixedPositionedDatasets(int forgedCanvasHeight, int forcedHorScrollBarHeight)
{
    repositionAutopositionedDataSets(forgedCanvasHeight);
    if (horizontalScale) {
        const int height = forgedCanvasHeight > 0 ? forgedCanvasHeight : canvas->height();
        horizontalScale->clearIntervalsToHideScale();
        horizontalScale->clearLabelsAtFixedPosition();
        // S: the row below the canvas, beside which the scale reaches down.
        // Without scroll bars the row is kept free all the same (see the
        // constructor), so it counts the same way.
        int rowHeight = scrollBarRowHeight();
        if (forcedHorScrollBarHeight >= 0)
            rowHeight = forcedHorScrollBarHeight;
        else if (horizontalScrollBar)
            rowHeight = horizontalScrollBar->height();
        horizontalScale->addIntervalToHideScale(0, rowHeight);

        const int colorBarWidthFactor = getPlotRenderSettings()->colorBarWidthFactor;
        bool someNotFixed = false;
        for (XYDataSet* dataSet : std::as_const(*dataSets)) {
            if (!dataSet->visible)
                continue;
            Look* look = dataSet->getLook();
            if (!look->hasFixedYPosition()) {
                someNotFixed = true;
                continue;
            }
            if (!dataSet->yData->hasValidValues() && look->mustHideEntryIfNoValidData())
                continue;
            const int y = look->getFixedYPosition(height);
            const int halfWidth =
                std::max(kMinimumFixedLabelHalfWidth, (look->getDefaultLineThickness() * colorBarWidthFactor) / 2);
            const int position = height - y + rowHeight;
            horizontalScale->addIntervalToHideScale(position - halfWidth, position + halfWidth);
            QString label = dataSet->name;
            if (label.endsWith(kBarSuffix, Qt::CaseSensitive))
                label.chop(kBarSuffix.size());
            horizontalScale->addLabelAtFixedPosition(position, label);
        }
        // Nothing but data sets at fixed heights: their names instead of ticks.
        if (!someNotFixed) {
            horizontalScale->clearIntervalsToHideScale();
            horizontalScale->addIntervalToHideScale(0, rowHeight + height);
        }
    }
    setHorizontalScaleWidth(calculateHorizontalScaleWidth(true), true);
    update();
}

void XYPlot::repositionAutopositionedDataSets(int forgedCanvasHeight)
{
    const int height = forgedCanvasHeight > 0 ? forgedCanvasHeight : canvas->height();
    if (height <= 0)
        return;
    QList<XYDataSet*> autoPositioned;
    int largestPositive = 0;
    int largestNegative = 0;
    for (XYDataSet* dataSet : std::as_const(*dataSets)) {
        if (!dataSet->visible)
            continue;
        Look* look = dataSet->getLook();
        if (!dataSet->yData->hasValidValues() && look->mustHideEntryIfNoValidData())
            continue;
        if (look->isFractionPositioned() && look->isAutoPositioned()) {
            autoPositioned.append(dataSet);
        } else if (look->isOffsetPositioned()) {
            const int offset = look->getOffset();
            if (offset > 0)
                largestPositive = std::max(largestPositive, offset);
            else if (offset < 0)
                largestNegative = std::max(largestNegative, -offset);
        }
    }
    if (autoPositioned.isEmpty())
        return;
    // Evenly between the data sets at positive offsets (from the top) and
    // those at negative ones (from the bottom).
    const double spacing = double(height - (largestNegative + largestPositive)) / double(autoPositioned.size() + 1);
    for (int k = 1; k <= autoPositioned.size(); ++k)
        autoPositioned[k - 1]->getLook()->setAutoPosition(float((largestPositive + k * spacing) / height));
}

// ---------------------------------------------------------------------------
// Legend

void XYPlot::addLegend(bool checkable, E_LEGEND_POSITION position, QMenu* menu)
{
    if (legend) {
        // Hosts call this after every series they add.  The data sets are
        // connected already (addDataSet connects every new one), so only the
        // legend has to catch up, which costs about the new rows.
        legend->update();
        return;
    }
    legend = new XYLegend(dataSets, checkable, position, menu, minimumHeight(), nullptr);
    // The host may delete a legend it received in its own layout.
    connect(legend, &QObject::destroyed, this, [this](QObject* gone) {
        if (gone == legend)
            legend = nullptr;
    });
    const bool colorBarShown = std::any_of(dataSets->cbegin(), dataSets->cend(), [](XYDataSet* dataSet) {
        return dataSet->visible && dataSet->getLook()->isColorBar();
    });
    if (colorBarShown) {
        legend->title = tr("Datasets");
        // The legend built itself before it had a title.
        legend->updateLater();
    }
    legendPosition = position;
    if (legendParentLayout)
        legendParentLayout->addWidget(legend);
    else if (position == LEGEND_BOTTOM)
        mainLayout->addWidget(legend);
    else if (position == LEGEND_RIGHT)
        rowLayout->addWidget(legend);
    connect(legend, &XYLegend::dataSetVisibilityChanged, this, &XYPlot::redrawCanvasWithoutInterruption);
    setLegendVisible(legendVisible);
    for (XYDataSet* dataSet : std::as_const(*dataSets))
        connectToLegend(dataSet);
}

void XYPlot::connectToLegend(XYDataSet* dataSet)
{
    // Exactly one connection of each kind: a new appearance, and the first
    // value of a data set added empty, both bring the legend up to date.
    disconnect(dataSet, nullptr, legend, nullptr);
    connect(dataSet, &XYDataSet::lastAppearanceChanged, legend, &XYLegend::updateLater);
    connect(dataSet, &XYDataSet::yDataNoLongerEmpty, legend, &XYLegend::updateLater);
}

void XYPlot::removeLegend()
{
    if (!legend)
        return;
    disconnect(legend, &XYLegend::dataSetVisibilityChanged, this, &XYPlot::redrawCanvasWithoutInterruption);
    if (legendPosition == LEGEND_BOTTOM)
        mainLayout->removeWidget(legend);
    else if (legendPosition == LEGEND_RIGHT)
        rowLayout->removeWidget(legend);
    XYLegend* old = legend;
    legend = nullptr;
    delete old;
}

void XYPlot::setLegendVisible(bool flag)
{
    legendVisible = flag;
    if (!legend)
        return;
    // A detached legend lives in the host's menu only; shown, the parentless
    // widget would become a window of its own.
    const bool placed = legendParentLayout || legendPosition == LEGEND_BOTTOM || legendPosition == LEGEND_RIGHT;
    legend->setVisible(flag && placed);
}

bool XYPlot::isLegendVisible() const
{
    return legendVisible;
}

void XYPlot::setParentLayoutForLegend(QLayout* layout)
{
    legendParentLayout = layout;
}

// ---------------------------------------------------------------------------
// Data sets and markers

void XYPlot::addDataSet(XYDataSet* dataSet)
{
    if (!dataSet)
        return;
    dataSets->append(dataSet);
    disconnect(dataSet, nullptr, this, nullptr);
    connect(dataSet, &XYDataSet::yDataNoLongerEmpty, this, &XYPlot::redrawCanvas);
    if (legend)
        connectToLegend(dataSet);
    QTimer::singleShot(kDeferredUpdateMs, Qt::PreciseTimer, this, &XYPlot::redrawCanvas);
}

void XYPlot::removeDataSet(XYDataSet* dataSet)
{
    dataSets->removeAll(dataSet);
}

void XYPlot::removeAllDataSets()
{
    dataSets->clear();
}

bool XYPlot::hasData() const
{
    return std::any_of(dataSets->cbegin(), dataSets->cend(),
                       [](XYDataSet* dataSet) { return dataSet->yData->hasValidValues(); });
}

void XYPlot::addMarker(Marker_t* marker)
{
    if (!marker)
        return;
    int duplicates = 0;
    for (Marker_t* existing : std::as_const(*markers)) {
        if (existing->label == marker->label) {
            qDebug("XYPlot: warning - trying to add the same marker twice");
            ++duplicates;
        }
    }
    if (duplicates == 0)
        markers->append(marker);
}

void XYPlot::addMarkerSharingLabel(Marker_t* marker)
{
    if (marker && !markers->contains(marker))
        markers->append(marker);
}

void XYPlot::addEllipseMarker(EllipseMarker_t* marker)
{
    ellipseMarkers->append(marker);
}

void XYPlot::addCrossMarker(CrossMarker_t* marker)
{
    crossMarkers->append(marker);
}

void XYPlot::addBandMarker(BandMarker_t* marker)
{
    bandMarkers->append(marker);
}

void XYPlot::removeMarker(Marker_t* marker)
{
    markers->removeAll(marker);
}

void XYPlot::removeEllipseMarker(EllipseMarker_t* marker)
{
    ellipseMarkers->removeAll(marker);
}

void XYPlot::removeCrossMarker(CrossMarker_t* marker)
{
    crossMarkers->removeAll(marker);
}

void XYPlot::removeBandMarker(BandMarker_t* marker)
{
    bandMarkers->removeAll(marker);
}

// ---------------------------------------------------------------------------
// Redrawing and forwarding

void XYPlot::redrawCanvas()
{
    setupYScaleForFixedPositionedDatasets(0, -1);
    canvas->fullRepaint();
}

void XYPlot::redrawCanvasWithoutInterruption()
{
    canvas->setContinueBackgroundDrawingUntilFinishedForNextFullRedraw();
    redrawCanvas();
}

void XYPlot::drawNewPoints()
{
    canvas->drawNewPointsOnBackGround();
}

void XYPlot::enableMouseTracking(bool enable)
{
    canvas->enableSendingTextualMouseCoords(enable);
}

void XYPlot::showFullPlot()
{
    canvas->zoomFull();
}

// ---------------------------------------------------------------------------
// Accessors

XYCanvas* XYPlot::getCanvas() const
{
    return canvas;
}

XYScale* XYPlot::getHorizontalScale() const
{
    return horizontalScale;
}

XYScale* XYPlot::getVerticalScale() const
{
    return verticalScale;
}

XYLegend* XYPlot::getLegend() const
{
    return legend;
}

QScrollBar* XYPlot::getHorizontalScrollBar() const
{
    return horizontalScrollBar;
}

QScrollBar* XYPlot::getVerticalScrollBar() const
{
    return verticalScrollBar;
}

QList<XYDataSet*> XYPlot::getDataSets() const
{
    return *dataSets;
}

QList<Marker_t*> XYPlot::getMarkers() const
{
    return *markers;
}

// ---------------------------------------------------------------------------
// Rendering to a pixmap

QPixmap XYPlot::renderToPixmap(QSize size, PlotRenderSettings_t settings, bool withLegend, bool withXAxisTitle,
                               QString title)
{
    return renderToPixmapAttempt(size, settings, withLegend, withXAxisTitle, title, 1);
}

void XYPlot::restoreOnScreenLayout()
{
    setupYScaleForFixedPositionedDatasets(0, -1);
    setHorizontalScaleWidth(calculateHorizontalScaleWidth(true), true);
    updateVerticalScaleHeight();
}

// The parts are painted one by one with the code that paints them on screen,
// under the caller's settings, and pasted together:
//
//   y title | y scale | canvas (one-pixel frame)  | legend
//           |         | x scale, x title           |
//           |         | caption                    |
//
// with the x scale and x title above the canvas when the x-axis scale is on
// top.  The y-axis scale reaches 18 pixels below the canvas, as on screen.
QPixmap XYPlot::renderToPixmapAttempt(QSize size, PlotRenderSettings_t const& settings, bool withLegend,
                                      bool withXAxisTitle, QString const& title, int attempt)
{
    const int width = size.width();
    const int height = size.height();
    if (width <= 0 || height <= 0)
        return QPixmap();

    // Sizes under the pushed settings.
    plotRenderSettings.append(settings);
    const PlotRenderSettings_t* rs = getPlotRenderSettings();
    setupYScaleForFixedPositionedDatasets(0, kRenderedScrollBarHeight);
    setHorizontalScaleWidth(calculateHorizontalScaleWidth(true), true);
    updateVerticalScaleHeight();
    const int yScaleW = horizontalScale ? horizontalScale->minimumWidth() : 0;
    const int xScaleH = verticalScale ? verticalScale->minimumHeight() : 0;

    const QString xTitle = getAxisTitle(HORIZONTAL);
    const QString yTitle = getAxisTitle(VERTICAL);
    const bool xTitleShown = withXAxisTitle && !xTitle.isEmpty();
    const int xTitleH = xTitleShown ? int(std::floor(1.5 * QFontMetrics(rs->axisTitleFont).height())) : 0;

    QPixmap legendPixmap;
    if (withLegend && legend)
        legendPixmap = legend->drawLegendToPixmap(QSize(width / 3, height - xTitleH - xScaleH));
    const int legendW = legendPixmap.isNull() ? 0 : legendPixmap.width();
    const QFontMetrics captionMetrics(rs->legendFont);
    const int captionMargin = int(std::floor(0.3 * captionMetrics.height()));

    int yTitleW = 0;
    if (!yTitle.isEmpty()) {
        // The caption's height is not known yet: estimate it on the width left
        // by the x-title height, which stands in for the y-title width.
        int reserve = 0;
        if (!title.isEmpty()) {
            const QRect box = captionMetrics.boundingRect(QRect(0, 0, width - xTitleH - yScaleW - legendW, 1000),
                                                          Qt::AlignRight | Qt::TextWordWrap, title);
            reserve = box.height() + 2 * captionMargin;
        }
        yTitleW = int(std::floor(1.5 * getAxisTitleTextHeight(VERTICAL, height - xTitleH - xScaleH - reserve)));
    }
    const int cw = std::max(1, width - legendW - yScaleW - yTitleW);

    int titleH = 0;
    QPixmap caption;
    if (!title.isEmpty()) {
        QPixmap scratch(cw, std::max(1, height - xTitleH - xScaleH));
        QPainter scratchPainter(&scratch);
        scratchPainter.setFont(rs->legendFont);
        const QRect area = scratchPainter.viewport().adjusted(captionMargin, captionMargin, -captionMargin,
                                                              -captionMargin);
        titleH = scratchPainter.boundingRect(area, Qt::AlignRight | Qt::TextWordWrap, title).height()
            + 2 * captionMargin;
        scratchPainter.end();
        caption = QPixmap(cw, titleH);
        caption.fill(QColor(0, 0, 0, 0));
        QPainter captionPainter(&caption);
        captionPainter.setFont(rs->legendFont);
        captionPainter.drawText(
            captionPainter.viewport().adjusted(captionMargin, captionMargin, -captionMargin, -captionMargin),
            Qt::AlignRight | Qt::TextWordWrap, title);
    }
    const int ch = std::max(1, height - xTitleH - xScaleH - titleH);

    // The parts.  Fixed labels and hidden intervals now refer to the pixmap's canvas.
    setupYScaleForFixedPositionedDatasets(ch, kRenderedScrollBarHeight);
    QPixmap canvasPixmap(cw, ch);
    canvasPixmap.fill(Qt::white);
    {
        QPainter painter(&canvasPixmap);
        painter.save();
        // Texts inside the plot area (labels in the plot, marker labels) are
        // written in the canvas's font, as on screen; the scale font belongs
        // to the scales.  The canvas itself is left alone: changing its font
        // would repaint it on screen during every export.
        painter.setFont(canvas->font());
        canvas->setContinueBackgroundDrawingUntilFinished(true);
        canvas->drawCanvas(&painter);
        painter.restore();
        painter.drawRect(0, 0, cw - 1, ch - 1);
    }

    // Drawing made the grid recompute its decimals (or the fixed labels
    // changed): the y-axis scale has another width, so lay out again.
    if (horizontalScale && horizontalScale->minimumWidth() != yScaleW && attempt < kMaxRenderAttempts) {
        QPixmap result = renderToPixmapAttempt(size, settings, withLegend, withXAxisTitle, title, attempt + 1);
        plotRenderSettings.takeLast();
        restoreOnScreenLayout();
        return result;
    }

    QPixmap xScalePixmap;
    if (verticalScale && xScaleH > 0) {
        xScalePixmap = QPixmap(cw, xScaleH);
        xScalePixmap.fill(Qt::white);
        QPainter painter(&xScalePixmap);
        verticalScale->paint(&painter);
    }
    QPixmap yScalePixmap;
    if (horizontalScale && yScaleW > 0) {
        yScalePixmap = QPixmap(yScaleW, ch + horizontalScale->getExtraLength());
        yScalePixmap.fill(Qt::white);
        QPainter painter(&yScalePixmap);
        horizontalScale->paint(&painter);
    }
    QPixmap xTitlePixmap;
    if (xTitleShown && xTitleH > 0) {
        xTitlePixmap = QPixmap(cw, xTitleH);
        xTitlePixmap.fill(Qt::white);
        QPainter painter(&xTitlePixmap);
        drawAxisTitle(&painter, HORIZONTAL, xTitlePixmap.rect());
    }
    QPixmap yTitlePixmap;
    if (!yTitle.isEmpty() && yTitleW > 0) {
        yTitlePixmap = QPixmap(yTitleW, ch);
        yTitlePixmap.fill(Qt::white);
        QPainter painter(&yTitlePixmap);
        drawAxisTitle(&painter, VERTICAL, yTitlePixmap.rect());
    }

    plotRenderSettings.takeLast();
    restoreOnScreenLayout();

    // Composition.
    const bool onTop = verticalScale ? verticalScale->isOnTop() : xAxisTitleOnTop;
    const int x0 = (yTitlePixmap.isNull() ? 0 : yTitlePixmap.width()) + (yScalePixmap.isNull() ? 0 : yScalePixmap.width());
    const int canvasY = onTop ? xTitleH + xScaleH : 0;
    QPixmap result(width, height);
    result.fill(Qt::white);
    QPainter painter(&result);
    if (!xTitlePixmap.isNull())
        painter.drawPixmap(x0, onTop ? 0 : ch + xScaleH, xTitlePixmap);
    if (!yTitlePixmap.isNull())
        painter.drawPixmap(0, canvasY, yTitlePixmap);
    if (!xScalePixmap.isNull())
        painter.drawPixmap(x0, onTop ? xTitleH : ch, xScalePixmap);
    if (!yScalePixmap.isNull())
        painter.drawPixmap(yTitlePixmap.isNull() ? 0 : yTitlePixmap.width(), canvasY, yScalePixmap);
    painter.drawPixmap(x0, canvasY, canvasPixmap);
    if (!legendPixmap.isNull())
        painter.drawPixmap(x0 + cw, xTitleH + xScaleH, legendPixmap);
    if (!caption.isNull())
        painter.drawPixmap(x0, height - titleH, caption);
    painter.end();
    return result;
}
