// XYCanvas: the drawing pipeline (cached background image, incremental drawing
// of new points, time budget, per-point loop with clipping and pixel-column
// merging, colour bars, hit-test maps) and the markers.
#include "xycanvas.h"

#include "dataarray.h"
#include "look.h"
#include "plotrendersettings.h"
#include "xyabstractgrid.h"
#include "xydataset.h"
#include "xydatasetdrawlistener.h"
#include "xydatasetfilter.h"

#include <QElapsedTimer>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

// Drawing works in int pixels.  Points far outside the view (deep zoom into
// long series) are clamped so that pixel arithmetic can never overflow; the
// clamp lies far beyond any real viewport.
constexpr double kCoordinateLimit = double(1 << 29);

int roundClamped(double v)
{
    if (v > kCoordinateLimit)
        return int(kCoordinateLimit);
    if (v < -kCoordinateLimit)
        return -int(kCoordinateLimit);
    return qRound(v);
}

// Time budget of one drawing call before it returns to the event loop.
constexpr qint64 kDrawingBudgetMs = 250;

QPen markerPen(QColor const& color, int width, int penStyle)
{
    return QPen(QBrush(color, Qt::SolidPattern), width, Qt::PenStyle(penStyle), Qt::SquareCap, Qt::BevelJoin);
}

QPen labelPen()
{
    return QPen(QBrush(QColor(100, 100, 100), Qt::SolidPattern), 3, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
}

} // namespace

void XYCanvas::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    drawCanvas(&painter);
    painter.end();
    QFrame::paintEvent(event);
}

void XYCanvas::drawCanvas(QPainter* painter)
{
    if (fullRedrawNeeded || painter->viewport() != viewport) {
        viewport = painter->viewport();
        computeFactors();
        delete backgroundPixmap;
        backgroundPixmap = nullptr;
        dataSetMarkers.clear();
        clearDataSetFilterCaches();
        clearViewportMaps();
        backgroundPixmap = drawBackgroundPixmap();
        fullRedrawNeeded = false;
    }
    if (backgroundPixmap && !backgroundPixmap->isNull())
        painter->drawPixmap(0, 0, *backgroundPixmap);
    drawBandMarkers(MARKER_FOREGROUND, painter);
    drawMarkers(MARKER_FOREGROUND, painter);
    drawEllipsoidalMarkers(painter);
    drawCrossMarkers(painter);
}

QPixmap* XYCanvas::drawBackgroundPixmap()
{
    if (viewport.width() <= 0 || viewport.height() <= 0)
        return new QPixmap();
    QPixmap* pixmap = new QPixmap(viewport.size());
    QPainter painter(pixmap);
    // Texts of the background (labels in the plot, marker labels) in the
    // canvas's font, as on the widget itself; a pixmap painter would start
    // with the application font.
    painter.setFont(font());
    paintBackground(&painter);
    return pixmap;
}

void XYCanvas::paintBackground(QPainter* painter)
{
    painter->setClipRect(viewport, Qt::ReplaceClip);
    painter->fillRect(viewport, QBrush(Qt::white, Qt::SolidPattern));
    const double minX = viewBounds.minX;
    const double minY = viewBounds.minY;
    const double maxX = viewBounds.maxX;
    const double maxY = viewBounds.maxY;
    if (horizontalGrid)
        horizontalGrid->drawGrid(painter, minX, minY, maxX, maxY);
    if (verticalGrid)
        verticalGrid->drawGrid(painter, minX, minY, maxX, maxY);
    if (horizontalGrid)
        horizontalGrid->drawLabels(painter, minX, minY, maxX, maxY);
    if (verticalGrid)
        verticalGrid->drawLabels(painter, minX, minY, maxX, maxY);
    drawBandMarkers(MARKER_BACKGROUND, painter);
    drawMarkers(MARKER_BACKGROUND, painter);
    drawColorBarBackgrounds(painter);
    drawDataSets(painter, true);
}

