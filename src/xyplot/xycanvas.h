#ifndef ZEBPLOT_XYCANVAS_H
#define ZEBPLOT_XYCANVAS_H

#include "zebplot_export.h"

#include "bounds.h"
#include "marker.h"
#include "plottypes.h"
#include "viewportmap.h"

#include <QFlags>
#include <QFrame>
#include <QHash>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QRegion>

#include <optional>

class QAbstractButton;
class QEnterEvent;
class QMouseEvent;
class QPainter;
class QPixmap;
class QRubberBand;
class QScrollBar;
class QWheelEvent;
class BlockMinMaxCache;
class DataSetPainter;
class XYAbstractGrid;
class XYDataSet;

/// The drawing surface of a plot.
///
/// The canvas maps world coordinates to pixels, keeps buffered data bounds and a
/// view that follows the data per direction (update policies), draws its data
/// sets incrementally on a cached background image, lets the user zoom, drag,
/// scroll and point at data, and draws line, band, ellipse and cross markers.
/// The lists of data sets and markers belong to the caller (normally XYPlot) and
/// are read at every drawing.
class ZEBPLOT_EXPORT XYCanvas : public QFrame
{
    Q_OBJECT
    // One drawing pass over a data set's points, with the pass's state.
    friend class DataSetPainter;

public:
    /// How the view of one direction follows changing data bounds.
    enum ViewBoundsUpdatePolicy {
        LockedViewBounds = 0,  ///< changes only through explicit calls
        ManualViewBounds = 1,  ///< stays, cut to the data range
        FollowViewBounds = 2,  ///< moves with growing data, newest points in sight
        FullViewBounds = 3     ///< equals the data bounds
    };
    Q_ENUM(ViewBoundsUpdatePolicy)

    /// Lines of the mouse cross-hair.
    enum Orientation {
        Horizontal = 1,  ///< the horizontal line through the mouse y
        Vertical = 2     ///< the vertical line through the mouse x
    };
    /// A combination of Orientation flags.
    Q_DECLARE_FLAGS(Orientations, Orientation)

    /// The data point under the mouse.
    struct datahit_t
    {
        XYDataSet* dataSet = nullptr;    ///< data set of the point; null when the mouse left the last point
        int index = 0;                   ///< index of the point; kept from the last hit when the mouse left it
        double fractionalIndex = 0.0;    ///< index as a double; -1 when nothing is hit
        double distance = 0.0;           ///< pixels between mouse and point; NaN when nothing is hit
        int mouseX = 0;                  ///< mouse x, widget pixels; -1 when not caused by a mouse event
        int mouseY = 0;                  ///< mouse y, widget pixels from the top; -1 when not caused by a mouse event
        double pointX = 0.0;             ///< pixel x of the point; NaN when nothing is hit
        double pointY = 0.0;             ///< pixel y of the point, from the top; NaN when nothing is hit
        XYCanvas* canvas = nullptr;      ///< the canvas that made the hit
    };

    /// The lists (and what they point to) stay the caller's and must outlive the canvas; they are read
    /// at every drawing, in list order.  skipBackwardLines: no line is drawn to a point left of its
    /// predecessor.  All bounds start NaN: nothing is drawn meaningfully before the first updateBounds()
    /// or setBounds().
    XYCanvas(QList<XYDataSet*>* dataSets, QList<Marker_t*>* markers, QList<EllipseMarker_t*>* ellipseMarkers,
             QList<CrossMarker_t*>* crossMarkers, QList<BandMarker_t*>* bandMarkers, bool skipBackwardLines,
             QWidget* parent);
    /// Deletes what the canvas owns (background image, hit-test maps, mouse and time markers); not the lists.
    ~XYCanvas() override;

    // ---- view model -------------------------------------------------------
    /// Resets the whole view model: bounds NaN, policies Follow (x) and Full (y), buffers 10 %,
    /// margins 0, initial data bounds x 0..30000 and y 0..1, zoom limits 0; emits the zoom-button signals.
    void initializeViewTransform();
    /// Recomputes the world-to-pixel factors from the view bounds and viewport; NaN for a zero or NaN extent.
    void computeFactors();

    /// Converts between world units and pixels relative to the viewport's top-left corner (logical
    /// pixels, not rounded).  upwards: y pixels count from the bottom edge (drawing); otherwise from
    /// the top (mouse positions).  NaN while the view or the viewport is not set.
    ///@{
    double convertXWorldToViewport(double x) const;
    double convertXViewportToWorld(double px) const;
    double convertYWorldToViewport(double y, bool upwards) const;
    double convertYViewportToWorld(double py, bool upwards) const;
    ///@}
    /// Pixel position of one point, rounded; a look with a fixed y position gives its fixed row.
    /// ok is false when a coordinate is NaN (gap, no view).  index must lie within both arrays.
    QPoint convertDataPointToViewport(XYDataSet* dataSet, int index, bool& ok, bool upwards) const;

