#include "bitdataarray.h"

#include "dbg.h"
#include "memleaktracer.h"

#include <algorithm>

BitDataArray::BitDataArray()
{
    MemLeakTracer::getInstance()->doAllocateObject(QStringLiteral("BitDataArray"));
}

BitDataArray::~BitDataArray()
{
    bits.clear();
    count = 0;
    MemLeakTracer::getInstance()->doDeallocateObject(QStringLiteral("BitDataArray"));
}

double BitDataArray::getValue(int index) const
{
    return bits.testBit(index) ? 1.0 : 0.0;
}

bool BitDataArray::getBoolValue(int index) const
{
    return bits.testBit(index);
}

int BitDataArray::dataSize() const
{
    return count;
}

bool BitDataArray::holdsDoNotUseValue(int) const
{
    return false;
}

bool BitDataArray::equalsDoNotUseValue(double) const
{
    return false;
}

void BitDataArray::clearData()
{
    bits.clear();
    count = 0;
}

void BitDataArray::appendBoolData(bool value)
{
    // Doubling growth, starting at one bit.
    if (count == bits.size())
        bits.resize(std::max<qsizetype>(1, 2 * qsizetype(count)));
    bits.setBit(count, value);
    ++count;
}

void BitDataArray::appendBool(bool value)
{
    appendBoolData(value);
    afterRawAppend(value ? 1.0 : 0.0);
}

void BitDataArray::appendData(double value)
{
    // "Not zero" includes NaN: only an exact zero clears the bit.
    appendBoolData(value != 0.0);
}

void BitDataArray::replaceData(int index, double value)
{
    if (index < 0 || index >= count)
        return;
    bits.setBit(index, value != 0.0);
}

void BitDataArray::removeData(int startIndex, int removeCount)
{
    if (startIndex < 0 || removeCount < 0 || qint64(startIndex) + removeCount > count) {
        ZEB_ASSERT("BitDataArray", "startIndex and/or count out of range");
        return;
    }
    for (int i = startIndex; i < count - removeCount; ++i)
        bits.setBit(i, bits.testBit(i + removeCount));
    count -= removeCount;
}

void BitDataArray::removeOddIndexedData()
{
    const int kept = (count + 1) / 2;
    for (int i = 1; i < kept; ++i)
        bits.setBit(i, bits.testBit(2 * i));
    count = kept;
}

int BitDataArray::linearSearchIndexOf(double value) const
{
    if (value != 1.0 && value != 0.0)
        return -1;
    const bool wanted = value == 1.0;
    for (int i = 0; i < count; ++i) {
        if (bits.testBit(i) == wanted)
            return i;
    }
    return -1;
}

void BitDataArray::squeezeData()
{
    bits.resize(count);
}

int BitDataArray::getMemoryConsumption() const
{
    return int(bits.size() / 8);
}
