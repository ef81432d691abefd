#include "dataarray.h"

#include "dbg.h"
#include "memleaktracer.h"

#include <algorithm>
#include <cmath>
#include <limits>

int DataArray::sTotalVectorMemoryConsumption = 0;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

/// Largest index i with value[i] <= v on a non-decreasing array, -1 when v is
/// below the first value.  Two probes per step: the loop stops as soon as the
/// next value is larger, which is the common outcome for the canvas' queries
/// near the end of a growing time array.
int binarySearchLargestSmallerOrEqual(const DataArray& array, int n, double v)
{
    int lo = 0;
    int hi = n;
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (array.getValue(mid) > v) {
            hi = mid;
        } else if (mid == n - 1) {
            return mid;
        } else {
            lo = mid + 1;
            if (array.getValue(mid + 1) > v)
                return mid;
        }
    }
    return -1;
}

/// A query that is no value at all cannot be found.  NaN is tested on its
/// own because storage without unusable values (bits) counts NaN as a value
/// when storing, yet no order relation exists for it.
bool queryUnusable(const DataArray& array, double v)
{
    return std::isnan(v) || array.equalsDoNotUseValue(v);
}

} // namespace

DataArray::DataArray()
    : minimum(kNaN)
    , maximum(kNaN)
    , minimumForBounds(kNaN)
    , maximumForBounds(kNaN)
    , variance(kNaN)
    , skewness(kNaN)
{
    MemLeakTracer::getInstance()->doAllocateObject(QStringLiteral("DataArray"));
}

DataArray::~DataArray()
{
    if (referenceCounted && numberOfReferences != 0)
        ZEB_ASSERT("DataArray", "Deleting referenced DataArray!");
    MemLeakTracer::getInstance()->doDeallocateObject(QStringLiteral("DataArray"));
    sTotalVectorMemoryConsumption -= lastMemoryConsumption;
    lastMemoryConsumption = 0;
    sortedValues.clear();
}

bool DataArray::holdsDoNotUseValue(int index) const
{
    return equalsDoNotUseValue(getValue(index));
}

bool DataArray::equalsDoNotUseValue(double value) const
{
    return std::isnan(value);
}

// ---------------------------------------------------------------------------
// Changing values

void DataArray::append(double value)
{
    appendData(value);
    afterRawAppend(value);
}

void DataArray::afterRawAppend(double value)
{
    // This runs for every sample of a live stream: no allocation here apart
    // from the storage growth accounted below.
    const int validBefore = nrOfValidValues;
    decimationCounter = 0;
    updateTotalMemoryConsumption();
    includeInStatistics(value);

    if (nondecreasing) {
        const int last = dataSize() - 1;
        const double lastValue = getValue(last);
        if (std::isnan(lastValue) || (last > 0 && lastValue < getValue(last - 1)))
            nondecreasing = false;
    }

    emit dataChanged();
    if (validBefore < 1 && nrOfValidValues > 0)
        emit noLongerEmpty();
}

void DataArray::replace(int index, double value)
{
    const double oldValue = getValue(index);
    replaceData(index, value);
    ++rewriteCount;
    replaceValueInStatistics(oldValue, value);
    updateIsNondecreasing(index);
    emit dataChanged();
}

void DataArray::leftshift(int count)
{
    // A negative count is a caller error; treating it as 0 keeps the array intact.
    const int k = std::max(0, std::min(count, dataSize()));
    for (int i = 0; i < k; ++i)
        removeFromStatistics(getValue(i));
    removeData(0, k);
    updateTotalMemoryConsumption();
    totalPositionsLeftShifted += k;
    emit leftShifted(k);
    emit dataChanged();
}

void DataArray::decimateKeepEven()
{
    const int n = dataSize();
    removeOddIndexedData();
    ++rewriteCount;

    resetStatistics();
    for (int i = dataSize() - 1; i >= 0; --i)
        includeInStatistics(getValue(i));

    // Doubling saturates: a series decimated thirty times keeps one sample in
    // a billion already, and the factor must not overflow.
    constexpr int kMaxDecimationFactor = 1 << 30;
    if (decimationFactor < kMaxDecimationFactor)
        decimationFactor *= 2;
    // Keep the phase of the incoming samples: the samples offered since the
    // last stored one now count double, and when the last stored value sat at
    // an odd index it has just been dropped, which adds one more.
    // The count saturates both ways: an empty array adds -1 every time, and
    // a producer that decimates an empty series again and again must not
    // overflow it.
    const qint64 counter = 2 * qint64(decimationCounter) + ((n - 1) % 2);
    decimationCounter = int(std::clamp<qint64>(counter, -kMaxDecimationFactor, std::numeric_limits<int>::max()));

    updateTotalMemoryConsumption();
    emit dataChanged();
}

