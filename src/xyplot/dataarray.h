#ifndef ZEBPLOT_DATAARRAY_H
#define ZEBPLOT_DATAARRAY_H

#include "zebplot_export.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>

#include <cmath>

/// Abstract base of every numeric series: a growing sequence of values with
/// running statistics, searches, decimation, left shift, an intrusive reference
/// count and a library-wide memory account.  How values are stored is left to
/// the derived storage classes.
///
/// All values cross this interface as double.  A value that must not be used
/// (a gap) reads back as NaN; it keeps its index but is left out of every
/// statistic, and its presence makes the array not non-decreasing.
class ZEBPLOT_EXPORT DataArray : public QObject
{
    Q_OBJECT

public:
/// An empty array that counts itself in sTotalVectorMemoryConsumption once storage grows.
/// It starts reference counted with no reference: hand it to an XYDataSet (which adds one)
/// or call addReference() yourself.
    DataArray();
/// Fails an assertion when a reference-counted array is deleted while references remain;
/// use removeReference() instead.
    ~DataArray() override;

    // --- storage interface (slot order is part of the binary interface) ---
/// Value at index (0 .. dataSize()-1, not range-checked); an unusable value reads back as NaN.
    virtual double getValue(int index) const = 0;
/// Number of stored values, unusable ones included.
    virtual int dataSize() const = 0;
/// Whether the value at index is unusable (a gap).
    virtual bool holdsDoNotUseValue(int index) const;
/// Whether value is this storage's "do not use" value; NaN by default.
    virtual bool equalsDoNotUseValue(double value) const;
    /// Raw storage operations for derived classes: they change only the stored values,
    /// not statistics, flags, memory account or signals.  Callers use append(), replace(),
    /// leftshift(), decimateKeepEven(), reinit() and squeeze(), which keep those consistent.
    ///@{
    virtual void clearData() = 0;
    virtual void appendData(double value) = 0;
    virtual void replaceData(int index, double value) = 0;
    virtual void removeData(int startIndex, int count) = 0;
    virtual void removeOddIndexedData() = 0;
/// First index holding exactly value, -1 when none; used by posOf() on unordered arrays.
    virtual int linearSearchIndexOf(double value) const = 0;
    virtual void squeezeData() = 0;
    ///@}
/// Bytes this array's storage holds now (capacity, not size).
    virtual int getMemoryConsumption() const = 0;

    // --- changing values ---
/// Appends one value (NaN stores a gap) and emits dataChanged(), plus noLongerEmpty()
/// when it is the first usable value.
    void append(double value);
    /// Common tail of every append: statistics, flags, memory account, signals.
    void afterRawAppend(double value);
/// Overwrites the value at index (not range-checked), updates the statistics and the
/// non-decreasing flag, counts a rewrite and emits dataChanged().
    void replace(int index, double value);
    /// Drops the first count values (at most all of them; a negative count drops none),
    /// adds them to getTotalPositionsLeftShifted() and emits leftShifted(count) and dataChanged().
    void leftshift(int count);
    /// Keeps the values at even indices and doubles the decimation factor; emits dataChanged().
    void decimateKeepEven();
/// Empties the array and resets statistics, decimation factor and left-shift total;
/// emits dataChanged().  References are kept.
    void reinit();
/// Releases spare capacity and updates the memory account.
    void squeeze();

    // --- statistics ---
    /// Statistics bookkeeping used by the changing operations and by derived storage classes;
    /// unusable values are ignored.  Removing the current minimum or maximum only marks them
    /// stale: they are recomputed by a scan on the next read.
    ///@{
    void includeInStatistics(double value);
    void removeFromStatistics(double value);
    void replaceValueInStatistics(double oldValue, double newValue);
    void resetStatistics();
    ///@}
/// Mean of the usable values; NaN when there is none.
    double getMean() const;
/// Whether at least one usable (non-gap) value is stored.
    bool hasValidValues() const;
/// Number of usable values, gaps excluded.
    int getNrOfValidValues() const;
    /// Smallest or largest usable value, infinities included; NaN when there is none.
    /// After a removal of the old extreme this costs one scan of the array.
    ///@{
    double getMinimum() const;
    double getMaximum() const;
    ///@}
/// Rescans the array for minimum and maximum (also those for bounds).
    void determineMinimumMaximum() const;

    /// The largest magnitude a value may have to count for data bounds.  An
    /// infinity, or a value so large that a plot's extents and pixel factors
    /// would overflow around it (a glitch such as 1e308), would leave no room
    /// for the rest of the data: such a value is drawn towards the edge of the
    /// view but gives the bounds nothing, like a NaN.
    static constexpr double kLargestBoundedMagnitude = 1e300;
    /// Whether a value counts for data bounds: a number of magnitude at most
    /// kLargestBoundedMagnitude (NaN and infinities do not).
    static bool countsForBounds(double value) { return std::fabs(value) <= kLargestBoundedMagnitude; }
    /// Smallest and largest usable value that counts for bounds; NaN when
    /// there is none.  Kept up to date with the minimum and maximum.
    ///@{
    double getMinimumForBounds() const;
    double getMaximumForBounds() const;
    ///@}
    /// Population variance and skewness of the usable values as of the last
    /// calculateVarianceAndSkewness(); NaN before it and for an empty array.  They are not
    /// updated by appends: see hasUptodateVarianceSkewness().
    ///@{
    double getVariance() const;
    double getSkewness() const;
    ///@}
/// False once values changed after the last calculation of variance and skewness.
    bool hasUptodateVarianceSkewness() const;
/// Full pass over the array that recomputes variance and skewness now.
    void calculateVarianceAndSkewness();
/// Recomputes variance and skewness only when they are stale.
    void ensureVarianceAndSkewness();
    /// Recomputes variance and skewness at most once per size-dependent interval.
    void maybeCalculateVarianceAndSkewness();
    /// Percentile of the absolute usable values; NaN when none or out of range.
    double getPercentile(double percent);
/// Builds the sorted list of absolute usable values that getPercentile() reads; appends keep it sorted afterwards.
    void determineSortedValues();

