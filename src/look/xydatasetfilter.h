#ifndef ZEBPLOT_XYDATASETFILTER_H
#define ZEBPLOT_XYDATASETFILTER_H

#include "zebplot_export.h"

#include <QObject>

class XYDataSet;

/// Decides, for each point of one data set about to be drawn, whether it is
/// left out.  The canvas asks it per point with the point's pixel column and
/// calls clearCache() before every full redraw.  A data set owns the filter
/// installed in it; the filter does not install itself.
class ZEBPLOT_EXPORT XYDataSetFilter : public QObject
{
    Q_OBJECT

public:
    /// A filter for dataSet (not owned).  Install it with XYDataSet::setFilter(), which takes ownership.
    XYDataSetFilter(XYDataSet* dataSet, QObject* parent = nullptr);
    ~XYDataSetFilter() override;

    /// True when the point at index, drawn in pixel column viewportX, must be
    /// neither drawn nor connected.
    virtual bool excludeDataPoint(int index, int viewportX) = 0;

public slots:
    /// Drops whatever was cached for the previous drawing pass.
    virtual void clearCache();

protected:
    /// The data set filtered; not owned.
    XYDataSet* dataSet;
};

#endif
