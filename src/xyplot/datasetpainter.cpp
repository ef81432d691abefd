// DataSetPainter: one drawing pass over one data set's new points.  The
// steps run in this order: set-up (readers, factors, what the look asks),
// per parallel line the predecessor point and the runs of constant
// appearance, per point the conversion, hit-test map, symbol and the join to
// its predecessor, the per-column path for dense runs, then the end dash,
// the hand-over to the next pass and the closing line.
#include "datasetpainter.h"

#include "blockminmaxcache.h"
#include "dataarray.h"
#include "extremesfold.h"
#include "gallopingpartitionpoint.h"
#include "look.h"
#include "pixelrounding.h"
#include "prefetch.h"
#include "xydataset.h"
#include "xydatasetdrawlistener.h"
#include "xydatasetfilter.h"

#include <QPaintEngine>
#include <QPainter>

#include <cmath>
#include <limits>
#include <optional>
#include <typeinfo>

namespace {

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

// Whether the painter draws a list of lines exactly as it draws them one by
// one.  The raster engine strokes thin lines (no scaling up) each on its
// own, and solid wider lines with flat or square caps as well, each
// rasterised as its own quadrilateral.  Round caps have a list stroked as one
// outline, where overlaps would blend once instead of twice, and other
// engines make no promise either.
bool linesDrawnOneByOne(QPainter* painter)
{
    QPaintEngine* engine = painter->paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster)
        return false;
    QPen const& pen = painter->pen();
    const QTransform transform = painter->combinedTransform();
    if (pen.style() != Qt::SolidLine || transform.type() > QTransform::TxScale)
        return false;
    const bool thin = pen.widthF() <= 1.0 && std::abs(transform.m11()) <= 1.0 && std::abs(transform.m22()) <= 1.0;
    return thin || pen.capStyle() == Qt::FlatCap || pen.capStyle() == Qt::SquareCap;
}

// Half the width of the pen when a vertical line it strokes covers whole
// device pixels only, each fully, so that filling the same pixels with its
// colour gives the same picture: an opaque solid colour, an even whole number
// of device pixels wide, no rotation, scaling or fractional offset between
// the painter's coordinates and the device's, antialiased, drawn over what is
// there.  Then the line's edges fall on pixel borders.  0 otherwise.
int evenPenHalfWidth(QPainter* painter)
{
    QPen const& pen = painter->pen();
    const QTransform t = painter->combinedTransform();
    const double width = pen.widthF();
    const bool aligned = t.type() <= QTransform::TxScale && t.m11() == 1.0 && std::abs(t.m22()) == 1.0
        && t.dx() == std::round(t.dx()) && t.dy() == std::round(t.dy());
    const bool even = width >= 2.0 && width <= 64.0 && width == 2.0 * std::round(width / 2.0);
    const bool opaque = pen.brush().style() == Qt::SolidPattern && pen.color().alpha() == 255;
    const bool plain = painter->testRenderHint(QPainter::Antialiasing) && painter->opacity() == 1.0
        && painter->compositionMode() == QPainter::CompositionMode_SourceOver;
    return aligned && even && opaque && plain ? int(width) / 2 : 0;
}

// The part of the device (upward device pixels, w x h) that the painter
// draws on: the device, cut to a rectangular clip less a pixel on each side,
// since at a fractional ratio the clip's border may lie within a pixel.
// Empty when the clip is not one rectangle.
QRect unclippedArea(QPainter* painter, int w, int h)
{
    const QRect device(0, 0, w, h);
    if (!painter->hasClipping())
        return device;
    const QRegion clip = painter->clipRegion();
    return clip.rectCount() == 1 ? device & clip.boundingRect().adjusted(1, 1, -1, -1) : QRect();
}

} // namespace

DataSetPainter::ValueReader::ValueReader(DataArray const* array, bool direct)
    : array(array),
      typed(dynamic_cast<DataArrayTemplate<double> const*>(array)),
      raw(direct ? plainDoubleValues(array) : nullptr)
{
}

// ---------------------------------------------------------------- set-up

DataSetPainter::DataSetPainter(XYCanvas& canvas, QPainter* painter, XYDataSet* dataSet)
    : canvas(canvas),
      painter(painter),
      dataSet(dataSet),
      look(dataSet->getLook()),
      xData(dataSet->xData),
      filter(dataSet->getFilter()),
      listener(dataSet->getDrawListener()),
      foreignCode(filter || listener),
      map(canvas.isMouseOverDataTrackingEnabled(dataSet) ? canvas.getViewportMap(dataSet) : nullptr),
      lastEntry(canvas.viewportMapLastEntries.value(dataSet, -1)),
      xs(dataSet->xData, !foreignCode),
      ys(dataSet->yData, !foreignCode)
{
    setUpGeometry();
    setUpLook();
}

