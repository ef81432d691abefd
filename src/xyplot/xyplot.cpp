#include "xyplot.h"

#include "dataarray.h"
#include "look.h"
#include "memleaktracer.h"
#include "vectorshaperecorder.h"
#include "verticallabel.h"
#include "verticalscrollbar.h"
#include "xyabstractgrid.h"
#include "xycanvas.h"
#include "xydataset.h"
#include "xylegend.h"
#include "xyscale.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QGuiApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QScrollBar>
#include <QSvgGenerator>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <utility>

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
// A rendering is laid out again when the grids' labels changed the y-axis
// scale width; this bounds the number of layouts should the width keep changing.
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

// Runs a function when leaving the scope, however it is left.
template <typename F>
class ScopeExit
{
public:
    explicit ScopeExit(F f) : f(std::move(f)) {}
    ~ScopeExit() { f(); }
    ScopeExit(ScopeExit const&) = delete;
    ScopeExit& operator=(ScopeExit const&) = delete;

private:
    F f;
};

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
// Rendering onto any paint device

// Where each part of a rendering goes, relative to the top-left corner of the
// target; an empty rectangle is a part left out.  Computed once, before
// anything is drawn, so that a device that cannot be painted twice (a PDF page,
// a printer) gets each part exactly once.
struct XYPlot::RenderLayout
{
    QRect xTitle;
    QRect yTitle;
    QRect xScale;
    QRect yScale;
    QRect canvas;
    QRect legend;
    /// What the legend picture was fitted to.
    QSize legendAvailable;
    QRect caption;
    int captionMargin = 0;
};

QPixmap XYPlot::renderToPixmap(QSize size, PlotRenderSettings_t settings, bool withLegend, bool withXAxisTitle,
                               QString title)
{
    return renderToPixmap(size, settings, withLegend, withXAxisTitle, title, 1.0);
}

QPixmap XYPlot::renderToPixmap(QSize size, PlotRenderSettings_t const& settings, bool withLegend,
                               bool withXAxisTitle, QString const& title, qreal devicePixelRatio)
{
    if (size.width() <= 0 || size.height() <= 0)
        return QPixmap();
    if (!(devicePixelRatio > 0) || !std::isfinite(devicePixelRatio)) {
        qWarning() << "XYPlot::renderToPixmap: device pixel ratio" << devicePixelRatio << "is not positive";
        return QPixmap();
    }
    const QSize devicePixels(int(std::ceil(size.width() * devicePixelRatio)),
                             int(std::ceil(size.height() * devicePixelRatio)));
    QPixmap result(devicePixels);
    if (result.isNull())
        return result;
    result.setDevicePixelRatio(devicePixelRatio);
    result.fill(Qt::white);
    QPainter painter(&result);
    renderOnto(&painter, QRect(QPoint(0, 0), size), settings, withLegend, withXAxisTitle, title);
    painter.end();
    return result;
}

void XYPlot::restoreOnScreenLayout()
{
    setupYScaleForFixedPositionedDatasets(0, -1);
    setHorizontalScaleWidth(calculateHorizontalScaleWidth(true), true);
    updateVerticalScaleHeight();
}

