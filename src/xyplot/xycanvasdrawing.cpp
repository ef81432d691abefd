// XYCanvas: the drawing pipeline (cached background image, incremental drawing
// of new points, time budget, per-point loop with clipping and pixel-column
// merging, colour bars, hit-test maps) and the markers.
#include "xycanvas.h"

#include "blockminmaxcache.h"
#include "dataarray.h"
#include "dataarraytemplate.h"
#include "look.h"
#include "pixelrounding.h"
#include "plotrendersettings.h"
#include "xyabstractgrid.h"
#include "xydataset.h"
#include "xydatasetdrawlistener.h"
#include "xydatasetfilter.h"

#include <QElapsedTimer>
#include <QPaintEvent>
#include <QPainter>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <QTimer>
#include <QVarLengthArray>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <typeinfo>

namespace {

// Time budget of one drawing call before it returns to the event loop.
constexpr qint64 kDrawingBudgetMs = 250;

// From this many points per pixel column on, the extremes of a column are
// taken from per-block extremes instead of a pass over its values.
constexpr double kDenseColumnPoints = 256;

// The smallest pixel position that rounds to a column right of `column`
// (+infinity when there is none).  Rounding is monotonic, so a point lies
// in `column` or left of it exactly when its position is below this.
double columnBoundary(int column)
{
    constexpr double kInf = std::numeric_limits<double>::infinity();
    if (column >= int(kCoordinateLimit))
        return kInf;
    double b = column + 0.5;
    while (roundClamped(b) <= column)
        b = std::nextafter(b, kInf);
    for (double before = std::nextafter(b, -kInf); roundClamped(before) > column; before = std::nextafter(b, -kInf))
        b = before;
    return b;
}

// The pieces below are shared by the public member functions and the drawing
// loop; the loop uses them directly so that it pays no call through the
// library's exported symbols per point.

// Region code of a point in upward viewport coordinates: 0 inside, 1 2 3 on
// the left, 4 above, 5 6 7 on the right, 8 below.
inline int regionCode(QPoint point, int w, int h)
{
    const int column = point.x() < 0 ? 0 : (point.x() <= w ? 1 : 2);
    const int row = point.y() < 0 ? 0 : (point.y() <= h ? 1 : 2);
    static const int codes[3][3] = {{1, 2, 3}, {8, 0, 4}, {7, 6, 5}};
    return codes[column][row];
}

// Draws (through out) the pending vertical line of a pixel column, cut to
// the viewport height, and clears it.
template <typename Pending, typename Emit>
inline void flushVertical(Pending& pending, int h, Emit&& out)
{
    if (!pending.active)
        return;
    out(QPoint(pending.x, std::max(pending.yMin, 0)), QPoint(pending.x, std::min(pending.yMax, h)));
    pending.active = false;
}

// Widens the pending vertical line by y2 when it continues it (same column,
// y1 within it); otherwise draws it and starts a new one from y1 to y2.
template <typename Pending, typename Emit>
inline void accumulateVertical(Pending& pending, int x, int y1, int y2, int h, Emit&& out)
{
    if (pending.active && pending.x == x && y1 >= pending.yMin && y1 <= pending.yMax) {
        pending.yMax = std::max(pending.yMax, y2);
        pending.yMin = std::min(pending.yMin, y2);
        return;
    }
    flushVertical(pending, h, out);
    pending.active = true;
    pending.x = x;
    pending.yMin = std::min(y1, y2);
    pending.yMax = std::max(y1, y2);
}

// The visible part of the segment from -> to (through out), given the
// region codes of its ends; nothing when it cannot cross the viewport.
template <typename Emit>
inline void drawClipped(XYCanvas* canvas, QPoint from, QPoint to, int fromRegion, int toRegion, int w, int h,
                        Emit&& out)
{
    if (fromRegion == 0 && toRegion == 0) {
        out(from, to);
    } else if (fromRegion == 0) {
        out(canvas->calculateCrossing(from, to, toRegion), from);
    } else if (toRegion == 0) {
        out(to, canvas->calculateCrossing(to, from, fromRegion));
    } else if (canvas->maybeIntersectsViewport(toRegion, fromRegion)) {
        const QPoint crossingFrom = canvas->calculateCrossing(to, from, fromRegion);
        const QPoint crossingTo = canvas->calculateCrossing(from, to, toRegion);
        if (crossingFrom.x() >= 0 && crossingFrom.x() <= w && crossingFrom.y() >= 0 && crossingFrom.y() <= h)
            out(crossingTo, crossingFrom);
    }
}

// Whether the painter draws a list of lines exactly as it draws them one by
// one: the raster engine strokes thin lines (no scaling up) each on its own.
// Wider pens may have a list stroked as one outline, where overlaps would
// blend once instead of twice, and other engines make no promise either.
bool linesDrawnOneByOne(QPainter* painter)
{
    QPaintEngine* engine = painter->paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster)
        return false;
    QPen const& pen = painter->pen();
    const QTransform transform = painter->combinedTransform();
    return pen.style() == Qt::SolidLine && pen.widthF() <= 1.0 && transform.type() <= QTransform::TxScale
        && std::abs(transform.m11()) <= 1.0 && std::abs(transform.m22()) <= 1.0;
}