void DataSetPainter::setUpGeometry()
{
    ratio = canvas.drawingRatio;
    scaled = ratio != 1.0;
    const QSize deviceSize = canvas.drawingSize();
    w = deviceSize.width();
    h = deviceSize.height();
    minX = canvas.viewBounds.minX;
    minY = canvas.viewBounds.minY;
    xf = canvas.xFactor * ratio;
    yf = canvas.yFactor * ratio;
    canvas.getPointsToBeDrawn(dataSet, first, last);
    ySize = dataSet->yData->dataSize();
}

void DataSetPainter::setUpLook()
{
    colorBar = look->isColorBar();
    const double maxBarData = look->getMaxBarEntryDataLength();
    barMode = colorBar && !std::isnan(maxBarData);
    minBarPixels = devicePixels(look->getMinBarEntryPixelLength());
    maxBarPixels = devicePixels(look->getMaxBarEntryPixelLength());
    if (barMode) {
        const double pixels = xf * maxBarData;
        maxBarDataPixels = std::isnan(pixels) ? 0 : int(std::clamp(pixels, -kCoordinateLimit, kCoordinateLimit));
    }
    // A negative threshold on the look defers to the canvas; NaN means no gaps.
    gapThreshold = look->getHorizontalDisconnectionThreshold();
    if (gapThreshold < 0)
        gapThreshold = canvas.horizontalDisconnectionThreshold;
    gapsPossible = !std::isnan(gapThreshold);
    symbolsShown = canvas.xFactor * 1000 > look->getSymbolDrawingThreshold();
    lineCount = look->getMultiLineCount();
    halfSymbol = devicePixels(look->getSymbolSize() / 2);
    defaultThickness = look->getDefaultLineThickness();
    fixedY = look->hasFixedYPosition();
    logicalHeight = canvas.viewport.height();
    fixedYLogical = fixedY ? logicalHeight - look->getFixedYPosition(logicalHeight) : 0;
    fixedYPixel = devicePixels(fixedYLogical);
    // A dash keeps an unjoined point without symbol visible.
    dashLength = devicePixels(colorBar ? 2 : 1);

    // A look of the base class changes only where a change was recorded:
    // between two changes every point looks the same, so the appearance is
    // asked for once per run of equal appearance instead of once per point.
    // Derived looks (appearance by value) are asked per point.
    plainLook = typeid(*look) == typeid(Look);
    markersWanted = look->getDrawMarkerOnYValueChange();
    lastChange = plainLook && first <= last ? look->searchApplicableIndex(last) : -1;

    // Where nothing watches single points (no filter, listener, hit-test map
    // or markers) and the appearance is constant, the points of one pixel
    // column are merged from the column's first and last point and its
    // extreme values, found without visiting every point in dense columns.
    // The result is the same as stepping through the points one by one.
    columnPathAllowed = !foreignCode && !map && !colorBar && !fixedY && !markersWanted && plainLook && xs.raw
        && ys.raw && ySize > 1 && xData->isNondecreasing() && xf > 0 && std::isfinite(xf) && yf != 0
        && std::isfinite(yf) && std::isfinite(minX) && std::isfinite(minY);
}

// ------------------------------------------------- conversions and output

Q_ALWAYS_INLINE int DataSetPainter::devicePixels(double logical) const
{
    return scaled ? int(std::clamp(std::round(logical * ratio), -kCoordinateLimit, kCoordinateLimit)) : int(logical);
}

// Converts index i to upward viewport pixels; false for an unusable point.
Q_ALWAYS_INLINE bool DataSetPainter::convert(int i, QPoint& p) const
{
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
}

// Filters, listeners, markers and the hit-test map see the point where the
// mouse sees it: in logical pixels, exactly as at a ratio of 1.
Q_ALWAYS_INLINE int DataSetPainter::logicalX(int i, QPoint p) const
{
    return scaled ? roundClamped((xs(i) - minX) * canvas.xFactor) : p.x();
}

bool DataSetPainter::symbolShownAt(int i) const
{
    return symbolsShown && look->getSymbol(i) != SYMBOL_NONE;
}