// The parts are painted with the code that paints them on screen, under the
// caller's settings, each into its own rectangle:
//
//   y title | y scale | canvas (one-pixel frame)  | legend
//           |         | x scale, x title           |
//           |         | caption                    |
//
// with the x scale and x title above the canvas when the x-axis scale is on
// top.  The y-axis scale reaches 18 pixels below the canvas, as on screen.
void XYPlot::renderOnto(QPainter* painter, QRect target, PlotRenderSettings_t const& settings, bool withLegend,
                        bool withXAxisTitle, QString const& title)
{
    if (!painter || !painter->isActive() || target.width() <= 0 || target.height() <= 0)
        return;
    plotRenderSettings.append(settings);
    // However the drawing ends, the stack and the scales on screen are as before.
    const ScopeExit restore([this] {
        plotRenderSettings.takeLast();
        restoreOnScreenLayout();
    });
    const RenderLayout layout = layOutRendering(target.size(), withLegend, withXAxisTitle, title);
    const PlotRenderSettings_t* rs = getPlotRenderSettings();

    // Every part gets its own coordinates, from (0, 0) to its size, as the
    // pixmap of a widget would: the scales, grids and markers measure
    // themselves by the painter's viewport.
    auto drawPart = [&](QRect const& part, bool background, auto&& draw) {
        if (part.isEmpty())
            return;
        painter->save();
        painter->resetTransform();
        painter->setViewport(part.translated(target.topLeft()));
        painter->setWindow(QRect(QPoint(0, 0), part.size()));
        painter->setClipRect(QRect(QPoint(0, 0), part.size()), Qt::IntersectClip);
        painter->setPen(QPen());
        painter->setBrush(Qt::NoBrush);
        if (background)
            painter->fillRect(QRect(QPoint(0, 0), part.size()), Qt::white);
        draw(QRect(QPoint(0, 0), part.size()));
        painter->restore();
    };

    // The canvas first: drawing it feeds the scales their ticks and labels.
    canvas->setContinueBackgroundDrawingUntilFinished(true);
    drawPart(layout.canvas, true, [&](QRect const& area) {
        // Texts inside the plot area (labels in the plot, marker labels) are
        // written in the canvas's font, as on screen; the scale font belongs
        // to the scales.  The canvas itself is left alone: changing its font
        // would repaint it on screen during every export.
        painter->setFont(canvas->font());
        canvas->drawCanvasOnto(painter, painter->viewport(), renderColumnsPerPixel);
        // A one-pixel pen on a raster at ratio 1 fills the pixels right of and
        // below the coordinates it is given: the frame covers the canvas's
        // outermost pixels.  A vector device, and a raster of more device
        // pixels than logical ones, centre the stroke on its coordinates, so
        // there the frame is given the pixels' centres, else it would lie
        // half a pixel up and left and uncover the canvas's last column.
        QPaintDevice const* device = painter->device();
        if (VectorShapeRecorder::isVectorDevice(painter) || (device && device->devicePixelRatioF() != 1.0))
            painter->drawRect(QRectF(area).adjusted(0.5, 0.5, -0.5, -0.5));
        else
            painter->drawRect(area.adjusted(0, 0, -1, -1));
    });
    drawPart(layout.xTitle, true, [&](QRect const& area) { drawAxisTitle(painter, HORIZONTAL, area); });
    drawPart(layout.yTitle, true, [&](QRect const& area) { drawAxisTitle(painter, VERTICAL, area); });
    drawPart(layout.xScale, true, [&](QRect const&) { verticalScale->paint(painter); });
    drawPart(layout.yScale, true, [&](QRect const&) { horizontalScale->paint(painter); });
    drawPart(layout.legend, true, [&](QRect const&) { legend->drawLegendPicture(painter, layout.legendAvailable); });
    drawPart(layout.caption, false, [&](QRect const& area) {
        const int margin = layout.captionMargin;
        painter->setFont(rs->legendFont);
        painter->drawText(area.adjusted(margin, margin, -margin, -margin), Qt::AlignRight | Qt::TextWordWrap, title);
    });
}