    /// The buffered data bounds: the world range the view may show, ahead of growing data by the
    /// extension buffers.  NaN before the first updateBounds().
    Bounds getDataBounds() const;
    /// The exact extremes of all data sets and custom bounds vectors as of the last bounds calculation.
    Bounds getStrictDataBounds() const;
    /// Bounds used for a direction without data, and the least extent of the buffered bounds.
    Bounds getInitialDataBounds() const;
    /// Stores only; takes effect at the next updateBounds().
    void setInitialDataBounds(Bounds const& bounds);
    /// Fixes the data bounds for the lifetime of the canvas (the data no longer move them) and moves
    /// the view by the policies; emits at once.
    void setFixedDataBounds(Bounds const& bounds);
    /// New buffered data bounds from the data, starting from the current ones (fromCurrent) or from
    /// scratch; updates the strict bounds but applies nothing.
    Bounds calculateDataBounds(bool fromCurrent);
    /// The exact bounds of all data sets (without custom vectors); stores nothing.
    Bounds calculateStrictDataBounds();
    /// The bounds of the newest point of every data set; NaN when there is none.
    Bounds calculateLastDataPointsBounds();
    /// bounds widened by every non-NaN value of the custom bounds vectors.
    Bounds extendWithCustomDataBounds(Bounds const& bounds) const;
    /// Widens bounds ahead of the strict data by the extension buffer, shrinks them back once the data
    /// drew away by more than the shrink threshold, and keeps at least the initial extent and the zoom limit.
    void applyBufferingToDataBounds(Bounds::Direction direction, Bounds& bounds);
    /// Values (y or x) that must stay inside the data bounds, such as threshold lines.  The list is
    /// the caller's, must outlive the canvas and is read at every bounds calculation.
    ///@{
    void addCustomVerticalDataBoundsVector(QList<double>* values);
    void addCustomHorizontalDataBoundsVector(QList<double>* values);
    ///@}
    /// How far the data bounds jump ahead of growing data, per side: the larger of the absolute
    /// value (world units, 0 by default) and the relative one times the data extent (0.1 by default).
    /// Takes effect at the next updateBounds().
    void setExtensionBufferParameters(double absHorizontalMin, double absHorizontalMax, double absVerticalMin,
                                      double absVerticalMax, double relHorizontalMin, double relHorizontalMax,
                                      double relVerticalMin, double relVerticalMax);
    /// The two parameters of one side; an unknown side leaves both outputs untouched.
    void getExtensionBufferParameters(Bounds::Direction direction, Bounds::End end, double& absolute,
                                      double& relative) const;
    /// Buffer of one side in world units: max(relative x strict extent, absolute).
    double getExtensionBuffer(Bounds::Direction direction, Bounds::End end) const;
    /// How far data must draw away from a limit before the bounds shrink; equals getExtensionBuffer().
    double getShrinkThreshold(Bounds::Direction direction, Bounds::End end) const;
    /// For recorded (not live) data: no horizontal buffer and horizontal initial bounds 0..1000, so
    /// the x range fits the data exactly.
    void adaptExtensionBufferParametersAndInitialDataBoundForOfflineTimePlots();
    /// Pixels kept free beside the data (left, right, bottom, top; 0 by default), so that extreme
    /// points and symbols are not cut at the edge.  Takes effect at the next updateBounds().
    void setViewportMargin(int horizontalMin, int horizontalMax, int verticalMin, int verticalMax);
    /// Margin of one side in pixels; 0 for an unknown side.
    double getViewportMargin(Bounds::Direction direction, Bounds::End end) const;
    /// The margin of one side converted to world units at the current scale (dataExtent when the
    /// view is not usable); 0 without margin.
    double determineViewPortMarginInDataCoordinates(Bounds::Direction direction, Bounds::End end,
                                                    double dataExtent) const;
    /// The zoom limit of a direction in world units.
    double getZoomLimitMinimumExtent(Bounds::Direction direction) const;
    /// Default gap in x above which points are not joined (NaN: never a gap);
    /// a Look's own non-negative threshold takes precedence.
    ///@{
    void setHorizontalDisconnectionThreshold(double threshold);
    double getHorizontalDisconnectionThreshold() const;
    ///@}
    /// Smallest view extent zooming leaves, in world units (0 by default).
    /// Zooming never goes below what doubles resolve at the view's position
    /// (1e-12 of it) either, so that 0 means "as far as that", not a view of
    /// zero width.
    ///@{
    void setHorizontalZoomLimit(double limit);
    void setVerticalZoomLimit(double limit);
    ///@}