E_SYMBOL DataSetPainter::effectiveSymbol(E_SYMBOL symbol) const
{
    if (ySize == 1)
        return symbol == SYMBOL_NONE && !colorBar ? SYMBOL_DIAMOND : symbol;
    return symbolsShown ? symbol : SYMBOL_NONE;
}

void DataSetPainter::flushBatch()
{
    if (!batch.isEmpty())
        painter->drawLines(batch.constData(), int(batch.size()));
    batch.clear();
    if (columnRects.isEmpty())
        return;
    // Aliased: the raster engine then fills the whole pixels straight,
    // where antialiasing would rasterise each rectangle as a shape.
    painter->setRenderHint(QPainter::Antialiasing, false);
    for (QRect const& rect : columnRects)
        painter->fillRect(rect, columnRectColor);
    painter->setRenderHint(QPainter::Antialiasing, true);
    columnRects.clear();
}

// Every line of the data set goes through here: straight to the painter,
// or, on the per-column path, into batches.
Q_ALWAYS_INLINE void DataSetPainter::emitLine(QPoint a, QPoint b)
{
    if (!batching) {
        painter->drawLine(a, b);
        return;
    }
    batch.append(QLine(a, b));
    if (batch.size() == kLineBatch)
        flushBatch();
}

// The vertical line of a pixel column, a to b.  A pen of an even number of
// device pixels strokes it as a rectangle of whole pixels: filled as such,
// unless it reaches a border of the device or the clip, where the stroke's
// edge pixels are not quite full.  The colour is opaque, so the rectangles
// may be filled after the lines drawn around them.
Q_ALWAYS_INLINE void DataSetPainter::emitColumnLine(QPoint a, QPoint b)
{
    if (columnRectHalfWidth > 0) {
        const int lo = std::min(a.y(), b.y()) - columnRectCap;
        const int hi = std::max(a.y(), b.y()) + columnRectCap;
        const QRect rect(a.x() - columnRectHalfWidth, lo, 2 * columnRectHalfWidth, hi - lo);
        if (columnRectArea.contains(rect)) {
            columnRects.append(rect);
            if (columnRects.size() == kLineBatch)
                flushBatch();
            return;
        }
    }
    emitLine(a, b);
}

Q_ALWAYS_INLINE void DataSetPainter::flushColumnLine(Trail& t)
{
    flushVertical(t.column, h, [this](QPoint a, QPoint b) { emitColumnLine(a, b); });
}

// ------------------------------------------------------------- the pass

void DataSetPainter::run()
{
    isolation = canvas.pointIsolation(dataSet);
    // Nothing new to draw: the state of the last drawing stays as it is.
    const bool nothingNew = first > last;
    // Without a view yet (no origin or no scale) no point has a position:
    // stepping through millions of them would find each one unusable, which
    // draws nothing, tells no filter or listener, and leaves the last point
    // unjoined.
    if (!nothingNew && lineCount > 0 && (std::isnan(minX) || std::isnan(xf))) {
        isolation = Isolation::Unjoined;
        handOver();
        return;
    }
    for (int l = 0; l < lineCount && !nothingNew; ++l)
        drawParallelLine(l);
    handOver();
    if (!nothingNew)
        closingLine();
}

void DataSetPainter::drawParallelLine(int lineIndex)
{
    line = lineIndex;
    canvas.clearVerticalAccumulatedLine();
    penSaved = false;
    Trail t;
    t.isolation = canvas.pointIsolation(dataSet);
    const double lineShift = (line - (lineCount - 1) * 0.5) * defaultThickness;
    offset = qRound(lineShift * ratio);
    logicalOffset = qRound(lineShift);
    takePredecessor(t);

    int i = first;
    while (i <= last) {
        const int end = runEnd(i);
        // Asked in the order the per-point steps ask: symbol, then change.
        const E_SYMBOL symbol = effectiveSymbol(ySize == 1 || symbolsShown ? look->getSymbol(i) : SYMBOL_NONE);
        drawPoint(t, i, i == first || look->isChanged(i), symbol);
        if (++i > end)
            continue;
        if (columnPathAllowed && t.lineShown && symbol == SYMBOL_NONE)
            drawColumns(t, i, end);
        else
            for (; i <= end; ++i)
                drawPoint(t, i, false, symbol);
        i = end + 1;
    }
    flushColumnLine(t);
    endDash(t);
    isolation = t.isolation;
}

