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

class QAbstractButton;
class QEnterEvent;
class QMouseEvent;
class QPainter;
class QPixmap;
class QRubberBand;
class QScrollBar;
class QWheelEvent;
class BlockMinMaxCache;
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
    Q_DECLARE_FLAGS(Orientations, Orientation)

    /// The data point under the mouse.
    struct datahit_t
    {
        XYDataSet* dataSet = nullptr;
        int index = 0;
        double fractionalIndex = 0.0;
        double distance = 0.0;
        int mouseX = 0;
        int mouseY = 0;
        double pointX = 0.0;
        double pointY = 0.0;
        XYCanvas* canvas = nullptr;
    };

    XYCanvas(QList<XYDataSet*>* dataSets, QList<Marker_t*>* markers, QList<EllipseMarker_t*>* ellipseMarkers,
             QList<CrossMarker_t*>* crossMarkers, QList<BandMarker_t*>* bandMarkers, bool skipBackwardLines,
             QWidget* parent);
    ~XYCanvas() override;

    // ---- view model -------------------------------------------------------
    void initializeViewTransform();
    void computeFactors();

    double convertXWorldToViewport(double x) const;
    double convertXViewportToWorld(double px) const;
    double convertYWorldToViewport(double y, bool upwards) const;
    double convertYViewportToWorld(double py, bool upwards) const;
    /// Pixel position of one point; ok is false when a coordinate is NaN.
    QPoint convertDataPointToViewport(XYDataSet* dataSet, int index, bool& ok, bool upwards) const;

    Bounds getDataBounds() const;
    Bounds getStrictDataBounds() const;
    Bounds getInitialDataBounds() const;
    void setInitialDataBounds(Bounds const& bounds);
    /// Fixes the data bounds for the lifetime of the canvas.
    void setFixedDataBounds(Bounds const& bounds);
    Bounds calculateDataBounds(bool fromCurrent);
    Bounds calculateStrictDataBounds();
    Bounds calculateLastDataPointsBounds();
    Bounds extendWithCustomDataBounds(Bounds const& bounds) const;
    void applyBufferingToDataBounds(Bounds::Direction direction, Bounds& bounds);
    void addCustomVerticalDataBoundsVector(QList<double>* values);
    void addCustomHorizontalDataBoundsVector(QList<double>* values);
    void setExtensionBufferParameters(double absHorizontalMin, double absHorizontalMax, double absVerticalMin,
                                      double absVerticalMax, double relHorizontalMin, double relHorizontalMax,
                                      double relVerticalMin, double relVerticalMax);
    void getExtensionBufferParameters(Bounds::Direction direction, Bounds::End end, double& absolute,
                                      double& relative) const;
    double getExtensionBuffer(Bounds::Direction direction, Bounds::End end) const;
    double getShrinkThreshold(Bounds::Direction direction, Bounds::End end) const;
    void adaptExtensionBufferParametersAndInitialDataBoundForOfflineTimePlots();
    void setViewportMargin(int horizontalMin, int horizontalMax, int verticalMin, int verticalMax);
    double getViewportMargin(Bounds::Direction direction, Bounds::End end) const;
    double determineViewPortMarginInDataCoordinates(Bounds::Direction direction, Bounds::End end,
                                                    double dataExtent) const;
    double getZoomLimitMinimumExtent(Bounds::Direction direction) const;
    /// Default gap in x above which points are not joined (NaN: never a gap);
    /// a Look's own non-negative threshold takes precedence.
    void setHorizontalDisconnectionThreshold(double threshold);
    double getHorizontalDisconnectionThreshold() const;
    /// Smallest view extent zooming leaves, in world units (0 by default).
    /// Zooming never goes below what doubles resolve at the view's position
    /// (1e-12 of it) either, so that 0 means "as far as that", not a view of
    /// zero width.
    void setHorizontalZoomLimit(double limit);
    void setVerticalZoomLimit(double limit);

    /// Recomputes the data bounds and moves the view by the update policies.
    void updateBounds();
    /// The single place where data and view bounds change.
    void setBounds(Bounds const& data, Bounds const& view, bool emitNow);
    void setViewBounds(Bounds const& view, bool emitNow);
    Bounds getViewBounds() const;
    Bounds getPreviouslyEmittedViewBounds() const;
    /// True while a view change made by the update policy (not the user) is applied.
    bool viewBoundsChangeCausedByPolicy() const;
    Bounds calculateUpdatedViewBounds(Bounds const& newData);
    void calculateUpdatedViewBounds(Bounds::Direction direction, Bounds const& newData, Bounds& view);
    void calculateFollowPolicyUpdatedViewBounds(Bounds::Direction direction, Bounds const& newData, Bounds& view);
    ViewBoundsUpdatePolicy getViewBoundsUpdatePolicy(Bounds::Direction direction) const;
    ViewBoundsUpdatePolicy getHorizontalViewBoundsUpdatePolicy() const;
    ViewBoundsUpdatePolicy getVerticalViewBoundsUpdatePolicy() const;
    void setViewBoundsUpdatePolicy(Bounds::Direction direction, ViewBoundsUpdatePolicy policy, bool recalculate);
    void setHorizontalViewBoundsUpdatePolicy(ViewBoundsUpdatePolicy policy, bool recalculate);
    void setVerticalViewBoundsUpdatePolicy(ViewBoundsUpdatePolicy policy, bool recalculate);
    bool isAutoFollowMax(Bounds::Direction direction) const;
    bool isAutoFollowMin(Bounds::Direction direction) const;
    void emitPendingEmits();
    void forceEmitViewTransformSignals();

    // ---- drawing ----------------------------------------------------------
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
    QPixmap* drawBackgroundPixmap();
    void paintBackground(QPainter* painter);
    void drawDataSets(QPainter* painter, bool fullRedraw);
    void drawDataSet(QPainter* painter, XYDataSet* dataSet);
    void fullRepaint();
    void setGrid(E_ORIENTATION_TYPE orientation, XYAbstractGrid* grid, bool update);
    XYAbstractGrid* getGrid(E_ORIENTATION_TYPE orientation) const;
    void setContinueBackgroundDrawingUntilFinished(bool continueUntilFinished);
    void setContinueBackgroundDrawingUntilFinishedForNextFullRedraw();
    bool setDataSetLook(XYDataSet* dataSet, QPainter* painter, int index, int lineIndex);
    int outsideClip(QPoint point);
    bool maybeIntersectsViewport(int regionA, int regionB) const;
    QPoint calculateCrossing(QPoint point, QPoint other, int region);
    void drawLine(QPainter* painter, QPoint from, QPoint to, int fromRegion, int toRegion);
    void drawSymbol(QPoint point, E_SYMBOL symbol, int halfSize, QPainter* painter);
    void addVerticalAccumulatedLine(int x, int y1, int y2, QPainter* painter);
    void flushVerticalAccumulatedLine(QPainter* painter);
    void clearVerticalAccumulatedLine();
    int getLastProcessedIndex(XYDataSet const* dataSet) const;
    void setLastProcessedIndex(XYDataSet const* dataSet, int index);
    void clearLastProcessedIndices();
    int getLastProcessedPointDegreeOfIsolation(XYDataSet const* dataSet) const;
    void setLastProcessedPointDegreeOfIsolation(XYDataSet const* dataSet, int isolation);
    void clearLastProcessedPointDegreeOfIsolation();
    void getPointsToBeDrawn(XYDataSet* dataSet, int& first, int& last);
    int getSymbolFactor(XYDataSet* dataSet);
    ViewportMap<int>* getViewportMap(XYDataSet* dataSet);
    bool isMouseOverDataTrackingEnabled(XYDataSet* dataSet);
    void clearViewportMaps();
    void clearDataSetFilterCaches();
    void drawColorBarBackgrounds(QPainter* painter);
    QRect getViewport() const;
    bool isFullRedrawNeeded() const;

    // ---- navigation -------------------------------------------------------
    void zoomIn(Bounds::Direction direction, bool emitNow);
    void zoomOut(Bounds::Direction direction, bool emitNow);
    void zoomFull(Bounds::Direction direction, bool emitNow);
    void zoomTo(Bounds::Direction direction, double min, double max, bool emitNow);
    void zoomToHorizontal(double min, double max);
    void zoomToVertical(double min, double max);
    void zoomTo(Bounds const& bounds);
    void dragViewBounds(Bounds::Direction direction, double delta, bool emitNow);
    void dragViewBounds(double dx, double dy);
    void setHorizontalScrollBar(QScrollBar* scrollBar);
    void setVerticalScrollBar(QScrollBar* scrollBar);
    QScrollBar* getHorizontalScrollBar();
    QScrollBar* getVerticalScrollBar();
    QScrollBar* getScrollBar(Bounds::Direction direction);
    void setScrollBarState(Bounds::Direction direction);
    void setScrollBarStates();
    void reflectScrollBarState(Bounds::Direction direction);
    void determineZoomButtonsEnablement(Bounds::Direction direction, bool& zoomIn, bool& zoomOut, bool& zoomFull);
    void configureZoomButtonsEnablement();
    void connectAsZoomInHorizontalButton(QAbstractButton* button);
    void connectAsZoomInVerticalButton(QAbstractButton* button);
    void connectAsZoomOutHorizontalButton(QAbstractButton* button);
    void connectAsZoomOutVerticalButton(QAbstractButton* button);
    void connectAsZoomFullHorizontalButton(QAbstractButton* button);
    void connectAsZoomFullVerticalButton(QAbstractButton* button);
    void connectAsZoomFullBothButton(QAbstractButton* button);

    // ---- mouse ------------------------------------------------------------
    bool dataHitTest(XYDataSet* dataSet, int x, int y, XYCanvas::datahit_t& hit, int maxDistance);
    bool dataHitTest(int x, int y, XYCanvas::datahit_t& hit, int maxDistance);
    void dataHitTestAndEmit(QEvent* event);
    void setDefaultMouseOverDataTrackingEnabled(bool enabled);
    void setMouseOverDataTrackingEnabled(XYDataSet* dataSet, bool enabled);
    void enableMouseMarkers(QFlags<XYCanvas::Orientation> orientations);
    void disableMouseMarkers();
    void enableInterplotMouseMarkers(QFlags<XYCanvas::Orientation> orientations);
    void disableInterplotMouseMarkers();
    void setXYCanvassesForInterplotMouseMarkers(QList<XYCanvas*> canvases);
    void ensureMouseMarkers();
    void updateMouseMarkers(double x, double y, bool fromOtherCanvas);
    void mouseMarkerMouseLeave(bool fromOtherCanvas);
    void enableCurrentTimeMarker();
    void disableCurrentTimeMarker();
    void ensureCurrentTimeMarker();
    void updateCurrentTimeMarker(double x);
    void enableIntervalTimeMarker();
    void disableIntervalTimeMarker();
    void ensureIntervalTimeMarker();
    void updateIntervalStartTimeMarker(double x);
    void updateIntervalStopTimeMarker(double x);
    int getDecimalPlaces(double extent);
    XYCanvas::datahit_t getLastDataHit() const;
    bool areMouseMarkersHidden() const;

    // ---- markers ----------------------------------------------------------
    void drawMarkers(E_MARKER_TYPE type, QPainter* painter);
    void drawMarker(Marker_t marker, QPainter* painter, bool isFirst);
    void drawBandMarkers(E_MARKER_TYPE type, QPainter* painter);
    void drawEllipsoidalMarkers(QPainter* painter);
    void drawCrossMarkers(QPainter* painter);
    QList<Marker_t> getDataSetMarkers() const;