// Sizes under the pushed settings.  The y-axis scale's width depends on the
// labels, which depend on the canvas size, which depends on the scale's width:
// the layout is repeated until the width stays, a bounded number of times.
XYPlot::RenderLayout XYPlot::layOutRendering(QSize size, bool withLegend, bool withXAxisTitle, QString const& title)
{
    const PlotRenderSettings_t* rs = getPlotRenderSettings();
    const int width = size.width();
    const int height = size.height();
    const QString xTitle = getAxisTitle(HORIZONTAL);
    const QString yTitle = getAxisTitle(VERTICAL);
    const bool xTitleShown = withXAxisTitle && !xTitle.isEmpty();
    const int xTitleH = xTitleShown ? int(std::floor(1.5 * QFontMetrics(rs->axisTitleFont).height())) : 0;
    const QFontMetrics captionMetrics(rs->legendFont);
    const int captionMargin = int(std::floor(0.3 * captionMetrics.height()));

    RenderLayout layout;
    for (int attempt = 1;; ++attempt) {
        setupYScaleForFixedPositionedDatasets(0, kRenderedScrollBarHeight);
        setHorizontalScaleWidth(calculateHorizontalScaleWidth(true), true);
        updateVerticalScaleHeight();
        const int yScaleW = horizontalScale ? horizontalScale->minimumWidth() : 0;
        const int xScaleH = verticalScale ? verticalScale->minimumHeight() : 0;

        const QSize legendAvailable(width / 3, height - xTitleH - xScaleH);
        const QSize legendSize = withLegend && legend ? legend->legendPictureSize(legendAvailable) : QSize();
        const int legendW = legendSize.isEmpty() ? 0 : legendSize.width();

        int yTitleW = 0;
        if (!yTitle.isEmpty()) {
            // The caption's height is not known yet: estimate it on the width
            // left by the x-title height, which stands in for the y-title width.
            int reserve = 0;
            if (!title.isEmpty()) {
                const QRect box = captionMetrics.boundingRect(
                    QRect(0, 0, width - xTitleH - yScaleW - legendW, 1000), Qt::AlignRight | Qt::TextWordWrap, title);
                reserve = box.height() + 2 * captionMargin;
            }
            yTitleW = int(std::floor(1.5 * getAxisTitleTextHeight(VERTICAL, height - xTitleH - xScaleH - reserve)));
        }
        const int cw = std::max(1, width - legendW - yScaleW - yTitleW);

        int titleH = 0;
        if (!title.isEmpty()) {
            // Measured as a painter on a pixmap measures it, which is how the
            // caption has always been sized.
            QPixmap scratch(cw, std::max(1, height - xTitleH - xScaleH));
            QPainter scratchPainter(&scratch);
            scratchPainter.setFont(rs->legendFont);
            const QRect area = scratchPainter.viewport().adjusted(captionMargin, captionMargin, -captionMargin,
                                                                  -captionMargin);
            titleH = scratchPainter.boundingRect(area, Qt::AlignRight | Qt::TextWordWrap, title).height()
                + 2 * captionMargin;
        }
        const int ch = std::max(1, height - xTitleH - xScaleH - titleH);

        // Fixed labels and hidden intervals now refer to the rendered canvas,
        // and its grids take the decimals they will have when drawn there.
        setupYScaleForFixedPositionedDatasets(ch, kRenderedScrollBarHeight);
        settleGridsForCanvasSize(QSize(cw, ch));
        if (horizontalScale && horizontalScale->minimumWidth() != yScaleW && attempt < kMaxRenderAttempts)
            continue;

        const bool yTitleDrawn = !yTitle.isEmpty() && yTitleW > 0;
        const bool yScaleDrawn = horizontalScale && yScaleW > 0;
        const int yTitleWidth = yTitleDrawn ? yTitleW : 0;
        const int x0 = yTitleWidth + (yScaleDrawn ? yScaleW : 0);
        const bool onTop = verticalScale ? verticalScale->isOnTop() : xAxisTitleOnTop;
        const int canvasY = onTop ? xTitleH + xScaleH : 0;
        if (xTitleShown && xTitleH > 0)
            layout.xTitle = QRect(x0, onTop ? 0 : ch + xScaleH, cw, xTitleH);
        if (yTitleDrawn)
            layout.yTitle = QRect(0, canvasY, yTitleW, ch);
        if (verticalScale && xScaleH > 0)
            layout.xScale = QRect(x0, onTop ? xTitleH : ch, cw, xScaleH);
        if (yScaleDrawn)
            layout.yScale = QRect(yTitleWidth, canvasY, yScaleW, ch + horizontalScale->getExtraLength());
        layout.canvas = QRect(x0, canvasY, cw, ch);
        if (!legendSize.isEmpty())
            layout.legend = QRect(QPoint(x0 + cw, xTitleH + xScaleH), legendSize);
        layout.legendAvailable = legendAvailable;
        if (titleH > 0)
            layout.caption = QRect(x0, height - titleH, cw, titleH);
        layout.captionMargin = captionMargin;
        return layout;
    }
}

// The grids compute their ticks and decimals when they draw: drawing them
// once on a scratch image of the canvas's size gives the y-axis scale the
// width it will have, without drawing the data.
void XYPlot::settleGridsForCanvasSize(QSize canvasSize)
{
    QImage scratch(canvasSize, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&scratch);
    painter.setFont(canvas->font());
    const Bounds view = canvas->getViewBounds();
    XYAbstractGrid* grids[] = {canvas->getGrid(HORIZONTAL), canvas->getGrid(VERTICAL)};
    for (XYAbstractGrid* grid : grids)
        if (grid)
            grid->drawGrid(&painter, view.minX, view.minY, view.maxX, view.maxY);
    for (XYAbstractGrid* grid : grids)
        if (grid)
            grid->drawLabels(&painter, view.minX, view.minY, view.maxX, view.maxY);
}

