#include "xydatasetfilter.h"

#include "memleaktracer.h"

XYDataSetFilter::XYDataSetFilter(XYDataSet* dataSet, QObject* parent)
    : QObject(parent), dataSet(dataSet)
{
    MemLeakTracer::getInstance()->doAllocateObject("XYDataSetFilter");
}

XYDataSetFilter::~XYDataSetFilter()
{
    MemLeakTracer::getInstance()->doDeallocateObject("XYDataSetFilter");
}

void XYDataSetFilter::clearCache()
{
    // Nothing is cached by a plain filter.
}
