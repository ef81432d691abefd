#ifndef ZEBPLOT_VIEWPORTMASKFILTER_H
#define ZEBPLOT_VIEWPORTMASKFILTER_H

#include "zebplot_export.h"

#include "xydatasetfilter.h"

#include <QList>

class ColorBarDrawListener;

/// Leaves out the points of its data set in pixel columns where a colour bar
/// showed an appearance the user switched off.  The list of colour-bar
/// listeners belongs to someone else (the time plot), may change at any time
/// and is read at every call.
class ZEBPLOT_EXPORT ViewportMaskFilter : public XYDataSetFilter
{
    Q_OBJECT

public:
    /// A filter for dataSet reading the masks of the listeners in colorBarListeners; neither is owned
    /// and the list must outlive the filter.
    ViewportMaskFilter(XYDataSet* dataSet, QList<ColorBarDrawListener*>* colorBarListeners,
                       QObject* parent = nullptr);
    ~ViewportMaskFilter() override;

    bool excludeDataPoint(int index, int viewportX) override;

public slots:
    /// Clears the masks of all listeners, so they are rebuilt at the next full redraw.
    void clearCache() override;

protected:
    /// The listeners whose masks are read; not owned.
    QList<ColorBarDrawListener*>* colorBarListeners;
};

#endif
