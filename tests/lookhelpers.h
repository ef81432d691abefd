#ifndef ZEBPLOT_TESTS_LOOKHELPERS_H
#define ZEBPLOT_TESTS_LOOKHELPERS_H

// Shared by the data-set and appearance tests.

#include <zebplot/zebplot.h>

#include "dataarraytemplate.h"
#include "memleaktracer.h"

#include <QtTest>

#include <cmath>
#include <memory>

using DoubleArray = DataArrayTemplate<double>;
using Entry = Look::Entry;

// Readable QCOMPARE failures for appearances.
inline char* toString(Look::Entry const& e)
{
    return qstrdup(qPrintable(QString("Entry(%1, symbol %2, pen %3, thickness %4)")
                                  .arg(e.color.isValid() ? e.color.name(QColor::HexArgb) : QString("invalid"))
                                  .arg(int(e.symbol)).arg(int(e.penStyle)).arg(e.lineThickness)));
}

inline XYDataSet* newDataSet(Entry const& look, QString name = "d")
{
    return new XYDataSet(new DoubleArray, new DoubleArray, name, look.color, look.symbol, look.penStyle,
                         look.lineThickness, nullptr);
}

// Appends points (x = index) until the data set holds size of them.
inline void appendUpTo(XYDataSet* dataSet, int size, double y = 0)
{
    while (dataSet->yData->dataSize() < size)
        dataSet->append(dataSet->xData->dataSize(), y);
}

// Every object of the library must be gone once a test's objects are deleted.
#define VERIFY_NO_LIVE_OBJECTS() QCOMPARE(MemLeakTracer::getInstance()->liveObjects(), (QMap<QString, int>()))

#endif
