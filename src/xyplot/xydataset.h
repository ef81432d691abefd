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
    XYDataSet(DataArray* xData, DataArray* yData, QString name, QColor color, E_SYMBOL symbol,
              Qt::PenStyle penStyle, int lineThickness, QObject* parent = nullptr);
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

    bool getShowInLegendEvenIfEmpty() const;
    void setShowInLegendEvenIfEmpty(bool show);
    bool getShowLegendEvenIfOnlyDataSet() const;
    void setShowLegendEvenIfOnlyDataSet(bool show);
    /// No more data will arrive.
    bool isComplete() const;
    void setComplete(bool complete);

    /// The setters take ownership and do not delete what was installed before.
    XYDataSetFilter* getFilter();
    void setFilter(XYDataSetFilter* filter);
    XYDataSetDrawListener* getDrawListener();
    void setDrawListener(XYDataSetDrawListener* drawListener);

    DataArray* xData;
    DataArray* yData;
    bool visible = true;
    QString name;

signals:
    void yDataNoLongerEmpty();
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
