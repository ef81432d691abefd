#include "arraymodel.h"

#include <zebplot/zebplot.h>

#include <QtTest>

#include <climits>
#include <cmath>

using IntArray = CompressedDataArrayTemplate<int>;
using Chunk = IntArray::Chunk;

namespace {

IntArray* make(std::initializer_list<int> values, int* marker = nullptr)
{
    auto* a = marker ? new IntArray(*marker) : new IntArray();
    for (int v : values)
        a->appendTyped(v);
    return a;
}

QList<int> values(const IntArray& a)
{
    QList<int> result;
    for (int i = 0; i < a.dataSize(); ++i)
        result << a.getTypedValue(i);
    return result;
}

// (start, length, first value, step) of every chunk.
QList<QList<int>> chunking(const IntArray& a)
{
    QList<QList<int>> result;
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
    void chunkOperations();
    void appendAndChunking();
    void replaceRemoveAndDecimate();
    void searchesConversionAndMemory();
    void invariantWarnings();
    void extremeValues();
    void randomOperationsAgainstModel_data();
    void randomOperationsAgainstModel();
};

void TestCompressedDataArray::chunkOperations()
{
    const int live = Chunk::liveChunks();
    {
        Chunk c;
        QVERIFY(c.appendIfPossible(5));
        QVERIFY(!c.appendIfPossible(4)); // steps are never negative
        QVERIFY(c.appendIfPossible(8));
        QCOMPARE(c.step, 3);
        QVERIFY(!c.appendIfPossible(12));
        QVERIFY(c.appendIfPossible(11));
        QCOMPARE(c.length, 3);
        QVERIFY(c.prependIfPossible(2));
        QCOMPARE(c.start, -1);
        QCOMPARE(c.firstValue, 2);
        QVERIFY(!c.prependIfPossible(0));
        QCOMPARE(c.getValue(3), 11);

        Chunk single(0, 1, 7, 0);
        QVERIFY(single.prependIfPossible(7));
        QVERIFY(single.constant);
        QVERIFY(!single.prependIfPossible(6));

        Chunk a(0, 2, 1, 1);   // 1 2
        Chunk b(2, 2, 3, 1);   // 3 4
        Chunk gap(5, 1, 5, 0); // not adjacent
        Chunk copy(a);
        QCOMPARE(Chunk::liveChunks(), live + 6);
        QVERIFY(!copy.appendIfPossible(&gap));
        QVERIFY(copy.appendIfPossible(&b));
        QCOMPARE(copy.length, 4);
        Chunk one(0, 1, 1, 0);
        Chunk stepTwo(1, 2, 3, 2); // 3 5
        QVERIFY(one.appendIfPossible(&stepTwo)); // 1 3 5
        QCOMPARE(one.step, 2);
        QCOMPARE(one.length, 3);
        Chunk other(0, 2, 1, 1);
        Chunk wrongStep(2, 2, 3, 2);
        QVERIFY(!other.appendIfPossible(&wrongStep));
        QCOMPARE(other.length, 2); // unchanged on failure
        Chunk empty(2, 0, 0, 0);
        QVERIFY(other.appendIfPossible(&empty));
        Chunk nothing(0, 0, 0, 0);
        QVERIFY(nothing.appendIfPossible(&a));
        QCOMPARE(nothing.length, 2);
    }
    QCOMPARE(Chunk::liveChunks(), live);
}

void TestCompressedDataArray::appendAndChunking()
{
    QScopedPointer<IntArray> a(make({1, 2, 3, 3, 3}));
    QCOMPARE(chunking(*a), (QList<QList<int>>{{0, 3, 1, 1}, {3, 2, 3, 0}}));
    QVERIFY(a->testRepresentationInvariant());
    QCOMPARE(a->getMean(), 2.4);

    QScopedPointer<IntArray> down(make({5, 3}));
    QCOMPARE(down->chunkCount(), 2);

    // A million evenly increasing values are one chunk.
    IntArray big;
    for (int i = 0; i < 1000000; ++i)
        big.appendTyped(10 + 5 * i);
    QCOMPARE(big.chunkCount(), 1);
    QCOMPARE(big.getValue(999999), 10.0 + 5 * 999999);
    QVERIFY(big.isNondecreasing());
    QCOMPARE(big.getIndexOfFirstValueLargerThanOrEqual(11), 1);
    // Random reads go through the binary search over chunk starts.
    IntArray steps;
    for (int i = 0; i < 1000; ++i)
        steps.appendTyped(i / 10 * 7); // runs of ten equal values
    QCOMPARE(steps.chunkCount(), 100);
    for (int i : {999, 0, 555, 10, 9, 11, 500, 499})
        QCOMPARE(steps.getTypedValue(i), i / 10 * 7);
    QCOMPARE(steps.getChunkIndex(1000), -1);
    QCOMPARE(steps.getChunkIndex(-1), -1);
    QCOMPARE(steps.getChunkIndex(555), 55);
}

void TestCompressedDataArray::replaceRemoveAndDecimate()
{
    QScopedPointer<IntArray> a(make({1, 2, 3, 4, 5}));
    a->replace(2, 9);
    QCOMPARE(values(*a), (QList<int>{1, 2, 9, 4, 5}));
    QVERIFY(a->testRepresentationInvariant());
    QVERIFY(!a->isNondecreasing());
    a->replace(2, 3);
    QCOMPARE(values(*a), (QList<int>{1, 2, 3, 4, 5}));
    QCOMPARE(a->chunkCount(), 1);
    a->replace(0, 7); // first index: 7 cannot precede 2 3 4 5
    QCOMPARE(values(*a), (QList<int>{7, 2, 3, 4, 5}));
    a->replace(0, 1);
    QCOMPARE(a->chunkCount(), 1);
    a->replace(4, 0); // last index
    QVERIFY(a->testRepresentationInvariant());
    a->replace(4, 5);
    QCOMPARE(a->chunkCount(), 1);
    QCOMPARE(a->getMaximum(), 5.0);

    QScopedPointer<IntArray> r(make({0, 1, 2, 3, 4, 5}));
    r->removeData(1, 3);
    QCOMPARE(values(*r), (QList<int>{0, 4, 5}));
    QCOMPARE(chunking(*r), (QList<QList<int>>{{0, 1, 0, 0}, {1, 2, 4, 1}}));
    r->removeData(0, 1);
    QCOMPARE(chunking(*r), (QList<QList<int>>{{0, 2, 4, 1}}));
    r->removeData(0, 2);
    QCOMPARE(r->chunkCount(), 0);
    QCOMPARE(r->dataSize(), 0);

    // Removing the piece between two runs lets them join.
    QScopedPointer<IntArray> j(make({1, 2, 3, 9, 9, 4, 5}));
    j->removeData(3, 2);
    QCOMPARE(chunking(*j), (QList<QList<int>>{{0, 5, 1, 1}}));

    QScopedPointer<IntArray> d(make({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    d->decimateKeepEven();
    QCOMPARE(chunking(*d), (QList<QList<int>>{{0, 5, 0, 2}}));
    QCOMPARE(d->getMean(), 4.0);
    // A chunk starting at an odd index contributes its second value first.
    QScopedPointer<IntArray> odd(make({5, 10, 11, 12, 13, 14}));
    odd->decimateKeepEven(); // keeps 5, 11, 13
    QCOMPARE(values(*odd), (QList<int>{5, 11, 13}));
    QVERIFY(odd->testRepresentationInvariant());
}

void TestCompressedDataArray::searchesConversionAndMemory()
{
    QScopedPointer<IntArray> a(make({1, 3, 5, 7}));
    QCOMPARE(a->linearSearchIndexOf(7), 3);
    QCOMPARE(a->linearSearchIndexOf(4), -1);
    QCOMPARE(a->linearSearchIndexOf(5.9), 2); // truncated like a stored value
    QCOMPARE(a->getInterpolatedIndexOfValue(4), 1.5);

    int marker = -1;
    QScopedPointer<IntArray> m(make({4}, &marker));
    m->append(std::numeric_limits<double>::quiet_NaN());
    m->append(-1);
    m->append(2.7);
    QCOMPARE(values(*m), (QList<int>{4, -1, -1, 2}));
    QVERIFY(std::isnan(m->getValue(1)));
    QVERIFY(m->holdsDoNotUseValue(2));
    QCOMPARE(m->getNrOfValidValues(), 2);
    QCOMPARE(m->linearSearchIndexOf(std::numeric_limits<double>::quiet_NaN()), 1);

    // Without a marker a NaN is stored as the most negative int but, as a
    // value passed in, stays out of the statistics.
    IntArray plain;
    plain.append(std::numeric_limits<double>::quiet_NaN());
    QCOMPARE(plain.getTypedValue(0), INT_MIN);
    QCOMPARE(plain.getNrOfValidValues(), 0);
    plain.append(1e30); // saturates instead of overflowing
    plain.append(-std::numeric_limits<double>::infinity());
    QCOMPARE(values(plain), (QList<int>{INT_MIN, INT_MAX, INT_MIN}));

    const int total0 = DataArray::getTotalVectorMemoryConsumption();
    auto* mem = new IntArray();
    QCOMPARE(mem->getMemoryConsumption(), 0);
    for (int i = 0; i < 100; ++i)
        mem->appendTyped(i % 3 ? i : 0);
    QCOMPARE(mem->getMemoryConsumption() % 20, 0);
    QVERIFY(mem->getMemoryConsumption() >= mem->chunkCount() * 20);
    QCOMPARE(DataArray::getTotalVectorMemoryConsumption() - total0, mem->getMemoryConsumption());
    mem->squeeze();
    QCOMPARE(mem->getMemoryConsumption(), mem->chunkCount() * 20);
    delete mem;
    QCOMPARE(DataArray::getTotalVectorMemoryConsumption(), total0);
}

namespace {
// Breaks the chunk list on purpose to see the invariant check report it.
struct Corruptible : IntArray {
    QList<Chunk*>& list() { return chunks; }
    int& count() { return size; }
};

QStringList warnings;
void collect(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type == QtWarningMsg)
        warnings << text;
}
} // namespace

void TestCompressedDataArray::invariantWarnings()
{
    Corruptible a;
    for (int v : {1, 2, 3, 9, 9})
        a.appendTyped(v);
    QVERIFY(a.testRepresentationInvariant());

    const QtMessageHandler previous = qInstallMessageHandler(collect);
    warnings.clear();
    a.list()[1]->start = 6;    // gap between the chunks
    a.list()[0]->start = 1;    // and a list not starting at 0
    a.count() = 9;             // size disagreeing with the chunks
    a.list().append(new Chunk(7, 0, 0, 0)); // an empty chunk
    const bool ok = a.testRepresentationInvariant();
    a.list()[0]->start = 0;
    a.list()[1]->start = 3;
    delete a.list().takeLast();
    a.count() = 5;
    a.list()[1]->firstValue = 4; // 1 2 3 | 4 4: combinable?  no (step 1 vs 0)
    a.list()[1]->length = 1;     // 1 2 3 | 4: combinable
    a.count() = 4;
    const bool combinable = a.testRepresentationInvariant();
    qInstallMessageHandler(previous);

    QVERIFY(!ok);
    QVERIFY(!combinable);
    QCOMPARE(warnings, (QStringList{"chunk length", "first chunk start index", "consecutivity of indices",
                                    "size correctness", "non-combinability"}));
}

void TestCompressedDataArray::extremeValues()
{
    // Steps that do not fit an int must never be formed.
    QScopedPointer<IntArray> a(make({INT_MIN + 1, INT_MAX}));
    QCOMPARE(a->chunkCount(), 2);
    QCOMPARE(values(*a), (QList<int>{INT_MIN + 1, INT_MAX}));
    // -2e9, -0.5e9, 1e9, 2.5e9 (too large): step 1.5e9 fits, twice it does not.
    QScopedPointer<IntArray> b(make({-2000000000, -500000000, 1000000000}));
    QCOMPARE(b->chunkCount(), 1);
    QCOMPARE(b->getTypedValue(2), 1000000000);
    b->decimateKeepEven();
    QCOMPARE(values(*b), (QList<int>{-2000000000, 1000000000}));
    QVERIFY(b->testRepresentationInvariant());
    QCOMPARE(b->linearSearchIndexOf(1000000000), 1);
    b->replace(0, INT_MAX);
    b->replace(1, INT_MIN + 5);
    QCOMPARE(values(*b), (QList<int>{INT_MAX, INT_MIN + 5}));
    QVERIFY(b->testRepresentationInvariant());
}

void TestCompressedDataArray::randomOperationsAgainstModel_data()
{
    QTest::addColumn<bool>("withMarker");
    QTest::addColumn<bool>("extreme");
    QTest::addColumn<unsigned>("seed");
    QTest::newRow("no marker, seed 21") << false << false << 21u;
    QTest::newRow("no marker, seed 22") << false << false << 22u;
    QTest::newRow("marker -7, seed 23") << true << false << 23u;
    QTest::newRow("marker -7, seed 24") << true << false << 24u;
    QTest::newRow("marker -7, extreme values, seed 25") << true << true << 25u;
}

void TestCompressedDataArray::randomOperationsAgainstModel()
{
    QFETCH(bool, withMarker);
    QFETCH(bool, extreme);
    QFETCH(unsigned, seed);
    const int live = Chunk::liveChunks();
    arraymodel::Storage s;
    s.hasMarker = withMarker;
    s.marker = -7;
    s.allowGaps = withMarker; // without a marker a NaN is stored as INT_MIN
    s.append = [](DataArray* a, double v) { a->append(v); };
    s.readBack = [&](double v) { return arraymodel::unusable(s, v) ? arraymodel::NaN : v; };
    s.linearKey = [](double v) { return std::isnan(v) ? v : std::trunc(v); };
    // Arithmetic runs whose step changes now and then, flat runs, and jumps.
    auto step = std::make_shared<int>(1);
    s.nextValue = [step, extreme](std::mt19937& rng, double last, bool increasing) {
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
    s.extraCheck = [live](DataArray* a) {
        auto* c = static_cast<IntArray*>(a);
        if (!c->testRepresentationInvariant() || Chunk::liveChunks() - live != c->chunkCount())
            return false;
        for (int i = 0; i < c->dataSize(); ++i) {
            if (!arraymodel::same(c->getValue(i), c->holdsDoNotUseValue(i) ? arraymodel::NaN : c->getTypedValue(i)))
                return false;
        }
        return true;
    };
    arraymodel::run([withMarker]() -> DataArray* { return withMarker ? new IntArray(-7) : new IntArray(); }, s, seed,
                    4000);
    QCOMPARE(Chunk::liveChunks(), live);
}

QTEST_MAIN(TestCompressedDataArray)
#include "tst_compresseddataarray.moc"
