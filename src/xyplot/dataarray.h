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
    DataArray();
    ~DataArray() override;

    // --- storage interface (slot order is part of the binary interface) ---
    virtual double getValue(int index) const = 0;
    virtual int dataSize() const = 0;
    virtual bool holdsDoNotUseValue(int index) const;
    virtual bool equalsDoNotUseValue(double value) const;
    virtual void clearData() = 0;
    virtual void appendData(double value) = 0;
    virtual void replaceData(int index, double value) = 0;
    virtual void removeData(int startIndex, int count) = 0;
    virtual void removeOddIndexedData() = 0;
    virtual int linearSearchIndexOf(double value) const = 0;
    virtual void squeezeData() = 0;
    virtual int getMemoryConsumption() const = 0;

    // --- changing values ---
    void append(double value);
    /// Common tail of every append: statistics, flags, memory account, signals.
    void afterRawAppend(double value);
    void replace(int index, double value);
    /// Drops the first count values (at most all of them).
    void leftshift(int count);
    /// Keeps the values at even indices and doubles the decimation factor.
    void decimateKeepEven();
    void reinit();
    void squeeze();

    // --- statistics ---
    void includeInStatistics(double value);
    void removeFromStatistics(double value);
    void replaceValueInStatistics(double oldValue, double newValue);
    void resetStatistics();
    double getMean() const;
    bool hasValidValues() const;
    int getNrOfValidValues() const;
    double getMinimum() const;
    double getMaximum() const;
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
    double getMinimumForBounds() const;
    double getMaximumForBounds() const;
    double getVariance() const;
    double getSkewness() const;
    bool hasUptodateVarianceSkewness() const;
    void calculateVarianceAndSkewness();
    void ensureVarianceAndSkewness();
    /// Recomputes variance and skewness at most once per size-dependent interval.
    void maybeCalculateVarianceAndSkewness();
    /// Percentile of the absolute usable values; NaN when none or out of range.
    double getPercentile(double percent);
    void determineSortedValues();

    // --- reading and searching ---
    double getFirstValue() const;
    double getLastValue() const;
    double getSecondLastValue() const;
    bool isNondecreasing() const;
    void determineIsNonDecreasing();
    void updateIsNondecreasing(int index);
    int posOf(double value) const;
    int getIndexOfNearestValue(double value) const;
    int getIndexOfFirstValueLargerThanOrEqual(double value) const;
    int getLargestIndexOfValueSmallerThanOrEqual(double value) const;
    double getInterpolatedValue(double index) const;
    double getInterpolatedIndexOfValue(double value) const;

    // --- decimation, left shift, memory ---
    int getCurrentDecimationFactor() const;
    /// Call once per incoming sample; append the sample only when it returns true.
    bool needsToAddValueAccordingDecimation();
    int getTotalPositionsLeftShifted() const;
    /// Counts the changes that alter stored values other than appending at the
    /// end or dropping from the front: replace, decimation and reinit.  Caches
    /// of values derived from the array compare it to know when to rebuild;
    /// appends and left shifts they can follow through the size and
    /// getTotalPositionsLeftShifted().
    quint64 getRewriteCount() const;
    void updateTotalMemoryConsumption();
    void excludeFromTotalMemoryConsumption();
    static int getTotalVectorMemoryConsumption();

    // --- reference counting ---
    bool isReferenceCounted() const;
    void setReferenceCounted(bool referenceCounted);
    int getNumberOfReferences() const;
    void addReference();
    /// Drops one reference; a reference-counted array deletes itself at zero.
    void removeReference();

    /// Bytes held by all live arrays of the process.
    static int sTotalVectorMemoryConsumption;

signals:
    void dataChanged();
    void noLongerEmpty();
    void leftShifted(int numberOfPoints);

protected:
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
    int totalPositionsLeftShifted = 0;
    quint64 rewriteCount = 0;
    int decimationCounter = 0;
    int decimationFactor = 1;
    int lastMemoryConsumption = 0;
    bool nondecreasing = true;
    bool referenceCounted = true;
    int numberOfReferences = 0;
};

#endif