    /// Recomputes the data bounds and moves the view by the update policies; call it after appending.
    /// Emits dataBoundsChanged() and viewBoundsChanged() for what changed; a view change marks a full
    /// redraw at the next paint.
    void updateBounds();
    /// The single place where data and view bounds change.  A changed view recomputes the factors,
    /// hides the mouse markers and schedules a full redraw; changed bounds update scroll bars and
    /// zoom buttons.  emitNow false defers the change signals to a later call (or emitPendingEmits()).
    void setBounds(Bounds const& data, Bounds const& view, bool emitNow);
    /// Shows view (world units) without touching the data bounds or the policies.
    void setViewBounds(Bounds const& view, bool emitNow);
    /// The world rectangle shown; NaN limits before the first bounds update.
    Bounds getViewBounds() const;
    /// The view at the last viewBoundsChanged(); while that signal is delivered, still the one before.
    Bounds getPreviouslyEmittedViewBounds() const;
    /// True while a view change made by the update policy (not the user) is applied.
    bool viewBoundsChangeCausedByPolicy() const;
    /// The view the policies would give for new data bounds; applies nothing.
    Bounds calculateUpdatedViewBounds(Bounds const& newData);
    /// Applies the policy of one direction to view.  May switch a Manual policy to Full (signalled)
    /// when the data moved away from the view.
    void calculateUpdatedViewBounds(Bounds::Direction direction, Bounds const& newData, Bounds& view);
    /// The Follow rule: the view moves with the growing end and keeps the newest point a tenth of the
    /// view inside its edge.
    void calculateFollowPolicyUpdatedViewBounds(Bounds::Direction direction, Bounds const& newData, Bounds& view);
    /// The update policy of a direction (Follow for x, Full for y at first).
    ///@{
    ViewBoundsUpdatePolicy getViewBoundsUpdatePolicy(Bounds::Direction direction) const;
    ViewBoundsUpdatePolicy getHorizontalViewBoundsUpdatePolicy() const;
    ViewBoundsUpdatePolicy getVerticalViewBoundsUpdatePolicy() const;
    ///@}
    /// Changes a direction's policy; with recalculate, applies the view it gives at once.  Then emits
    /// the direction's policy-changed signal.  Setting the current policy does nothing.
    ///@{
    void setViewBoundsUpdatePolicy(Bounds::Direction direction, ViewBoundsUpdatePolicy policy, bool recalculate);
    void setHorizontalViewBoundsUpdatePolicy(ViewBoundsUpdatePolicy policy, bool recalculate);
    void setVerticalViewBoundsUpdatePolicy(ViewBoundsUpdatePolicy policy, bool recalculate);
    ///@}
    /// Whether scrolling or dragging to that end of the data resumes FollowViewBounds (only the upper
    /// x end by default).
    ///@{
    bool isAutoFollowMax(Bounds::Direction direction) const;
    bool isAutoFollowMin(Bounds::Direction direction) const;
    ///@}
    /// Emits the deferred dataBoundsChanged(), then viewBoundsChanged(), if pending.
    void emitPendingEmits();
    /// Emits dataBoundsChanged(), both policy signals and viewBoundsChanged() unconditionally, so that
    /// a newly connected receiver (a synchronizer) learns the current state.
    void forceEmitViewTransformSignals();

