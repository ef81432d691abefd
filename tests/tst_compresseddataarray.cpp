#include "arraymodel.h"

#include <climits>

using IntArray = CompressedDataArrayTemplate<int>;
using Chunk = IntArray::Chunk;
using Chunking = QList<QList<int>>;

namespace {

IntArray* make(std::initializer_list<int> values)
{
    auto* a = new IntArray();
    for (int v : values)
        a->appendTyped(v);
    return a;
}

// (start, length, first value, step) of every chunk.
Chunking chunking(const IntArray& a)
{
    Chunking result;
    for (int i = 0; i < a.chunkCount(); ++i) {
        const Chunk* c = a.chunkAt(i);
        result << QList<int>{c->start, c->length, c->firstValue, c->constant ? 0 : c->step};
    }
    return result;
}

} // namespace

class TestCompressedDataArray : public QObject
{
    Q_OBJECT

private slots:
    void chunkingOfAppendsAndRemovals();
    void conversion();
    void randomOperationsAgainstModel();
};

void TestCompressedDataArray::chunkingOfAppendsAndRemovals()
{
    // Appends extend the last run greedily; steps are never negative.
    QScopedPointer<IntArray> a(make({1, 2, 3, 3, 3})), down(make({5, 3}));
    QCOMPARE(chunking(*a), (Chunking{{0, 3, 1, 1}, {3, 2, 3, 0}}));
    QCOMPARE(down->chunkCount(), 2);
    IntArray big;
    for (int i = 0; i < 1000000; ++i)
        big.appendTyped(10 + 5 * i);
    QCOMPARE(big.chunkCount(), 1);

    // Removals from the middle (the model run only removes leading ranges).
    QScopedPointer<IntArray> r(make({0, 1, 2, 3, 4, 5})), j(make({1, 2, 3, 9, 9, 4, 5}));
    r->removeData(1, 3);
    QCOMPARE(chunking(*r), (Chunking{{0, 1, 0, 0}, {1, 2, 4, 1}}));
    j->removeData(3, 2); // the runs on both sides join
    QCOMPARE(chunking(*j), (Chunking{{0, 5, 1, 1}}));
    QScopedPointer<IntArray> single(make({1, 9, 3, 5}));
    single->removeData(1, 1); // a single value joins the run that continues it
    QCOMPARE(chunking(*single), (Chunking{{0, 3, 1, 2}}));
    QVERIFY(j->getChunkIndex(5) == -1 && j->getChunkIndex(-1) == -1);

    // Steps that would not fit an int are never formed, not even by decimation.
    QScopedPointer<IntArray> b(make({-2000000000, -500000000, 1000000000}));
    b->decimateKeepEven();
    QVERIFY(arraymodel::valuesOf(*b) == (QList<double>{-2000000000, 1000000000}) && b->testRepresentationInvariant());
}

void TestCompressedDataArray::conversion()
{
    // Without a marker a NaN is stored as the most negative int but, as the
    // value passed in, stays out of the statistics; huge values saturate.
    IntArray plain;
    for (double v : {arraymodel::NaN, 1e30, -std::numeric_limits<double>::infinity()})
        plain.append(v);
    QVERIFY(arraymodel::valuesOf(plain) == (QList<double>{INT_MIN, INT_MAX, INT_MIN}) && plain.getNrOfValidValues() == 2);
}

void TestCompressedDataArray::randomOperationsAgainstModel()
{
    const int live = Chunk::liveChunks();
    arraymodel::Storage s;
    s.marker = -7;
    bool extreme = false;
    s.linearKey = [](double v) { return std::isnan(v) ? v : std::trunc(v); };
    // Arithmetic runs whose step changes now and then, flat runs, and jumps.
    auto step = std::make_shared<int>(1);
    s.nextValue = [step, &extreme](std::mt19937& rng, double last, bool increasing) {
        std::uniform_int_distribution<int> percent(0, 99);
        if (extreme && percent(rng) < 30) {
            const int pool[] = {INT_MIN + 1, INT_MAX, INT_MAX - 1, -1500000000, 1500000000, 0};
            return double(pool[std::uniform_int_distribution<int>(0, 5)(rng)]);
        }
        if (percent(rng) < 10)
            *step = std::uniform_int_distribution<int>(0, 4)(rng);
        if (increasing && !std::isnan(last) && last < 1e8)
            return last + *step;
        if (percent(rng) < 50 && !std::isnan(last) && std::fabs(last) < 1e8)
            return last;
        return double(std::uniform_int_distribution<int>(-20, 60)(rng));
    };
    // A valid chunking, no leaked chunks, and reads that map exactly the marker to NaN.
    s.extraCheck = [live](DataArray* a) {
        auto* c = static_cast<IntArray*>(a);
        if (!c->testRepresentationInvariant() || Chunk::liveChunks() - live != c->chunkCount())
            return false;
        for (int i = 0; i < c->dataSize(); ++i)
            if (!arraymodel::same(c->getValue(i), c->holdsDoNotUseValue(i) ? arraymodel::NaN : c->getTypedValue(i)))
                return false;
        return true;
    };
    // Seeds 23 to 25 with the marker -7, 25 with extreme values too.
    for (unsigned seed : {21u, 22u, 23u, 24u, 25u}) {
        s.hasMarker = s.allowGaps = seed > 22; // without a marker a NaN is stored as INT_MIN
        extreme = seed == 25;
        *step = 1;
        arraymodel::run([&s] { return s.hasMarker ? new IntArray(-7) : new IntArray(); }, s, seed, 4000);
        QCOMPARE(Chunk::liveChunks(), live);
    }
}

QTEST_MAIN(TestCompressedDataArray)
#include "tst_compresseddataarray.moc"
