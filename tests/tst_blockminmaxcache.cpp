// Per-block extremes of an array, checked against a brute-force reference
// under random sequences of appends, replaces, left shifts, decimation,
// reinit and squeeze.
#include "arraymodel.h"

#include <memory>

namespace {

// Extremes of values first..last of the reference; false if one is NaN.
bool reference(QList<double> const& values, int first, int last, double& lo, double& hi)
{
    lo = std::numeric_limits<double>::infinity();
    hi = -lo;
    for (int i = first; i <= last; ++i) {
        if (std::isnan(values[i]))
            return false;
        lo = std::min(lo, values[i]);
        hi = std::max(hi, values[i]);
    }
    return true;
}

} // namespace

class TestBlockMinMaxCache : public QObject
{
    Q_OBJECT

private slots:
    void followsRandomChanges();
    void blocksAndMemory();
};

void TestBlockMinMaxCache::followsRandomChanges()
{
    // Plain storage is read straight from memory, storage with a marker value
    // (seeds 4 and 5) through the virtual interface.
    for (unsigned seed : {1u, 2u, 3u, 4u, 5u}) {
        const bool withMarker = seed > 3;
        const double marker = -9999.0;
        std::unique_ptr<DoubleArray> array(withMarker ? new DoubleArray(marker) : new DoubleArray);
        BlockMinMaxCache cache(array.get());
        std::mt19937 random(seed);
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        std::normal_distribution<double> step(0.0, 1.0);
        double walk = 0.0;
        // gaps: the share of NaN values (and of marker values).
        auto nextValue = [&](double gaps) {
            walk += step(random);
            const double u = unit(random);
            if (u < gaps)
                return arraymodel::NaN;
            if (withMarker && u < 2 * gaps)
                return marker;
            if (u > 1 - gaps / 10)
                return std::numeric_limits<double>::infinity();
            // Spikes put a range's extremes in one block, where a stale
            // block of a coarser level shows.
            if (u > 0.99)
                return walk + 1e6 * (unit(random) - 0.5);
            return walk;
        };
        auto pick = [&](int n) { return int(unit(random) * n) % std::max(n, 1); };

        int queries = 0;
        for (int round = 0; round < 1500; ++round) {
            const double op = unit(random);
            const int n = array->dataSize();
            if (op < 0.35) {
                array->append(nextValue(0.01));
            } else if (op < 0.6) {
                // Now and then enough values without gaps for the coarser
                // levels to decide a range's extremes.
                const bool large = unit(random) < 0.05;
                const int burst = large ? 4000 + pick(30000) : 1 + pick(700);
                for (int k = 0; k < burst; ++k)
                    array->append(nextValue(large ? 1e-5 : 0.01));
            } else if (op < 0.7 && n > 0) {
                array->replace(pick(n), nextValue(0.01));
            } else if (op < 0.8) {
                // Cuts inside a block, on a block edge, or everything.
                const double kind = unit(random);
                const int count = kind < 0.2 ? BlockMinMaxCache::blockSize * (1 + pick(3))
                                             : (kind < 0.25 ? n : pick(n / 3 + 2));
                array->leftshift(count);
            } else if (op < 0.84) {
                array->decimateKeepEven();
            } else if (op < 0.86) {
                array->reinit();
            } else if (op < 0.9) {
                array->squeeze();
            }
            // Sometimes several changes pass before the cache looks again.
            if (unit(random) < 0.3)
                continue;
            cache.update();
            const QList<double> values = arraymodel::valuesOf(*array);
            const int size = values.size();
            if (size == 0)
                continue;
            QCOMPARE(cache.blockCount() > 0, true);
            for (int q = 0; q < 12; ++q) {
                // The whole array, a single value, from the start, to the end,
                // then random ranges.
                int first = pick(size), last = pick(size);
                if (q == 0)
                    first = 0, last = size - 1;
                else if (q == 1)
                    last = first;
                else if (q == 2)
                    first = 0;
                else if (q == 3)
                    last = size - 1;
                if (first > last)
                    std::swap(first, last);
                double lo = 0, hi = 0, refLo = 0, refHi = 0;
                const bool clean = cache.extremes(first, last, lo, hi);
                const bool refClean = reference(values, first, last, refLo, refHi);
                QVERIFY2(clean == refClean && (!clean || (lo == refLo && hi == refHi)),
                         qPrintable(QString("seed %1 round %2, range %3..%4 of %5").arg(seed).arg(round).arg(first)
                                        .arg(last).arg(size)));
                ++queries;
            }
        }
        QVERIFY(queries > 1000);

        // The array goes away first: the cache notices and holds nothing.
        array.reset();
        QCOMPARE(cache.getArray(), nullptr);
        cache.update();
        QCOMPARE(cache.blockCount(), 0);
    }
}

void TestBlockMinMaxCache::blocksAndMemory()
{
    const int n = 10 * BlockMinMaxCache::blockSize + 5;
    DoubleArray array;
    for (int i = 0; i < n; ++i)
        array.append(std::sin(i * 0.01) * 100.0);
    BlockMinMaxCache cache(&array);
    cache.update();
    // Built in one go: exactly two doubles per block, the last one partial.
    QVERIFY(cache.blockCount() == 11 && cache.getMemoryConsumption() == qsizetype(11 * 2 * sizeof(double)));

    // A left shift drops whole blocks only.
    array.leftshift(2 * BlockMinMaxCache::blockSize + 3);
    cache.update();
    QCOMPARE(cache.blockCount(), 9);
    double lo = 0, hi = 0;
    QVERIFY(cache.extremes(0, array.dataSize() - 1, lo, hi) && lo == array.getMinimum() && hi == array.getMaximum());

    // A gap anywhere in the range is reported.
    const int gap = array.dataSize() / 2;
    array.replace(gap, arraymodel::NaN);
    cache.update();
    QVERIFY(!cache.extremes(0, array.dataSize() - 1, lo, hi) && !cache.extremes(gap, gap, lo, hi)
            && cache.extremes(gap + 1, array.dataSize() - 1, lo, hi));
}

QTEST_MAIN(TestBlockMinMaxCache)
#include "tst_blockminmaxcache.moc"