// Lines handed to the painter in one call per batch.
constexpr int kLineBatch = 256;

// Reads the values of an array in the drawing loop: plain double storage
// without a marker value straight from memory (when allowed), other plain
// double storage without a virtual call, anything else through getValue().
struct ValueReader
{
    DataArray const* array;
    DataArrayTemplate<double> const* typed = nullptr;
    double const* raw = nullptr;

    ValueReader(DataArray const* array, bool direct) : array(array)
    {
        typed = dynamic_cast<DataArrayTemplate<double> const*>(array);
        if (direct && typed && !typed->hasDoNotUseValueConfigured())
            raw = typed->constData();
    }
    double operator()(int i) const
    {
        if (raw)
            return raw[i];
        if (typed)
            return typed->valueAt(i);
        return array->getValue(i);
    }
};

QPen markerPen(QColor const& color, int width, int penStyle)
{
    return QPen(QBrush(color, Qt::SolidPattern), width, Qt::PenStyle(penStyle), Qt::SquareCap, Qt::BevelJoin);
}

QPen labelPen()
{
    return QPen(QBrush(QColor(100, 100, 100), Qt::SolidPattern), 3, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
}

// The outline of the ellipse centre + a cos t + b sin t, as polylines through
// the parts that lie inside the rectangle.  The outline crosses each edge of
// the rectangle where a cos t + b sin t = d in one coordinate, that is where
// r cos(t - phi) = d; between two neighbouring crossings it is either wholly
// inside or wholly outside.  The inside parts are followed in steps that keep
// the polyline within a fifth of a pixel of the curve, so a huge ellipse of
// which only a small arc shows costs no more than that arc.
QList<QPolygonF> ellipseArcsNear(QPointF centre, QPointF a, QPointF b, QRectF const& area)
{
    QList<QPolygonF> arcs;
    for (double v : {centre.x(), centre.y(), a.x(), a.y(), b.x(), b.y()})
        if (!std::isfinite(v))
            return arcs;
    auto at = [&](double t) { return centre + a * std::cos(t) + b * std::sin(t); };
    const double twoPi = 2 * M_PI;
    QVarLengthArray<double, 12> cuts{0.0, twoPi};
    auto addCrossings = [&](double ca, double cb, double d) {
        const double r = std::hypot(ca, cb);
        if (!(r > 0) || std::abs(d) > r)
            return;
        const double phi = std::atan2(cb, ca);
        const double delta = std::acos(d / r);
        for (double t : {phi + delta, phi - delta})
            cuts.append(t - twoPi * std::floor(t / twoPi));
    };
    addCrossings(a.x(), b.x(), area.left() - centre.x());
    addCrossings(a.x(), b.x(), area.right() - centre.x());
    addCrossings(a.y(), b.y(), area.top() - centre.y());
    addCrossings(a.y(), b.y(), area.bottom() - centre.y());
    std::sort(cuts.begin(), cuts.end());

    const double curvature = std::hypot(a.x(), a.y()) + std::hypot(b.x(), b.y());
    const double step = curvature > 0 ? std::sqrt(8 * 0.2 / curvature) : twoPi;
    constexpr double kMaxPointsPerArc = 100000;
    bool continuing = false;
    for (int i = 0; i + 1 < cuts.size(); ++i) {
        const double t0 = cuts[i];
        const double t1 = cuts[i + 1];
        if (!(t1 > t0))
            continue;
        if (!area.contains(at((t0 + t1) / 2))) {
            continuing = false;
            continue;
        }
        if (!continuing)
            arcs.append(QPolygonF{at(t0)});
        const int n = int(std::clamp(std::ceil((t1 - t0) / step), 2.0, kMaxPointsPerArc));
        for (int k = 1; k <= n; ++k)
            arcs.last().append(at(t0 + (t1 - t0) * k / n));
        continuing = true;
    }
    return arcs;
}

} // namespace

void XYCanvas::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    // Streamed points repaint only the area they touched (see
    // drawNewPointsOnBackGround): only that part of the background is copied.
    if (!(QRegion(rect()) - event->region()).isEmpty())
        partialPaintRegion = event->region();
    drawCanvas(&painter);
    painter.end();
    const size_t foreground = foregroundFingerprint();
    // A foreground changed since the last paint shows on the whole canvas,
    // not only in this part of it.
    if (!partialPaintRegion.isEmpty() && foreground != paintedForeground)
        update();
    partialPaintRegion = QRegion();
    paintedForeground = foreground;
    QFrame::paintEvent(event);
}

