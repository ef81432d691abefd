#ifndef ZEBPLOT_DATASETPAINTER_H
#define ZEBPLOT_DATASETPAINTER_H

#include "dataarraytemplate.h"
#include "plottypes.h"
#include "xycanvas.h"

#include <QLine>
#include <QPen>
#include <QPoint>
#include <QVarLengthArray>

#include <algorithm>

class BlockMinMaxCache;
class DataArray;
class Look;
class XYDataSetDrawListener;
class XYDataSetFilter;

/// One drawing of one data set's new points onto the canvas: the lines
/// (one per parallel line of the look), symbols, colour bars, dashes that
/// keep unjoined points visible, the hit-test map, the filter's and the draw
/// listener's calls and the markers on y changes.  The state that lives for
/// one pass (the previous point, the pen, the pending column line) is held
/// here; what the next incremental pass needs (last index, isolation, the
/// map's ordering) is handed back to the canvas at the end.
///
/// Points are placed on device pixels; lengths that the look states in
/// pixels are logical pixels and are scaled to match.  Filters, listeners,
/// markers and the hit-test map see every point in logical pixels, exactly as
/// at a ratio of 1.
///
/// Not part of the library's interface: the canvas builds one per data set
/// and drawing.
class DataSetPainter
{
public:
    /// A pass over dataSet's points still to be drawn on canvas, through painter (which the canvas has
    /// set up: upward device pixel coordinates).  Neither is owned.
    DataSetPainter(XYCanvas& canvas, QPainter* painter, XYDataSet* dataSet);
    DataSetPainter(DataSetPainter const&) = delete;
    DataSetPainter& operator=(DataSetPainter const&) = delete;

    /// Draws the points from XYCanvas::getPointsToBeDrawn() and hands the
    /// state for the next pass back to the canvas.
    void run();

    /// Region code of a point in upward viewport coordinates: 0 inside,
    /// 1 2 3 on the left, 4 above, 5 6 7 on the right, 8 below.
    static int regionCode(QPoint point, int w, int h)
    {
        const int column = point.x() < 0 ? 0 : (point.x() <= w ? 1 : 2);
        const int row = point.y() < 0 ? 0 : (point.y() <= h ? 1 : 2);
        static const int codes[3][3] = {{1, 2, 3}, {8, 0, 4}, {7, 6, 5}};
        return codes[column][row];
    }

    /// Draws (through out) the pending vertical line of a pixel column, cut
    /// to the viewport height, and clears it.
    template <typename Pending, typename Emit>
    static void flushVertical(Pending& pending, int h, Emit&& out)
    {
        if (!pending.active)
            return;
        out(QPoint(pending.x, std::max(pending.yMin, 0)), QPoint(pending.x, std::min(pending.yMax, h)));
        pending.active = false;
    }

    /// Widens the pending vertical line to the rows yLo..yHi when it
    /// continues it (same column x, joined at row join within it);
    /// otherwise draws it and starts a new one over yLo..yHi.  Thousands of
    /// points in one column so cost one line.
    template <typename Pending, typename Emit>
    static void accumulateVertical(Pending& pending, int x, int join, int yLo, int yHi, int h, Emit&& out)
    {
        if (pending.active && pending.x == x && join >= pending.yMin && join <= pending.yMax) {
            pending.yMin = std::min(pending.yMin, yLo);
            pending.yMax = std::max(pending.yMax, yHi);
            return;
        }
        flushVertical(pending, h, out);
        pending.active = true;
        pending.x = x;
        pending.yMin = yLo;
        pending.yMax = yHi;
    }

    /// The visible part of the segment from -> to (through out), given the
    /// region codes of its ends; nothing when it cannot cross the viewport.
    template <typename Emit>
    static void drawClipped(XYCanvas& canvas, QPoint from, QPoint to, int fromRegion, int toRegion, int w,
                            int h, Emit&& out)
    {
        if (fromRegion == 0 && toRegion == 0) {
            out(from, to);
        } else if (fromRegion == 0) {
            out(canvas.calculateCrossing(from, to, toRegion), from);
        } else if (toRegion == 0) {
            out(to, canvas.calculateCrossing(to, from, fromRegion));
        } else if (canvas.maybeIntersectsViewport(toRegion, fromRegion)) {
            const QPoint crossingFrom = canvas.calculateCrossing(to, from, fromRegion);
            const QPoint crossingTo = canvas.calculateCrossing(from, to, toRegion);
            if (crossingFrom.x() >= 0 && crossingFrom.x() <= w && crossingFrom.y() >= 0 && crossingFrom.y() <= h)
                out(crossingTo, crossingFrom);
        }
    }

private:
    using Isolation = XYCanvas::PointIsolation;

    /// What a parallel line carries from one point to the next.  It is a
    /// local of drawParallelLine(), handed to the steps by reference, not a
    /// set of members: the compiler may then keep it in registers across the
    /// painter's and the caches' calls, where members reached through this
    /// would be stored and read back around every such call.
    struct Trail
    {
        /// The last point drawn, in upward device pixels.
        QPoint prev;
        /// Its region code (0 inside the viewport).
        int prevRegion = 0;
        /// Whether there is such a point to join the next one to.
        bool hasPrev = false;
        /// Whether the look draws lines at the current point.
        bool lineShown = true;
        /// How the last point is joined to its neighbours (decides dashes).
        Isolation isolation;
        /// The pending vertical line of the current pixel column.
        XYCanvas::VerticalAccumulatedLine column;
    };