signals:
    void mouseMoved(QString xLabel, QString yLabel);
    void mouseCoords(double, double);
    void mouseOverData(XYDataSet* dataSet, int index, double distance, QMouseEvent* event);
    void dataBoundsChanged();
    void viewBoundsChanged();
    void horizontalViewBoundsUpdatePolicyChanged();
    void verticalViewBoundsUpdatePolicyChanged();
    void zoomInHorizontalEnabled(bool enabled);
    void zoomInVerticalEnabled(bool);
    void zoomOutHorizontalEnabled(bool);
    void zoomOutVerticalEnabled(bool);
    void zoomFullHorizontalEnabled(bool);
    void zoomFullVerticalEnabled(bool);
    void zoomFullBothEnabled(bool);
    void mouseOverData(XYCanvas::datahit_t, QMouseEvent*);

public slots:
    void drawNewPointsOnBackGround();
    void setConnectFirstLast(bool connect);
    void changeCursor(Qt::CursorShape cursor);
    void enableSendingMouseCoords(bool enable);
    void enableSendingTextualMouseCoords(bool enable);
    void reflectScrollBarState();
    void zoomInBoth();
    void zoomInHorizontal();
    void zoomInVertical();
    void zoomOutBoth();
    void zoomOutHorizontal();
    void zoomOutVertical();
    void zoomFull();
    void zoomFullHorizontal();
    void zoomFullVertical();

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void cursorChangeEvent(QEvent* event);

    /// The pending vertical line of one pixel column.
    struct VerticalAccumulatedLine
    {
        bool active = false;
        int x = 0;
        int yMin = 0;
        int yMax = 0;
    };

    // Setting a policy from navigation or data following: stores it and
    // signals only when it changes.
    void changePolicy(Bounds::Direction direction, ViewBoundsUpdatePolicy policy);
    /// The viewport in the pixels the data are drawn in: device pixels while
    /// data are drawn, logical pixels otherwise.
    QSize drawingSize() const;
    /// The per-block extremes of the data set's y values, brought up to date.
    BlockMinMaxCache* getExtremaCache(XYDataSet* dataSet);
    /// Deletes the extremes of data sets no longer in the list.
    void dropUnusedExtremaCaches();
    /// The hit test over a cell whose points are listed in index order with
    /// non-decreasing x: the list position of the nearest acceptable
    /// candidate (-1: none), its pixel and distance.  False when the cell or
    /// the data do not allow it; the caller then visits every candidate.
    bool nearestCandidateByColumns(XYDataSet* dataSet, QList<int> const& candidates, int x, int y, int maxDistance,
                                   int& position, QPoint& point, double& distance);

    XYAbstractGrid* horizontalGrid = nullptr;
    XYAbstractGrid* verticalGrid = nullptr;
    double xFactor;
    double xInverseFactor;
    double yFactor;
    double yInverseFactor;
    QList<XYDataSet*>* dataSets;
    QList<Marker_t*>* markers;
    QList<Marker_t> dataSetMarkers;
    QList<EllipseMarker_t*>* ellipseMarkers;
    QList<CrossMarker_t*>* crossMarkers;
    QList<BandMarker_t*>* bandMarkers;
    QRect viewport;
    bool fullRedrawNeeded = true;
    QPixmap* backgroundPixmap = nullptr;
    /// Device pixels per logical pixel of backgroundPixmap.
    qreal backgroundRatio = 1.0;
    /// Device pixels per logical pixel of the data drawing under way: the data
    /// are drawn in device pixels, everything else in logical pixels.
    qreal drawingRatio = 1.0;
    bool skipBackwardLines;
    bool connectFirstLast = false;
    bool continueBackgroundDrawingUntilFinished = false;
    bool continueUntilFinishedForNextFullRedraw = false;
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

    // incremental drawing and hit testing
    QHash<XYDataSet const*, int> lastProcessedIndex;
    QHash<XYDataSet const*, int> lastProcessedPointDegreeOfIsolation;
    VerticalAccumulatedLine verticalAccumulatedLine;
    QHash<XYDataSet*, bool> mouseOverDataTracking;
    bool defaultMouseOverDataTracking = false;
    QHash<XYDataSet*, ViewportMap<int>*> viewportMaps;
    /// Per data set with a map: the last index entered into it, or
    /// kEntriesUnordered once an index was entered that was not larger than
    /// the one before (several parallel lines).  While the items grow in index
    /// order, each cell lists them sorted, which the hit test relies on to
    /// look only at the points near the mouse.
    QHash<XYDataSet const*, int> viewportMapLastEntries;
    static constexpr int kEntriesUnordered = -2;
    QHash<XYDataSet const*, BlockMinMaxCache*> extremaCaches;

    // mouse interaction
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
};

Q_DECLARE_OPERATORS_FOR_FLAGS(XYCanvas::Orientations)
Q_DECLARE_METATYPE(XYCanvas::datahit_t)

#endif