// The point before the first new one: the line to the first new point
// starts there, with its pen.
void DataSetPainter::takePredecessor(Trail& t)
{
    if (first <= 0 || first - 1 >= std::min(ySize, xData->dataSize()))
        return;
    canvas.setDataSetLook(dataSet, painter, first - 1, line);
    savedPen = painter->pen();
    penSaved = true;
    if (convert(first - 1, t.prev)) {
        t.prev.ry() += offset;
        t.hasPrev = !(filter && filter->excludeDataPoint(first - 1, logicalX(first - 1, t.prev)));
        if (t.hasPrev)
            t.prevRegion = regionCode(t.prev, w, h);
    }
}

// The last index of the run of equal appearance that starts at i.
int DataSetPainter::runEnd(int i) const
{
    if (!plainLook)
        return i;
    const int change = look->searchApplicableIndex(i);
    if (change == lastChange)
        return last;
    // The change that applies never goes back with the index: the indices
    // of the run are a leading part of i..last.
    const qint64 beyond = gallopingPartitionPoint(
        i + 1, qint64(last) + 1, i + 1, [&](qint64 k) { return look->searchApplicableIndex(int(k)) == change; });
    return int(beyond) - 1;
}

// -------------------------------------------------- the steps of a point

Q_ALWAYS_INLINE void DataSetPainter::drawPoint(Trail& t, int i, bool lookChanged, E_SYMBOL symbol)
{
    if (lookChanged)
        t.lineShown = canvas.setDataSetLook(dataSet, painter, i, line);

    QPoint p;
    const bool ok = convert(i, p);
    const int viewportX = ok ? logicalX(i, p) : 0;
    if (!ok || (filter && filter->excludeDataPoint(i, viewportX))) {
        skipUnusablePoint(t, i);
        return;
    }
    if (listener)
        listener->drawingDataPoint(i, viewportX);
    p.ry() += offset;
    const int region = regionCode(p, w, h);
    notePoint(i, p, region, viewportX, symbol);
    joinToPrevious(t, i, p, region, lookChanged);
    t.prev = p;
    t.prevRegion = region;
    t.hasPrev = true;
}

// A point that is not drawn (unusable value or filtered out) cuts the line.
void DataSetPainter::skipUnusablePoint(Trail& t, int i)
{
    // An unjoined point without a symbol would vanish: mark it with a dash.
    if (t.hasPrev && t.isolation != Isolation::Joined && t.prevRegion == 0 && !symbolShownAt(i - 1))
        dashAt(t.prev);
    t.hasPrev = false;
    t.isolation = Isolation::Unjoined;
}

// What a point shows besides its line: the marker on a y change, its entry
// in the hit-test map and its symbol.
Q_ALWAYS_INLINE void DataSetPainter::notePoint(int i, QPoint p, int region, int viewportX, E_SYMBOL symbol)
{
    QRect const& viewport = canvas.viewport;
    if (markersWanted && look->mustDrawMarker(i) && viewport.left() <= viewportX && viewportX < viewport.right()) {
        Marker_t marker;
        marker.type = MARKER_FOREGROUND;
        marker.orientation = VERTICAL;
        marker.position = xs(i);
        marker.color = QColor(Qt::darkGray);
        marker.penStyle = Qt::DashLine;
        marker.width = 0;
        canvas.dataSetMarkers.append(marker);
    }
    if (region != 0)
        return;
    if (map) {
        const int logicalY = !scaled ? p.y()
            : (fixedY ? fixedYLogical : roundClamped(canvas.yFactor * -(ys(i) - minY))) + logicalOffset;
        map->addItem(i, viewportX, logicalHeight - 1 - logicalY);
        lastEntry = lastEntry == XYCanvas::kEntriesUnordered || i <= lastEntry ? XYCanvas::kEntriesUnordered : i;
    }
    if (symbol != SYMBOL_NONE)
        canvas.drawSymbol(p, symbol, halfSymbol, painter);
}