void XYCanvas::drawDataSets(QPainter* painter, bool fullRedraw)
{
    if (fullRedraw) {
        lastProcessedIndex.clear();
        lastProcessedPointDegreeOfIsolation.clear();
    }
    const int w = viewport.width();
    const int h = viewport.height();
    if (!dataSets || w <= 0 || h <= 0) {
        if (fullRedraw)
            continueUntilFinishedForNextFullRedraw = false;
        return;
    }
    painter->save();
    // Logical coordinates become upward pixel coordinates: y = 0 at the bottom.
    painter->setWindow(QRect(0, h, w, -h));
    painter->setRenderHint(QPainter::Antialiasing, true);

    QElapsedTimer timer;
    timer.start();
    const bool unlimited = continueBackgroundDrawingUntilFinished || continueUntilFinishedForNextFullRedraw;
    bool continuationScheduled = false;
    auto budgetExhausted = [&] {
        if (unlimited || timer.elapsed() <= kDrawingBudgetMs)
            return false;
        if (!continuationScheduled) {
            QTimer::singleShot(0, this, &XYCanvas::drawNewPointsOnBackGround);
            continuationScheduled = true;
        }
        return true;
    };
    auto drawable = [](XYDataSet* dataSet) { return dataSet->visible && dataSet->yData->hasValidValues(); };

    // Colour bars go to a layer of their own that lies above the other data
    // sets; the layer is only made when there is a colour bar to draw.
    QPixmap* colorBarLayer = nullptr;
    QPainter* colorBarPainter = nullptr;
    for (XYDataSet* dataSet : *dataSets) {
        if (!dataSet->getLook()->isColorBar())
            continue;
        if (drawable(dataSet)) {
            if (!colorBarLayer) {
                colorBarLayer = new QPixmap(w, h);
                colorBarLayer->fill(Qt::transparent);
                colorBarPainter = new QPainter(colorBarLayer);
            }
            drawDataSet(colorBarPainter, dataSet);
        }
        if (budgetExhausted())
            break;
    }
    for (XYDataSet* dataSet : *dataSets) {
        if (dataSet->getLook()->isColorBar())
            continue;
        if (drawable(dataSet))
            drawDataSet(painter, dataSet);
        if (budgetExhausted())
            break;
    }
    if (colorBarLayer) {
        delete colorBarPainter;
        painter->drawPixmap(0, 0, *colorBarLayer);
        delete colorBarLayer;
    }
    painter->restore();
    if (fullRedraw)
        continueUntilFinishedForNextFullRedraw = false;
}

void XYCanvas::getPointsToBeDrawn(XYDataSet* dataSet, int& first, int& last)
{
    first = getLastProcessedIndex(dataSet) + 1;
    // Both arrays must hold the index; a producer that has appended x but not
    // yet y must not make the drawing read past an array.
    last = std::min(dataSet->yData->dataSize(), dataSet->xData->dataSize()) - 1;
    if (last - first <= 100)
        return;
    DataArray* xData = dataSet->xData;
    if (xData->isNondecreasing() && !std::isnan(viewBounds.minX) && !std::isnan(viewBounds.maxX)) {
        const int i = xData->getIndexOfFirstValueLargerThanOrEqual(viewBounds.minX);
        first = std::max(first, i > 0 ? i - 1 : i);
        const int j = xData->getIndexOfFirstValueLargerThanOrEqual(viewBounds.maxX);
        last = std::min(last, j);
    }
}

void XYCanvas::dash(QPainter* painter, QPoint point, bool colorBar)
{
    painter->drawLine(point, QPoint(point.x() + (colorBar ? 2 : 1), point.y()));
}