void XYCanvas::drawCanvas(QPainter* painter)
{
    QPaintDevice* device = painter->device();
    drawCanvas(painter, device ? device->devicePixelRatioF() : 1.0);
}

void XYCanvas::drawCanvas(QPainter* painter, qreal devicePixelRatio)
{
    const qreal ratio = devicePixelRatio > 0 && std::isfinite(devicePixelRatio) ? devicePixelRatio : 1.0;
    // A painter on a widget starts with its viewport in logical pixels, one on
    // a pixmap or an image with the device pixels of the whole image.
    QRect logicalViewport = painter->viewport();
    QPaintDevice* device = painter->device();
    const qreal deviceRatio = device ? device->devicePixelRatioF() : 1.0;
    painter->save();
    if (device && deviceRatio != 1.0 && logicalViewport == QRect(0, 0, device->width(), device->height())
        && (device->devType() == QInternal::Pixmap || device->devType() == QInternal::Image)) {
        logicalViewport = QRect(0, 0, qRound(logicalViewport.width() / deviceRatio),
                                qRound(logicalViewport.height() / deviceRatio));
        // The markers lay themselves out in the painter's viewport.
        painter->setViewport(logicalViewport);
        painter->setWindow(logicalViewport);
    }
    if (fullRedrawNeeded || logicalViewport != viewport || ratio != backgroundRatio) {
        // Anything drawn now must reach the whole canvas.
        if (!partialPaintRegion.isEmpty())
            update();
        partialPaintRegion = QRegion();
        viewport = logicalViewport;
        backgroundRatio = ratio;
        computeFactors();
        delete backgroundPixmap;
        backgroundPixmap = nullptr;
        dataSetMarkers.clear();
        clearDataSetFilterCaches();
        clearViewportMaps();
        backgroundPixmap = drawBackgroundPixmap();
        fullRedrawNeeded = false;
    }
    // At the ratio of the painter's device the image lands on the device
    // pixels one to one.
    if (backgroundPixmap && !backgroundPixmap->isNull()) {
        if (partialPaintRegion.isEmpty()) {
            painter->drawPixmap(0, 0, *backgroundPixmap);
        } else {
            // The device pixels under each rectangle, rounded outwards at a
            // fractional ratio so that no pixel of the part is left out.
            for (QRect const& part : partialPaintRegion) {
                const QRect source =
                    QRectF(part.x() * ratio, part.y() * ratio, part.width() * ratio, part.height() * ratio)
                        .toAlignedRect()
                    & backgroundPixmap->rect();
                const QRectF target(source.x() / ratio, source.y() / ratio, source.width() / ratio,
                                    source.height() / ratio);
                painter->drawPixmap(target, *backgroundPixmap, QRectF(source));
            }
        }
    }
    drawBandMarkers(MARKER_FOREGROUND, painter);
    drawMarkers(MARKER_FOREGROUND, painter);
    drawEllipsoidalMarkers(painter);
    drawCrossMarkers(painter);
    painter->restore();
}

qreal XYCanvas::getBackgroundDevicePixelRatio() const
{
    return backgroundRatio;
}

