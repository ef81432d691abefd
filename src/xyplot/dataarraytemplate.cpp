#include "dataarraytemplate.h"

#include "memleaktracer.h"

#include <cmath>

template <typename T>
DataArrayTemplate<T>::DataArrayTemplate()
{
    MemLeakTracer::getInstance()->doAllocateObject(QStringLiteral("DataArrayTemplate"));
}

template <typename T>
DataArrayTemplate<T>::DataArrayTemplate(T const& marker)
    : AbstractDataArrayTemplate<T>(marker)
{
    MemLeakTracer::getInstance()->doAllocateObject(QStringLiteral("DataArrayTemplate"));
}

template <typename T>
DataArrayTemplate<T>::~DataArrayTemplate()
{
    // Release the storage before the base removes this array's share from
    // the library-wide memory total.
    data = QList<T>();
    MemLeakTracer::getInstance()->doDeallocateObject(QStringLiteral("DataArrayTemplate"));
}

template <typename T>
T DataArrayTemplate<T>::toStored(double value) const
{
    if (this->hasDoNotUseValue && std::isnan(value))
        return this->doNotUseValue;
    return T(value);
}

template <typename T>
double DataArrayTemplate<T>::getValue(int index) const
{
    return valueAt(index);
}

template <typename T>
int DataArrayTemplate<T>::dataSize() const
{
    return int(data.size());
}

template <typename T>
bool DataArrayTemplate<T>::holdsDoNotUseValue(int index) const
{
    return this->hasDoNotUseValue && data.at(index) == this->doNotUseValue;
}

template <typename T>
void DataArrayTemplate<T>::clearData()
{
    data.clear();
}

template <typename T>
void DataArrayTemplate<T>::appendData(double value)
{
    data.append(toStored(value));
}

template <typename T>
void DataArrayTemplate<T>::replaceData(int index, double value)
{
    data[index] = toStored(value);
}

template <typename T>
void DataArrayTemplate<T>::removeData(int startIndex, int count)
{
    if (count <= 0)
        return;
    // QList drops a leading range by moving its begin pointer: no copying.
    data.remove(startIndex, count);
}

template <typename T>
void DataArrayTemplate<T>::removeOddIndexedData()
{
    // Compact in place; the capacity stays for the values still to come.
    const qsizetype n = data.size();
    const qsizetype kept = (n + 1) / 2;
    if (n < 2)
        return;
    T* values = data.data();
    for (qsizetype i = 1; i < kept; ++i)
        values[i] = values[2 * i];
    data.resize(kept);
}

template <typename T>
int DataArrayTemplate<T>::linearSearchIndexOf(double value) const
{
    const qsizetype n = data.size();
    const T* values = data.constData();
    if (std::isnan(value) && this->hasDoNotUseValue) {
        for (qsizetype i = 0; i < n; ++i) {
            if (values[i] == this->doNotUseValue)
                return int(i);
        }
        return -1;
    }
    for (qsizetype i = 0; i < n; ++i) {
        if (values[i] == value)
            return int(i);
    }
    return -1;
}

template <typename T>
void DataArrayTemplate<T>::squeezeData()
{
    data.squeeze();
}

template <typename T>
int DataArrayTemplate<T>::getMemoryConsumption() const
{
    // QList::capacity() counts the whole allocation, including the room left
    // in front of the values by a left shift.
    return int(data.capacity() * qsizetype(sizeof(T)));
}

template <typename T>
T DataArrayTemplate<T>::getTypedValue(int index) const
{
    return data.at(index);
}

template <typename T>
void DataArrayTemplate<T>::appendTyped(T value)
{
    data.append(value);
    this->afterRawAppend(double(value));
}

template class DataArrayTemplate<double>;
