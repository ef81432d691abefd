#ifndef ZEBPLOT_DATAARRAYTEMPLATE_H
#define ZEBPLOT_DATAARRAYTEMPLATE_H

#include "abstractdataarraytemplate.h"
#include "zebplot_export.h"

#include <QList>

#include <limits>

/// Plain contiguous storage: one element of T per value, the usual storage for
/// the x (time) and y values of a data set.  Instantiated for double.
///
/// Removing a leading range (left shift) advances the start of the list
/// instead of moving the remaining values.
template <typename T>
class ZEBPLOT_EXPORT DataArrayTemplate : public AbstractDataArrayTemplate<T>
{
public:
    /// No marker: an appended NaN is stored as NaN (for double) and is a gap.
    DataArrayTemplate();
    /// Appended NaNs are stored as the marker; the marker reads back as NaN.
    explicit DataArrayTemplate(T const& doNotUseValue);
    ~DataArrayTemplate() override;

    double getValue(int index) const override;
    int dataSize() const override;
    bool holdsDoNotUseValue(int index) const override;
    void clearData() override;
    void appendData(double value) override;
    void replaceData(int index, double value) override;
    void removeData(int startIndex, int count) override;
    void removeOddIndexedData() override;
    int linearSearchIndexOf(double value) const override;
    void squeezeData() override;
    int getMemoryConsumption() const override;

    T getTypedValue(int index) const override;
    void appendTyped(T value) override;

    /// Fast, non-virtual read path for loops over many values (drawing,
    /// filters): the stored elements as they are, markers included.  Valid
    /// until the next change of the array.
    const T* constData() const { return data.constData(); }
    /// Non-virtual getValue(): maps the marker to NaN; index is not range-checked.
    double valueAt(int index) const
    {
        const T v = data.at(index);
        if (this->hasDoNotUseValue && v == this->doNotUseValue)
            return std::numeric_limits<double>::quiet_NaN();
        return double(v);
    }

protected:
    /// The stored elements, markers included.
    QList<T> data;

private:
    T toStored(double value) const;
};

extern template class DataArrayTemplate<double>;

/// The values of array straight from memory when it is plain double storage
/// without a marker (each stored element is its value, NaN included),
/// otherwise nullptr: loops over many values read them without a virtual call
/// each.  Valid until the array next changes.
inline double const* plainDoubleValues(DataArray const* array)
{
    auto typed = dynamic_cast<DataArrayTemplate<double> const*>(array);
    return typed && !typed->hasDoNotUseValueConfigured() ? typed->constData() : nullptr;
}

#endif