    // ---- drawing ----------------------------------------------------------
    /// Paints the whole picture: the cached background (rebuilt first when a full redraw is due or
    /// the size changed; a full redraw may stop after 250 ms and continue from the event loop),
    /// then the foreground band, line, ellipse and cross markers.
    void drawCanvas(QPainter* painter);
    /// Draws the canvas as drawCanvas(QPainter*) does, with the cached
    /// background made at devicePixelRatio device pixels per logical pixel
    /// instead of the ratio of the painter's device: the way to draw a sharp
    /// plot area onto a device that does not state its resolution (a printer,
    /// a vector file) or at a resolution chosen for an exported figure.  The
    /// painter works in logical pixels; the canvas keeps the background at this
    /// ratio until a later drawing asks for another one.
    void drawCanvas(QPainter* painter, qreal devicePixelRatio);
    /// Device pixels per logical pixel of the cached background (1 before the
    /// first drawing).
    qreal getBackgroundDevicePixelRatio() const;
    /// Draws the whole canvas as it would look target.size() large (grids,
    /// markers, colour bars, data) straight onto the painter, into target
    /// given in the device's coordinates, without going through the cached
    /// background image: on a vector device (PDF, SVG, printer) curves stay
    /// paths and texts stay texts; grid lines, data and markers are cut at
    /// target's edges by geometry, since such a device may ignore clipping
    /// (an SVG file has none).  Dense data are reduced per column of the
    /// target as on screen.  Draws to the end whatever it takes; the widget
    /// repaints itself completely at its next paint.  columnsPerPixel > 0
    /// reduces dense data to that many columns per logical pixel (a vector
    /// file's resolution, e.g. its dpi / 96) instead of the device pixel ratio
    /// of the painter's device.
    void drawCanvasOnto(QPainter* painter, QRect target, qreal columnsPerPixel = 0);
    /// A new pixmap of the viewport size with the background painted; the caller deletes it.
    QPixmap* drawBackgroundPixmap();
    /// White area, grids, background markers, colour-bar grooves and all data sets.
    void paintBackground(QPainter* painter);
    /// Draws every visible data set with usable y values; without fullRedraw only the points appended
    /// since the last drawing, continuing lines where they stopped.
    void drawDataSets(QPainter* painter, bool fullRedraw);
    /// Draws one data set's points from getPointsToBeDrawn(): lines, symbols, colour bars, merged pixel
    /// columns, gaps; feeds its hit-test map, filter and draw listener.
    void drawDataSet(QPainter* painter, XYDataSet* dataSet);
    /// Rebuilds the background at the next paint (schedules one); use after changing looks or markers.
    void fullRepaint();
    /// Sets the grid of horizontal lines (HORIZONTAL) or vertical lines (any other value); not owned.
    /// Marks a full redraw; repaints only when update is true.  The grids also format mouseMoved() texts.
    void setGrid(E_ORIENTATION_TYPE orientation, XYAbstractGrid* grid, bool update);
    /// The grid set for that orientation, null if none.
    XYAbstractGrid* getGrid(E_ORIENTATION_TYPE orientation) const;
    /// true: full redraws ignore the 250 ms budget and finish in one go (rendering to a pixmap).
    void setContinueBackgroundDrawingUntilFinished(bool continueUntilFinished);
    /// Lets only the next full redraw ignore the 250 ms budget.
    void setContinueBackgroundDrawingUntilFinishedForNextFullRedraw();
    /// Sets the painter's pen for the point at index of one of the parallel lines: the look's colour,
    /// style and thickness (at least 1, times the width factor of the render settings).  Returns
    /// whether lines are drawn for it (false for Qt::NoPen, when the pen only colours symbols).
    bool setDataSetLook(XYDataSet* dataSet, QPainter* painter, int index, int lineIndex);
    /// Region code of a pixel (upward y) relative to the viewport: 0 inside, 1..8 around it.
    int outsideClip(QPoint point);
    /// Whether a segment between two outside regions can cross the viewport.
    bool maybeIntersectsViewport(int regionA, int regionB) const;
    /// Where the line through point and other meets the viewport edge of region (rounded pixels).
    QPoint calculateCrossing(QPoint point, QPoint other, int region);
    /// Draws the part of a segment inside the viewport (endpoints in upward pixels with their regions).
    void drawLine(QPainter* painter, QPoint from, QPoint to, int fromRegion, int toRegion);
    /// Draws a symbol of halfSize pixels at point with the current pen; symbols 0 and above 10 draw nothing.
    void drawSymbol(QPoint point, E_SYMBOL symbol, int halfSize, QPainter* painter);
    /// Merges a vertical segment into the pending line of pixel column x, flushing the pending one
    /// when it does not join: thousands of points in one column cost one line.
    void addVerticalAccumulatedLine(int x, int y1, int y2, QPainter* painter);
    /// Draws the pending column line, if any, and clears it.
    void flushVerticalAccumulatedLine(QPainter* painter);
    /// Forgets the pending column line without drawing it.
    void clearVerticalAccumulatedLine();
    /// Last index drawn per data set (-1 when none), where incremental drawing resumes.
    ///@{
    int getLastProcessedIndex(XYDataSet const* dataSet) const;
    void setLastProcessedIndex(XYDataSet const* dataSet, int index);
    void clearLastProcessedIndices();
    ///@}
    /// Whether the last drawn point was joined to its predecessor (0), not joined (1, the default) or
    /// in a run of unjoined points (2); decides where dashes keep unjoined points visible.  Values
    /// outside 0..2 are taken as the nearest of them.
    ///@{
    int getLastProcessedPointDegreeOfIsolation(XYDataSet const* dataSet) const;
    void setLastProcessedPointDegreeOfIsolation(XYDataSet const* dataSet, int isolation);
    void clearLastProcessedPointDegreeOfIsolation();
    ///@}
    /// The index range to draw: from after the last processed index to the end, cut to the view (plus
    /// one point on either side, for the lines leaving it) when x is non-decreasing.
    void getPointsToBeDrawn(XYDataSet* dataSet, int& first, int& last);
    /// Half the look's symbol size, in pixels.
    int getSymbolFactor(XYDataSet* dataSet);
    /// The data set's hit-test map, created (viewport size, 20 x 20 cells, radius 5) on first use;
    /// owned by the canvas.
    ViewportMap<int>* getViewportMap(XYDataSet* dataSet);
    /// Whether the data set takes part in hit tests (setMouseOverDataTrackingEnabled(), else the default).
    bool isMouseOverDataTrackingEnabled(XYDataSet* dataSet);
    /// Deletes all hit-test maps; they are refilled by the next drawing.
    void clearViewportMaps();
    /// Calls clearCache() on every data set's filter (before a full redraw).
    void clearDataSetFilterCaches();
    /// Draws the groove of every visible colour-bar data set.
    void drawColorBarBackgrounds(QPainter* painter);
    /// The painter viewport of the last full redraw (logical pixels); null before the first paint.
    QRect getViewport() const;
    /// Whether the background will be rebuilt at the next paint.
    bool isFullRedrawNeeded() const;

