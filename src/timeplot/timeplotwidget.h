#ifndef ZEBPLOT_TIMEPLOTWIDGET_H
#define ZEBPLOT_TIMEPLOTWIDGET_H

#include "zebplot_export.h"

#include "plottypes.h"
#include "toolbarplotwidget.h"

#include <QList>
#include <QString>

class ColorBarDrawListener;
class XYDataSet;

/// The ready-made plot of data sets against time.
///
/// x values are milliseconds since the GNSS time origin 1980-01-06 00:00:00;
/// the x axis is labelled as GNSS, UTC or local time of day, time of week or
/// seconds (changeTimeAxis) and its title follows the choice.  Colour-bar data
/// sets get a ColorBarDrawListener so that unticking an entry in the legend
/// hides that part of the bar, and every other data set gets a
/// ViewportMaskFilter that hides its points wherever a bar shows a hidden
/// entry.  A checkable legend appears as soon as there are two data sets.
///
/// Streaming: append to the data sets, then call updateTimePlot().  With
/// showStatistics set, horizontal marker one follows the mean of the first
/// data set and its label reads the mean, variance and skewness.
class ZEBPLOT_EXPORT TimePlotWidget : public ToolBarPlotWidget
{
    Q_OBJECT

public:
    /// deltaLS is the GNSS−UTC leap-second count (−128: not known);
    /// verticalZoomLimit is the smallest y extent the user can zoom into.
    TimePlotWidget(short deltaLS, QString plotTitle, int minimumHeight, int minimumWidth, QString yAxisTitle,
                   bool roundMean, double verticalZoomLimit, QWidget* toolBar);
    /// Deletes the plot first (its data sets' filters read the listener list), then the time grid;
    /// the data sets themselves stay the host's.
    ~TimePlotWidget() override;

    /// Sets the time-axis title from the grid's time type, e.g.
    /// "Local Time: UTC+5:30 (h:mm:ss)" or "GNSS Time (TOW)".
    void updateTimeAxisTitle();
    /// Call after appending data: refreshes the data bounds (horizontal markers
    /// included), draws the new points and moves the statistics line.
    void updateTimePlot();

    /// Adds a data set: a colour bar gets a listener masking hiddenEntries
    /// (legend texts), any other data set a mask filter.
    void addDataSet(XYDataSet* dataSet, QList<QString> hiddenEntries);
    /// Replaces all data sets, then applies the legend rule.
    void setDataSets(QList<XYDataSet*> dataSets);
    /// (Re)installs the colour-bar listener of dataSet with the given hidden entries.
    void setColorBarFilter(XYDataSet* dataSet, QList<QString> hiddenEntries);
    /// (Re)installs the mask filter of a non-colour-bar data set.
    void updateViewportMaskFilter(XYDataSet* dataSet);
    /// Adds a checkable legend right of the plot once there are two data sets
    /// (or one that asks for a legend even when alone).
    void updateLegend();

    /// The listeners installed on colour-bar data sets (owned by those data sets); every mask filter reads this list.
    QList<ColorBarDrawListener*> const& getColorBarListeners() const;
    /// Positions of the shown horizontal markers (not the statistics line) that updateTimePlot() keeps
    /// inside the data bounds.
    QList<double> const& getMarkerValues() const;

public slots:
    /// Switches the labels and the axis title to another time type and redraws.
    void changeTimeAxis(ETimeType type);
    /// Leap seconds and UTC offset (hours) of the time labels; no repaint.
    ///@{
    void setDeltaLS(short deltaLS);
    void setUtcOffset(float utcOffset);
    ///@}

protected:
    /// Whether the statistics line shows the mean rounded to an integer, the marker values kept in the
    /// data bounds, and the colour-bar listeners.
    ///@{
    bool roundMean;
    QList<double> markerValues;
    QList<ColorBarDrawListener*> colorBarListeners;
    ///@}

private:
    Q_DISABLE_COPY(TimePlotWidget)
};

#endif
