#ifndef ZEBPLOT_TOOLBARPLOTWIDGET_H
#define ZEBPLOT_TOOLBARPLOTWIDGET_H

#include "zebplot_export.h"

#include "marker.h"

#include <QColor>
#include <QString>
#include <QWidget>

class LinearTimeGrid;
class XYPlot;

/// Frame of the ready-made plots that a host tool bar drives.
///
/// It holds one XYPlot and wires it to the tool bar given as parent: the tool
/// bar's signals showFullPlot(), changeCursor(Qt::CursorShape),
/// mouseTrackingOn(bool) and sendMouseCoords(bool) reach the plot, and the
/// plot's mouse-coordinate texts reach the tool bar's slot
/// drawMouseCoords(const QString, const QString).  The connections are made by
/// signature, so any widget offering them can serve as tool bar; a missing one
/// is reported by Qt and simply left out.
///
/// It also owns two horizontal line markers (a threshold, a statistics line)
/// and one vertical line marker (a current x position).
class ZEBPLOT_EXPORT ToolBarPlotWidget : public QWidget
{
    Q_OBJECT

public:
    /// A frame that is a child of toolBar (may be null: no tool-bar wiring); deltaLS (GNSS minus UTC
    /// in seconds, -128: not known) goes to the time grid.  Creates the three markers (red vertical,
    /// red and green dashed horizontal, labels "N/A"), not yet shown; set the plot with setXYPlot().
    explicit ToolBarPlotWidget(QWidget* toolBar = nullptr, short deltaLS = -128);
    /// Takes the markers out of the plot and deletes them; the plot goes with the child widgets.
    ~ToolBarPlotWidget() override;

    /// The plot this frame drives; call before setUpXYPlot(), which lays it out in the frame (the
    /// frame then owns it as a child widget).
    void setXYPlot(XYPlot* plot);
    /// The plot, null until set.
    XYPlot* getXYPlot() const;
    /// The time grid of the x axis; null unless set up with a time axis.
    LinearTimeGrid* getTimeGrid() const;

    /// Connects the tool bar, lays the plot out, gives the canvas its grids
    /// (a LinearTimeGrid on the x axis when timeAxis is set), adds the y scale
    /// and, on request, the red vertical marker at x = 0.
    void setUpXYPlot(bool withVerticalMarker, bool timeAxis);

    /// Appearance of a horizontal marker; does not show it.
    ///@{
    void addHorizMarkerOne(QString label, Qt::PenStyle style, QColor colour);
    void addHorizMarkerTwo(QString label, Qt::PenStyle style, QColor colour);
    ///@}
    /// Moves a horizontal marker to a y value; an empty label keeps the old one.
    ///@{
    void updateHorizMarkerOne(double position, QString label);
    void updateHorizMarkerTwo(double position, QString label);
    ///@}

    /// The marker records, owned by this widget.
    ///@{
    Marker_t* getVerticalMarker() const;
    Marker_t* getHorizMarkerOne() const;
    Marker_t* getHorizMarkerTwo() const;
    ///@}
    /// Whether the plot currently draws the marker.
    ///@{
    bool isHorizMarkerOneShown() const;
    bool isHorizMarkerTwoShown() const;
    ///@}

    /// When set, TimePlotWidget::updateTimePlot uses horizontal marker one as
    /// the line of the mean of its first data set.
    bool showStatistics = false;

public slots:
    /// Showing adds the marker to the plot once, hiding removes it once;
    /// repeated calls change nothing but the plot is redrawn every time.
    /// Both markers can be shown together, also while their labels are equal
    /// (both start as "N/A").
    ///@{
    void showHMarkerOne(bool show);
    void showHMarkerTwo(bool show);
    ///@}
    /// XYPlot::redrawCanvas() of the plot, if any.
    void redrawCanvas();

protected:
    /// Common set-up of the plots without time axis: 400 × 600 minimum size,
    /// red vertical marker, titles, x scale below, zoom limits 0.2 and 10.
    void setUpPlainAxesPlot(QString yAxisTitle, QString xAxisTitle);
    /// Adds or removes a horizontal marker and redraws the plot.
    void showHorizMarker(Marker_t* marker, bool show);
    /// Whether the plot's marker list contains marker.
    bool plotHolds(Marker_t* marker) const;

    /// The tool bar (not owned), the leap seconds for the time grid, the plot and the time grid
    /// (owned through Qt parenthood) and the three markers (owned).
    ///@{
    QWidget* toolBar;
    short deltaLS;
    XYPlot* xyPlot = nullptr;
    LinearTimeGrid* timeGrid = nullptr;
    Marker_t* verticalMarker;
    Marker_t* horizMarkerOne;
    Marker_t* horizMarkerTwo;
    ///@}

private:
    Q_DISABLE_COPY(ToolBarPlotWidget)
};

#endif