void DataArray::reinit()
{
    clearData();
    ++rewriteCount;
    updateTotalMemoryConsumption();
    resetStatistics();
    nondecreasing = true;
    decimationFactor = 1;
    decimationCounter = 0;
    totalPositionsLeftShifted = 0;
    emit dataChanged();
}

void DataArray::squeeze()
{
    squeezeData();
    updateTotalMemoryConsumption();
}

// ---------------------------------------------------------------------------
// Statistics

void DataArray::includeInStatistics(double value)
{
    if (equalsDoNotUseValue(value))
        return;
    const bool first = nrOfValidValues == 0;
    ++nrOfValidValues;
    sum += value;
    varianceUptodate = false;

    if (first) {
        minimum = maximum = value;
        minimumForBounds = maximumForBounds = kNaN;
        minMaxValid = true;
    } else if (minMaxValid) {
        minimum = minimum < value ? minimum : value;
        maximum = value <= maximum ? maximum : value;
    }
    if (minMaxValid && countsForBounds(value)) {
        if (std::isnan(minimumForBounds)) {
            minimumForBounds = maximumForBounds = value;
        } else {
            minimumForBounds = minimumForBounds < value ? minimumForBounds : value;
            maximumForBounds = value <= maximumForBounds ? maximumForBounds : value;
        }
    }

    // The sorted list exists only after a percentile was asked for; keep it
    // current so that the next percentile costs no sort.
    if (!sortedValues.isEmpty()) {
        const double a = std::fabs(value);
        const auto pos = std::lower_bound(sortedValues.cbegin(), sortedValues.cend(), a);
        sortedValues.insert(pos - sortedValues.cbegin(), a);
    }
}

void DataArray::removeFromStatistics(double value)
{
    if (equalsDoNotUseValue(value))
        return;
    --nrOfValidValues;
    sum -= value;
    varianceUptodate = false;
    if (value == minimum || value == maximum || value == minimumForBounds || value == maximumForBounds)
        minMaxValid = false;
    sortedValues.clear();
}

void DataArray::replaceValueInStatistics(double oldValue, double newValue)
{
    removeFromStatistics(oldValue);
    includeInStatistics(newValue);
    sortedValues.clear();
}

void DataArray::resetStatistics()
{
    sum = 0.0;
    nrOfValidValues = 0;
    minimum = maximum = kNaN;
    minimumForBounds = maximumForBounds = kNaN;
    variance = skewness = kNaN;
    minMaxValid = true;
    varianceUptodate = true;
    sortedValues.clear();
}

double DataArray::getMean() const
{
    if (nrOfValidValues == 0)
        return kNaN;
    return sum / nrOfValidValues;
}

bool DataArray::hasValidValues() const
{
    return nrOfValidValues > 0;
}

int DataArray::getNrOfValidValues() const
{
    return nrOfValidValues;
}

double DataArray::getMinimum() const
{
    if (!minMaxValid)
        determineMinimumMaximum();
    return minimum;
}

double DataArray::getMaximum() const
{
    if (!minMaxValid)
        determineMinimumMaximum();
    return maximum;
}

double DataArray::getMinimumForBounds() const
{
    if (!minMaxValid)
        determineMinimumMaximum();
    return minimumForBounds;
}

double DataArray::getMaximumForBounds() const
{
    if (!minMaxValid)
        determineMinimumMaximum();
    return maximumForBounds;
}

void DataArray::determineMinimumMaximum() const
{
    minimum = maximum = kNaN;
    minimumForBounds = maximumForBounds = kNaN;
    bool found = false;
    bool foundForBounds = false;
    for (int i = dataSize() - 1; i >= 0; --i) {
        const double v = getValue(i);
        if (equalsDoNotUseValue(v))
            continue;
        if (countsForBounds(v)) {
            if (!foundForBounds) {
                minimumForBounds = maximumForBounds = v;
                foundForBounds = true;
            } else {
                minimumForBounds = std::min(minimumForBounds, v);
                maximumForBounds = std::max(maximumForBounds, v);
            }
        }
        if (!found) {
            minimum = maximum = v;
            found = true;
            continue;
        }
        if (v <= minimum)
            minimum = v;
        if (v > maximum)
            maximum = v;
    }
    minMaxValid = true;
}

double DataArray::getVariance() const
{
    return variance;
}

double DataArray::getSkewness() const
{
    return skewness;
}

bool DataArray::hasUptodateVarianceSkewness() const
{
    return varianceUptodate;
}