    // ---- navigation -------------------------------------------------------
    /// Halves the view extent (not below the zoom limit): about the centre, or towards the followed
    /// end while following it.  A policy other than Follow becomes Manual.
    void zoomIn(Bounds::Direction direction, bool emitNow);
    /// Doubles the view extent, kept inside the data bounds; reaching all of them switches to Full.
    void zoomOut(Bounds::Direction direction, bool emitNow);
    /// Shows the whole data range of a direction and sets its policy to Full.
    void zoomFull(Bounds::Direction direction, bool emitNow);
    /// Shows min..max (world units) cut to the data bounds (NaN limits when outside them or when min or
    /// max is NaN), widened to the zoom limit; policy Manual.  A Locked direction is left alone.
    void zoomTo(Bounds::Direction direction, double min, double max, bool emitNow);
    /// zoomTo() of one direction, emitting at once.
    ///@{
    void zoomToHorizontal(double min, double max);
    void zoomToVertical(double min, double max);
    ///@}
    /// zoomTo() of both directions; emits once.
    void zoomTo(Bounds const& bounds);
    /// Shifts the view by delta world units, kept inside the data.  Only Manual and Follow views move;
    /// ending at a followed end gives Follow, elsewhere Manual.
    void dragViewBounds(Bounds::Direction direction, double delta, bool emitNow);
    /// Drags both directions (world units); emits once.
    void dragViewBounds(double dx, double dy);
    /// Attaches a scroll bar (not owned) that shows and moves the view within the data bounds; may be
    /// called once per direction (a second call fails an assertion).
    ///@{
    void setHorizontalScrollBar(QScrollBar* scrollBar);
    void setVerticalScrollBar(QScrollBar* scrollBar);
    ///@}
    /// The attached scroll bar; null when none.
    ///@{
    QScrollBar* getHorizontalScrollBar();
    QScrollBar* getVerticalScrollBar();
    QScrollBar* getScrollBar(Bounds::Direction direction);
    ///@}
    /// Writes range, value, page step and enablement of the attached scroll bars from the bounds.
    ///@{
    void setScrollBarState(Bounds::Direction direction);
    void setScrollBarStates();
    ///@}
    /// Moves the view to the scroll bar's position; at a followed end the policy becomes Follow,
    /// elsewhere a Follow view becomes Manual.  Emits at once.
    void reflectScrollBarState(Bounds::Direction direction);
    /// Which zoom actions would change the view of a direction now.
    void determineZoomButtonsEnablement(Bounds::Direction direction, bool& zoomIn, bool& zoomOut, bool& zoomFull);
    /// Emits all seven zoom-enablement signals with the current values.
    void configureZoomButtonsEnablement();
    /// Connects a button (not owned) so that clicking it runs the matching zoom slot and its
    /// enablement follows the matching signal.
    ///@{
    void connectAsZoomInHorizontalButton(QAbstractButton* button);
    void connectAsZoomInVerticalButton(QAbstractButton* button);
    void connectAsZoomOutHorizontalButton(QAbstractButton* button);
    void connectAsZoomOutVerticalButton(QAbstractButton* button);
    void connectAsZoomFullHorizontalButton(QAbstractButton* button);
    void connectAsZoomFullVerticalButton(QAbstractButton* button);
    void connectAsZoomFullBothButton(QAbstractButton* button);
    ///@}

    // ---- mouse ------------------------------------------------------------
    /// The drawn point nearest to (x, y) (widget pixels, y downwards) within maxDistance pixels, of one
    /// data set or of all tracked ones (ties keep the earlier); a colour bar is hit along its thickness.
    /// Only points drawn while tracking was on are found.  False when there is none.
    ///@{
    bool dataHitTest(XYDataSet* dataSet, int x, int y, XYCanvas::datahit_t& hit, int maxDistance);
    bool dataHitTest(int x, int y, XYCanvas::datahit_t& hit, int maxDistance);
    ///@}
    /// Hit test within 10 pixels at a mouse event; emits mouseOverData(datahit_t, QMouseEvent*) on a
    /// hit, and once with a null dataSet when the mouse leaves the last point hit.
    void dataHitTestAndEmit(QEvent* event);
    /// Tracking for data sets without their own setting (off by default).  Takes effect with the next full redraw.
    void setDefaultMouseOverDataTrackingEnabled(bool enabled);
    /// Whether dataSet's points are entered into a hit-test map while drawn (costs memory per drawn
    /// point).  Takes effect with the next full redraw.
    void setMouseOverDataTrackingEnabled(XYDataSet* dataSet, bool enabled);
    /// The grey cross-hair lines that follow this canvas's mouse; repaints.
    ///@{
    void enableMouseMarkers(QFlags<XYCanvas::Orientation> orientations);
    void disableMouseMarkers();
    ///@}
    /// The cross-hair lines shown here for the mouse position on another canvas; repaints.
    ///@{
    void enableInterplotMouseMarkers(QFlags<XYCanvas::Orientation> orientations);
    void disableInterplotMouseMarkers();
    ///@}
    /// The canvases (not owned) that mirror this canvas's mouse position; this canvas itself is skipped.
    void setXYCanvassesForInterplotMouseMarkers(QList<XYCanvas*> canvases);
    /// Creates the two cross-hair marker records if missing.
    void ensureMouseMarkers();
    /// Moves the cross-hair to (x, y) in world units and shows it (repainting when its lines are
    /// enabled); when not fromOtherCanvas, also mirrors it to the interplot canvases.
    void updateMouseMarkers(double x, double y, bool fromOtherCanvas);
    /// Hides the cross-hair (the mouse left) here and, when not fromOtherCanvas, on the interplot canvases.
    void mouseMarkerMouseLeave(bool fromOtherCanvas);
    /// The red vertical current-time line (2 pixels) at an x value in world units; each call repaints
    /// except ensure, which only creates the record.
    ///@{
    void enableCurrentTimeMarker();
    void disableCurrentTimeMarker();
    void ensureCurrentTimeMarker();
    void updateCurrentTimeMarker(double x);
    ///@}
    /// The two blue vertical lines (2 pixels) that mark an interval start and stop, in world x units;
    /// each call repaints except ensure, which only creates the records.
    ///@{
    void enableIntervalTimeMarker();
    void disableIntervalTimeMarker();
    void ensureIntervalTimeMarker();
    void updateIntervalStartTimeMarker(double x);
    void updateIntervalStopTimeMarker(double x);
    ///@}
    /// Decimals for a coordinate read-out over a view extent: 0 above 100, 1 up to 100, 2 up to 10, 3
    /// up to 1; 0 for NaN.
    int getDecimalPlaces(double extent);
    /// The last successful hit (dataSet null once the mouse left it).
    XYCanvas::datahit_t getLastDataHit() const;
    /// True while the cross-hair is not shown (mouse outside).
    bool areMouseMarkersHidden() const;

