#ifndef ZEBPLOT_TESTS_ARRAYMODEL_H
#define ZEBPLOT_TESTS_ARRAYMODEL_H

// Randomised model-based check shared by the storage-class tests: a long
// sequence of random operations is applied both to an array and to a plain
// std::vector, and after every step everything observable is compared.  The
// expected search results are computed from the definitions by plain scans.

#include <zebplot/zebplot.h>

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <numeric>
#include <random>
#include <vector>

using DoubleArray = DataArrayTemplate<double>;

namespace arraymodel {

inline const double NaN = std::numeric_limits<double>::quiet_NaN();

inline QList<double> valuesOf(const DataArray& a)
{
    QList<double> values;
    for (int i = 0; i < a.dataSize(); ++i)
        values << a.getValue(i);
    return values;
}

/// What differs between storage classes.
struct Storage
{
    bool hasMarker = false;
    double marker = 0;
    bool allowGaps = true; // bit arrays have no unusable values
    /// Appends the value to the array the way producers do.
    std::function<void(DataArray*, double)> append = [](DataArray* a, double v) { a->append(v); };
    /// The value that reads back after storing value; unset: NaN and the marker read as NaN.
    std::function<double(double)> readBack;
    /// A new usable value; `last` is the last usable value or NaN.
    std::function<double(std::mt19937&, double last, bool increasing)> nextValue;
    /// The query as the storage's linear search sees it (integer storage truncates).
    std::function<double(double)> linearKey = [](double v) { return v; };
    /// Extra per-step checks (chunk invariant, fast read path).
    std::function<bool(DataArray*)> extraCheck;
};

inline bool unusable(const Storage& s, double v) { return std::isnan(v) || (s.hasMarker && v == s.marker); }

inline bool same(double a, double b)
{
    if (std::isnan(a) || std::isnan(b))
        return std::isnan(a) && std::isnan(b);
    return a == b || std::fabs(a - b) <= 1e-9 * std::max(1.0, std::max(std::fabs(a), std::fabs(b)));
}

struct Model
{
    std::vector<double> values; // as read back; NaN is a gap
    bool nondecreasing = true;
    int shifted = 0;
    int factor = 1;

