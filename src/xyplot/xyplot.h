#ifndef ZEBPLOT_XYPLOT_H
#define ZEBPLOT_XYPLOT_H

#include "zebplot_export.h"

#include "marker.h"
#include "plotrendersettings.h"
#include "plottypes.h"

#include <QList>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>

class QFrame;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLayout;
class QMenu;
class QPainter;
class QResizeEvent;
class QScrollBar;
class QShowEvent;
class QVBoxLayout;
class VerticalLabel;
class VerticalScrollBar;
class XYCanvas;
class XYDataSet;
class XYLegend;
class XYScale;

/// The composite plot widget a host places in its windows: a canvas with a
/// plot title, the two axis titles, the two axis scales, optional scroll bars
/// with zoom buttons and an optional legend.
///
/// The plot owns the lists of data sets and markers that its canvas draws (the
/// data sets and marker records themselves stay with the host), keeps the
/// scale sizes in step with the labels they must show - also across a group of
/// plots whose y-axis scales are to be equally wide, so that their canvases
/// line up - and looks after data sets drawn at fixed heights, whose names
/// replace the tick labels on the y-axis scale.  The grids are made by the host
/// and handed to the canvas (getCanvas()->setGrid); addScale then asks for the
/// scale of an axis.
///
/// Axis naming follows E_ORIENTATION_TYPE: for scales and label types VERTICAL
/// is the x axis and HORIZONTAL the y axis (so the y-axis scale is the
/// "horizontal scale", whose width is managed, and the x-axis scale the
/// "vertical scale", whose height is managed); for axis titles VERTICAL is the
/// upright y-axis title and HORIZONTAL the x-axis title.
class ZEBPLOT_EXPORT XYPlot : public QWidget
{
    Q_OBJECT

public:
    /// Builds the widget tree: hidden titles, the canvas (skipBackwardLines: no line to a point left of
    /// its predecessor) and, withScrollBars, scroll bars with "+", "-" and show-all buttons.  No grids,
    /// scales or legend yet.  The scroll-bar icons are resources the host provides.
    explicit XYPlot(bool withScrollBars = true, bool xAxisTitleOnTop = true, bool skipBackwardLines = false,
                    QWidget* parent = nullptr);
    /// Deletes the plot's widgets and lists; the data sets, marker records and grids stay the host's
    /// (the grids are detached from the deleted scales).
    ~XYPlot() override;

    /// Draws the whole plot into a size x size pixmap with the given settings
    /// in force; see renderOnto in the source for the layout.
    QPixmap renderToPixmap(QSize size, PlotRenderSettings_t settings, bool withLegend, bool withXAxisTitle,
                           QString title);
    /// The same picture, laid out at the logical size, in a pixmap of size x
    /// devicePixelRatio device pixels carrying that ratio: a 1600 x 900 figure
    /// at 300 dpi is ratio 300 / 96.  A null pixmap for an empty size or a
    /// ratio that is not a positive number.
    QPixmap renderToPixmap(QSize size, PlotRenderSettings_t const& settings, bool withLegend, bool withXAxisTitle,
                           QString const& title, qreal devicePixelRatio);
    /// Draws what renderToPixmap draws, laid out for target.size(), onto any
    /// active painter (a pixmap, QPdfWriter, QSvgGenerator, QPrinter).  target
    /// is in the device's coordinates and the painter's own transformation is
    /// not applied; the fonts are measured with the screen's metrics, so the
    /// device should count at the screen's logical resolution (for a printer:
    /// QPrinter::ScreenResolution).  The area is not cleared first: the parts
    /// fill their own rectangles with white, the caption leaves its background.
    void renderOnto(QPainter* painter, QRect target, PlotRenderSettings_t const& settings, bool withLegend,
                    bool withXAxisTitle, QString const& title);
    /// Saves the plot, rendered as by renderToPixmap, to a file whose type
    /// follows its extension: .png, .jpg, .jpeg, .bmp (size x dotsPerInch /
    /// screen dpi pixels), .pdf (one page, vector) or .svg (vector).  size is
    /// in logical pixels of 1/96 inch on a standard screen, so the physical
    /// size does not depend on dotsPerInch.  The file is written beside the
    /// target and renamed into place when complete.  On failure (unknown
    /// extension, unwritable place, empty size) returns false, leaves no file
    /// behind and puts the reason into errorMessage when given.
    bool saveToFile(QString const& fileName, QSize size, int dotsPerInch, PlotRenderSettings_t const& settings,
                    bool withLegend, bool withXAxisTitle, QString const& title, QString* errorMessage = nullptr);