    // ---- markers ----------------------------------------------------------
    /// Draws the line markers of one layer: the host's (the first one's label above its line), those
    /// generated from data, and the cross-hair and time markers of that layer.
    void drawMarkers(E_MARKER_TYPE type, QPainter* painter);
    /// Draws one line marker; isFirst writes its label above the line instead of below.
    void drawMarker(Marker_t marker, QPainter* painter, bool isFirst);
    /// Draws the band markers of one layer, moving overlapping labels apart.
    void drawBandMarkers(E_MARKER_TYPE type, QPainter* painter);
    /// Draw all ellipse or cross markers (always foreground).
    ///@{
    void drawEllipsoidalMarkers(QPainter* painter);
    void drawCrossMarkers(QPainter* painter);
    ///@}
    /// Markers generated while drawing (at y changes, Look::setDrawMarkerOnYValueChange()); owned by the canvas.
    QList<Marker_t> getDataSetMarkers() const;

signals:
    /// The mouse position formatted by the grids (while textual coordinates are on, the default);
    /// two empty strings when the mouse leaves.
    void mouseMoved(QString xLabel, QString yLabel);
    /// The mouse position in world units (only while enableSendingMouseCoords(true)).
    void mouseCoords(double, double);
    /// Declared for receivers; the canvas does not emit it (see the datahit_t overload).
    void mouseOverData(XYDataSet* dataSet, int index, double distance, QMouseEvent* event);
    /// The buffered data bounds changed (emitted before viewBoundsChanged() when both are pending).
    void dataBoundsChanged();
    /// The view changed; emitted after the canvas state is complete.  viewBoundsChangeCausedByPolicy()
    /// tells data following from user navigation.
    void viewBoundsChanged();
    /// A direction's update policy changed.
    ///@{
    void horizontalViewBoundsUpdatePolicyChanged();
    void verticalViewBoundsUpdatePolicyChanged();
    ///@}
    /// Whether the matching zoom action would change the view; emitted whenever bounds change.
    ///@{
    void zoomInHorizontalEnabled(bool enabled);
    void zoomInVerticalEnabled(bool);
    void zoomOutHorizontalEnabled(bool);
    void zoomOutVerticalEnabled(bool);
    void zoomFullHorizontalEnabled(bool);
    void zoomFullVerticalEnabled(bool);
    void zoomFullBothEnabled(bool);
    ///@}
    /// The point under the mouse (tracked data sets only), at every mouse event over it, and once with
    /// a null dataSet when the mouse leaves it (event null when not caused by a mouse event).
    void mouseOverData(XYCanvas::datahit_t, QMouseEvent*);

public slots:
    /// Draws the points appended since the last drawing onto the cached background (unless a full redraw
    /// is due) and schedules a repaint.  Cheap: call it for each batch of streamed samples.
    void drawNewPointsOnBackGround();
    /// Whether a line joins each data set's first and last point (closed curves); off by default.
    void setConnectFirstLast(bool connect);
    /// Sets the cursor and the left-button mode: Qt::CrossCursor zooms with a rubber band,
    /// Qt::OpenHandCursor pans.
    void changeCursor(Qt::CursorShape cursor);
    /// Whether mouse moves emit mouseCoords() (off by default).
    void enableSendingMouseCoords(bool enable);
    /// Whether mouse moves emit mouseMoved() (on by default).
    void enableSendingTextualMouseCoords(bool enable);
    /// Follows the scroll bar that sent valueChanged(); ignored while the canvas sets it itself.
    void reflectScrollBarState();
    /// Button slots: zoomIn(), zoomOut() or zoomFull() of one or both directions, emitting once.
    ///@{
    void zoomInBoth();
    void zoomInHorizontal();
    void zoomInVertical();
    void zoomOutBoth();
    void zoomOutHorizontal();
    void zoomOutVertical();
    void zoomFull();
    void zoomFullHorizontal();
    void zoomFullVertical();
    ///@}

protected:
    /// Mouse, wheel, enter/leave and paint handling: rubber-band zoom or panning with the left button,
    /// wheel zoom, coordinate and hit-test signals, cross-hair markers.
    ///@{
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    ///@}
    /// Keeps the application override cursor (set while the mouse is over the canvas) equal to the widget cursor.
    void cursorChangeEvent(QEvent* event);