// The line (or bar) from the previous point to p, with the pen of its start
// point; after a change of appearance p's pen becomes the one kept.
Q_ALWAYS_INLINE void DataSetPainter::joinToPrevious(Trail& t, int i, QPoint p, int region, bool lookChanged)
{
    // Only a change of appearance needs the pen kept (a QPen costs two
    // atomic reference count changes, too much for every point).
    std::optional<QPen> curPen;
    if (lookChanged)
        curPen = painter->pen();
    bool lineConsidered = false;
    if (t.hasPrev && t.lineShown && (p.x() >= t.prev.x() || !canvas.skipBackwardLines)) {
        lineConsidered = true;
        if (lookChanged && penSaved)
            painter->setPen(savedPen); // a line takes the pen of its start point
        if (barMode) {
            drawBar(t.prev, p);
        } else if (p != t.prev || lookChanged) {
            joinWithLine(t, i, p, region);
        }
    }
    if (!lineConsidered && ySize == 1 && colorBar)
        emitLine(p, QPoint(p.x() + devicePixels(10), p.y()));
    if (lookChanged) {
        if (penSaved)
            painter->setPen(savedPen);
        flushColumnLine(t);
        painter->setPen(*curPen);
        savedPen = *curPen;
        penSaved = true;
    }
}

// A segment to the previous point: none across a gap, merged into the
// pending vertical line within one pixel column, else clipped and drawn.
Q_ALWAYS_INLINE void DataSetPainter::joinWithLine(Trail& t, int i, QPoint p, int region)
{
    auto out = [this](QPoint a, QPoint b) { emitLine(a, b); };
    if (gapsPossible && xs(i) - xs(i - 1) > gapThreshold) {
        noteGap(t, i);
    } else if (p.x() == t.prev.x()) {
        t.isolation = Isolation::Joined;
        if (0 <= p.x() && p.x() < w)
            accumulateVertical(t.column, p.x(), t.prev.y(), std::min(t.prev.y(), p.y()), std::max(t.prev.y(), p.y()),
                               h, [this](QPoint a, QPoint b) { emitColumnLine(a, b); });
    } else {
        flushColumnLine(t);
        t.isolation = Isolation::Joined;
        drawClipped(canvas, t.prev, p, t.prevRegion, region, w, h, out);
    }
}

// A gap wider than the threshold before point i.  The previous point stays
// visible through its line when it was joined to its own predecessor;
// otherwise it is joined to nothing and, without a symbol, gets a dash.
void DataSetPainter::noteGap(Trail& t, int i)
{
    if (t.isolation == Isolation::Joined) {
        t.isolation = Isolation::Unjoined;
        return;
    }
    t.isolation = Isolation::UnjoinedRun;
    if (t.prevRegion == 0 && !symbolShownAt(i - 1))
        dashAt(t.prev);
}

// A colour bar from the previous point prev towards p, its length held
// between the look's pixel limits and its data-length limit.
void DataSetPainter::drawBar(QPoint prev, QPoint p)
{
    const int width = p.x() - prev.x();
    const int length = std::max(std::min({width, maxBarPixels, maxBarDataPixels}), minBarPixels);
    if (length == width)
        emitLine(prev, p);
    else
        emitLine(prev, QPoint(prev.x() + length, prev.y()));
}

// ------------------------------------------------ the per-column path

// Points start..stop, all after the first point of a run of constant
// appearance that draws lines and no symbols, column by column.  For a
// column holding points i..j: point i takes the steps of a point (it joins
// the previous column); the points after it only widen the column's
// vertical line, from the smallest to the largest of their pixel rows,
// which are the rows of the smallest and largest values because the
// conversion to pixels is monotonic.  A column with an unusable value or a
// gap wider than the threshold is stepped through point by point.
void DataSetPainter::drawColumns(Trail& trail, int start, int stop)
{
    // Worked on as a local copy: the caller's trail is reached through a
    // reference, which every call the compiler cannot see into might change.
    Trail t = trail;
    double const* xr = xs.raw;
    double const* yr = ys.raw;
    // Dense data: the extremes of a column come from per-block extremes.
    const double spanned = std::abs(pixelX(xr[stop]) - pixelX(xr[start])) + 1.0;
    const double pointsPerPixel = (stop - start + 1) / spanned;
    BlockMinMaxCache* cache = pointsPerPixel >= kDenseColumnPoints ? canvas.getExtremaCache(dataSet) : nullptr;
    batching = linesDrawnOneByOne(painter);
    columnRectHalfWidth = batching ? evenPenHalfWidth(painter) : 0;
    if (columnRectHalfWidth > 0) {
        columnRectCap = painter->pen().capStyle() == Qt::SquareCap ? columnRectHalfWidth : 0;
        columnRectArea = unclippedArea(painter, w, h);
        columnRectColor = painter->pen().color();
    }
    int i = start;
    while (i <= stop) {
        const int column = roundClamped(pixelX(xr[i]));
        const double boundary = columnBoundary(column);
        int j = i;
        double lo;
        double hi;
        bool usable;
        if (cache) {
            j = columnEndByBlocks(i, boundary, stop, pointsPerPixel);
            usable = j == i || cache->extremes(i, j, lo, hi);
            prefetchNextColumn(cache, i, j, stop);
        } else {
            ExtremesFold fold(yr[i]);
            while (j < stop && pixelX(xr[j + 1]) < boundary)
                fold.add(yr[++j]);
            lo = fold.lo;
            hi = fold.hi;
            usable = !fold.gap;
        }
        if (j == i) {
            drawPoint(t, i, false, SYMBOL_NONE);
        } else if (!usable || std::isnan(yr[i]) || (gapsPossible && xr[j] - xr[i] > gapThreshold)) {
            for (int k = i; k <= j; ++k)
                drawPoint(t, k, false, SYMBOL_NONE);
        } else {
            mergeColumn(t, column, i, j, lo, hi);
        }
        i = j + 1;
    }
    flushBatch();
    batching = false;
    columnRectHalfWidth = 0;
    trail = t;
}

