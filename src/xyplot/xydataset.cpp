#include "xydataset.h"

#include "dataarray.h"
#include "extremesfold.h"
#include "look.h"
#include "memleaktracer.h"
#include "xydatasetdrawlistener.h"
#include "xydatasetfilter.h"

#include <algorithm>
#include <cmath>

XYDataSet::XYDataSet(DataArray* xData, DataArray* yData, QString name, QColor color, E_SYMBOL symbol,
                     Qt::PenStyle penStyle, int lineThickness, QObject* parent)
    : QObject(parent), xData(xData), yData(yData), name(name)
{
    complete = false;
    MemLeakTracer::getInstance()->doAllocateObject("XYDataSet");

    // Even arrays that are not reference counted are counted, so that the
    // count always tells how many data sets use an array.
    if (xData)
        xData->addReference();
    if (yData)
        yData->addReference();

    new Look(this, color, symbol, penStyle, lineThickness); // installs itself through setLook

    visible = true;
    showInLegendEvenIfEmpty = false;
    showLegendEvenIfOnlyDataSet = false;
    filter = nullptr;
    drawListener = nullptr;

    if (xData)
        connect(xData, SIGNAL(leftShifted(int)), this, SLOT(leftShiftLook(int)));
    if (yData)
        connect(yData, SIGNAL(noLongerEmpty()), this, SIGNAL(yDataNoLongerEmpty()));
}

XYDataSet::~XYDataSet()
{
    delete look; // its destructor calls unsetLook, which clears the pointer
    look = nullptr;
    delete drawListener;
    drawListener = nullptr;
    delete filter;
    filter = nullptr;
    disposeDataArray(xData);
    disposeDataArray(yData);
    MemLeakTracer::getInstance()->doDeallocateObject("XYDataSet");
}

void XYDataSet::append(double x, double y)
{
    xData->append(x);
    yData->append(y);
}

Bounds XYDataSet::getBounds() const
{
    Bounds bounds;
    // Values beyond what bounds can hold (infinities, glitches such as 1e308)
    // count for nothing, like NaN: the rest of the data keeps its scale.
    if (!hasFixedYPixelPosition()) {
        const double yMin = yData->getMinimumForBounds();
        const double yMax = yData->getMaximumForBounds();
        if (!std::isnan(yMin) && !std::isnan(yMax)) {
            bounds.minY = yMin;
            bounds.maxY = yMax;
        }
    }
    const double xMin = xData->getMinimumForBounds();
    const double xMax = xData->getMaximumForBounds();
    if (!std::isnan(xMin) && !std::isnan(xMax)) {
        bounds.minX = xMin;
        bounds.maxX = xMax;
    }
    return bounds;
}

void XYDataSet::includeInBounds(Bounds& bounds) const
{
    const Bounds own = getBounds();
    if (!std::isnan(own.minX) && !std::isnan(own.maxX)) {
        bounds.minX = std::isnan(bounds.minX) ? own.minX : std::min(own.minX, bounds.minX);
        bounds.maxX = std::isnan(bounds.maxX) ? own.maxX : std::max(own.maxX, bounds.maxX);
    }
    if (!std::isnan(own.minY) && !std::isnan(own.maxY)) {
        bounds.minY = std::isnan(bounds.minY) ? own.minY : std::min(own.minY, bounds.minY);
        bounds.maxY = std::isnan(bounds.maxY) ? own.maxY : std::max(own.maxY, bounds.maxY);
    }
}

void XYDataSet::includeLastInBounds(Bounds& bounds) const
{
    if (yData->dataSize() == 0)
        return;

    auto widen = [](double& lo, double& hi, double value) {
        if (DataArray::countsForBounds(value))
            widenUnsetPair(lo, hi, value);
    };
    if (!hasFixedYPixelPosition())
        widen(bounds.minY, bounds.maxY, yData->getLastValue());
    widen(bounds.minX, bounds.maxX, xData->getLastValue());
}

bool XYDataSet::hasFixedYPixelPosition() const
{
    return look && look->isColorBar();
}

Look* XYDataSet::getLook()
{
    if (!look)
        new Look(this, QColor(Qt::black), SYMBOL_NONE, Qt::NoPen, 0); // installs itself
    return look;
}

void XYDataSet::setLook(Look* newLook)
{
    if (look && look != newLook)
        delete look; // calls unsetLook on us
    look = newLook;
    if (look)
        connect(look, SIGNAL(lastAppearanceChanged()), this, SIGNAL(lastAppearanceChanged()),
                Qt::UniqueConnection);
}

void XYDataSet::unsetLook(Look* oldLook)
{
    if (look == oldLook)
        look = nullptr;
}

void XYDataSet::leftShiftLook(int numberOfPoints)
{
    if (look)
        look->leftShift(numberOfPoints);
}

void XYDataSet::disposeDataArray(DataArray* array)
{
    if (!array)
        return;
    if (!array->isReferenceCounted())
        delete array;
    else
        array->removeReference(); // deletes the array with its last reference
}

bool XYDataSet::getShowInLegendEvenIfEmpty() const
{
    return showInLegendEvenIfEmpty;
}

void XYDataSet::setShowInLegendEvenIfEmpty(bool show)
{
    showInLegendEvenIfEmpty = show;
}

bool XYDataSet::getShowLegendEvenIfOnlyDataSet() const
{
    return showLegendEvenIfOnlyDataSet;
}

void XYDataSet::setShowLegendEvenIfOnlyDataSet(bool show)
{
    showLegendEvenIfOnlyDataSet = show;
}

bool XYDataSet::isComplete() const
{
    return complete;
}

void XYDataSet::setComplete(bool value)
{
    complete = value;
}

XYDataSetFilter* XYDataSet::getFilter()
{
    return filter;
}

void XYDataSet::setFilter(XYDataSetFilter* newFilter)
{
    filter = newFilter;
}

XYDataSetDrawListener* XYDataSet::getDrawListener()
{
    return drawListener;
}

void XYDataSet::setDrawListener(XYDataSetDrawListener* newDrawListener)
{
    drawListener = newDrawListener;
}
