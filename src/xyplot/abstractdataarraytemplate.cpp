#include "abstractdataarraytemplate.h"

#include "memleaktracer.h"

#include <cmath>
#include <limits>

template <typename T>
AbstractDataArrayTemplate<T>::AbstractDataArrayTemplate()
    : hasDoNotUseValue(false)
    , doNotUseValue()
{
    MemLeakTracer::getInstance()->doAllocateObject(QStringLiteral("AbstractDataArrayTemplate"));
}

template <typename T>
AbstractDataArrayTemplate<T>::AbstractDataArrayTemplate(T const& marker)
    : hasDoNotUseValue(true)
    , doNotUseValue(marker)
{
    MemLeakTracer::getInstance()->doAllocateObject(QStringLiteral("AbstractDataArrayTemplate"));
}

template <typename T>
AbstractDataArrayTemplate<T>::~AbstractDataArrayTemplate()
{
    MemLeakTracer::getInstance()->doDeallocateObject(QStringLiteral("AbstractDataArrayTemplate"));
}

template <typename T>
double AbstractDataArrayTemplate<T>::getValue(int index) const
{
    const T v = getTypedValue(index);
    if (hasDoNotUseValue && v == doNotUseValue)
        return std::numeric_limits<double>::quiet_NaN();
    return double(v);
}

template <typename T>
bool AbstractDataArrayTemplate<T>::holdsDoNotUseValue(int index) const
{
    return hasDoNotUseValue && getTypedValue(index) == doNotUseValue;
}

template <typename T>
bool AbstractDataArrayTemplate<T>::equalsDoNotUseValue(double value) const
{
    if (std::isnan(value))
        return true;
    return hasDoNotUseValue && value == double(doNotUseValue);
}

template class AbstractDataArrayTemplate<double>;
template class AbstractDataArrayTemplate<int>;
