// XYCanvas: the drawing pipeline (cached background image, incremental drawing
// of new points, time budget, per-point loop with clipping and pixel-column
// merging, colour bars, hit-test maps) and the markers.
#include "xycanvas.h"

#include "blockminmaxcache.h"
#include "dataarray.h"
#include "datasetpainter.h"
#include "look.h"
#include "pixelrounding.h"
#include "plotrendersettings.h"
#include "vectoredgecutter.h"
#include "vectorshaperecorder.h"
#include "xyabstractgrid.h"
#include "xydataset.h"
#include "xydatasetfilter.h"

#include <QElapsedTimer>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <QTimer>
#include <QVarLengthArray>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Time budget of one drawing call before it returns to the event loop.
constexpr qint64 kDrawingBudgetMs = 250;

// Draws with painter what draw draws, cut to clip (in painter coordinates)
// by geometry rather than by a clip region, which an SVG file does not
// have.  Colour-bar segments come out as rectangles; see VectorShapeRecorder.
template <typename Draw>
void drawCutToRect(QPainter* painter, QRectF const& clip, qreal overlap, Draw&& draw)
{
    VectorShapeRecorder recorder;
    QPainter recording(&recorder);
    draw(&recording);
    recording.end();
    recorder.replay(painter, clip, overlap);
}

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
    // A vector device may have no clipping: grid lines and markers are cut
    // at the edges, as the clip cuts them on a raster (a grid line at the
    // view's maximum would lie half beyond the canvas).
    VectorEdgeCutter::drawCutOnVectorDevice(painter, QRectF(viewport), viewport.size(), [&](QPainter* onto) {
        if (horizontalGrid)
            horizontalGrid->drawGrid(onto, minX, minY, maxX, maxY);
        if (verticalGrid)
            verticalGrid->drawGrid(onto, minX, minY, maxX, maxY);
    });
    if (horizontalGrid)
        horizontalGrid->drawLabels(painter, minX, minY, maxX, maxY);
    if (verticalGrid)
        verticalGrid->drawLabels(painter, minX, minY, maxX, maxY);
    VectorEdgeCutter::drawCutOnVectorDevice(painter, QRectF(viewport), viewport.size(), [&](QPainter* onto) {
        drawBandMarkers(MARKER_BACKGROUND, onto);
        drawMarkers(MARKER_BACKGROUND, onto);
    });
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
    const bool vectorDevice = VectorShapeRecorder::isVectorDevice(painter);
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
        // Symbols and thick lines at the viewport's edges are cut there on a
        // vector device, as the clip of a raster cuts them.
        if (drawable(dataSet))
            VectorEdgeCutter::drawCutOnVectorDevice(painter, QRectF(0, 0, w, h), QSize(w, h),
                                                    [&](QPainter* onto) { drawDataSet(onto, dataSet); });
        if (budgetExhausted())
            break;
    }
    // Cut to the viewport; a segment reaches one logical pixel under a
    // neighbour of another colour, so that no seam shows between them.
    for (XYDataSet* dataSet : *dataSets) {
        if (vectorDevice && dataSet->getLook()->isColorBar() && drawable(dataSet))
            drawCutToRect(painter, QRectF(0, 0, w, h), drawingRatio,
                          [&](QPainter* recording) { drawDataSet(recording, dataSet); });
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
    DataSetPainter(*this, painter, dataSet).run();
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
    return DataSetPainter::regionCode(point, size.width(), size.height());
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
    DataSetPainter::drawClipped(*this, from, to, fromRegion, toRegion, size.width(), size.height(),
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
    DataSetPainter::accumulateVertical(verticalAccumulatedLine, x, y1, std::min(y1, y2), std::max(y1, y2),
                                       drawingSize().height(), [painter](QPoint a, QPoint b) { painter->drawLine(a, b); });
}

void XYCanvas::flushVerticalAccumulatedLine(QPainter* painter)
{
    DataSetPainter::flushVertical(verticalAccumulatedLine, drawingSize().height(),
                                  [painter](QPoint a, QPoint b) { painter->drawLine(a, b); });
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
    return int(pointIsolation(dataSet));
}

void XYCanvas::setLastProcessedPointDegreeOfIsolation(XYDataSet const* dataSet, int isolation)
{
    setPointIsolation(dataSet, PointIsolation(std::clamp(isolation, int(PointIsolation::Joined),
                                                         int(PointIsolation::UnjoinedRun))));
}

XYCanvas::PointIsolation XYCanvas::pointIsolation(XYDataSet const* dataSet) const
{
    return lastProcessedPointDegreeOfIsolation.value(dataSet, PointIsolation::Unjoined);
}

void XYCanvas::setPointIsolation(XYDataSet const* dataSet, PointIsolation isolation)
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
    // The groove's square caps reach beyond the viewport: a vector device
    // gets it cut to the viewport.
    const bool vectorDevice = VectorShapeRecorder::isVectorDevice(painter);
    for (XYDataSet* dataSet : *dataSets) {
        Look* look = dataSet->getLook();
        if (!dataSet->visible || !look->isColorBar())
            continue;
        const QPoint position(0, look->getFixedYPosition(h));
        if (vectorDevice)
            drawCutToRect(painter, QRectF(0, 0, w, h), 0,
                          [&](QPainter* recording) { look->drawColorBarBackground(*recording, position, w); });
        else
            look->drawColorBarBackground(*painter, position, w);
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