void DataArray::calculateVarianceAndSkewness()
{
    recalculationTimer.start();
    variance = skewness = kNaN;
    const int n = dataSize();
    const double mean = nrOfValidValues == 0 ? kNaN : sum / nrOfValidValues;
    if (nrOfValidValues != 0 && !std::isnan(mean) && n != 0) {
        double s2 = 0.0;
        double s3 = 0.0;
        int k = 0;
        for (int i = n - 1; i >= 0; --i) {
            const double v = getValue(i);
            if (std::isnan(v) || equalsDoNotUseValue(v))
                continue;
            const double d = v - mean;
            s2 += d * d;
            s3 += d * d * d;
            ++k;
        }
        if (k > 0) {
            variance = s2 / k;
            skewness = s3 * std::sqrt(double(k)) / std::pow(s2, 1.5);
        }
    }
    varianceUptodate = true;
}

void DataArray::ensureVarianceAndSkewness()
{
    if (!varianceUptodate)
        calculateVarianceAndSkewness();
}

void DataArray::maybeCalculateVarianceAndSkewness()
{
    if (varianceUptodate)
        return;
    const int n = dataSize();
    if (n <= 100)
        return;
    // A full pass over a long live series is expensive; the longer the series,
    // the longer stale values are acceptable.
    qint64 interval;
    if (n <= 1000)
        interval = 1000;
    else if (n <= 10000)
        interval = 5000;
    else if (n <= 100000)
        interval = 10000;
    else
        interval = 60000;
    if (!recalculationTimer.isValid() || recalculationTimer.elapsed() > interval)
        calculateVarianceAndSkewness();
}

double DataArray::getPercentile(double percent)
{
    if (sortedValues.isEmpty())
        determineSortedValues();
    const qsizetype size = sortedValues.size();
    if (size == 0)
        return kNaN;
    // Compare as double before converting: NaN or huge percentages must not
    // reach an integer conversion.
    const double index = std::ceil(double(size) * percent / 100.0);
    if (!(index >= 0.0 && index < double(size)))
        return kNaN;
    return sortedValues.at(qsizetype(index));
}

void DataArray::determineSortedValues()
{
    sortedValues.clear();
    const int n = dataSize();
    sortedValues.reserve(nrOfValidValues);
    for (int i = n - 1; i >= 0; --i) {
        const double v = getValue(i);
        if (!equalsDoNotUseValue(v))
            sortedValues.append(std::fabs(v));
    }
    std::sort(sortedValues.begin(), sortedValues.end());
}

// ---------------------------------------------------------------------------
// Reading and searching

double DataArray::getFirstValue() const
{
    return getValue(0);
}

double DataArray::getLastValue() const
{
    const int n = dataSize();
    return n > 0 ? getValue(n - 1) : kNaN;
}

double DataArray::getSecondLastValue() const
{
    const int n = dataSize();
    return n > 1 ? getValue(n - 2) : kNaN;
}

bool DataArray::isNondecreasing() const
{
    return nondecreasing;
}

void DataArray::determineIsNonDecreasing()
{
    const int n = dataSize();
    if (nrOfValidValues < n) {
        nondecreasing = false;
        return;
    }
    nondecreasing = true;
    if (n == 0)
        return;
    double previous = getValue(0);
    for (int i = 1; i < n; ++i) {
        const double v = getValue(i);
        if (v < previous) {
            nondecreasing = false;
            return;
        }
        previous = v;
    }
}

void DataArray::updateIsNondecreasing(int index)
{
    if (!nondecreasing)
        return;
    const int n = dataSize();
    const double v = getValue(index);
    if (std::isnan(v) || (index != 0 && v < getValue(index - 1)))
        nondecreasing = false;
    else
        nondecreasing = (index == n - 1) || (v <= getValue(index + 1));
}

int DataArray::posOf(double value) const
{
    if (!nondecreasing)
        return linearSearchIndexOf(value);
    const int i = getIndexOfNearestValue(value);
    if (i >= 0 && getValue(i) == value)
        return i;
    return -1;
}

int DataArray::getIndexOfNearestValue(double value) const
{
    const int n = dataSize();
    if (n <= 0 || queryUnusable(*this, value))
        return -1;

    if (!nondecreasing) {
        // Scanning downwards and replacing only on strictly smaller distance
        // makes ties go to the highest index.
        int best = -1;
        double bestDistance = 0.0;
        for (int i = n - 1; i >= 0; --i) {
            const double v = getValue(i);
            if (std::isnan(v))
                continue;
            const double distance = std::fabs(value - v);
            if (best < 0 || distance < bestDistance) {
                best = i;
                bestDistance = distance;
            }
        }
        return best;
    }

    const double f = getInterpolatedIndexOfValue(value);
    int i;
    if (f == -1.0) {
        // Outside the covered range: the nearer end.
        return value > getValue(n - 1) ? n - 1 : 0;
    } else if (std::isnan(f)) {
        // Only infinite values in the array produce this; fall back to the
        // lower neighbour and let the comparison below decide.
        i = std::max(0, binarySearchLargestSmallerOrEqual(*this, n, value));
    } else {
        i = int(f + 0.5);
    }
    if (i != n - 1 && std::fabs(getValue(i + 1) - value) < std::fabs(getValue(i) - value))
        return i + 1;
    return i;
}