// The last index of the column that starts at i: the last point whose
// position is below boundary.  Points are usually spread evenly, so the
// search starts where the average density puts the column's end; a few
// neighbouring probes instead of a search over the whole range keep a long
// array's cache misses down.
Q_ALWAYS_INLINE int DataSetPainter::columnEndByBlocks(int i, double boundary, int stop, double pointsPerPixel) const
{
    double const* xr = xs.raw;
    const double guess = i + (boundary - pixelX(xr[i])) * pointsPerPixel;
    const int start = guess < stop ? std::max(i, int(guess)) : stop;
    const qint64 beyond = gallopingPartitionPoint(i, qint64(stop) + 1, start,
                                                  [&](qint64 k) { return pixelX(xr[k]) < boundary; });
    return int(beyond) - 1;
}

// Fetches the next column's end (its x values, and the y values and block
// extremes read there) while this column is drawn.
Q_ALWAYS_INLINE void DataSetPainter::prefetchNextColumn(BlockMinMaxCache const* cache, int i, int j, int stop) const
{
    const int ahead = j + (j - i + 1);
    if (ahead > stop)
        return;
    prefetchForRead(xs.raw + ahead);
    cache->prefetch(ahead);
}

// Points i..j of one pixel column with usable values lo..hi: i joins the
// previous column, the rest widen the column's vertical line, and j is the
// point the next column joins.
Q_ALWAYS_INLINE void DataSetPainter::mergeColumn(Trail& t, int column, int i, int j, double lo, double hi)
{
    drawPoint(t, i, false, SYMBOL_NONE);
    int yLo = roundClamped(pixelY(lo)) + offset;
    int yHi = roundClamped(pixelY(hi)) + offset;
    if (yLo > yHi)
        std::swap(yLo, yHi);
    if (yLo != yHi) {
        t.isolation = Isolation::Joined;
        if (0 <= column && column < w)
            accumulateVertical(t.column, column, t.prev.y(), yLo, yHi, h,
                               [this](QPoint a, QPoint b) { emitColumnLine(a, b); });
    }
    t.prev = QPoint(column, roundClamped(pixelY(ys.raw[j])) + offset);
    t.prevRegion = regionCode(t.prev, w, h);
}

// ---------------------------------------------------------- the end

// The last point of a complete data set, joined to nothing before it,
// would vanish without a symbol: it gets a dash.
void DataSetPainter::endDash(Trail const& t)
{
    if (dataSet->isComplete() && t.isolation == Isolation::Unjoined && t.hasPrev && t.prevRegion == 0 && last >= 0
        && !symbolShownAt(last))
        dashAt(t.prev);
}

// What the next incremental pass continues from.
void DataSetPainter::handOver()
{
    canvas.setLastProcessedIndex(dataSet, last);
    canvas.setPointIsolation(dataSet, isolation);
    if (map)
        canvas.viewportMapLastEntries.insert(dataSet, lastEntry);
}

// The line from the first to the last point.  A data set without new
// points already has it on the background, drawn with its own pen; drawing
// it again would use whatever pen the previous data set left in the painter,
// so run() only asks for it after new points.
void DataSetPainter::closingLine()
{
    if (!canvas.connectFirstLast || ySize <= 0 || xData->dataSize() < ySize)
        return;
    QPoint a;
    QPoint b;
    if (convert(0, a) && convert(ySize - 1, b))
        painter->drawLine(a, b);
}
