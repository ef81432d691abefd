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
    XYDataSetDrawListener(XYDataSet* dataSet, QObject* parent = nullptr);
    ~XYDataSetDrawListener() override;

    virtual void drawingDataPoint(int index, int viewportX) = 0;

protected:
    XYDataSet* dataSet;
};

#endif
