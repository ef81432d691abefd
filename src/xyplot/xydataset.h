#ifndef ZEBPLOT_XYDATASET_H
#define ZEBPLOT_XYDATASET_H

#include "zebplot_export.h"

#include "bounds.h"
#include "plottypes.h"

#include <QColor>
#include <QObject>
#include <QString>

class DataArray;
class Look;
class XYDataSetDrawListener;
class XYDataSetFilter;

/// One plotted series: index-aligned x and y arrays, a name, the Look that
/// gives each index its appearance, and optional hooks the canvas consults
/// while drawing (a filter that leaves points out, a listener told about drawn
/// points).
///
/// The data set owns its look, filter and draw listener.  It holds one
/// reference on each array, so arrays can be shared between data sets (a common
/// time array); a reference-counted array goes away with its last data set.
class ZEBPLOT_EXPORT XYDataSet : public QObject
{
    Q_OBJECT

public:
    /// Takes one reference on each array (also on arrays that are not reference counted) and
    /// creates the default Look from color, symbol, penStyle and lineThickness (pixels).
    /// name is the legend text.  The arrays must be index-aligned: the y value of index i
    /// belongs to the x value of index i.
    XYDataSet(DataArray* xData, DataArray* yData, QString name, QColor color, E_SYMBOL symbol,
              Qt::PenStyle penStyle, int lineThickness, QObject* parent = nullptr);
    /// Deletes look, filter and draw listener and disposes of both arrays (disposeDataArray()).
    /// Remove the data set from its plot first.
    ~XYDataSet() override;

    /// Appends x first, so that the y array's noLongerEmpty() finds the x value there.
    void append(double x, double y);

    /// The extremes of both arrays; a colour bar contributes no y limits.
    Bounds getBounds() const;
    /// Widens bounds by the extremes of both arrays.
    void includeInBounds(Bounds& bounds) const;
    /// Widens bounds by the newest point only (incremental updates while data
    /// streams in).  Unlike includeInBounds, one unset limit of a pair resets
    /// both limits of that pair to the new value.
    void includeLastInBounds(Bounds& bounds) const;
    /// Colour-bar series are drawn at a fixed pixel row.
    bool hasFixedYPixelPosition() const;

    /// The look; a black look without symbol and pen is created if there is none.
    Look* getLook();
    /// Installs look, deleting a different previously installed one.
    void setLook(Look* look);
    /// Forgets look without deleting it, if it is the installed one.
    void unsetLook(Look* look);

    /// Deletes an array that is not reference counted, else drops one reference.
    void disposeDataArray(DataArray* array);

    /// Whether the plot legend lists the data set before its y array holds a usable value (false by default).
    ///@{
    bool getShowInLegendEvenIfEmpty() const;
    void setShowInLegendEvenIfEmpty(bool show);
    ///@}
    /// Whether a TimePlotWidget shows its legend when this is its only data set (false by default:
    /// a single series needs no legend).
    ///@{
    bool getShowLegendEvenIfOnlyDataSet() const;
    void setShowLegendEvenIfOnlyDataSet(bool show);
    ///@}
    /// No more data will arrive.
    bool isComplete() const;
    /// Mark a recorded series as complete: the time plot then computes its statistics at once,
    /// and the canvas marks an unjoined last point without symbol with a dash instead of
    /// waiting for a successor.
    void setComplete(bool complete);

    /// The filter and the draw listener the canvas consults while drawing; null when none.
    /// The setters take ownership and do not delete what was installed before.
    ///@{
    XYDataSetFilter* getFilter();
    void setFilter(XYDataSetFilter* filter);
    XYDataSetDrawListener* getDrawListener();
    void setDrawListener(XYDataSetDrawListener* drawListener);
    ///@}

    /// x values (usually time); referenced, not owned, by the data set.
    DataArray* xData;
    /// y values, index-aligned with xData; referenced, not owned.
    DataArray* yData;
    /// false leaves the data set out of drawing and hit tests; the plot legend's check boxes toggle it.
    bool visible = true;
    /// Text of the data set in legends.
    QString name;

signals:
    /// Relays the y array's noLongerEmpty(): the first usable y value arrived.
    void yDataNoLongerEmpty();
    /// Relays the look's lastAppearanceChanged(): the appearance of newly appended points changed.
    void lastAppearanceChanged();

public slots:
    /// The x array dropped its first numberOfPoints values; the look follows.
    void leftShiftLook(int numberOfPoints);

private:
    Look* look = nullptr;
    bool showInLegendEvenIfEmpty = false;
    bool showLegendEvenIfOnlyDataSet = false;
    bool complete = false;
    XYDataSetFilter* filter = nullptr;
    XYDataSetDrawListener* drawListener = nullptr;
};

#endif