    /// Reads the values of an array in the drawing loop: plain double
    /// storage straight from memory (when allowed), other double storage
    /// without a virtual call, anything else through getValue().
    struct ValueReader
    {
        DataArray const* array;
        DataArrayTemplate<double> const* typed;
        double const* raw;

        ValueReader(DataArray const* array, bool direct);
        double operator()(int i) const
        {
            if (raw)
                return raw[i];
            if (typed)
                return typed->valueAt(i);
            return array->getValue(i);
        }
    };

    // Set-up, once per pass.
    void setUpGeometry();
    void setUpLook();

    // One of the parallel lines: its pen and predecessor, then its runs.
    void drawParallelLine(int line);
    void takePredecessor(Trail& t);
    int runEnd(int i) const;

    // The steps for one point.
    void drawPoint(Trail& t, int i, bool lookChanged, E_SYMBOL symbol);
    void skipUnusablePoint(Trail& t, int i);
    void notePoint(int i, QPoint p, int region, int viewportX, E_SYMBOL symbol);
    void joinToPrevious(Trail& t, int i, QPoint p, int region, bool lookChanged);
    void joinWithLine(Trail& t, int i, QPoint p, int region);
    void noteGap(Trail& t, int i);
    void drawBar(QPoint prev, QPoint p);

    // The per-column path for dense runs.
    void drawColumns(Trail& trail, int start, int stop);
    int columnEndByBlocks(int i, double boundary, int stop, double pointsPerPixel) const;
    void prefetchNextColumn(BlockMinMaxCache const* cache, int i, int j, int stop) const;
    void mergeColumn(Trail& t, int column, int i, int j, double lo, double hi);

    // The end of a pass.
    void endDash(Trail const& t);
    void closingLine();
    void handOver();

    // Conversions and output.
    bool convert(int i, QPoint& p) const;
    int logicalX(int i, QPoint p) const;
    int devicePixels(double logical) const;
    double pixelX(double x) const { return (x - minX) * xf; }
    double pixelY(double y) const { return yf * -(y - minY); }
    bool symbolShownAt(int i) const;
    E_SYMBOL effectiveSymbol(E_SYMBOL symbol) const;
    void emitLine(QPoint a, QPoint b);
    void emitColumnLine(QPoint a, QPoint b);
    void flushBatch();
    void dashAt(QPoint point) { emitLine(point, QPoint(point.x() + dashLength, point.y())); }
    void flushColumnLine(Trail& t);

    XYCanvas& canvas;
    QPainter* painter;
    XYDataSet* dataSet;
    Look* look;
    DataArray* xData;
    XYDataSetFilter* filter;
    XYDataSetDrawListener* listener;
    // Code outside the canvas that runs while drawing (a filter, a listener)
    // might change the arrays: only without it are values read straight
    // from the storage.
    bool foreignCode;
    ViewportMap<int>* map;
    /// Whether the map's items keep growing in index order (see XYCanvas::viewportMapLastEntries).
    int lastEntry;

    // Geometry: device pixels per logical pixel, the viewport in device
    // pixels and the world-to-device-pixel mapping.
    double ratio;
    bool scaled;
    int w;
    int h;
    double minX;
    double minY;
    double xf;
    double yf;
    ValueReader xs;
    ValueReader ys;

    // Points to draw and what the look asks of them.
    int first = 0;
    int last = -1;
    int ySize;
    int lineCount;
    int defaultThickness;
    bool colorBar;
    bool barMode;
    int minBarPixels;
    int maxBarPixels;
    int maxBarDataPixels = 0;
    double gapThreshold;
    bool gapsPossible;
    bool symbolsShown;
    int halfSymbol;
    bool fixedY;
    int logicalHeight;
    int fixedYLogical;
    int fixedYPixel;
    bool plainLook;
    bool markersWanted;
    int lastChange;
    int dashLength;
    bool columnPathAllowed;

    // The parallel line being drawn (what changes from point to point is
    // its Trail).
    int line = 0;
    int offset = 0;
    int logicalOffset = 0;
    QPen savedPen;
    bool penSaved = false;
    /// How the last point drawn is joined, handed to the next pass.
    Isolation isolation;

    // Lines go straight to the painter, or, on the per-column path, in
    // batches of one call each.
    static constexpr int kLineBatch = 256;
    QVarLengthArray<QLine, kLineBatch> batch;
    bool batching = false;
    /// On the per-column path with a pen of an even number of device pixels:
    /// half its width, by which the rectangle of a column's vertical line
    /// reaches either side of the column (0 when they are stroked as lines).
    int columnRectHalfWidth = 0;
    /// How far the pen's caps reach beyond a line's ends.
    int columnRectCap = 0;
    /// Where such a rectangle matches the stroked line: inside the device
    /// and the painter's clip, in upward device pixels.
    QRect columnRectArea;
    /// The pen's colour, which the rectangles are filled with.
    QColor columnRectColor;
    QVarLengthArray<QRect, kLineBatch> columnRects;
};

#endif