// ---------------------------------------------------------------------------
// Saving to a file

namespace {

// The resolution the layout is measured in: fonts are measured with the
// screen's metrics, so a vector device must count in the same units for the
// texts to keep the size they were laid out with.
int layoutDotsPerInch()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? std::max(1, qRound(screen->logicalDotsPerInchY())) : 96;
}

} // namespace

bool XYPlot::saveToFile(QString const& fileName, QSize size, int dotsPerInch, PlotRenderSettings_t const& settings,
                        bool withLegend, bool withXAxisTitle, QString const& title, QString* errorMessage)
{
    auto fail = [&](QString const& message) {
        qWarning().noquote() << "XYPlot::saveToFile:" << message;
        if (errorMessage)
            *errorMessage = message;
        return false;
    };
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    const QStringList raster = {"png", "jpg", "jpeg", "bmp"};
    if (!raster.contains(suffix) && suffix != "pdf" && suffix != "svg")
        return fail(tr("Unknown file type \"%1\" of %2: use .png, .jpg, .bmp, .pdf or .svg.")
                        .arg(suffix, QDir::toNativeSeparators(fileName)));
    if (size.width() <= 0 || size.height() <= 0 || dotsPerInch <= 0)
        return fail(tr("Nothing to save: the size %1 x %2 at %3 dpi is empty.")
                        .arg(size.width())
                        .arg(size.height())
                        .arg(dotsPerInch));

    // Written beside the target and renamed into place only when complete, so
    // a failure leaves neither a half-written file nor a damaged old one.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return fail(tr("Cannot write %1: %2").arg(QDir::toNativeSeparators(fileName), file.errorString()));

    const int layoutDpi = layoutDotsPerInch();
    const QRect target(QPoint(0, 0), size);
    // A vector file gets its curves reduced to columns as fine as a raster of
    // the same resolution, so it shows every excursion that raster shows.
    if (!raster.contains(suffix))
        renderColumnsPerPixel = qreal(dotsPerInch) / layoutDpi;
    const ScopeExit resetColumns([this] { renderColumnsPerPixel = 0; });
    if (raster.contains(suffix)) {
        // A logical pixel is 1/layoutDpi inch at any resolution: more dots
        // per inch make a sharper picture of the same physical size.
        const QPixmap pixmap = renderToPixmap(size, settings, withLegend, withXAxisTitle, title,
                                              qreal(dotsPerInch) / layoutDpi);
        QImage image = pixmap.toImage();
        const int dotsPerMeter = qRound(dotsPerInch / 0.0254);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        const QByteArray format = suffix == "jpeg" ? QByteArray("jpg") : suffix.toLatin1();
        if (image.isNull() || !image.save(&file, format.constData()))
            return fail(tr("Cannot write %1: the image could not be encoded.").arg(QDir::toNativeSeparators(fileName)));
    } else if (suffix == "pdf") {
        QPdfWriter writer(&file);
        writer.setResolution(layoutDpi);
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setPageSize(QPageSize(QSizeF(size) * 72.0 / layoutDpi, QPageSize::Point, QString(),
                                     QPageSize::ExactMatch));
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("ZebPlot"));
        QPainter painter;
        if (!painter.begin(&writer))
            return fail(tr("Cannot write %1: the PDF could not be started.").arg(QDir::toNativeSeparators(fileName)));
        renderOnto(&painter, target, settings, withLegend, withXAxisTitle, title);
        painter.end();
    } else {
        QSvgGenerator generator;
        generator.setOutputDevice(&file);
        generator.setSize(size);
        generator.setViewBox(target);
        generator.setResolution(layoutDpi);
        generator.setTitle(title);
        QPainter painter;
        if (!painter.begin(&generator))
            return fail(tr("Cannot write %1: the SVG could not be started.").arg(QDir::toNativeSeparators(fileName)));
        renderOnto(&painter, target, settings, withLegend, withXAxisTitle, title);
        painter.end();
    }
    if (!file.commit())
        return fail(tr("Cannot write %1: %2").arg(QDir::toNativeSeparators(fileName), file.errorString()));
    return true;
}
