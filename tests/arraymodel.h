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
#include <random>
#include <vector>

namespace arraymodel {

inline const double NaN = std::numeric_limits<double>::quiet_NaN();

/// What differs between storage classes.
struct Storage
{
    bool hasMarker = false;
    double marker = 0;
    bool allowGaps = true; // bit arrays have no unusable values
    /// Appends the value to the array the way producers do.
    std::function<void(DataArray*, double)> append;
    /// The value that reads back after storing value (NaN for a gap).
    std::function<double(double)> readBack;
    /// A new usable value; `last` is the last usable value or NaN.
    std::function<double(std::mt19937&, double last, bool increasing)> nextValue;
    /// The query as the storage's linear search sees it (integer storage
    /// truncates); NaN stands for "the marker".
    std::function<double(double)> linearKey = [](double v) { return v; };
    /// Extra per-step checks (chunk invariant, fast read path).
    std::function<bool(DataArray*)> extraCheck;
};

struct Model
{
    std::vector<double> values; // as read back; NaN is a gap
    bool nondecreasing = true;
    int shifted = 0;
    int factor = 1;

    int n() const { return int(values.size()); }
    int valid() const
    {
        return int(std::count_if(values.begin(), values.end(), [](double v) { return !std::isnan(v); }));
    }
    bool reallySorted() const
    {
        for (int i = 0; i < n(); ++i) {
            if (std::isnan(values[i]) || (i > 0 && values[i] < values[i - 1]))
                return false;
        }
        return true;
    }
};

// ---- expected search results, straight from the definitions ---------------

inline bool unusable(const Storage& s, double v)
{
    return std::isnan(v) || (s.hasMarker && v == s.marker);
}

inline int expectLargestSmallerOrEqual(const Model& m, const Storage& s, double v)
{
    if (!m.nondecreasing || m.n() == 0 || unusable(s, v))
        return -1;
    int result = -1;
    for (int i = 0; i < m.n(); ++i) {
        if (m.values[i] <= v)
            result = i;
    }
    return result;
}

inline int expectFirstLargerOrEqual(const Model& m, const Storage& s, double v)
{
    if (m.n() == 0)
        return -1;
    if (m.nondecreasing && unusable(s, v))
        return -1;
    for (int i = 0; i < m.n(); ++i) {
        // Unsorted arrays stop at a gap or for a NaN query as well.
        if (m.values[i] >= v || std::isnan(m.values[i]) || std::isnan(v))
            return i;
    }
    return m.n();
}

inline double expectInterpolatedIndex(const Model& m, const Storage& s, double v)
{
    if (!m.nondecreasing || m.n() == 0 || unusable(s, v))
        return -1.0;
    for (int i = m.n() - 1; i >= 0; --i) {
        if (m.values[i] == v)
            return i; // last index of a run of equal values
    }
    for (int i = 0; i + 1 < m.n(); ++i) {
        if (m.values[i] < v && v < m.values[i + 1])
            return i + (v - m.values[i]) / (m.values[i + 1] - m.values[i]);
    }
    return -1.0;
}

inline int expectNearest(const Model& m, const Storage& s, double v)
{
    if (m.n() == 0 || unusable(s, v))
        return -1;
    double best = std::numeric_limits<double>::infinity();
    for (double x : m.values) {
        if (!std::isnan(x))
            best = std::min(best, std::fabs(x - v));
    }
    if (!m.nondecreasing) {
        // Ties go to the highest index.
        for (int i = m.n() - 1; i >= 0; --i) {
            if (!std::isnan(m.values[i]) && std::fabs(m.values[i] - v) == best)
                return i;
        }
        return -1;
    }
    // Sorted: a nearest value above v (it wins a tie) answers the first index
    // of its run; an exact hit or a nearest value below v the last index.
    for (int i = 0; i < m.n(); ++i) {
        if (m.values[i] > v && m.values[i] - v == best)
            return i;
    }
    for (int i = m.n() - 1; i >= 0; --i) {
        if (m.values[i] <= v && v - m.values[i] == best)
            return i;
    }
    return -1;
}

inline int expectPosOf(const Model& m, const Storage& s, double v)
{
    if (m.nondecreasing) {
        if (unusable(s, v))
            return -1;
        for (int i = m.n() - 1; i >= 0; --i) {
            if (m.values[i] == v)
                return i;
        }
        return -1;
    }
    // Linear search of the storage: a NaN or marker query finds the first
    // stored marker when there is one.
    v = s.linearKey(v);
    if (unusable(s, v)) {
        if (!s.hasMarker)
            return -1;
        for (int i = 0; i < m.n(); ++i) {
            if (std::isnan(m.values[i]))
                return i;
        }
        return -1;
    }
    for (int i = 0; i < m.n(); ++i) {
        if (m.values[i] == v)
            return i;
    }
    return -1;
}

inline double expectInterpolatedValue(const Model& m, double x)
{
    if (std::isnan(x) || x < 0 || x > m.n() - 1)
        return NaN;
    const double down = std::floor(x);
    if (down == x)
        return m.values[int(x)];
    const double t = x - down;
    return m.values[int(down) + 1] * t + m.values[int(down)] * (1 - t);
}

inline bool same(double a, double b)
{
    if (std::isnan(a) || std::isnan(b))
        return std::isnan(a) && std::isnan(b);
    return a == b || std::fabs(a - b) <= 1e-9 * std::max(1.0, std::max(std::fabs(a), std::fabs(b)));
}

// ---- the run ----------------------------------------------------------------

/// Compares array and model; returns false (after a QTest failure message)
/// at the first difference.
inline bool compare(DataArray* a, const Model& m, const Storage& s, std::mt19937& rng, int step)
{
    const QByteArray where = QByteArray("step ") + QByteArray::number(step);
#define MODEL_CHECK(cond)                                                                      \
    do {                                                                                       \
        if (!(cond)) {                                                                         \
            QTest::qFail(QByteArray(#cond " at " + where).constData(), __FILE__, __LINE__);   \
            return false;                                                                      \
        }                                                                                      \
    } while (0)

    MODEL_CHECK(a->dataSize() == m.n());
    for (int i = 0; i < m.n(); ++i)
        MODEL_CHECK(same(a->getValue(i), m.values[i]));
    // Backwards as well: random access must not depend on the read order.
    for (int i = m.n() - 1; i >= 0; i -= 3)
        MODEL_CHECK(same(a->getValue(i), m.values[i]));

    double sum = 0, lo = NaN, hi = NaN;
    for (double v : m.values) {
        if (std::isnan(v))
            continue;
        sum += v;
        lo = std::isnan(lo) ? v : std::min(lo, v);
        hi = std::isnan(hi) ? v : std::max(hi, v);
    }
    MODEL_CHECK(a->getNrOfValidValues() == m.valid());
    MODEL_CHECK(a->hasValidValues() == (m.valid() > 0));
    MODEL_CHECK(same(a->getMean(), m.valid() ? sum / m.valid() : NaN));
    MODEL_CHECK(same(a->getMinimum(), lo));
    MODEL_CHECK(same(a->getMaximum(), hi));
    MODEL_CHECK(a->isNondecreasing() == m.nondecreasing);
    MODEL_CHECK(!m.nondecreasing || m.reallySorted()); // the flag never lies
    MODEL_CHECK(a->getTotalPositionsLeftShifted() == m.shifted);
    MODEL_CHECK(a->getCurrentDecimationFactor() == m.factor);
    MODEL_CHECK(same(a->getLastValue(), m.n() ? m.values.back() : NaN));
    MODEL_CHECK(same(a->getSecondLastValue(), m.n() > 1 ? m.values[m.n() - 2] : NaN));
    for (int i = 0; i < m.n(); ++i)
        MODEL_CHECK(a->holdsDoNotUseValue(i) == (s.hasMarker && std::isnan(m.values[i])));

    // Queries: stored values (exact hits), neighbours, midpoints, outside the
    // range, and the unusable ones.
    std::vector<double> queries = {NaN, -1e9, 1e9};
    if (s.hasMarker)
        queries.push_back(s.marker);
    std::uniform_int_distribution<int> pick(0, std::max(0, m.n() - 1));
    for (int q = 0; q < 6 && m.n() > 0; ++q) {
        const double v = m.values[pick(rng)];
        if (std::isnan(v))
            continue;
        queries.push_back(v);
        queries.push_back(v + 0.5);
        queries.push_back(v - 0.25);
    }
    for (double v : queries) {
        const QByteArray what = where + " query " + QByteArray::number(v);
        auto fail = [&](const char* text, double got, double expected) {
            QTest::qFail(QByteArray(QByteArray(text) + " at " + what + ": got " + QByteArray::number(got)
                                    + ", expected " + QByteArray::number(expected))
                             .constData(),
                         __FILE__, __LINE__);
            return false;
        };
        int e = expectLargestSmallerOrEqual(m, s, v);
        if (a->getLargestIndexOfValueSmallerThanOrEqual(v) != e)
            return fail("getLargestIndexOfValueSmallerThanOrEqual", a->getLargestIndexOfValueSmallerThanOrEqual(v), e);
        e = expectFirstLargerOrEqual(m, s, v);
        if (a->getIndexOfFirstValueLargerThanOrEqual(v) != e)
            return fail("getIndexOfFirstValueLargerThanOrEqual", a->getIndexOfFirstValueLargerThanOrEqual(v), e);
        e = expectNearest(m, s, v);
        if (a->getIndexOfNearestValue(v) != e)
            return fail("getIndexOfNearestValue", a->getIndexOfNearestValue(v), e);
        e = expectPosOf(m, s, v);
        if (a->posOf(v) != e)
            return fail("posOf", a->posOf(v), e);
        const double f = expectInterpolatedIndex(m, s, v);
        if (!same(a->getInterpolatedIndexOfValue(v), f))
            return fail("getInterpolatedIndexOfValue", a->getInterpolatedIndexOfValue(v), f);
    }
    std::uniform_real_distribution<double> frac(-1.0, m.n() + 0.5);
    for (int q = 0; q < 4; ++q) {
        const double x = q == 0 ? double(pick(rng)) : std::round(frac(rng) * 8) / 8;
        MODEL_CHECK(same(a->getInterpolatedValue(x), expectInterpolatedValue(m, x)));
    }
    if (s.extraCheck)
        MODEL_CHECK(s.extraCheck(a));
#undef MODEL_CHECK
    return true;
}

/// Runs `steps` random operations with a fixed seed.  `make` creates a fresh
/// array; the same seed always gives the same sequence.
inline void run(const std::function<DataArray*()>& make, const Storage& s, unsigned seed, int steps)
{
    const int memoryBase = DataArray::getTotalVectorMemoryConsumption();
    DataArray* a = make();
    Model m;
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> percent(0, 99);

    int changed = 0, noLongerEmpty = 0, lastShift = -1;
    QObject::connect(a, &DataArray::dataChanged, [&] { ++changed; });
    QObject::connect(a, &DataArray::noLongerEmpty, [&] { ++noLongerEmpty; });
    QObject::connect(a, &DataArray::leftShifted, [&](int k) {
        lastShift = k;
        QCOMPARE(changed, 0); // leftShifted comes before dataChanged
    });

    bool increasing = true;
    for (int step = 0; step < steps; ++step) {
        changed = 0;
        noLongerEmpty = 0;
        lastShift = -1;
        const int validBefore = m.valid();
        const int r = percent(rng);
        int expectChanged = 1;
        bool memoryUpdated = true;
        double lastUsable = NaN;
        for (int i = m.n() - 1; i >= 0 && std::isnan(lastUsable); --i)
            lastUsable = m.values[i];
        if (percent(rng) < 3)
            increasing = !increasing;

        const bool appending = r < 55 || m.n() < 3;
        if (appending) {
            double v;
            const int kind = percent(rng);
            if (s.allowGaps && kind < 4)
                v = NaN;
            else if (s.allowGaps && s.hasMarker && kind < 6)
                v = s.marker;
            else
                v = s.nextValue(rng, lastUsable, increasing);
            s.append(a, v);
            const double stored = s.readBack(v);
            m.values.push_back(stored);
            if (m.nondecreasing && (std::isnan(stored) || (m.n() > 1 && stored < m.values[m.n() - 2])))
                m.nondecreasing = false;
        } else if (r < 75) {
            const int i = std::uniform_int_distribution<int>(0, m.n() - 1)(rng);
            const double v = (s.allowGaps && percent(rng) < 5) ? NaN : s.nextValue(rng, i > 0 ? m.values[i - 1] : NaN, increasing);
            a->replace(i, v);
            const double stored = s.readBack(v);
            m.values[i] = stored;
            // A replace can keep or clear the flag, never set it.
            if (m.nondecreasing) {
                if (std::isnan(stored) || (i > 0 && stored < m.values[i - 1]))
                    m.nondecreasing = false;
                else
                    m.nondecreasing = i == m.n() - 1 || stored <= m.values[i + 1];
            }
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
            std::vector<double> kept;
            for (int i = 0; i < m.n(); i += 2)
                kept.push_back(m.values[i]);
            m.values = kept;
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
            // Percentiles: the sorted copy is built once and then kept up to
            // date by later appends.
            std::vector<double> abs;
            for (double v : m.values) {
                if (!std::isnan(v))
                    abs.push_back(std::fabs(v));
            }
            std::sort(abs.begin(), abs.end());
            for (double p : {0.0, 10.0, 50.0, 99.0, 100.0}) {
                const double idx = std::ceil(abs.size() * p / 100);
                const double e = idx < abs.size() ? abs[size_t(idx)] : NaN;
                QVERIFY2(same(a->getPercentile(p), e), qPrintable(QStringLiteral("percentile %1 at step %2").arg(p).arg(step)));
            }
            a->calculateVarianceAndSkewness();
            double mean = 0, s2 = 0, s3 = 0;
            int k = m.valid();
            for (double v : m.values)
                if (!std::isnan(v))
                    mean += v;
            mean /= k;
            for (double v : m.values) {
                if (!std::isnan(v)) {
                    s2 += (v - mean) * (v - mean);
                    s3 += (v - mean) * (v - mean) * (v - mean);
                }
            }
            QVERIFY(same(a->getVariance(), k ? s2 / k : NaN));
            if (k && s2 > 0)
                QVERIFY(std::fabs(a->getSkewness() - (s3 / k) / std::pow(s2 / k, 1.5)) < 1e-6);
            expectChanged = 0;
            memoryUpdated = false;
        }

        QVERIFY2(changed == expectChanged, qPrintable(QStringLiteral("dataChanged count at step %1").arg(step)));
        // Only an append announces the first usable value.
        const int expectedNoLongerEmpty = appending && validBefore == 0 && m.valid() > 0 ? 1 : 0;
        QVERIFY2(noLongerEmpty == expectedNoLongerEmpty, qPrintable(QStringLiteral("noLongerEmpty at step %1").arg(step)));
        if (memoryUpdated)
            QCOMPARE(DataArray::getTotalVectorMemoryConsumption() - memoryBase, a->getMemoryConsumption());
        if (!compare(a, m, s, rng, step))
            break;
    }
    delete a;
    QCOMPARE(DataArray::getTotalVectorMemoryConsumption(), memoryBase);
}

} // namespace arraymodel

#endif