void XYCanvas::drawDataSet(QPainter* painter, XYDataSet* dataSet)
{
    Look* look = dataSet->getLook();
    DataArray* xData = dataSet->xData;
    DataArray* yData = dataSet->yData;
    XYDataSetFilter* filter = dataSet->getFilter();
    XYDataSetDrawListener* listener = dataSet->getDrawListener();
    const int w = viewport.width();
    const int h = viewport.height();

    ViewportMap<int>* map = isMouseOverDataTrackingEnabled(dataSet) ? getViewportMap(dataSet) : nullptr;
    const bool colorBar = look->isColorBar();
    const double maxBarData = look->getMaxBarEntryDataLength();
    const bool barMode = colorBar && !std::isnan(maxBarData);
    const int minBarPixels = look->getMinBarEntryPixelLength();
    const int maxBarPixels = look->getMaxBarEntryPixelLength();
    int maxBarDataPixels = 0;
    if (barMode) {
        const double pixels = xFactor * maxBarData;
        maxBarDataPixels = std::isnan(pixels) ? 0 : int(std::clamp(pixels, -kCoordinateLimit, kCoordinateLimit));
    }
    // A negative threshold on the look defers to the canvas; NaN means no gaps.
    double gapThreshold = look->getHorizontalDisconnectionThreshold();
    if (gapThreshold < 0)
        gapThreshold = horizontalDisconnectionThreshold;
    const bool gapsPossible = !std::isnan(gapThreshold);
    const bool symbolsShown = xFactor * 1000 > look->getSymbolDrawingThreshold();

    int first = 0;
    int last = -1;
    getPointsToBeDrawn(dataSet, first, last);
    const int ySize = yData->dataSize();
    const int lineCount = look->getMultiLineCount();
    const int halfSymbol = look->getSymbolSize() / 2;
    const int defaultThickness = look->getDefaultLineThickness();
    const bool fixedY = look->hasFixedYPosition();
    const int fixedYPixel = fixedY ? h - look->getFixedYPosition(h) : 0;

    // Converts index i to upward viewport pixels; false for an unusable point.
    auto convert = [&](int i, QPoint& p) {
        const double px = (xData->getValue(i) - viewBounds.minX) * xFactor;
        if (std::isnan(px))
            return false;
        if (fixedY) {
            p = QPoint(roundClamped(px), fixedYPixel);
            return true;
        }
        const double py = yFactor * -(yData->getValue(i) - viewBounds.minY);
        if (std::isnan(py))
            return false;
        p = QPoint(roundClamped(px), roundClamped(py));
        return true;
    };
    auto symbolShownAt = [&](int i) { return symbolsShown && look->getSymbol(i) != SYMBOL_NONE; };

    int isolation = getLastProcessedPointDegreeOfIsolation(dataSet);
    // Nothing new to draw: the state of the last drawing stays as it is.
    const bool nothingNew = first > last;
    for (int line = 0; line < lineCount && !nothingNew; ++line) {
        clearVerticalAccumulatedLine();
        QPen savedPen;
        bool penSaved = false;
        isolation = getLastProcessedPointDegreeOfIsolation(dataSet);
        const int offset = qRound((line - (lineCount - 1) * 0.5) * defaultThickness);

        bool hasPrev = false;
        QPoint prev;
        int prevRegion = 0;
        if (first > 0 && first - 1 < std::min(ySize, xData->dataSize())) {
            setDataSetLook(dataSet, painter, first - 1, line);
            savedPen = painter->pen();
            penSaved = true;
            if (convert(first - 1, prev)) {
                prev.ry() += offset;
                hasPrev = !(filter && filter->excludeDataPoint(first - 1, prev.x()));
                if (hasPrev)
                    prevRegion = outsideClip(prev);
            }
        }

        bool lineShown = true;
        for (int i = first; i <= last; ++i) {
            E_SYMBOL symbol = look->getSymbol(i);
            if (ySize == 1) {
                if (symbol == SYMBOL_NONE && !colorBar)
                    symbol = SYMBOL_DIAMOND;
            } else if (!symbolsShown) {
                symbol = SYMBOL_NONE;
            }
            const bool lookChanged = i == first || look->isChanged(i);
            if (lookChanged)
                lineShown = setDataSetLook(dataSet, painter, i, line);

            QPoint p;
            const bool ok = convert(i, p);
            if (!ok || (filter && filter->excludeDataPoint(i, p.x()))) {
                // An unjoined point without a symbol would vanish: mark it with a dash.
                if (hasPrev && isolation >= 1 && prevRegion == 0 && !symbolShownAt(i - 1))
                    dash(painter, prev, colorBar);
                hasPrev = false;
                isolation = 1;
                continue;
            }
            if (listener)
                listener->drawingDataPoint(i, p.x());
            p.ry() += offset;
            const int region = outsideClip(p);

            if (look->mustDrawMarker(i) && viewport.left() <= p.x() && p.x() < viewport.right()) {
                Marker_t marker;
                marker.type = MARKER_FOREGROUND;
                marker.orientation = VERTICAL;
                marker.position = xData->getValue(i);
                marker.color = QColor(Qt::darkGray);
                marker.penStyle = Qt::DashLine;
                marker.width = 0;
                dataSetMarkers.append(marker);
            }
            if (region == 0) {
                if (map)
                    map->addItem(i, p.x(), h - 1 - p.y());
                if (symbol != SYMBOL_NONE)
                    drawSymbol(p, symbol, halfSymbol, painter);
            }
            const QPen curPen = painter->pen();
            bool lineConsidered = false;
            if (hasPrev && lineShown && (p.x() >= prev.x() || !skipBackwardLines)) {
                lineConsidered = true;
                if (lookChanged && penSaved)
                    painter->setPen(savedPen); // a line takes the pen of its start point
                if (barMode) {
                    const int width = p.x() - prev.x();
                    const int length = std::max(std::min({width, maxBarPixels, maxBarDataPixels}), minBarPixels);
                    if (length == width)
                        painter->drawLine(prev, p);
                    else
                        painter->drawLine(prev, QPoint(prev.x() + length, prev.y()));
                } else if (p != prev || lookChanged) {
                    if (gapsPossible && xData->getValue(i) - xData->getValue(i - 1) > gapThreshold) {
                        if (isolation < 1) {
                            ++isolation;
                        } else {
                            isolation = 2;
                            if (prevRegion == 0 && !symbolShownAt(i - 1))
                                dash(painter, prev, colorBar);
                        }
                    } else if (p.x() == prev.x()) {
                        isolation = 0;
                        if (0 <= p.x() && p.x() < w)
                            addVerticalAccumulatedLine(p.x(), prev.y(), p.y(), painter);
                    } else {
                        flushVerticalAccumulatedLine(painter);
                        isolation = 0;
                        drawLine(painter, prev, p, prevRegion, region);
                    }
                }
            }
            if (!lineConsidered && ySize == 1 && colorBar)
                painter->drawLine(p, QPoint(p.x() + 10, p.y()));
            if (lookChanged) {
                if (penSaved)
                    painter->setPen(savedPen);
                flushVerticalAccumulatedLine(painter);
                painter->setPen(curPen);
                savedPen = curPen;
                penSaved = true;
            }
            prev = p;
            prevRegion = region;
            hasPrev = true;
        }
        flushVerticalAccumulatedLine(painter);
        if (dataSet->isComplete() && isolation == 1 && hasPrev && prevRegion == 0 && last >= 0
            && !symbolShownAt(last))
            dash(painter, prev, colorBar);
    }
    setLastProcessedIndex(dataSet, last);
    setLastProcessedPointDegreeOfIsolation(dataSet, isolation);

    if (connectFirstLast && ySize > 0 && xData->dataSize() >= ySize) {
        QPoint a;
        QPoint b;
        if (convert(0, a) && convert(ySize - 1, b))
            painter->drawLine(a, b);
    }
}