int DataArray::getIndexOfFirstValueLargerThanOrEqual(double value) const
{
    const int n = dataSize();
    if (n <= 0)
        return -1;

    if (!nondecreasing) {
        // "not smaller" rather than ">=": a NaN value or a NaN query stops the scan.
        for (int i = 0; i < n; ++i) {
            if (!(getValue(i) < value))
                return i;
        }
        return n;
    }

    // No order relation exists for an unusable query: "not found".
    if (queryUnusable(*this, value))
        return -1;

    int i = binarySearchLargestSmallerOrEqual(*this, n, value);
    if (i >= 0) {
        while (i > 0 && getValue(i - 1) == value)
            --i;
        if (getValue(i) == value)
            return i;
        if (i + 1 < n)
            return i + 1;
    }
    if (getValue(0) >= value)
        return 0;
    if (value > getValue(n - 1))
        return n;
    ZEB_ASSERT("DataArray", "DataArray::getIndexOfFirstValueLargerThanOrEqual inconsistent state");
    return -1;
}

int DataArray::getLargestIndexOfValueSmallerThanOrEqual(double value) const
{
    const int n = dataSize();
    if (n <= 0 || queryUnusable(*this, value) || !nondecreasing)
        return -1;
    return binarySearchLargestSmallerOrEqual(*this, n, value);
}

double DataArray::getInterpolatedValue(double index) const
{
    if (std::isnan(index))
        return kNaN;
    const int n = dataSize();
    // Range checks on the doubles, so that no out-of-range value is ever
    // converted to int.
    const double up = std::ceil(index);
    if (double(n - 1) < up)
        return kNaN;
    const double down = std::floor(index);
    if (down < 0.0)
        return kNaN;
    if (down == index)
        return getValue(int(index));
    const double fraction = index - down;
    return getValue(int(up)) * fraction + getValue(int(down)) * (1.0 - fraction);
}

double DataArray::getInterpolatedIndexOfValue(double value) const
{
    const int n = dataSize();
    if (n <= 0 || queryUnusable(*this, value) || !nondecreasing)
        return -1.0;
    const int i = binarySearchLargestSmallerOrEqual(*this, n, value);
    if (i < 0)
        return -1.0;
    const double vi = getValue(i);
    if (vi == value)
        return i;
    if (i + 1 >= n)
        return -1.0;
    const double next = getValue(i + 1);
    if (std::isnan(next))
        return -1.0;
    const double d = next - vi;
    if (d == 0.0)
        return -1.0;
    return i + (value - vi) / d;
}

// ---------------------------------------------------------------------------
// Decimation, left shift, memory

int DataArray::getCurrentDecimationFactor() const
{
    return decimationFactor;
}

bool DataArray::needsToAddValueAccordingDecimation()
{
    // A producer that never appends must not overflow the counter.
    if (decimationCounter < std::numeric_limits<int>::max())
        ++decimationCounter;
    return decimationCounter >= decimationFactor;
}

int DataArray::getTotalPositionsLeftShifted() const
{
    return totalPositionsLeftShifted;
}

quint64 DataArray::getRewriteCount() const
{
    return rewriteCount;
}

void DataArray::updateTotalMemoryConsumption()
{
    const int current = getMemoryConsumption();
    sTotalVectorMemoryConsumption += current - lastMemoryConsumption;
    lastMemoryConsumption = current;
}

void DataArray::excludeFromTotalMemoryConsumption()
{
    sTotalVectorMemoryConsumption -= lastMemoryConsumption;
    lastMemoryConsumption = 0;
}

int DataArray::getTotalVectorMemoryConsumption()
{
    return sTotalVectorMemoryConsumption;
}

// ---------------------------------------------------------------------------
// Reference counting

bool DataArray::isReferenceCounted() const
{
    return referenceCounted;
}

void DataArray::setReferenceCounted(bool counted)
{
    referenceCounted = counted;
}

int DataArray::getNumberOfReferences() const
{
    return numberOfReferences;
}

void DataArray::addReference()
{
    ++numberOfReferences;
}

void DataArray::removeReference()
{
    if (numberOfReferences == 0) {
        ZEB_ASSERT("DataArray", "DataArray::removeReference is removing uncounted reference");
        return;
    }
    --numberOfReferences;
    if (numberOfReferences == 0 && referenceCounted)
        delete this;
}