    /// How the last drawn point of a data set stands to the points before it; kept between
    /// incremental drawings because it decides where a dash keeps an unjoined point visible.
    enum class PointIsolation {
        /// Joined by a line to its predecessor: its line keeps it visible.
        Joined = 0,
        /// Joined to nothing before it (also the start of a drawing): a dash marks it when the
        /// point after it is not joined to it either.
        Unjoined = 1,
        /// Follows a gap that came right after another unjoined point, which got its dash.
        UnjoinedRun = 2,
    };
    /// The isolation of the data set's last drawn point (Unjoined before the first drawing).
    PointIsolation pointIsolation(XYDataSet const* dataSet) const;
    /// Keeps the isolation of the data set's last drawn point for the next incremental drawing.
    void setPointIsolation(XYDataSet const* dataSet, PointIsolation isolation);

    /// The pending vertical line of one pixel column.
    struct VerticalAccumulatedLine
    {
        bool active = false;   ///< a line is pending
        int x = 0;             ///< its pixel column
        int yMin = 0;          ///< its lowest pixel row (upward)
        int yMax = 0;          ///< its highest pixel row (upward)
    };

    /// Setting a policy from navigation or data following: stores it and
    /// signals only when it changes.
    void changePolicy(Bounds::Direction direction, ViewBoundsUpdatePolicy policy);
    /// The viewport in the pixels the data are drawn in: device pixels while
    /// data are drawn, logical pixels otherwise.
    QSize drawingSize() const;
    /// The part of the canvas (logical pixels) that drawing the points not yet
    /// drawn will change, widened by pen, symbol and colour-bar extents; none
    /// when it cannot be told cheaply (many new points, a closing line, an
    /// unusable view), and the whole canvas must be repainted.
    std::optional<QRegion> newPointsArea();
    /// A summary of everything painted over the cached background (markers,
    /// cross-hair, time markers, ellipses, bands): a repaint of only the new
    /// points' area is correct only while it equals the one last painted.
    size_t foregroundFingerprint() const;
    /// The per-block extremes of the data set's y values, brought up to date.
    BlockMinMaxCache* getExtremaCache(XYDataSet* dataSet);
    /// Deletes the extremes of data sets no longer in the list.
    void dropUnusedExtremaCaches();
    /// The buffering of applyBufferingToDataBounds() around the strict bounds, on bounds lo..hi (NaN: none
    /// yet); false, leaving them, when the strict bounds or the margins are NaN.
    bool bufferAroundStrictBounds(Bounds::Direction direction, double& lo, double& hi) const;
    /// The steps the time-marker calls share: create a marker record (not drawn until enabled), set an
    /// enabled flag, place a marker at x in world units; the last two repaint.
    ///@{
    static void ensureTimeMarker(Marker_t*& marker, QColor const& color);
    void setTimeMarkerEnabled(bool& flag, bool enabled);
    void moveTimeMarker(Marker_t* marker, double x);
    ///@}
    /// The hit test over a cell whose points are listed in index order with
    /// non-decreasing x: the list position of the nearest acceptable
    /// candidate (-1: none), its pixel and distance.  False when the cell or
    /// the data do not allow it; the caller then visits every candidate.
    bool nearestCandidateByColumns(XYDataSet* dataSet, QList<int> const& candidates, int x, int y, int maxDistance,
                                   int& position, QPoint& point, double& distance);