QPixmap* XYCanvas::drawBackgroundPixmap()
{
    if (viewport.width() <= 0 || viewport.height() <= 0)
        return new QPixmap();
    // Allocated in device pixels, so that grids, texts and data are drawn at
    // the screen's resolution instead of being scaled up from logical pixels.
    QPixmap* pixmap = new QPixmap(viewport.size() * backgroundRatio);
    pixmap->setDevicePixelRatio(backgroundRatio);
    QPainter painter(pixmap);
    // A painter on a pixmap states its viewport in device pixels; the grids
    // lay out their ticks in the painter's viewport, which must be the
    // logical one.
    painter.setViewport(QRect(QPoint(0, 0), viewport.size()));
    painter.setWindow(QRect(QPoint(0, 0), viewport.size()));
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
        dropUnusedExtremaCaches();
    }
    if (!dataSets || viewport.width() <= 0 || viewport.height() <= 0) {
        if (fullRedraw)
            continueUntilFinishedForNextFullRedraw = false;
        return;
    }
    // Data are drawn in the device pixels of the painter's device, so that a
    // high-resolution screen shows as many pixel columns of data as it has.
    QPaintDevice* device = painter->device();
    const qreal ratio = outputColumnsPerPixel > 0 ? outputColumnsPerPixel : device ? device->devicePixelRatioF() : 1.0;
    drawingRatio = ratio > 0 && std::isfinite(ratio) ? ratio : 1.0;
    const QSize deviceSize = drawingSize();
    const int w = deviceSize.width();
    const int h = deviceSize.height();
    painter->save();
    // Painter coordinates become upward device pixel coordinates: y = 0 at
    // the bottom.
    painter->setWorldTransform(QTransform(1 / drawingRatio, 0, 0, -1 / drawingRatio, 0, h / drawingRatio), true);
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
    // sets; the layer is only made when there is a colour bar to draw.  A
    // vector device gets them straight, after the other data sets: a layer
    // would turn them into an image.
    const bool vectorDevice = !painter->paintEngine() || painter->paintEngine()->type() != QPaintEngine::Raster;
    QPixmap* colorBarLayer = nullptr;
    QPainter* colorBarPainter = nullptr;
    for (XYDataSet* dataSet : *dataSets) {
        if (!dataSet->getLook()->isColorBar() || vectorDevice)
            continue;
        if (drawable(dataSet)) {
            if (!colorBarLayer) {
                colorBarLayer = new QPixmap(w, h);
                colorBarLayer->setDevicePixelRatio(drawingRatio);
                colorBarLayer->fill(Qt::transparent);
                colorBarPainter = new QPainter(colorBarLayer);
                // Device pixels, upward (the layer is turned over when it is
                // laid onto the background).
                colorBarPainter->setWorldTransform(QTransform::fromScale(1 / drawingRatio, 1 / drawingRatio));
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
    for (XYDataSet* dataSet : *dataSets) {
        if (vectorDevice && dataSet->getLook()->isColorBar() && drawable(dataSet))
            drawDataSet(painter, dataSet);
    }
    if (colorBarLayer) {
        delete colorBarPainter;
        painter->drawPixmap(QRectF(0, 0, w, h), *colorBarLayer, QRectF(0, 0, w, h));
        delete colorBarLayer;
    }
    painter->restore();
    drawingRatio = 1.0;
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

void XYCanvas::drawDataSet(QPainter* painter, XYDataSet* dataSet)
{
    Look* look = dataSet->getLook();
    DataArray* xData = dataSet->xData;
    DataArray* yData = dataSet->yData;
    XYDataSetFilter* filter = dataSet->getFilter();
    XYDataSetDrawListener* listener = dataSet->getDrawListener();
    // Points are placed on device pixels (see drawDataSets); lengths that the
    // look states in pixels are logical pixels and are scaled to match.
    const double ratio = drawingRatio;
    const bool scaled = ratio != 1.0;
    const QSize deviceSize = drawingSize();
    const int w = deviceSize.width();
    const int h = deviceSize.height();
    auto devicePixels = [ratio, scaled](double logical) {
        return scaled ? int(std::clamp(std::round(logical * ratio), -kCoordinateLimit, kCoordinateLimit))
                      : int(logical);
    };

    ViewportMap<int>* map = isMouseOverDataTrackingEnabled(dataSet) ? getViewportMap(dataSet) : nullptr;
    // Whether the map's items keep growing in index order (see viewportMapLastEntries).
    int lastEntry = viewportMapLastEntries.value(dataSet, -1);
    const bool colorBar = look->isColorBar();
    const double maxBarData = look->getMaxBarEntryDataLength();
    const bool barMode = colorBar && !std::isnan(maxBarData);
    const int minBarPixels = devicePixels(look->getMinBarEntryPixelLength());
    const int maxBarPixels = devicePixels(look->getMaxBarEntryPixelLength());
    int maxBarDataPixels = 0;
    if (barMode) {
        const double pixels = xFactor * ratio * maxBarData;
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
    const int halfSymbol = devicePixels(look->getSymbolSize() / 2);
    const int defaultThickness = look->getDefaultLineThickness();
    const bool fixedY = look->hasFixedYPosition();
    const int logicalHeight = viewport.height();
    const int fixedYLogical = fixedY ? logicalHeight - look->getFixedYPosition(logicalHeight) : 0;
    const int fixedYPixel = devicePixels(fixedYLogical);

    // Code outside the canvas that runs while drawing (a filter, a listener)
    // might change the arrays: only without it are values read straight from
    // the storage.
    const bool foreignCode = filter || listener;
    const ValueReader xs(xData, !foreignCode);
    const ValueReader ys(yData, !foreignCode);
    const double minX = viewBounds.minX;
    const double minY = viewBounds.minY;
    const double xf = xFactor * ratio;
    const double yf = yFactor * ratio;
    auto pixelX = [minX, xf](double x) { return (x - minX) * xf; };
    auto pixelY = [minY, yf](double y) { return yf * -(y - minY); };

    // Converts index i to upward viewport pixels; false for an unusable point.
    auto convert = [&](int i, QPoint& p) {
        const double px = pixelX(xs(i));
        if (std::isnan(px))
            return false;
        if (fixedY) {
            p = QPoint(roundClamped(px), fixedYPixel);
            return true;
        }
        const double py = pixelY(ys(i));
        if (std::isnan(py))
            return false;
        p = QPoint(roundClamped(px), roundClamped(py));
        return true;
    };
    // Filters, listeners, markers and the hit-test map see the point where the
    // mouse sees it: in logical pixels, exactly as at a ratio of 1.
    auto logicalX = [&](int i, QPoint p) { return scaled ? roundClamped((xs(i) - minX) * xFactor) : p.x(); };
    auto symbolShownAt = [&](int i) { return symbolsShown && look->getSymbol(i) != SYMBOL_NONE; };
    auto effectiveSymbol = [&](E_SYMBOL symbol) {
        if (ySize == 1)
            return symbol == SYMBOL_NONE && !colorBar ? SYMBOL_DIAMOND : symbol;
        return symbolsShown ? symbol : SYMBOL_NONE;
    };

    // A look of the base class changes only where a change was recorded:
    // between two changes every point looks the same, so the appearance is
    // asked for once per run of equal appearance instead of once per point.
    // Derived looks (appearance by value) are asked per point.
    const bool plainLook = typeid(*look) == typeid(Look);
    const bool markersWanted = look->getDrawMarkerOnYValueChange();
    const int lastChange = plainLook && first <= last ? look->searchApplicableIndex(last) : -1;
    auto runEnd = [&](int i) {
        if (!plainLook)
            return i;
        const int change = look->searchApplicableIndex(i);
        if (change == lastChange)
            return last;
        // Gallop to a point of a later change, then halve the interval.
        int same = i;
        int other = last;
        for (qint64 step = 1; step < last - same; step *= 2) {
            if (look->searchApplicableIndex(same + int(step)) != change) {
                other = same + int(step);
                break;
            }
            same += int(step);
        }
        while (other - same > 1) {
            const int mid = same + (other - same) / 2;
            (look->searchApplicableIndex(mid) == change ? same : other) = mid;
        }
        return same;
    };

    // Where nothing watches single points (no filter, listener, hit-test map
    // or markers) and the appearance is constant, the points of one pixel
    // column are merged from the column's first and last point and its
    // extreme values, found without visiting every point in dense columns.
    // The result is the same as stepping through the points one by one.
    const bool columnsPossible = !foreignCode && !map && !colorBar && !fixedY && !markersWanted && plainLook
        && xs.raw && ys.raw && ySize > 1 && xData->isNondecreasing() && xf > 0 && std::isfinite(xf)
        && yf != 0 && std::isfinite(yf) && std::isfinite(minX) && std::isfinite(minY);

    // Every line of the data set goes through emitLine: straight to the
    // painter, or, on the column path, into batches.
    QVarLengthArray<QLine, kLineBatch> batch;
    bool batching = false;
    auto flushBatch = [&] {
        if (!batch.isEmpty())
            painter->drawLines(batch.constData(), int(batch.size()));
        batch.clear();
    };
    auto emitLine = [&](QPoint a, QPoint b) {
        if (!batching) {
            painter->drawLine(a, b);
            return;
        }
        batch.append(QLine(a, b));
        if (batch.size() == kLineBatch)
            flushBatch();
    };
    // A dash keeps an unjoined point without symbol visible.
    const int dashLength = devicePixels(colorBar ? 2 : 1);
    auto dashAt = [&](QPoint point) { emitLine(point, QPoint(point.x() + dashLength, point.y())); };

    int isolation = getLastProcessedPointDegreeOfIsolation(dataSet);
    // Nothing new to draw: the state of the last drawing stays as it is.
    const bool nothingNew = first > last;
    for (int line = 0; line < lineCount && !nothingNew; ++line) {
        clearVerticalAccumulatedLine();
        QPen savedPen;
        bool penSaved = false;
        isolation = getLastProcessedPointDegreeOfIsolation(dataSet);
        const double lineShift = (line - (lineCount - 1) * 0.5) * defaultThickness;
        const int offset = qRound(lineShift * ratio);
        const int logicalOffset = qRound(lineShift);

        bool hasPrev = false;
        QPoint prev;
        int prevRegion = 0;
        if (first > 0 && first - 1 < std::min(ySize, xData->dataSize())) {
            setDataSetLook(dataSet, painter, first - 1, line);
            savedPen = painter->pen();
            penSaved = true;
            if (convert(first - 1, prev)) {
                prev.ry() += offset;
                hasPrev = !(filter && filter->excludeDataPoint(first - 1, logicalX(first - 1, prev)));
                if (hasPrev)
                    prevRegion = regionCode(prev, w, h);
            }
        }

        bool lineShown = true;
        // The steps for one point; symbol is the one to draw at it.
        auto drawPoint = [&](int i, bool lookChanged, E_SYMBOL symbol) __attribute__((always_inline)) {
            if (lookChanged)
                lineShown = setDataSetLook(dataSet, painter, i, line);

            QPoint p;
            const bool ok = convert(i, p);
            const int viewportX = ok ? logicalX(i, p) : 0;
            if (!ok || (filter && filter->excludeDataPoint(i, viewportX))) {
                // An unjoined point without a symbol would vanish: mark it with a dash.
                if (hasPrev && isolation >= 1 && prevRegion == 0 && !symbolShownAt(i - 1))
                    dashAt(prev);
                hasPrev = false;
                isolation = 1;
                return;
            }
            if (listener)
                listener->drawingDataPoint(i, viewportX);
            p.ry() += offset;
            const int region = regionCode(p, w, h);

            if (markersWanted && look->mustDrawMarker(i) && viewport.left() <= viewportX && viewportX < viewport.right()) {
                Marker_t marker;
                marker.type = MARKER_FOREGROUND;
                marker.orientation = VERTICAL;
                marker.position = xs(i);
                marker.color = QColor(Qt::darkGray);
                marker.penStyle = Qt::DashLine;
                marker.width = 0;
                dataSetMarkers.append(marker);
            }
            if (region == 0) {
                if (map) {
                    const int logicalY = !scaled ? p.y()
                        : (fixedY ? fixedYLogical : roundClamped(yFactor * -(ys(i) - minY))) + logicalOffset;
                    map->addItem(i, viewportX, logicalHeight - 1 - logicalY);
                    lastEntry = lastEntry == kEntriesUnordered || i <= lastEntry ? kEntriesUnordered : i;
                }
                if (symbol != SYMBOL_NONE)
                    drawSymbol(p, symbol, halfSymbol, painter);
            }
            // Only a change of appearance needs the pen kept (a QPen costs two
            // atomic reference count changes, too much for every point).
            std::optional<QPen> curPen;
            if (lookChanged)
                curPen = painter->pen();
            bool lineConsidered = false;
            if (hasPrev && lineShown && (p.x() >= prev.x() || !skipBackwardLines)) {
                lineConsidered = true;
                if (lookChanged && penSaved)
                    painter->setPen(savedPen); // a line takes the pen of its start point
                if (barMode) {
                    const int width = p.x() - prev.x();
                    const int length = std::max(std::min({width, maxBarPixels, maxBarDataPixels}), minBarPixels);
                    if (length == width)
                        emitLine(prev, p);
                    else
                        emitLine(prev, QPoint(prev.x() + length, prev.y()));
                } else if (p != prev || lookChanged) {
                    if (gapsPossible && xs(i) - xs(i - 1) > gapThreshold) {
                        if (isolation < 1) {
                            ++isolation;
                        } else {
                            isolation = 2;
                            if (prevRegion == 0 && !symbolShownAt(i - 1))
                                dashAt(prev);
                        }
                    } else if (p.x() == prev.x()) {
                        isolation = 0;
                        if (0 <= p.x() && p.x() < w)
                            accumulateVertical(verticalAccumulatedLine, p.x(), prev.y(), p.y(), h, emitLine);
                    } else {
                        flushVertical(verticalAccumulatedLine, h, emitLine);
                        isolation = 0;
                        drawClipped(this, prev, p, prevRegion, region, w, h, emitLine);
                    }
                }
            }
            if (!lineConsidered && ySize == 1 && colorBar)
                emitLine(p, QPoint(p.x() + devicePixels(10), p.y()));
            if (lookChanged) {
                if (penSaved)
                    painter->setPen(savedPen);
                flushVertical(verticalAccumulatedLine, h, emitLine);
                painter->setPen(*curPen);
                savedPen = *curPen;
                penSaved = true;
            }
            prev = p;
            prevRegion = region;
            hasPrev = true;
        };

        // Points start..stop, all after the first point of a run of constant
        // appearance that draws lines and no symbols, column by column.  For a
        // column holding points i..j: point i takes the steps above (it joins
        // the previous column); the points after it only widen the column's
        // vertical line, from the smallest to the largest of their pixel rows,
        // which are the rows of the smallest and largest values because the
        // conversion to pixels is monotonic.  A column with an unusable value
        // or a gap wider than the threshold is stepped through point by point.
        auto drawColumns = [&](int start, int stop) {
            double const* xr = xs.raw;
            double const* yr = ys.raw;
            // Dense data: the extremes of a column come from per-block extremes.
            const double spanned = std::abs(pixelX(xr[stop]) - pixelX(xr[start])) + 1.0;
            const double pointsPerPixel = (stop - start + 1) / spanned;
            BlockMinMaxCache* cache = pointsPerPixel >= kDenseColumnPoints ? getExtremaCache(dataSet) : nullptr;
            batching = linesDrawnOneByOne(painter);
            int i = start;
            while (i <= stop) {
                const int column = roundClamped(pixelX(xr[i]));
                const double boundary = columnBoundary(column);
                int j = i;
                double lo;
                double hi;
                bool usable;
                if (cache) {
                    // Last index of the column.  Points are usually spread
                    // evenly: guess from the average density, correct the
                    // guess in growing steps, then halve the interval.  A few
                    // neighbouring probes instead of a search over the whole
                    // range keep a long array's cache misses down.
                    const double guess = i + (boundary - pixelX(xr[i])) * pointsPerPixel;
                    int beyond;
                    j = guess < stop ? std::max(i, int(guess)) : stop;
                    if (pixelX(xr[j]) < boundary) {
                        beyond = stop + 1;
                        for (qint64 step = 1; step <= stop - j; step *= 2) {
                            if (!(pixelX(xr[j + step]) < boundary)) {
                                beyond = j + int(step);
                                break;
                            }
                            j += int(step);
                        }
                    } else {
                        beyond = j;
                        j = i;
                        for (qint64 step = 1; step < beyond - i; step *= 2) {
                            if (pixelX(xr[beyond - step]) < boundary) {
                                j = beyond - int(step);
                                break;
                            }
                            beyond -= int(step);
                        }
                    }
                    while (beyond - j > 1) {
                        const int mid = j + (beyond - j) / 2;
                        (pixelX(xr[mid]) < boundary ? j : beyond) = mid;
                    }
                    usable = j == i || cache->extremes(i, j, lo, hi);
                    // Fetch the next column's end (its x values and the block
                    // of y values scanned there) while this column is drawn.
                    const int ahead = j + (j - i + 1);
                    if (ahead <= stop) {
                        __builtin_prefetch(xr + ahead);
                        const int from = std::max(ahead - BlockMinMaxCache::blockSize, j + 1);
                        const int to = std::min(ahead + BlockMinMaxCache::blockSize, stop);
                        for (int k = from; k <= to; k += 8)
                            __builtin_prefetch(yr + k);
                    }
                } else {
                    lo = hi = yr[i];
                    bool gap = false;
                    while (j < stop && pixelX(xr[j + 1]) < boundary) {
                        const double v = yr[++j];
                        lo = v < lo ? v : lo;
                        hi = v > hi ? v : hi;
                        gap |= v != v;
                    }
                    usable = !gap;
                }
                if (j == i) {
                    drawPoint(i, false, SYMBOL_NONE);
                    ++i;
                    continue;
                }
                if (!usable || std::isnan(yr[i]) || (gapsPossible && xr[j] - xr[i] > gapThreshold)) {
                    for (int k = i; k <= j; ++k)
                        drawPoint(k, false, SYMBOL_NONE);
                    i = j + 1;
                    continue;
                }
                drawPoint(i, false, SYMBOL_NONE);
                int yLo = roundClamped(pixelY(lo)) + offset;
                int yHi = roundClamped(pixelY(hi)) + offset;
                if (yLo > yHi)
                    std::swap(yLo, yHi);
                if (yLo != yHi) {
                    isolation = 0;
                    if (0 <= column && column < w) {
                        VerticalAccumulatedLine& pending = verticalAccumulatedLine;
                        if (pending.active && pending.x == column && prev.y() >= pending.yMin
                            && prev.y() <= pending.yMax) {
                            pending.yMin = std::min(pending.yMin, yLo);
                            pending.yMax = std::max(pending.yMax, yHi);
                        } else {
                            flushVertical(verticalAccumulatedLine, h, emitLine);
                            pending.active = true;
                            pending.x = column;
                            pending.yMin = yLo;
                            pending.yMax = yHi;
                        }
                    }
                }
                prev = QPoint(column, roundClamped(pixelY(yr[j])) + offset);
                prevRegion = regionCode(prev, w, h);
                i = j + 1;
            }
            flushBatch();
            batching = false;
        };

        int i = first;
        while (i <= last) {
            const int end = runEnd(i);
            // Asked in the order the per-point steps ask: symbol, then change.
            const E_SYMBOL symbol =
                effectiveSymbol(ySize == 1 || symbolsShown ? look->getSymbol(i) : SYMBOL_NONE);
            drawPoint(i, i == first || look->isChanged(i), symbol);
            if (++i > end)
                continue;
            if (columnsPossible && lineShown && symbol == SYMBOL_NONE)
                drawColumns(i, end);
            else
                for (; i <= end; ++i)
                    drawPoint(i, false, symbol);
            i = end + 1;
        }
        flushVertical(verticalAccumulatedLine, h, emitLine);
        if (dataSet->isComplete() && isolation == 1 && hasPrev && prevRegion == 0 && last >= 0
            && !symbolShownAt(last))
            dashAt(prev);
    }
    setLastProcessedIndex(dataSet, last);
    setLastProcessedPointDegreeOfIsolation(dataSet, isolation);
    if (map)
        viewportMapLastEntries.insert(dataSet, lastEntry);

    // A data set without new points already has its closing line on the
    // background, drawn with its own pen; drawing it again now would use
    // whatever pen the previous data set left in the painter.
    if (connectFirstLast && !nothingNew && ySize > 0 && xData->dataSize() >= ySize) {
        QPoint a;
        QPoint b;
        if (convert(0, a) && convert(ySize - 1, b))
            painter->drawLine(a, b);
    }
}

BlockMinMaxCache* XYCanvas::getExtremaCache(XYDataSet* dataSet)
{
    BlockMinMaxCache*& cache = extremaCaches[dataSet];
    if (cache && cache->getArray() != dataSet->yData) {
        delete cache;
        cache = nullptr;
    }
    if (!cache)
        cache = new BlockMinMaxCache(dataSet->yData);
    cache->update();
    return cache;
}

void XYCanvas::dropUnusedExtremaCaches()
{
    for (auto it = extremaCaches.begin(); it != extremaCaches.end();) {
        if (!dataSets || !dataSets->contains(const_cast<XYDataSet*>(it.key()))) {
            delete it.value();
            it = extremaCaches.erase(it);
        } else {
            ++it;
        }
    }
}

void XYCanvas::drawNewPointsOnBackGround()
{
    if (fullRedrawNeeded || !backgroundPixmap || backgroundPixmap->isNull()) {
        update();
        return;
    }
    // Only the area the new points reach is repainted, unless something
    // over the background changed since the last paint: copying the whole
    // background into the window for every batch costs more than drawing
    // the batch (23 MB per frame for a large canvas at ratio 2).
    std::optional<QRegion> area;
    if (foregroundFingerprint() == paintedForeground)
        area = newPointsArea();
    const qsizetype generatedMarkers = dataSetMarkers.size();
    {
        QPainter painter(backgroundPixmap);
        drawDataSets(&painter, false);
    }
    // A marker generated from the new values spans the whole canvas.
    if (!area || dataSetMarkers.size() != generatedMarkers)
        update();
    else if (!area->isEmpty())
        update(*area);
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
        // Widths are logical pixels; the data are drawn in device pixels.
        painter->setPen(QPen(QBrush(look->getMultiLineColor(index, lineIndex), Qt::SolidPattern), width * drawingRatio,
                             style, colorBar ? Qt::FlatCap : Qt::SquareCap, Qt::BevelJoin));
        return true;
    }
    // Symbols and dashes of a series without lines still take the point's colour.
    painter->setPen(QPen(QBrush(look->getColor(index), Qt::SolidPattern), look->getLineThickness(index) * drawingRatio,
                         Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    return false;
}

int XYCanvas::outsideClip(QPoint point)
{
    const QSize size = drawingSize();
    return regionCode(point, size.width(), size.height());
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
    const QSize size = drawingSize();
    const double w = size.width();
    const double h = size.height();
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
    const QSize size = drawingSize();
    drawClipped(this, from, to, fromRegion, toRegion, size.width(), size.height(),
                [painter](QPoint a, QPoint b) { painter->drawLine(a, b); });
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
    accumulateVertical(verticalAccumulatedLine, x, y1, y2, drawingSize().height(),
                       [painter](QPoint a, QPoint b) { painter->drawLine(a, b); });
}

void XYCanvas::flushVerticalAccumulatedLine(QPainter* painter)
{
    flushVertical(verticalAccumulatedLine, drawingSize().height(), [painter](QPoint a, QPoint b) { painter->drawLine(a, b); });
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
    viewportMapLastEntries.clear();
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

QSize XYCanvas::drawingSize() const
{
    return viewport.size() * drawingRatio;
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
    const int w = viewport.width();
    const int h = viewport.height();
    const double ex = viewBounds.maxX - viewBounds.minX;
    const double ey = viewBounds.maxY - viewBounds.minY;
    if (w <= 0 || h <= 0 || !(ex > 0) || !(ey > 0) || !std::isfinite(ex) || !std::isfinite(ey))
        return;
    // World units map to pixels with different scales in x and y (a time plot
    // easily has milliseconds against decibels, a ratio of 10^10 and more).
    // An affine map turns an ellipse into an ellipse: its centre and its two
    // half-axis vectors are mapped to upward pixels here, in double precision,
    // and only the parts of the outline near the viewport are handed to the
    // painter, whose own coordinates could not hold the rest.
    const double sx = w / ex;
    const double sy = h / ey;
    painter->save();
    painter->setWindow(QRect(0, h, w, -h));
    for (EllipseMarker_t* ellipse : std::as_const(*ellipseMarkers)) {
        if (!ellipse)
            continue;
        const double theta = ellipse->angle * M_PI / 180.0;
        // At angle 0 the first axis points along +y, the second along +x.
        const QPointF centre((ellipse->x - viewBounds.minX) * sx, (ellipse->y - viewBounds.minY) * sy);
        const QPointF a(std::sin(theta) * ellipse->axisA / 2 * sx, std::cos(theta) * ellipse->axisA / 2 * sy);
        const QPointF b(-std::cos(theta) * ellipse->axisB / 2 * sx, std::sin(theta) * ellipse->axisB / 2 * sy);
        QPen pen = markerPen(ellipse->color, ellipse->width, ellipse->penStyle);
        // The outline width is in pixels, whatever the painter's transform.
        pen.setCosmetic(true);
        painter->setPen(pen);
        const double margin = ellipse->width + 2.0;
        for (QPolygonF const& arc : ellipseArcsNear(centre, a, b, QRectF(-margin, -margin, w + 2 * margin,
                                                                         h + 2 * margin)))
            painter->drawPolyline(arc);
    }
    painter->restore();
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