    // ---- titles -------------------------------------------------------------
    /// Shown exactly when the text is not empty.
    void setPlotTitle(QString title);
    /// HORIZONTAL (any value but 0): the x-axis title; VERTICAL: the y-axis title.
    void setAxisTitle(E_ORIENTATION_TYPE orientation, QString title);
    /// HORIZONTAL: the x-axis title; otherwise the y-axis title.
    QString getAxisTitle(E_ORIENTATION_TYPE orientation) const;
    /// Height in pixels of the axis-title font of the render settings in force.
    int getAxisTitleFontHeight() const;
    /// Height of the title word-wrapped and centred in a rectangle of the given width.
    int getAxisTitleTextHeight(E_ORIENTATION_TYPE orientation, int width);
    /// Draws the title centred and word-wrapped into the rectangle; the y-axis
    /// title reads upwards.
    void drawAxisTitle(QPainter* painter, E_ORIENTATION_TYPE orientation, QRect rect);
    /// Draws the title as one line centred on the point; the y-axis title reads upwards.
    void drawAxisTitle(QPainter* painter, E_ORIENTATION_TYPE orientation, QPoint centre);

    // ---- scales -------------------------------------------------------------
    /// Creates the scale of an axis whose grid the canvas has; onTop places the
    /// x-axis scale above the canvas and is ignored for the y axis.
    void addScale(E_ORIENTATION_TYPE orientation, bool onTop);
    /// Deletes the scale of an axis (HORIZONTAL: y axis, VERTICAL: x axis), if any.
    void removeScale(E_ORIENTATION_TYPE orientation);
    /// Sets the label type of the axis's grid and resizes its scale.
    void setLabelType(E_ORIENTATION_TYPE orientation, E_LABEL_TYPE type);
    /// Plots whose y-axis scales share one width; may contain this plot.
    void setGroupOfPlots(QList<XYPlot*> plots);
    /// The plots set by setGroupOfPlots(); not owned.
    QList<XYPlot*> getGroupOfPlots() const;
    /// Width the y-axis scale needs for its labels (widest possible tick label
    /// or fixed label); with includeGroup the largest over the group.
    int calculateHorizontalScaleWidth(bool includeGroup);
    /// Gives the y-axis scale (with includeGroup: of every plot of the group) the width.
    void setHorizontalScaleWidth(int width, bool includeGroup);

    // ---- legend -------------------------------------------------------------
    /// Creates the legend, or only rebuilds an existing one; either way the
    /// data sets' appearance signals are connected to it afresh.
    void addLegend(bool checkable, E_LEGEND_POSITION position, QMenu* menu);
    /// Deletes the legend, if any.
    void removeLegend();
    /// The layout that receives the legend instead of the plot's own; takes
    /// effect when the legend is created.
    void setParentLayoutForLegend(QLayout* layout);

    // ---- data sets and markers ------------------------------------------------
    /// Draws dataSet (not owned; remove it before deleting it) after the others.  Its first usable
    /// y value triggers redrawCanvas(); a full redraw also follows 250 ms after the call.  No
    /// duplicate check.
    void addDataSet(XYDataSet* dataSet);
    /// Takes data sets out of the list (every occurrence) without deleting them or redrawing; call
    /// redrawCanvas() afterwards.
    ///@{
    void removeDataSet(XYDataSet* dataSet);
    void removeAllDataSets();
    ///@}
    /// True when some data set's y array has valid values.
    bool hasData() const;
    /// Refuses (with a debug message) a marker whose label equals that of a
    /// marker already added.
    void addMarker(Marker_t* marker);
    /// Adds a marker even when another one carries the same label; the same
    /// record is still added only once.  For owners of distinct lines that
    /// start out with one placeholder text.
    void addMarkerSharingLabel(Marker_t* marker);
    /// Add (no duplicate check) or remove (every occurrence) a marker record, which stays the host's.
    /// None of them redraws: call redrawCanvas() afterwards.
    ///@{
    void addEllipseMarker(EllipseMarker_t* marker);
    void addCrossMarker(CrossMarker_t* marker);
    void addBandMarker(BandMarker_t* marker);
    void removeMarker(Marker_t* marker);
    void removeEllipseMarker(EllipseMarker_t* marker);
    void removeCrossMarker(CrossMarker_t* marker);
    void removeBandMarker(BandMarker_t* marker);
    ///@}

    /// Paints the points appended since the last drawing onto the canvas's
    /// cached background.
    void drawNewPoints();
    /// Spreads the auto-positioned data sets evenly over the canvas height
    /// between the offset-positioned ones.
    void repositionAutopositionedDataSets(int forgedCanvasHeight);

    // ---- parts, for hosts and ready-made widgets ------------------------------
    /// The canvas, owned by the plot; set its grids, policies and tracking through it.
    XYCanvas* getCanvas() const;
    /// The y-axis scale, or null.
    XYScale* getHorizontalScale() const;
    /// The x-axis scale, or null.
    XYScale* getVerticalScale() const;
    /// The legend, null until addLegend(); owned by the plot.
    XYLegend* getLegend() const;
    /// The scroll bars; null for a plot built without them.
    ///@{
    QScrollBar* getHorizontalScrollBar() const;
    QScrollBar* getVerticalScrollBar() const;
    ///@}
    /// A copy of the data-set list, in drawing order.
    QList<XYDataSet*> getDataSets() const;
    /// A copy of the line-marker list.
    QList<Marker_t*> getMarkers() const;
    /// The flag of setLegendVisible() (true at first), also when there is no legend.
    bool isLegendVisible() const;

