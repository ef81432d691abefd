#include "xydatasetdrawlistener.h"

#include "memleaktracer.h"

XYDataSetDrawListener::XYDataSetDrawListener(XYDataSet* dataSet, QObject* parent)
    : QObject(parent), dataSet(dataSet)
{
    MemLeakTracer::getInstance()->doAllocateObject("XYDataSetDrawListener");
}

XYDataSetDrawListener::~XYDataSetDrawListener()
{
    MemLeakTracer::getInstance()->doDeallocateObject("XYDataSetDrawListener");
}
