#ifndef ZEBPLOT_ABSTRACTDATAARRAYTEMPLATE_H
#define ZEBPLOT_ABSTRACTDATAARRAYTEMPLATE_H

#include "dataarray.h"
#include "zebplot_export.h"

/// Typed intermediate base of the storage classes: knows the element type T
/// and an optional do-not-use marker of that type, which reads back as NaN.
///
/// Instantiated (and exported) for double and int only.
template <typename T>
class ZEBPLOT_EXPORT AbstractDataArrayTemplate : public DataArray
{
public:
    /// No marker: only NaN is unusable.
    AbstractDataArrayTemplate();
    /// The given value marks a gap; it is stored but reads back as NaN.
    explicit AbstractDataArrayTemplate(T const& doNotUseValue);
    ~AbstractDataArrayTemplate() override;

    double getValue(int index) const override;
    bool holdsDoNotUseValue(int index) const override;
    bool equalsDoNotUseValue(double value) const override;

    /// The stored value, marker included, not mapped to NaN.
    virtual T getTypedValue(int index) const = 0;
    /// Stores a typed value and runs the common append tail.
    virtual void appendTyped(T value) = 0;

    /// Whether a do-not-use marker was given at construction.
    bool hasDoNotUseValueConfigured() const { return hasDoNotUseValue; }
    /// The marker; meaningful only when hasDoNotUseValueConfigured().
    T getDoNotUseValue() const { return doNotUseValue; }

protected:
    /// The marker configuration behind the two getters above.
    ///@{
    bool hasDoNotUseValue;
    T doNotUseValue;
    ///@}
};

extern template class AbstractDataArrayTemplate<double>;
extern template class AbstractDataArrayTemplate<int>;

#endif
