#include "colorbardrawlistener.h"

#include "dataarray.h"
#include "memleaktracer.h"
#include "xydataset.h"

namespace {

// The mask covers at most this many pixel columns; wider canvases are not
// masked beyond it, which bounds the memory a runaway column could claim.
const int firstMaskColumn = 1;
const int lastMaskColumn = 9999;

} // namespace

ColorBarDrawListener::ColorBarDrawListener(XYDataSet* colorBarDataSet, QObject* parent)
    : XYDataSetDrawListener(colorBarDataSet, parent)
{
    MemLeakTracer::getInstance()->doAllocateObject("ColorBarDrawListener");
}

ColorBarDrawListener::~ColorBarDrawListener()
{
    MemLeakTracer::getInstance()->doDeallocateObject("ColorBarDrawListener");
}

void ColorBarDrawListener::filterEntry(Look::Entry lookEntry, bool enabled)
{
    if (enabled)
        filteredEntries.insert(lookEntry);
    else
        filteredEntries.remove(lookEntry);
}

bool ColorBarDrawListener::isFiltered(Look::Entry lookEntry)
{
    return filteredEntries.contains(lookEntry);
}

bool ColorBarDrawListener::decideToExcludeDataPoint(int index)
{
    if (!dataSet)
        return false;
    return isFiltered(dataSet->getLook()->getApplicableLookEntry(index));
}

void ColorBarDrawListener::drawingDataPoint(int index, int viewportX)
{
    if (viewportX < firstMaskColumn || viewportX > lastMaskColumn)
        return;
    const bool hidden = decideToExcludeDataPoint(index);
    if (mask.size() < viewportX + 1)
        mask.resize(viewportX + 1, Uninitialized);

    const MaskValue value = hidden ? Hide : Show;
    MaskValue& current = mask[viewportX];
    if (current == Uninitialized)
        current = value;
    else if (current != value)
        current = Partial;
}

ColorBarDrawListener::MaskValue ColorBarDrawListener::excludeDataPointsAtViewportX(int viewportX)
{
    if (viewportX < 0 || viewportX >= mask.size())
        return Uninitialized;
    return mask[viewportX];
}

bool ColorBarDrawListener::excludeDataPointAtWorldX(double worldX)
{
    if (!dataSet || !dataSet->xData)
        return false;
    const int index = dataSet->xData->getIndexOfNearestValue(worldX);
    if (index < 0)
        return false; // no bar point to decide by
    return isFiltered(dataSet->getLook()->getApplicableLookEntry(index));
}

void ColorBarDrawListener::clearCache()
{
    mask.clear();
}
