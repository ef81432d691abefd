#include "viewportmaskfilter.h"

#include "colorbardrawlistener.h"
#include "dataarray.h"
#include "memleaktracer.h"
#include "xydataset.h"

ViewportMaskFilter::ViewportMaskFilter(XYDataSet* dataSet, QList<ColorBarDrawListener*>* colorBarListeners,
                                       QObject* parent)
    : XYDataSetFilter(dataSet, parent), colorBarListeners(colorBarListeners)
{
    MemLeakTracer::getInstance()->doAllocateObject("ViewportMaskFilter");
}

ViewportMaskFilter::~ViewportMaskFilter()
{
    MemLeakTracer::getInstance()->doDeallocateObject("ViewportMaskFilter");
}

bool ViewportMaskFilter::excludeDataPoint(int index, int viewportX)
{
    if (!colorBarListeners)
        return false;
    for (ColorBarDrawListener* listener : std::as_const(*colorBarListeners)) {
        if (!listener)
            continue;
        switch (listener->excludeDataPointsAtViewportX(viewportX)) {
        case ColorBarDrawListener::Hide:
            return true;
        case ColorBarDrawListener::Partial: {
            // The column holds both kinds; decide by the bar point nearest in x.
            if (!dataSet || !dataSet->xData)
                break;
            const double worldX = dataSet->xData->getValue(index);
            if (listener->excludeDataPointAtWorldX(worldX))
                return true;
            break;
        }
        case ColorBarDrawListener::Show:
        case ColorBarDrawListener::Uninitialized:
            break;
        }
    }
    return false;
}

void ViewportMaskFilter::clearCache()
{
    if (!colorBarListeners)
        return;
    for (ColorBarDrawListener* listener : std::as_const(*colorBarListeners)) {
        if (listener)
            listener->clearCache();
    }
}