void XYCanvas::drawNewPointsOnBackGround()
{
    if (!fullRedrawNeeded && backgroundPixmap && !backgroundPixmap->isNull()) {
        QPainter painter(backgroundPixmap);
        drawDataSets(&painter, false);
    }
    update();
}

void XYCanvas::fullRepaint()
{
    fullRedrawNeeded = true;
    update();
}

void XYCanvas::setGrid(E_ORIENTATION_TYPE orientation, XYAbstractGrid* grid, bool update)
{
    if (orientation == HORIZONTAL)
        horizontalGrid = grid;
    else
        verticalGrid = grid;
    fullRedrawNeeded = true;
    if (update)
        QWidget::update();
}

XYAbstractGrid* XYCanvas::getGrid(E_ORIENTATION_TYPE orientation) const
{
    return orientation == HORIZONTAL ? horizontalGrid : verticalGrid;
}

void XYCanvas::setContinueBackgroundDrawingUntilFinished(bool continueUntilFinished)
{
    continueBackgroundDrawingUntilFinished = continueUntilFinished;
}

void XYCanvas::setContinueBackgroundDrawingUntilFinishedForNextFullRedraw()
{
    continueUntilFinishedForNextFullRedraw = true;
}

bool XYCanvas::setDataSetLook(XYDataSet* dataSet, QPainter* painter, int index, int lineIndex)
{
    Look* look = dataSet->getLook();
    const Qt::PenStyle style = look->getPenStyle(index);
    if (style != Qt::NoPen) {
        int width = std::max(look->getLineThickness(index), 1);
        const bool colorBar = look->isColorBar();
        PlotRenderSettings_t const* settings = getPlotRenderSettings();
        width *= colorBar ? settings->colorBarWidthFactor : settings->lineWidthFactor;
        painter->setPen(QPen(QBrush(look->getMultiLineColor(index, lineIndex), Qt::SolidPattern), width, style,
                             colorBar ? Qt::FlatCap : Qt::SquareCap, Qt::BevelJoin));
        return true;
    }
    // Symbols and dashes of a series without lines still take the point's colour.
    painter->setPen(QPen(QBrush(look->getColor(index), Qt::SolidPattern), look->getLineThickness(index),
                         Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    return false;
}

int XYCanvas::outsideClip(QPoint point)
{
    const int w = viewport.width();
    const int h = viewport.height();
    const int column = point.x() < 0 ? 0 : (point.x() <= w ? 1 : 2);
    const int row = point.y() < 0 ? 0 : (point.y() <= h ? 1 : 2);
    // Codes go round the viewport: 1 2 3 on the left, 4 above, 5 6 7 on the right, 8 below.
    static const int codes[3][3] = {{1, 2, 3}, {8, 0, 4}, {7, 6, 5}};
    return codes[column][row];
}

bool XYCanvas::maybeIntersectsViewport(int regionA, int regionB) const
{
    // Bit b of entry a: a segment from region a to region b may cross the viewport.
    static const int table[9] = {
        0,
        (1 << 4) | (1 << 5) | (1 << 6),
        (1 << 4) | (1 << 5) | (1 << 6) | (1 << 7) | (1 << 8),
        (1 << 6) | (1 << 7) | (1 << 8),
        (1 << 1) | (1 << 2) | (1 << 6) | (1 << 7) | (1 << 8),
        (1 << 1) | (1 << 2) | (1 << 8),
        (1 << 1) | (1 << 2) | (1 << 3) | (1 << 4) | (1 << 8),
        (1 << 2) | (1 << 3) | (1 << 4),
        (1 << 2) | (1 << 3) | (1 << 4) | (1 << 5) | (1 << 6),
    };
    if (regionA < 1 || regionA > 8 || regionB < 1 || regionB > 8)
        return false;
    return (table[regionA] >> regionB) & 1;
}

QPoint XYCanvas::calculateCrossing(QPoint point, QPoint other, int region)
{
    const double w = viewport.width();
    const double h = viewport.height();
    const double px = point.x();
    const double py = point.y();
    const bool vertical = point.x() == other.x();
    const double m = vertical ? 0.0 : (py - other.y()) / (px - other.x());
    auto crossBottom = [&]() { return QPoint(roundClamped(px - py / m), 0); };
    auto crossTop = [&]() {
        if (vertical)
            return QPoint(point.x(), int(h));
        return QPoint(roundClamped(px - (py - h) / m), int(h));
    };
    switch (region) {
    case 1: {
        const int y0 = roundClamped(py - m * px);
        if (y0 >= 0)
            return QPoint(0, y0);
        if (vertical)
            return QPoint(point.x(), 0);
        return crossBottom();
    }
    case 2:
        return QPoint(0, roundClamped(py - m * px));
    case 3: {
        const double y0 = std::trunc(std::clamp(py - m * px, -kCoordinateLimit, kCoordinateLimit));
        if (y0 <= h)
            return QPoint(0, int(y0));
        return crossTop();
    }
    case 4:
        return crossTop();
    case 5: {
        const int y1 = roundClamped(py - (px - w) * m);
        if (y1 <= h)
            return QPoint(int(w), y1);
        return crossTop();
    }
    case 6:
        return QPoint(int(w), roundClamped(py - (px - w) * m));
    case 7: {
        const int y1 = roundClamped(py - (px - w) * m);
        if (y1 >= 0)
            return QPoint(int(w), y1);
        return crossBottom();
    }
    case 8:
        if (vertical)
            return QPoint(point.x(), 0);
        return crossBottom();
    default:
        return QPoint(0, 0);
    }
}

void XYCanvas::drawLine(QPainter* painter, QPoint from, QPoint to, int fromRegion, int toRegion)
{
    if (fromRegion == 0 && toRegion == 0) {
        painter->drawLine(from, to);
    } else if (fromRegion == 0) {
        painter->drawLine(calculateCrossing(from, to, toRegion), from);
    } else if (toRegion == 0) {
        painter->drawLine(to, calculateCrossing(to, from, fromRegion));
    } else if (maybeIntersectsViewport(toRegion, fromRegion)) {
        const QPoint crossingFrom = calculateCrossing(to, from, fromRegion);
        const QPoint crossingTo = calculateCrossing(from, to, toRegion);
        if (crossingFrom.x() >= 0 && crossingFrom.x() <= viewport.width() && crossingFrom.y() >= 0
            && crossingFrom.y() <= viewport.height())
            painter->drawLine(crossingTo, crossingFrom);
    }
}

void XYCanvas::drawSymbol(QPoint point, E_SYMBOL symbol, int halfSize, QPainter* painter)
{
    const int x = point.x();
    const int y = point.y();
    const int s = halfSize;
    switch (symbol) {
    case SYMBOL_DOT:
        painter->drawRect(QRect(QPoint(x, y), QPoint(x + s - 1, y + s - 1)));
        break;
    case SYMBOL_PLUS:
        painter->drawLine(x - s, y, x + s, y);
        painter->drawLine(x, y - s, x, y + s);
        break;
    case SYMBOL_CROSS:
        painter->drawLine(x - s, y - s, x + s, y + s);
        painter->drawLine(x + s, y - s, x - s, y + s);
        break;
    case SYMBOL_SQUARE:
        painter->drawRect(QRect(QPoint(x - s, y - s), QPoint(x + s - 1, y + s - 1)));
        break;
    case SYMBOL_TRIANGLE_DOWN:
        painter->drawLine(x - s, y - s, x + s, y - s);
        painter->drawLine(x - s, y - s, x, y + s);
        painter->drawLine(x + s, y - s, x, y + s);
        break;
    case SYMBOL_TRIANGLE_UP:
        painter->drawLine(x - s, y + s, x + s, y + s);
        painter->drawLine(x - s, y + s, x, y - s);
        painter->drawLine(x + s, y + s, x, y - s);
        break;
    case SYMBOL_TRIANGLE_LEFT:
        painter->drawLine(x + s, y + s, x + s, y - s);
        painter->drawLine(x + s, y + s, x - s, y);
        painter->drawLine(x + s, y - s, x - s, y);
        break;
    case SYMBOL_TRIANGLE_RIGHT:
        painter->drawLine(x - s, y + s, x - s, y - s);
        painter->drawLine(x - s, y + s, x + s, y);
        painter->drawLine(x - s, y - s, x + s, y);
        break;
    case SYMBOL_CIRCLE:
        painter->drawEllipse(QRect(QPoint(x - s, y - s), QPoint(x + s - 1, y + s - 1)));
        break;
    case SYMBOL_DIAMOND:
        painter->drawLine(x - s, y, x, y + s);
        painter->drawLine(x, y + s, x + s, y);
        painter->drawLine(x + s, y, x, y - s);
        painter->drawLine(x, y - s, x - s, y);
        break;
    default:
        break;
    }
}

void XYCanvas::addVerticalAccumulatedLine(int x, int y1, int y2, QPainter* painter)
{
    VerticalAccumulatedLine& pending = verticalAccumulatedLine;
    if (pending.active && pending.x == x && y1 >= pending.yMin && y1 <= pending.yMax) {
        pending.yMax = std::max(pending.yMax, y2);
        pending.yMin = std::min(pending.yMin, y2);
        return;
    }
    flushVerticalAccumulatedLine(painter);
    pending.active = true;
    pending.x = x;
    pending.yMin = std::min(y1, y2);
    pending.yMax = std::max(y1, y2);
}

void XYCanvas::flushVerticalAccumulatedLine(QPainter* painter)
{
    VerticalAccumulatedLine& pending = verticalAccumulatedLine;
    if (!pending.active)
        return;
    painter->drawLine(pending.x, std::max(pending.yMin, 0), pending.x, std::min(pending.yMax, viewport.height()));
    pending.active = false;
}

void XYCanvas::clearVerticalAccumulatedLine()
{
    verticalAccumulatedLine.active = false;
}

int XYCanvas::getLastProcessedIndex(XYDataSet const* dataSet) const
{
    return lastProcessedIndex.value(dataSet, -1);
}

void XYCanvas::setLastProcessedIndex(XYDataSet const* dataSet, int index)
{
    lastProcessedIndex.insert(dataSet, index);
}

void XYCanvas::clearLastProcessedIndices()
{
    lastProcessedIndex.clear();
}

int XYCanvas::getLastProcessedPointDegreeOfIsolation(XYDataSet const* dataSet) const
{
    return lastProcessedPointDegreeOfIsolation.value(dataSet, 1);
}

void XYCanvas::setLastProcessedPointDegreeOfIsolation(XYDataSet const* dataSet, int isolation)
{
    lastProcessedPointDegreeOfIsolation.insert(dataSet, isolation);
}

void XYCanvas::clearLastProcessedPointDegreeOfIsolation()
{
    lastProcessedPointDegreeOfIsolation.clear();
}

int XYCanvas::getSymbolFactor(XYDataSet* dataSet)
{
    return dataSet->getLook()->getSymbolSize() / 2;
}

ViewportMap<int>* XYCanvas::getViewportMap(XYDataSet* dataSet)
{
    ViewportMap<int>*& map = viewportMaps[dataSet];
    if (!map)
        map = new ViewportMap<int>(viewport.width(), viewport.height(), 5, 20, 20);
    return map;
}

bool XYCanvas::isMouseOverDataTrackingEnabled(XYDataSet* dataSet)
{
    return mouseOverDataTracking.value(dataSet, defaultMouseOverDataTracking);
}

void XYCanvas::clearViewportMaps()
{
    qDeleteAll(viewportMaps);
    viewportMaps.clear();
}

void XYCanvas::clearDataSetFilterCaches()
{
    if (!dataSets)
        return;
    for (XYDataSet* dataSet : *dataSets)
        if (XYDataSetFilter* filter = dataSet->getFilter())
            filter->clearCache();
}

void XYCanvas::drawColorBarBackgrounds(QPainter* painter)
{
    if (!dataSets)
        return;
    const int w = viewport.width();
    const int h = viewport.height();
    for (XYDataSet* dataSet : *dataSets) {
        Look* look = dataSet->getLook();
        if (dataSet->visible && look->isColorBar())
            look->drawColorBarBackground(*painter, QPoint(0, look->getFixedYPosition(h)), w);
    }
}

QRect XYCanvas::getViewport() const
{
    return viewport;
}

bool XYCanvas::isFullRedrawNeeded() const
{
    return fullRedrawNeeded;
}

// ---------------------------------------------------------------------------
// Markers
// ---------------------------------------------------------------------------

void XYCanvas::drawMarkers(E_MARKER_TYPE type, QPainter* painter)
{
    painter->save();
    if (markers) {
        for (int i = 0; i < markers->size(); ++i) {
            Marker_t* marker = markers->at(i);
            if (marker && marker->type == type)
                drawMarker(*marker, painter, i == 0);
        }
    }
    for (Marker_t const& marker : std::as_const(dataSetMarkers))
        if (marker.type == type)
            drawMarker(marker, painter, false);
    if (!mouseMarkersHidden) {
        const QFlags<Orientation> flags =
            mouseMarkersFromOtherCanvas ? interplotMouseMarkerOrientations : mouseMarkerOrientations;
        if (horizontalMouseMarker && horizontalMouseMarker->type == type && flags.testFlag(Horizontal))
            drawMarker(*horizontalMouseMarker, painter, false);
        if (verticalMouseMarker && verticalMouseMarker->type == type && flags.testFlag(Vertical))
            drawMarker(*verticalMouseMarker, painter, false);
    }
    if (currentTimeMarkerEnabled && currentTimeMarker && currentTimeMarker->type == type)
        drawMarker(*currentTimeMarker, painter, false);
    if (intervalTimeMarkerEnabled) {
        if (intervalStartTimeMarker && intervalStartTimeMarker->type == type)
            drawMarker(*intervalStartTimeMarker, painter, false);
        if (intervalStopTimeMarker && intervalStopTimeMarker->type == type)
            drawMarker(*intervalStopTimeMarker, painter, false);
    }
    painter->restore();
}

void XYCanvas::drawMarker(Marker_t marker, QPainter* painter, bool isFirst)
{
    const int w = viewport.width();
    const int h = viewport.height();
    painter->setWindow(QRect(0, 0, w, h));
    painter->setPen(markerPen(marker.color, marker.width, marker.penStyle));
    const double minX = viewBounds.minX;
    const double maxX = viewBounds.maxX;
    const double minY = viewBounds.minY;
    const double maxY = viewBounds.maxY;
    if (marker.orientation == VERTICAL) {
        if (std::isnan(minX) || std::isnan(maxX) || !(marker.position >= minX && marker.position <= maxX))
            return;
        const int px = roundClamped(std::abs(minX - marker.position) * w / (maxX - minX));
        painter->drawLine(px, 0, px, h);
    } else if (marker.orientation == HORIZONTAL) {
        if (std::isnan(minY) || std::isnan(maxY) || !(marker.position >= minY && marker.position <= maxY))
            return;
        const int d = roundClamped(std::abs(minY - marker.position) * h / (maxY - minY));
        const int py = h - d;
        painter->drawLine(0, py, w, py);
        if (!marker.label.isEmpty()) {
            painter->setPen(labelPen());
            // The first marker of the list writes above its line, the others below.
            painter->drawText(QPointF(1.0, isFirst ? py - 3 : py + 12), marker.label);
        }
    }
}

void XYCanvas::drawBandMarkers(E_MARKER_TYPE type, QPainter* painter)
{
    if (!bandMarkers)
        return;
    const int w = viewport.width();
    const int h = viewport.height();
    painter->save();
    QList<QRect> occupied;
    for (BandMarker_t* band : std::as_const(*bandMarkers)) {
        if (!band || band->type != type)
            continue;
        painter->setWindow(QRect(0, 0, w, h));
        const bool vertical = band->orientation == VERTICAL;
        if (!vertical && band->orientation != HORIZONTAL)
            continue;
        const double lo = vertical ? viewBounds.minX : viewBounds.minY;
        const double hi = vertical ? viewBounds.maxX : viewBounds.maxY;
        if (std::isnan(lo) || std::isnan(hi))
            continue;
        auto inView = [&](double v) { return v >= lo && v <= hi; };
        const bool covers = band->start <= lo && hi <= band->end;
        if (!inView(band->start) && !inView(band->end) && !covers)
            continue;
        const double s = inView(band->start) ? band->start : lo;
        const double e = inView(band->end) ? band->end : hi;
        const int n = vertical ? w : h;
        const int ds = roundClamped(std::abs(lo - s) * n / (hi - lo));
        const int de = roundClamped(std::abs(lo - e) * n / (hi - lo));
        if (vertical)
            painter->fillRect(QRect(QPoint(ds, 0), QPoint(de - 1, h - 1)), band->color);
        else
            painter->fillRect(QRect(QPoint(0, h - de), QPoint(w - 1, h - ds - 1)), band->color);

        if (band->label.isEmpty())
            continue;
        painter->setPen(labelPen());
        const QFontMetrics metrics = painter->fontMetrics();
        const int t = metrics.horizontalAdvance(band->label);
        const int lh = metrics.lineSpacing();
        auto collides = [&](QRect const& r) {
            for (QRect const& other : std::as_const(occupied))
                if (other.intersects(r))
                    return true;
            return false;
        };
        if (vertical) {
            const int x = ds + (de - t - ds) / 2;
            int y = 0;
            QRect candidate(QPoint(x, y), QPoint(x + t - 1, y + lh - 1));
            // Labels of bands drawn together must not overlap: move down a line.
            while (collides(candidate)) {
                occupied.append(candidate);
                y += lh;
                candidate.moveTop(y);
            }
            occupied.append(candidate);
            painter->drawText(QPoint(x, y + lh), band->label);
        } else {
            const int mid = (h - ds) + ((ds - de) / 2);
            int x = 1;
            QRect candidate(QPoint(x, mid), QPoint(x + t - 1, mid + lh - 1));
            while (collides(candidate)) {
                occupied.append(candidate);
                x += t + 1;
                candidate.moveLeft(x);
            }
            occupied.append(candidate);
            painter->drawText(QPoint(x, mid), band->label);
        }
    }
    painter->restore();
}

void XYCanvas::drawEllipsoidalMarkers(QPainter* painter)
{
    if (!ellipseMarkers || ellipseMarkers->isEmpty())
        return;
    const double minX = viewBounds.minX;
    const double minY = viewBounds.minY;
    const double ex = viewBounds.maxX - minX;
    const double ey = viewBounds.maxY - minY;
    if (!(ex > 0) || !(ey > 0) || !std::isfinite(ex) || !std::isfinite(ey))
        return;
    // A logical system in which one unit is the same world length in x and y,
    // so that rotated ellipses keep their world proportions.
    double logicalW = 10000;
    double logicalH = 10000;
    if (ey <= ex)
        logicalW = std::trunc(ex * 10000 / ey);
    else
        logicalH = std::trunc(ey * 10000 / ex);
    if (logicalW > kCoordinateLimit || logicalH > kCoordinateLimit)
        return; // aspect ratio beyond what the painter can address
    const int W = int(logicalW);
    const int H = int(logicalH);
    const QRect savedWindow = painter->window();
    painter->setWindow(QRect(0, H, W, -H));
    const double sx = W / ex;
    const double sy = H / ey;
    QPainterPath area;
    area.addRect(QRectF(0, 0, W, H));
    for (EllipseMarker_t* ellipse : std::as_const(*ellipseMarkers)) {
        if (!ellipse)
            continue;
        const double theta = ellipse->angle * M_PI / 180.0;
        const QPointF m(ellipse->x - minX, ellipse->y - minY);
        const QPointF va(std::sin(theta) * ellipse->axisA / 2, std::cos(theta) * ellipse->axisA / 2);
        const QPointF vb(-std::cos(theta) * ellipse->axisB / 2, std::sin(theta) * ellipse->axisB / 2);
        auto scaled = [&](QPointF p) { return QPointF(p.x() * sx, p.y() * sy); };
        auto triangle = [&](QPointF a, QPointF b, QPointF c) {
            QPainterPath path(scaled(a));
            path.lineTo(scaled(b));
            path.lineTo(scaled(c));
            path.closeSubpath();
            return path;
        };
        const QPainterPath corners[4] = {
            triangle(m + va + vb, m + va, m + vb),
            triangle(m + vb, m - va, m - va + vb),
            triangle(m - vb, m - va - vb, m - va),
            triangle(m - vb, m + va, m + va - vb),
        };
        bool touches = false;
        for (QPainterPath const& corner : corners)
            touches = touches || corner.intersects(area);
        if (!touches)
            continue;
        // The logical system is scaled far below pixels; a cosmetic pen keeps
        // the outline width in pixels instead of shrinking it to a hairline.
        QPen pen = markerPen(ellipse->color, ellipse->width, ellipse->penStyle);
        pen.setCosmetic(true);
        painter->setPen(pen);
        painter->save();
        painter->translate(roundClamped(m.x() * sx), roundClamped(m.y() * sy));
        painter->rotate(-ellipse->angle);
        const QPoint corner(roundClamped(ellipse->axisB / 2 * sx), roundClamped(ellipse->axisA / 2 * sy));
        painter->drawEllipse(QRect(-corner, corner));
        painter->restore();
    }
    painter->setWindow(savedWindow);
}

void XYCanvas::drawCrossMarkers(QPainter* painter)
{
    if (!crossMarkers || crossMarkers->isEmpty())
        return;
    const int w = viewport.width();
    const int h = viewport.height();
    const double ex = viewBounds.maxX - viewBounds.minX;
    const double ey = viewBounds.maxY - viewBounds.minY;
    painter->save();
    painter->setWindow(QRect(0, h, w, -h));
    for (CrossMarker_t* cross : std::as_const(*crossMarkers)) {
        if (!cross)
            continue;
        const double fx = (cross->x - viewBounds.minX) * w / ex;
        const double fy = (cross->y - viewBounds.minY) * h / ey;
        if (std::isnan(fx) || std::isnan(fy))
            continue;
        painter->setPen(markerPen(cross->color, cross->width, cross->penStyle));
        const int px = roundClamped(fx);
        const int py = roundClamped(fy);
        const int s = int(std::clamp(std::trunc(cross->size), -kCoordinateLimit, kCoordinateLimit));
        painter->drawLine(px, py - s, px, py + s);
        painter->drawLine(px - s, py, px + s, py);
    }
    painter->restore();
}

QList<Marker_t> XYCanvas::getDataSetMarkers() const
{
    return dataSetMarkers;
}
