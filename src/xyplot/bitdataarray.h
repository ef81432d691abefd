#ifndef ZEBPLOT_BITDATAARRAY_H
#define ZEBPLOT_BITDATAARRAY_H

#include "dataarray.h"
#include "zebplot_export.h"

#include <QBitArray>

/// On/off series stored as one bit per value.  Every value is usable: a bit
/// array has no gaps, and an appended NaN is stored as a set bit.
///
/// Producers append with appendBool(), which feeds 1.0 or 0.0 to the
/// statistics; append(double) feeds the value passed in.
class ZEBPLOT_EXPORT BitDataArray : public DataArray
{
    Q_OBJECT

public:
    /// Empty; a bit array never holds a gap (see the class comment).
    BitDataArray();
    ~BitDataArray() override;

    double getValue(int index) const override;
    int dataSize() const override;
    bool holdsDoNotUseValue(int index) const override;
    bool equalsDoNotUseValue(double value) const override;
    void clearData() override;
    void appendData(double value) override;
    void replaceData(int index, double value) override;
    void removeData(int startIndex, int count) override;
    void removeOddIndexedData() override;
    int linearSearchIndexOf(double value) const override;
    void squeezeData() override;
    int getMemoryConsumption() const override;

    /// The bit at index (not range-checked).
    bool getBoolValue(int index) const;
    /// Stores a bit without touching statistics or signals.
    void appendBoolData(bool value);
    /// Appends a bit as 1.0 or 0.0 with statistics and signals, like append().
    void appendBool(bool value);

protected:
    /// The bits; bits grows by doubling, so only the first count are values.
    ///@{
    QBitArray bits;
    int count = 0;
    ///@}
};

#endif