    // --- reading and searching ---
/// Value at index 0; the array must not be empty.
    double getFirstValue() const;
    /// Last or second-last stored value; NaN when the array is too short.
    ///@{
    double getLastValue() const;
    double getSecondLastValue() const;
    ///@}
/// Whether every value is usable and none is smaller than its predecessor; the binary
/// searches below need it.  An empty array counts as non-decreasing.
    bool isNondecreasing() const;
/// Recomputes the non-decreasing flag by a full scan.
    void determineIsNonDecreasing();
/// Updates the non-decreasing flag after the value at index changed; it can only be cleared here.
    void updateIsNondecreasing(int index);
/// Index of a value equal to value, -1 when there is none (binary search when non-decreasing).
    int posOf(double value) const;
/// Index of the value nearest to value; ties go to the higher index in an unordered array.
/// -1 for an empty array or a NaN query.
    int getIndexOfNearestValue(double value) const;
/// First index whose value is >= value, dataSize() when all are smaller, -1 for an empty array
/// (and, on a non-decreasing array, for a NaN query).
    int getIndexOfFirstValueLargerThanOrEqual(double value) const;
/// Last index whose value is <= value; -1 when none, for a NaN query, or when the array
/// is not non-decreasing (this search needs sorted values).
    int getLargestIndexOfValueSmallerThanOrEqual(double value) const;
/// Value at a fractional index, interpolated linearly between the neighbours; NaN outside
/// 0 .. dataSize()-1 or for a NaN index.
    double getInterpolatedValue(double index) const;
/// Fractional index at which value would lie, interpolated linearly; -1 when the array
/// is empty or not non-decreasing, for NaN, or when value lies outside the stored range.
    double getInterpolatedIndexOfValue(double value) const;

    // --- decimation, left shift, memory ---
/// Samples per stored value: 1, doubled by each decimateKeepEven().
    int getCurrentDecimationFactor() const;
    /// Call once per incoming sample; append the sample only when it returns true.
    bool needsToAddValueAccordingDecimation();
/// Values dropped by leftshift() since construction or reinit(); an index of the array
/// plus this gives a position that stays stable across shifts.
    int getTotalPositionsLeftShifted() const;
    /// Counts the changes that alter stored values other than appending at the
    /// end or dropping from the front: replace, decimation and reinit.  Caches
    /// of values derived from the array compare it to know when to rebuild;
    /// appends and left shifts they can follow through the size and
    /// getTotalPositionsLeftShifted().
    quint64 getRewriteCount() const;
/// Brings this array's share of sTotalVectorMemoryConsumption up to its current storage.
    void updateTotalMemoryConsumption();
/// Takes this array out of sTotalVectorMemoryConsumption (until the next update).
    void excludeFromTotalMemoryConsumption();
/// Bytes held by all live arrays of the process.
    static int getTotalVectorMemoryConsumption();

    // --- reference counting ---
/// Whether removeReference() deletes the array at zero references (true by default).
    bool isReferenceCounted() const;
/// False makes the caller the owner: the array then survives its last reference.
    void setReferenceCounted(bool referenceCounted);
/// References held, by data sets or by addReference() callers.
    int getNumberOfReferences() const;
/// Takes one reference; pair it with removeReference(), never delete a referenced array.
    void addReference();
    /// Drops one reference; a reference-counted array deletes itself at zero.
    void removeReference();

    /// Bytes held by all live arrays of the process.
    static int sTotalVectorMemoryConsumption;

signals:
/// Any change of the values: append, replace, left shift, decimation, reinit.
    void dataChanged();
/// The first usable value was appended.
    void noLongerEmpty();
/// numberOfPoints values were dropped from the front; indices moved down by that much.
    void leftShifted(int numberOfPoints);

protected:
    /// Running statistics behind the getters above (for derived storage classes).
    /// minimum/maximum and their bounds counterparts are only current while minMaxValid is set;
    /// sortedValues is empty until a percentile is asked for.
    ///@{
    double sum = 0.0;
    int nrOfValidValues = 0;
    mutable double minimum;
    mutable double maximum;
    mutable double minimumForBounds;
    mutable double maximumForBounds;
    mutable bool minMaxValid = true;
    double variance;
    double skewness;
    bool varianceUptodate = true;
    QElapsedTimer recalculationTimer;
    QList<double> sortedValues;
    ///@}
    /// State behind getTotalPositionsLeftShifted(), getRewriteCount(), decimation
    /// (decimationCounter counts incoming samples since the last append), the memory account
    /// (lastMemoryConsumption is this array's share of the total), isNondecreasing() and
    /// reference counting.
    ///@{
    int totalPositionsLeftShifted = 0;
    quint64 rewriteCount = 0;
    int decimationCounter = 0;
    int decimationFactor = 1;
    int lastMemoryConsumption = 0;
    bool nondecreasing = true;
    bool referenceCounted = true;
    int numberOfReferences = 0;
    ///@}
};

#endif
