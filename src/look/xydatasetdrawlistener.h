#ifndef ZEBPLOT_XYDATASETDRAWLISTENER_H
#define ZEBPLOT_XYDATASETDRAWLISTENER_H

#include "zebplot_export.h"

#include <QObject>

class XYDataSet;

/// Told about each point of one data set that the canvas draws, with its pixel
/// column.  A data set owns the listener installed in it; the listener does not
/// install itself.
class ZEBPLOT_EXPORT XYDataSetDrawListener : public QObject
{
    Q_OBJECT

public:
    /// A listener for dataSet (not owned).  Install it with XYDataSet::setDrawListener(), which takes ownership.
    XYDataSetDrawListener(XYDataSet* dataSet, QObject* parent = nullptr);
    ~XYDataSetDrawListener() override;

    /// Called while drawing for every point of the data set in view (also those merged into a pixel
    /// column), with its data index and pixel column (logical pixels from the canvas's left edge).
    /// Runs in the drawing loop: keep it cheap.
    virtual void drawingDataPoint(int index, int viewportX) = 0;

protected:
    /// The data set listened to; not owned.
    XYDataSet* dataSet;
};

#endif