    int n() const { return int(values.size()); }
    int valid() const { return int(std::count_if(values.begin(), values.end(), [](double v) { return !std::isnan(v); })); }
    bool reallySorted() const { return valid() == n() && std::is_sorted(values.begin(), values.end()); }
};

/// Expected answers of the five searches for query v.
struct Expected { int largest = -1, firstLarger = -1, nearest = -1, pos = -1; double interpolated = -1.0; };

inline Expected expect(const Model& m, const Storage& s, double v)
{
    Expected e;
    const int n = m.n();
    const std::vector<double>& x = m.values;
    if (n == 0 || (m.nondecreasing && unusable(s, v)))
        return e;
    if (m.nondecreasing) {
        int lo = -1; // last index holding a value <= v: the end of a run of equal values
        while (lo + 1 < n && x[lo + 1] <= v)
            ++lo;
        e.largest = lo;
        e.firstLarger = int(std::lower_bound(x.begin(), x.end(), v) - x.begin());
        // Outside the range the nearer end; inside, a tie goes to the value above.
        e.nearest = lo < 0 ? 0 : lo == n - 1 ? n - 1 : (x[lo + 1] - v <= v - x[lo] ? lo + 1 : lo);
        if (lo >= 0 && x[lo] == v)
            e.pos = lo, e.interpolated = lo;
        else if (lo >= 0 && lo + 1 < n)
            e.interpolated = lo + (v - x[lo]) / (x[lo + 1] - x[lo]);
        return e;
    }
    // Unsorted: the first value >= v (a gap or a NaN query stops the scan), else n.
    e.firstLarger = n;
    for (int i = n - 1; i >= 0; --i) {
        if (x[i] >= v || std::isnan(x[i]) || std::isnan(v))
            e.firstLarger = i;
        // Ties go to the highest index.
        const bool nearer = e.nearest < 0 || std::fabs(x[i] - v) < std::fabs(x[e.nearest] - v);
        if (!unusable(s, v) && !std::isnan(x[i]) && nearer)
            e.nearest = i;
    }
    // The storage's linear search: a NaN or marker query finds the first stored marker.
    const double key = s.linearKey(v);
    for (int i = n - 1; i >= 0; --i)
        if (unusable(s, key) ? s.hasMarker && std::isnan(x[i]) : x[i] == key)
            e.pos = i;
    return e;
}

inline double expectInterpolatedValue(const Model& m, double x)
{
    if (!(x >= 0 && x <= m.n() - 1))
        return NaN;
    const int down = int(x);
    const double t = x - down;
    return t == 0 ? m.values[down] : m.values[down + 1] * t + m.values[down] * (1 - t);
}

#define MODEL_CHECK(cond)                                                                                              \
    do {                                                                                                               \
        if (!(cond)) {                                                                                                 \
            QTest::qFail(QByteArray(#cond " at " + where).constData(), __FILE__, __LINE__);                            \
            return false;                                                                                              \
        }                                                                                                              \
    } while (0)

/// Compares array and model; returns false (after a QTest failure) at the first difference.
inline bool compare(DataArray* a, const Model& m, const Storage& s, std::mt19937& rng, QByteArray where)
{
    const int n = m.n();
    MODEL_CHECK(a->dataSize() == n);
    double sum = 0, lo = NaN, hi = NaN;
    for (int i = 0; i < n; ++i) {
        const double v = m.values[i];
        // Reads alternate between both ends: random access must not depend on the read order.
        MODEL_CHECK(same(a->getValue(i), v) && same(a->getValue(n - 1 - i), m.values[n - 1 - i]));
        MODEL_CHECK(a->holdsDoNotUseValue(i) == (s.hasMarker && std::isnan(v)));
        if (!std::isnan(v))
            sum += v, lo = std::fmin(lo, v), hi = std::fmax(hi, v);
    }
    const int valid = m.valid();
    MODEL_CHECK(a->getNrOfValidValues() == valid && a->hasValidValues() == (valid > 0));
    MODEL_CHECK(same(a->getMean(), valid ? sum / valid : NaN));
    MODEL_CHECK(same(a->getMinimum(), lo) && same(a->getMaximum(), hi));
    MODEL_CHECK(a->isNondecreasing() == m.nondecreasing);
    MODEL_CHECK(!m.nondecreasing || m.reallySorted()); // the flag never lies
    MODEL_CHECK(a->getTotalPositionsLeftShifted() == m.shifted && a->getCurrentDecimationFactor() == m.factor);
    MODEL_CHECK(same(a->getLastValue(), n ? m.values[n - 1] : NaN));
    MODEL_CHECK(same(a->getSecondLastValue(), n > 1 ? m.values[n - 2] : NaN));

    // Queries: stored values (exact hits), neighbours, outside the range, and the unusable ones.
    std::vector<double> queries = {NaN, -1e9, 1e9, s.marker};
    std::uniform_int_distribution<int> pick(0, std::max(0, n - 1));
    for (int q = 0; q < 6 && n > 0; ++q) {
        const double v = m.values[pick(rng)];
        if (!std::isnan(v))
            queries.insert(queries.end(), {v, v + 0.5, v - 0.25});
    }
    const QByteArray step = where;
    for (double v : queries) {
        where = step + " query " + QByteArray::number(v);
        const Expected e = expect(m, s, v);
        MODEL_CHECK(a->getLargestIndexOfValueSmallerThanOrEqual(v) == e.largest);
        MODEL_CHECK(a->getIndexOfFirstValueLargerThanOrEqual(v) == e.firstLarger);
        MODEL_CHECK(a->getIndexOfNearestValue(v) == e.nearest);
        MODEL_CHECK(a->posOf(v) == e.pos);
        MODEL_CHECK(same(a->getInterpolatedIndexOfValue(v), e.interpolated));
    }
    where = step;
    std::uniform_real_distribution<double> frac(-1.0, n + 0.5);
    for (double x : {NaN, 1e300, double(pick(rng)), std::round(frac(rng) * 8) / 8, std::round(frac(rng) * 8) / 8})
        MODEL_CHECK(same(a->getInterpolatedValue(x), expectInterpolatedValue(m, x)));
    MODEL_CHECK(!s.extraCheck || s.extraCheck(a));
    return true;
}
#undef MODEL_CHECK

/// Runs `steps` random operations with a fixed seed on the array that `make` creates.
inline void run(const std::function<DataArray*()>& make, const Storage& s, unsigned seed, int steps)
{
    const int memoryBase = DataArray::getTotalVectorMemoryConsumption();
    DataArray* a = make();
    Model m;
    std::mt19937 rng(seed);
    auto percent = [&rng] { return std::uniform_int_distribution<int>(0, 99)(rng); };
    auto readBack = [&s](double v) { return s.readBack ? s.readBack(v) : unusable(s, v) ? NaN : v; };

    int changed = 0, noLongerEmpty = 0, lastShift = -1;
    QObject::connect(a, &DataArray::dataChanged, [&] { ++changed; });
    QObject::connect(a, &DataArray::noLongerEmpty, [&] { ++noLongerEmpty; });
    // leftShifted must come before dataChanged: -2 records the wrong order.
    QObject::connect(a, &DataArray::leftShifted, [&](int k) { lastShift = changed == 0 ? k : -2; });

    bool increasing = true;
    for (int step = 0; step < steps; ++step) {
        const QByteArray where = "seed " + QByteArray::number(seed) + " step " + QByteArray::number(step);
        changed = noLongerEmpty = 0;
        lastShift = -1;
        const int validBefore = m.valid();
        const int r = percent();
        int expectChanged = 1;
        bool memoryUpdated = true;
        double lastUsable = NaN;
        for (int i = m.n() - 1; i >= 0 && std::isnan(lastUsable); --i)
            lastUsable = m.values[i];
        if (percent() < 3)
            increasing = !increasing;

        const bool appending = r < 55 || m.n() < 3;
        if (appending) {
            const int kind = percent();
            const double v = s.allowGaps && kind < 4                  ? NaN
                             : s.allowGaps && s.hasMarker && kind < 6 ? s.marker
                                                                      : s.nextValue(rng, lastUsable, increasing);
            s.append(a, v);
            m.values.push_back(readBack(v));
            const double stored = m.values.back();
            if (std::isnan(stored) || (m.n() > 1 && stored < m.values[m.n() - 2]))
                m.nondecreasing = false;
        } else if (r < 75) {
            const int i = std::uniform_int_distribution<int>(0, m.n() - 1)(rng);
            const double before = i > 0 ? m.values[i - 1] : NaN;
            const double v = (s.allowGaps && percent() < 5) ? NaN : s.nextValue(rng, before, increasing);
            a->replace(i, v);
            const double stored = m.values[i] = readBack(v);
            // A replace can keep or clear the flag, never set it.
            m.nondecreasing = m.nondecreasing && !std::isnan(stored) && (i == 0 || stored >= m.values[i - 1])
                              && (i == m.n() - 1 || stored <= m.values[i + 1]);
            memoryUpdated = false;
        } else if (r < 85) {
            const int count = std::uniform_int_distribution<int>(0, m.n() + 2)(rng);
            const int k = std::min(count, m.n());
            a->leftshift(count);
            m.values.erase(m.values.begin(), m.values.begin() + k);
            m.shifted += k;
            QCOMPARE(lastShift, k);
        } else if (r < 89 && m.n() > 40) {
            a->decimateKeepEven();
            for (int i = 0; 2 * i < m.n(); ++i)
                m.values[i] = m.values[2 * i];
            m.values.resize((m.values.size() + 1) / 2);
            m.factor *= 2;
        } else if (r < 94) {
            a->determineIsNonDecreasing();
            m.nondecreasing = m.reallySorted();
            expectChanged = 0;
            memoryUpdated = false;
        } else if (r < 96) {
            a->squeeze();
            expectChanged = 0;
        } else if (r < 97) {
            a->reinit();
            m = Model();
        } else {
            // Percentiles (the sorted copy is built once, then kept up to date by
            // later appends) and the population moments.
            std::vector<double> usable, abs;
            for (double v : m.values)
                if (!std::isnan(v))
                    usable.push_back(v), abs.push_back(std::fabs(v));
            std::sort(abs.begin(), abs.end());
            const double k = double(abs.size());
            for (double p : {NaN, -50.0, 0.0, 10.0, 50.0, 99.0, 100.0}) {
                const double idx = std::ceil(k * p / 100);
                QVERIFY2(same(a->getPercentile(p), idx >= 0 && idx < k ? abs[size_t(idx)] : NaN), where.constData());
            }
            const double mean = std::accumulate(usable.begin(), usable.end(), 0.0) / k;
            double s2 = 0, s3 = 0;
            for (double v : usable)
                s2 += std::pow(v - mean, 2), s3 += std::pow(v - mean, 3);
            a->calculateVarianceAndSkewness();
            QVERIFY2(same(a->getVariance(), s2 / k), where.constData()); // 0 / 0 without usable values
            if (s2 > 0)
                QVERIFY2(std::fabs(a->getSkewness() - (s3 / k) / std::pow(s2 / k, 1.5)) < 1e-6, where.constData());
            expectChanged = 0;
            memoryUpdated = false;
        }

        QVERIFY2(changed == expectChanged, where.constData());
        // Only an append announces the first usable value.
        QVERIFY2(noLongerEmpty == (appending && validBefore == 0 && m.valid() > 0 ? 1 : 0), where.constData());
        if (memoryUpdated)
            QCOMPARE(DataArray::getTotalVectorMemoryConsumption() - memoryBase, a->getMemoryConsumption());
        if (!compare(a, m, s, rng, where))
            break;
    }
    delete a;
    QCOMPARE(DataArray::getTotalVectorMemoryConsumption(), memoryBase);
}

} // namespace arraymodel

#endif