    /// Set by the ready-made widgets to the minimum width they give the plot;
    /// the plot itself never reads it.
    int minimumPlotWidth = 0;

signals:
    /// Repeats the canvas's mouseMoved(): the mouse position formatted by the grids; empty strings on leaving.
    void mouseMoved(QString xLabel, QString yLabel);
    /// Emit to switch the canvas's line from each data set's last point to its first (connected to
    /// XYCanvas::setConnectFirstLast()).
    void connectFirstLast(bool);
    /// Emit to switch mouseCoords() on or off (connected to XYCanvas::enableSendingMouseCoords()).
    void sendMouseCoords(bool);
    /// Repeats the canvas's mouseCoords(): the mouse position in world units.
    void mouseCoords(double, double);

public slots:
    /// Recomputes the fixed-position data sets and the y-axis scale, then
    /// redraws the canvas completely.
    void redrawCanvas();
    /// As redrawCanvas, without returning to the event loop while drawing.
    void redrawCanvasWithoutInterruption();
    /// Switches the mouseMoved() texts on or off (XYCanvas::enableSendingTextualMouseCoords()).
    void enableMouseTracking(bool enable);
    /// Shows all data in both directions (XYCanvas::zoomFull()).
    void showFullPlot();
    /// Shows or hides the legend (kept for a legend created later).
    void setLegendVisible(bool flag);
    /// Resizes the y-axis scales of the group to the width their labels need now; connected to the
    /// grid's numberOfDecimalsChanged() and the canvas's viewBoundsChanged().
    void updateHorizontalScaleWidth();
    /// Sets the x-axis scale's height: ticks plus, when labels go on the scale, one line of the scale font.
    void updateVerticalScaleHeight();
    /// Repaints the x-axis scale.
    void updateVerticalScale();
    /// Puts the names of the data sets drawn at fixed heights on the y-axis
    /// scale and keeps ticks away from them.  The forged canvas height (when
    /// positive) and the forced scroll-bar height (when not negative) stand in
    /// for the on-screen ones while rendering into a pixmap.
    void setupYScaleForFixedPositionedDatasets(int forgedCanvasHeight = 0, int forcedHorScrollBarHeight = -1);

protected:
    /// Lays out the fixed-height data sets for the new size and schedules a full canvas redraw.
    void resizeEvent(QResizeEvent* event) override;
    /// Lays out the fixed-height data sets for the size shown.
    void showEvent(QShowEvent* event) override;

    /// Height of the row below the canvas beside which the y-axis scale reaches
    /// down: the horizontal scroll bar's row, kept free without scroll bars.
    int scrollBarRowHeight() const;
    /// A scroll bar with its "+", "-" and show-all buttons, into layout.
    void createScrollBar(QLayout* layout, Qt::Orientation orientation);
    /// Puts the scales into the grid layout beside the canvas (see the source).
    void placeScales();
    struct RenderLayout;
    /// Sizes the scales for a rendering of the given size under the settings
    /// in force and says where each part goes.
    RenderLayout layOutRendering(QSize size, bool withLegend, bool withXAxisTitle, QString const& title);
    /// Lets the grids compute their ticks and decimals for a canvas of that size.
    void settleGridsForCanvasSize(QSize canvasSize);
    /// Back to the on-screen sizes, hidden intervals and fixed labels.
    void restoreOnScreenLayout();
    /// Connects the data set's appearance and first-value signals to the legend.
    void connectToLegend(XYDataSet* dataSet);

    /// The plot's widgets and layouts (owned through Qt parenthood), the owned lists of host-owned data
    /// sets and marker records, the legend settings and the construction flags.
    ///@{
    QList<Marker_t*>* markers;
    // Columns per logical pixel in which renderOnto draws dense data onto a
    // vector device (its resolution); 0: the device's own pixel ratio.
    qreal renderColumnsPerPixel = 0;
    QVBoxLayout* mainLayout;
    XYCanvas* canvas;
    QGridLayout* gridLayout;
    QHBoxLayout* rowLayout;
    QLabel* plotTitleLabel;
    QLabel* xAxisTitleLabel;
    VerticalLabel* yAxisTitleLabel;
    QScrollBar* horizontalScrollBar = nullptr;
    XYScale* horizontalScale = nullptr;
    XYScale* verticalScale = nullptr;
    XYLegend* legend = nullptr;
    QLayout* legendParentLayout = nullptr;
    E_LEGEND_POSITION legendPosition = LEGEND_BOTTOM;
    bool legendVisible = true;
    QList<XYDataSet*>* dataSets;
    QList<EllipseMarker_t*>* ellipseMarkers;
    QList<CrossMarker_t*>* crossMarkers;
    QList<BandMarker_t*>* bandMarkers;
    VerticalScrollBar* verticalScrollBar = nullptr;
    bool xAxisTitleOnTop;
    bool skipBackwardLines;
    QList<XYPlot*> groupOfPlots;
    /// The frame around the canvas and its scroll bars.
    QFrame* canvasFrame = nullptr;
    ///@}
};

#endif