    /// Grids (not owned) and the world-to-pixel factors: pixels per x unit, negative pixels per y
    /// unit, and their reciprocals; NaN for a zero or NaN view extent.
    ///@{
    XYAbstractGrid* horizontalGrid = nullptr;
    XYAbstractGrid* verticalGrid = nullptr;
    double xFactor;
    double xInverseFactor;
    double yFactor;
    double yInverseFactor;
    ///@}
    /// The caller's lists read at every drawing, and the markers generated from data (owned).
    ///@{
    QList<XYDataSet*>* dataSets;
    QList<Marker_t*>* markers;
    QList<Marker_t> dataSetMarkers;
    QList<EllipseMarker_t*>* ellipseMarkers;
    QList<CrossMarker_t*>* crossMarkers;
    QList<BandMarker_t*>* bandMarkers;
    ///@}
    /// Drawing state: viewport of the last full redraw, the cached background (owned) and whether it
    /// must be rebuilt, and the drawing options above.
    ///@{
    QRect viewport;
    bool fullRedrawNeeded = true;
    QPixmap* backgroundPixmap = nullptr;
    /// While a paint event repaints only part of the canvas: that part, to
    /// copy from the background instead of the whole image.
    QRegion partialPaintRegion;
    /// foregroundFingerprint() of the last paint event.
    size_t paintedForeground = 0;
    /// Device pixels per logical pixel of backgroundPixmap.
    qreal backgroundRatio = 1.0;
    /// Device pixels per logical pixel of the data drawing under way: the data
    /// are drawn in device pixels, everything else in logical pixels.
    qreal drawingRatio = 1.0;
    // Set by drawCanvasOnto for a device whose resolution is not its pixel
    // ratio (a vector file): the columns per logical pixel to draw data in.
    qreal outputColumnsPerPixel = 0;
    bool skipBackwardLines;
    bool connectFirstLast = false;
    bool continueBackgroundDrawingUntilFinished = false;
    bool continueUntilFinishedForNextFullRedraw = false;
    ///@}
    /// The view model behind the getters and setters above.  The four-element arrays are indexed
    /// (Horizontal, Min), (Horizontal, Max), (Vertical, Min), (Vertical, Max); autoFollow arrays by direction.
    ///@{
    Bounds dataBounds;
    Bounds strictDataBounds;
    bool fixedDataBounds = false;
    Bounds initialDataBounds;
    bool dataBoundsChangePending = false;
    double extensionBufferAbsolute[4];
    double extensionBufferRelative[4];
    double viewportMargin[4];
    QList<QList<double>*> customVerticalDataBoundsVectors;
    QList<QList<double>*> customHorizontalDataBoundsVectors;
    Bounds viewBounds;
    Bounds previouslyEmittedViewBounds;
    bool viewBoundsChangePending = false;
    bool changeCausedByPolicy = false;
    ViewBoundsUpdatePolicy horizontalPolicy = FollowViewBounds;
    ViewBoundsUpdatePolicy verticalPolicy = FullViewBounds;
    bool autoFollowMax[2] = {true, false};
    bool autoFollowMin[2] = {false, false};
    QScrollBar* horizontalScrollBar = nullptr;
    QScrollBar* verticalScrollBar = nullptr;
    bool settingScrollBarState = false;
    double horizontalZoomLimit = 0.0;
    double verticalZoomLimit = 0.0;
    double horizontalDisconnectionThreshold;
    ///@}

    // incremental drawing and hit testing
    /// Incremental drawing and hit testing: per data set the last drawn index and its isolation, the
    /// pending column line, tracking switches, and the hit-test maps (owned).
    ///@{
    QHash<XYDataSet const*, int> lastProcessedIndex;
    QHash<XYDataSet const*, PointIsolation> lastProcessedPointDegreeOfIsolation;
    VerticalAccumulatedLine verticalAccumulatedLine;
    QHash<XYDataSet*, bool> mouseOverDataTracking;
    bool defaultMouseOverDataTracking = false;
    QHash<XYDataSet*, ViewportMap<int>*> viewportMaps;
    ///@}
    /// Per data set with a map: the last index entered into it, or
    /// kEntriesUnordered once an index was entered that was not larger than
    /// the one before (several parallel lines).  While the items grow in index
    /// order, each cell lists them sorted, which the hit test relies on to
    /// look only at the points near the mouse.
    QHash<XYDataSet const*, int> viewportMapLastEntries;
    /// viewportMapLastEntries value once a map's items stopped growing in index order.
    static constexpr int kEntriesUnordered = -2;
    /// Per data set the block extremes of its y values (owned), for merging pixel columns fast.
    QHash<XYDataSet const*, BlockMinMaxCache*> extremaCaches;

    // mouse interaction
    /// Mouse interaction state: rubber band (owned), panning, which signals are sent, the last hit,
    /// the cross-hair and time markers (owned, created on first use) and the interplot canvases (not owned).
    ///@{
    QPoint rubberBandOrigin;
    QRubberBand* rubberBand = nullptr;
    bool movedSincePress = false;
    QPoint panPosition;
    bool sendMouseCoords = false;
    bool sendTextualMouseCoords = true;
    bool overrideCursorActive = false;
    datahit_t lastDataHit;
    QFlags<Orientation> mouseMarkerOrientations;
    QFlags<Orientation> interplotMouseMarkerOrientations;
    QList<XYCanvas*> interplotCanvases;
    bool mouseMarkersFromOtherCanvas = false;
    bool mouseMarkersHidden = true;
    Marker_t* horizontalMouseMarker = nullptr;
    Marker_t* verticalMouseMarker = nullptr;
    bool currentTimeMarkerEnabled = false;
    bool intervalTimeMarkerEnabled = false;
    Marker_t* currentTimeMarker = nullptr;
    Marker_t* intervalStartTimeMarker = nullptr;
    Marker_t* intervalStopTimeMarker = nullptr;
    ///@}
};

Q_DECLARE_OPERATORS_FOR_FLAGS(XYCanvas::Orientations)
Q_DECLARE_METATYPE(XYCanvas::datahit_t)

#endif
