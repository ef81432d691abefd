#include "arraymodel.h"

#include <zebplot/zebplot.h>
#include <memleaktracer.h>

#include <QtTest>

#include <cmath>
#include <limits>

namespace {
const double NaN = std::numeric_limits<double>::quiet_NaN();

DataArrayTemplate<double>* makeArray(std::initializer_list<double> values)
{
    auto* a = new DataArrayTemplate<double>();
    for (double v : values)
        a->append(v);
    return a;
}
} // namespace

class TestDataArray : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void appendStatisticsAndSignals();
    void varianceSkewnessAndPercentiles();
    void sortedSearches();
    void unsortedSearches();
    void interpolatedValue();
    void nonDecreasingTracking();
    void leftShiftAndDecimation();
    void markerStorage();
    void memoryAccountingAndReferences();
    void randomOperationsAgainstModel_data();
    void randomOperationsAgainstModel();
    void liveObjectsAndMemoryReturnToStart();
    void fatalProgrammingErrors_data();
    void fatalProgrammingErrors();
};

namespace {
// The test binary re-runs itself with this variable set to provoke one fatal
// programming error in a child process.
const char* const kCrashCase = "ZEB_TST_DATAARRAY_CRASH_CASE";
} // namespace

void TestDataArray::initTestCase()
{
    const QByteArray crashCase = qgetenv(kCrashCase);
    if (crashCase.isEmpty())
        return;
    if (crashCase == "removeReference") {
        auto* a = new DataArrayTemplate<double>();
        a->removeReference();
    } else if (crashCase == "deleteReferenced") {
        auto* a = new DataArrayTemplate<double>();
        a->addReference();
        delete a;
    } else if (crashCase == "bitRange") {
        BitDataArray b;
        b.appendBool(true);
        b.appendBool(false);
        b.appendBool(true);
        b.removeData(2, 5);
    } else if (crashCase == "bitNegativeStart") {
        BitDataArray b;
        b.appendBool(true);
        b.removeData(-1, 1);
    }
    // Reaching this point means the error went unnoticed.
    std::fflush(stderr);
    std::_Exit(0);
}

void TestDataArray::appendStatisticsAndSignals()
{
    DataArrayTemplate<double> a;
    QSignalSpy changed(&a, &DataArray::dataChanged);
    QSignalSpy noLongerEmpty(&a, &DataArray::noLongerEmpty);

    QVERIFY(std::isnan(a.getMean()));
    QVERIFY(std::isnan(a.getMinimum()));
    QVERIFY(std::isnan(a.getMaximum()));
    QVERIFY(std::isnan(a.getLastValue()));
    QVERIFY(std::isnan(a.getSecondLastValue()));

    // A gap first: stored, not counted, no "no longer empty", order lost.
    a.append(NaN);
    QCOMPARE(a.dataSize(), 1);
    QCOMPARE(a.getNrOfValidValues(), 0);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(noLongerEmpty.count(), 0);
    QVERIFY(!a.isNondecreasing());
    QVERIFY(!a.hasValidValues());

    a.append(4.0);
    QCOMPARE(noLongerEmpty.count(), 1);
    a.append(-2.0);
    a.append(7.0);
    QCOMPARE(noLongerEmpty.count(), 1); // only for the first usable value
    QCOMPARE(changed.count(), 4);
    QCOMPARE(a.getNrOfValidValues(), 3);
    QCOMPARE(a.getMean(), 3.0);
    QCOMPARE(a.getMinimum(), -2.0);
    QCOMPARE(a.getMaximum(), 7.0);
    QCOMPARE(a.getLastValue(), 7.0);
    QCOMPARE(a.getSecondLastValue(), -2.0);

    // Replacing an extreme makes min/max recompute lazily.
    a.replace(3, 1.0);
    QCOMPARE(a.getMaximum(), 4.0);
    a.replace(2, NaN);
    QCOMPARE(a.getNrOfValidValues(), 2);
    QCOMPARE(a.getMinimum(), 1.0);
    QCOMPARE(a.getMean(), 2.5);
    QCOMPARE(changed.count(), 6);

    // After reinit the next usable value announces itself again.
    a.reinit();
    QCOMPARE(a.dataSize(), 0);
    QVERIFY(a.isNondecreasing());
    QVERIFY(std::isnan(a.getMean()));
    a.append(1.0);
    QCOMPARE(noLongerEmpty.count(), 2);
}

void TestDataArray::varianceSkewnessAndPercentiles()
{
    QScopedPointer<DataArrayTemplate<double>> a(makeArray({3, 1, 2}));
    QVERIFY(!a->hasUptodateVarianceSkewness());
    QVERIFY(std::isnan(a->getVariance())); // never computed yet
    a->ensureVarianceAndSkewness();
    QVERIFY(a->hasUptodateVarianceSkewness());
    QCOMPARE(a->getVariance(), 2.0 / 3.0);
    QCOMPARE(a->getSkewness(), 0.0);

    QScopedPointer<DataArrayTemplate<double>> b(makeArray({1, 1, 1, 10, NaN}));
    b->calculateVarianceAndSkewness();
    // mean 3.25; deviations -2.25 x3, 6.75 -> population moments
    const double s2 = 3 * 2.25 * 2.25 + 6.75 * 6.75;
    const double s3 = 3 * -2.25 * 2.25 * 2.25 + 6.75 * 6.75 * 6.75;
    QCOMPARE(b->getVariance(), s2 / 4);
    QVERIFY(std::fabs(b->getSkewness() - (s3 / 4) / std::pow(s2 / 4, 1.5)) < 1e-12);

    // Small arrays are never recomputed by the throttled variant.
    b->append(2);
    b->maybeCalculateVarianceAndSkewness();
    QVERIFY(!b->hasUptodateVarianceSkewness());
    // A long array whose timer never ran is computed at once, then throttled.
    DataArrayTemplate<double> c;
    for (int i = 0; i < 200; ++i)
        c.append(i % 7);
    c.maybeCalculateVarianceAndSkewness();
    QVERIFY(c.hasUptodateVarianceSkewness());
    const double v = c.getVariance();
    c.append(1000);
    c.maybeCalculateVarianceAndSkewness();
    QVERIFY(!c.hasUptodateVarianceSkewness());
    QCOMPARE(c.getVariance(), v);

    QScopedPointer<DataArrayTemplate<double>> p(makeArray({-4, 1, 2}));
    QCOMPARE(p->getPercentile(50), 4.0); // index ceil(1.5) = 2 of 1, 2, 4
    QCOMPARE(p->getPercentile(0), 1.0);
    QVERIFY(std::isnan(p->getPercentile(100)));
    QVERIFY(std::isnan(p->getPercentile(NaN)));
    QVERIFY(std::isnan(p->getPercentile(-50)));
    // The sorted list follows appends; removals rebuild it.
    p->append(-0.5);
    QCOMPARE(p->getPercentile(0), 0.5);
    QCOMPARE(p->getPercentile(50), 2.0); // 0.5, 1, 2, 4: index 2
    p->leftshift(1);
    QCOMPARE(p->getPercentile(60), 2.0); // 0.5, 1, 2: index ceil(1.8) = 2
    DataArrayTemplate<double> empty;
    QVERIFY(std::isnan(empty.getPercentile(0)));
}

void TestDataArray::sortedSearches()
{
    QScopedPointer<DataArrayTemplate<double>> a(makeArray({0, 10, 20}));
    QVERIFY(a->isNondecreasing());
    QCOMPARE(a->getIndexOfFirstValueLargerThanOrEqual(10), 1);
    QCOMPARE(a->getIndexOfFirstValueLargerThanOrEqual(11), 2);
    QCOMPARE(a->getIndexOfFirstValueLargerThanOrEqual(-5), 0);
    QCOMPARE(a->getIndexOfFirstValueLargerThanOrEqual(25), 3);
    QCOMPARE(a->getIndexOfFirstValueLargerThanOrEqual(NaN), -1);
    QCOMPARE(a->getLargestIndexOfValueSmallerThanOrEqual(9), 0);
    QCOMPARE(a->getLargestIndexOfValueSmallerThanOrEqual(20), 2);
    QCOMPARE(a->getLargestIndexOfValueSmallerThanOrEqual(-1), -1);
    QCOMPARE(a->getInterpolatedIndexOfValue(15), 1.5);
    QCOMPARE(a->getInterpolatedIndexOfValue(25), -1.0);
    QCOMPARE(a->getInterpolatedIndexOfValue(-1), -1.0);
    QCOMPARE(a->getIndexOfNearestValue(14), 1);
    QCOMPARE(a->getIndexOfNearestValue(15), 2);
    QCOMPARE(a->getIndexOfNearestValue(25), 2);
    QCOMPARE(a->getIndexOfNearestValue(-3), 0);
    QCOMPARE(a->getIndexOfNearestValue(NaN), -1);
    QCOMPARE(a->posOf(10), 1);
    QCOMPARE(a->posOf(11), -1);

    QScopedPointer<DataArrayTemplate<double>> runs(makeArray({1, 2, 2, 2, 3}));
    QCOMPARE(runs->getIndexOfFirstValueLargerThanOrEqual(2), 1);
    QCOMPARE(runs->getInterpolatedIndexOfValue(2), 3.0);
    QCOMPARE(runs->getLargestIndexOfValueSmallerThanOrEqual(2), 3);
    QCOMPARE(runs->getInterpolatedIndexOfValue(2.5), 3.5);

    DataArrayTemplate<double> empty;
    QCOMPARE(empty.getIndexOfFirstValueLargerThanOrEqual(1), -1);
    QCOMPARE(empty.getIndexOfNearestValue(1), -1);
    QCOMPARE(empty.getLargestIndexOfValueSmallerThanOrEqual(1), -1);
    QCOMPARE(empty.getInterpolatedIndexOfValue(1), -1.0);
    QCOMPARE(empty.posOf(1), -1);
}

void TestDataArray::unsortedSearches()
{
    QScopedPointer<DataArrayTemplate<double>> a(makeArray({5, 1, 5}));
    QVERIFY(!a->isNondecreasing());
    QCOMPARE(a->getIndexOfNearestValue(5), 2);  // ties go to the highest index
    QCOMPARE(a->getIndexOfNearestValue(2), 1);
    QCOMPARE(a->getIndexOfFirstValueLargerThanOrEqual(6), 3); // n, not -1
    QCOMPARE(a->getIndexOfFirstValueLargerThanOrEqual(2), 0);
    QCOMPARE(a->getLargestIndexOfValueSmallerThanOrEqual(5), -1); // only sorted arrays answer
    QCOMPARE(a->getInterpolatedIndexOfValue(3), -1.0);
    QCOMPARE(a->posOf(5), 0); // first occurrence by linear search
    QCOMPARE(a->posOf(2), -1);

    // A gap stops the "first larger" scan and is skipped by the nearest search.
    QScopedPointer<DataArrayTemplate<double>> g(makeArray({1, NaN, 9}));
    QCOMPARE(g->getIndexOfFirstValueLargerThanOrEqual(5), 1);
    QCOMPARE(g->getIndexOfFirstValueLargerThanOrEqual(NaN), 0);
    QCOMPARE(g->getIndexOfNearestValue(4), 0);
    QCOMPARE(g->posOf(NaN), -1); // no marker: NaN matches nothing
}

void TestDataArray::interpolatedValue()
{
    QScopedPointer<DataArrayTemplate<double>> a(makeArray({0, 10, 20}));
    QCOMPARE(a->getInterpolatedValue(1.25), 12.5);
    QCOMPARE(a->getInterpolatedValue(2.0), 20.0);
    QCOMPARE(a->getInterpolatedValue(0.0), 0.0);
    QVERIFY(std::isnan(a->getInterpolatedValue(2.5)));
    QVERIFY(std::isnan(a->getInterpolatedValue(-0.5)));
    QVERIFY(std::isnan(a->getInterpolatedValue(NaN)));
    QVERIFY(std::isnan(a->getInterpolatedValue(1e300)));
    QVERIFY(std::isnan(a->getInterpolatedValue(-std::numeric_limits<double>::infinity())));
    QScopedPointer<DataArrayTemplate<double>> u(makeArray({4, 2}));
    QCOMPARE(u->getInterpolatedValue(0.5), 3.0);
}

void TestDataArray::nonDecreasingTracking()
{
    QScopedPointer<DataArrayTemplate<double>> a(makeArray({1, 2, 3, 4}));
    a->replace(1, 2.5); // still ordered
    QVERIFY(a->isNondecreasing());
    a->replace(3, 3); // equal to its predecessor is fine
    QVERIFY(a->isNondecreasing());
    a->replace(0, 5); // larger than its successor
    QVERIFY(!a->isNondecreasing());
    a->replace(0, 1); // a replace never restores the flag
    QVERIFY(!a->isNondecreasing());
    a->determineIsNonDecreasing();
    QVERIFY(a->isNondecreasing());
    a->replace(2, NaN);
    QVERIFY(!a->isNondecreasing());
    a->replace(2, 3);
    a->determineIsNonDecreasing();
    QVERIFY(a->isNondecreasing());
    a->append(NaN);
    a->determineIsNonDecreasing(); // a gap keeps it unordered
    QVERIFY(!a->isNondecreasing());
}

void TestDataArray::leftShiftAndDecimation()
{
    QScopedPointer<DataArrayTemplate<double>> a(makeArray({7, 8, 9}));
    QStringList order;
    connect(a.data(), &DataArray::leftShifted, this, [&](int n) { order << QStringLiteral("shift%1").arg(n); });
    connect(a.data(), &DataArray::dataChanged, this, [&] { order << QStringLiteral("changed"); });
    a->leftshift(5);
    QCOMPARE(order, QStringList({"shift3", "changed"}));
    QCOMPARE(a->dataSize(), 0);
    QCOMPARE(a->getTotalPositionsLeftShifted(), 3);
    QCOMPARE(a->getNrOfValidValues(), 0);
    QVERIFY(std::isnan(a->getMinimum()));
    a->disconnect(this);

    // The decimation counter is internal; a probe subclass reads it.
    struct Probe : DataArrayTemplate<double> {
        int counter() const { return decimationCounter; }
    };
    Probe d;
    for (int i = 0; i < 5; ++i)
        d.append(i);
    QVERIFY(d.needsToAddValueAccordingDecimation()); // factor 1: every sample
    d.decimateKeepEven(); // counter 1, n = 5: 2 * 1 + 4 % 2 = 2
    QCOMPARE(d.counter(), 2);
    QCOMPARE(d.dataSize(), 3);
    QCOMPARE(d.getValue(2), 4.0);
    QCOMPARE(d.getCurrentDecimationFactor(), 2);
    QCOMPARE(d.getMean(), 2.0);
    QCOMPARE(d.getTotalPositionsLeftShifted(), 0);
    d.decimateKeepEven(); // n = 3: 2 * 2 + 2 % 2 = 4
    QCOMPARE(d.counter(), 4);
    QCOMPARE(d.getCurrentDecimationFactor(), 4);
    QCOMPARE(d.dataSize(), 2);
    QVERIFY(d.needsToAddValueAccordingDecimation());
    d.append(5);
    QCOMPARE(d.counter(), 0);
    QVERIFY(!d.needsToAddValueAccordingDecimation());
    QVERIFY(!d.needsToAddValueAccordingDecimation());
    QVERIFY(!d.needsToAddValueAccordingDecimation());
    QVERIFY(d.needsToAddValueAccordingDecimation()); // every fourth

    Probe six;
    for (int i = 0; i < 6; ++i)
        six.append(i);
    six.needsToAddValueAccordingDecimation();
    six.decimateKeepEven(); // 2 * 1 + 5 % 2 = 3
    QCOMPARE(six.counter(), 3);
    Probe none;
    none.decimateKeepEven(); // n = 0 contributes (0 - 1) % 2 = -1
    QCOMPARE(none.counter(), -1);
    QCOMPARE(none.dataSize(), 0);

    // Decimating a long-lived series again and again saturates instead of overflowing.
    Probe often;
    often.append(1);
    for (int i = 0; i < 40; ++i) {
        often.needsToAddValueAccordingDecimation();
        often.decimateKeepEven();
    }
    QCOMPARE(often.getCurrentDecimationFactor(), 1 << 30);
    QVERIFY(often.counter() >= 0);
    QCOMPARE(often.dataSize(), 1);
}

void TestDataArray::markerStorage()
{
    DataArrayTemplate<double> a(-1.0);
    a.append(3);
    a.append(NaN);
    a.append(-1.0);
    QCOMPARE(a.getTypedValue(1), -1.0); // NaN stored as the marker
    QVERIFY(std::isnan(a.getValue(1)));
    QVERIFY(std::isnan(a.getValue(2)));
    QVERIFY(a.holdsDoNotUseValue(2));
    QVERIFY(!a.holdsDoNotUseValue(0));
    QCOMPARE(a.getNrOfValidValues(), 1);
    QCOMPARE(a.linearSearchIndexOf(NaN), 1);
    QCOMPARE(a.posOf(NaN), 1);
    QVERIFY(std::isnan(a.valueAt(1)));
    QCOMPARE(a.constData()[1], -1.0);
    a.replace(1, 5);
    QCOMPARE(a.getNrOfValidValues(), 2);
    QCOMPARE(a.getMaximum(), 5.0);

    DataArrayTemplate<double> plain;
    plain.append(NaN);
    QVERIFY(std::isnan(plain.getTypedValue(0)));
    QVERIFY(!plain.holdsDoNotUseValue(0));
    QCOMPARE(plain.linearSearchIndexOf(NaN), -1);
}

void TestDataArray::memoryAccountingAndReferences()
{
    const int total0 = DataArray::getTotalVectorMemoryConsumption();
    auto* a = new DataArrayTemplate<double>();
    QCOMPARE(a->getMemoryConsumption(), 0);
    a->append(1);
    QVERIFY(a->getMemoryConsumption() >= 8);
    QCOMPARE(DataArray::getTotalVectorMemoryConsumption() - total0, a->getMemoryConsumption());
    for (int i = 0; i < 1000; ++i)
        a->append(i);
    QCOMPARE(DataArray::getTotalVectorMemoryConsumption() - total0, a->getMemoryConsumption());
    a->leftshift(990);
    a->squeeze();
    QCOMPARE(a->getMemoryConsumption(), 11 * 8);
    QCOMPARE(DataArray::getTotalVectorMemoryConsumption() - total0, 88);
    a->excludeFromTotalMemoryConsumption();
    QCOMPARE(DataArray::getTotalVectorMemoryConsumption(), total0);
    a->append(2);
    QCOMPARE(DataArray::getTotalVectorMemoryConsumption() - total0, a->getMemoryConsumption());

    QPointer<DataArray> guard(a);
    a->addReference();
    a->addReference();
    a->removeReference();
    QVERIFY(guard);
    a->removeReference(); // last reference of a counted array: gone
    QVERIFY(!guard);
    QCOMPARE(DataArray::getTotalVectorMemoryConsumption(), total0);

    auto* b = new DataArrayTemplate<double>();
    b->setReferenceCounted(false);
    b->addReference();
    b->removeReference();
    QCOMPARE(b->getNumberOfReferences(), 0);
    delete b; // still alive: the owner deletes it
}

void TestDataArray::randomOperationsAgainstModel_data()
{
    QTest::addColumn<bool>("withMarker");
    QTest::addColumn<unsigned>("seed");
    QTest::newRow("no marker, seed 1") << false << 1u;
    QTest::newRow("no marker, seed 2") << false << 2u;
    QTest::newRow("marker -1.5, seed 3") << true << 3u;
    QTest::newRow("marker -1.5, seed 4") << true << 4u;
}

void TestDataArray::randomOperationsAgainstModel()
{
    QFETCH(bool, withMarker);
    QFETCH(unsigned, seed);
    arraymodel::Storage s;
    s.hasMarker = withMarker;
    s.marker = -1.5;
    s.append = [](DataArray* a, double v) { a->append(v); };
    s.readBack = [&](double v) { return arraymodel::unusable(s, v) ? NaN : v; };
    // Multiples of 0.25 keep every sum exact, so statistics compare exactly.
    s.nextValue = [](std::mt19937& rng, double last, bool increasing) {
        if (increasing && !std::isnan(last))
            return last + 0.25 * std::uniform_int_distribution<int>(0, 8)(rng);
        return 0.25 * std::uniform_int_distribution<int>(-800, 800)(rng);
    };
    s.extraCheck = [](DataArray* a) {
        auto* d = static_cast<DataArrayTemplate<double>*>(a);
        for (int i = 0; i < d->dataSize(); ++i) {
            const double v = d->getValue(i);
            if (!arraymodel::same(d->valueAt(i), v) || !arraymodel::same(d->getTypedValue(i), d->constData()[i]))
                return false;
            if (std::isnan(v) != d->equalsDoNotUseValue(d->getTypedValue(i)))
                return false;
        }
        return true;
    };
    arraymodel::run(
        [withMarker]() -> DataArray* {
            return withMarker ? new DataArrayTemplate<double>(-1.5) : new DataArrayTemplate<double>();
        },
        s, seed, 4000);
}

void TestDataArray::liveObjectsAndMemoryReturnToStart()
{
    MemLeakTracer* tracer = MemLeakTracer::getInstance();
    const QStringList names = {"DataArray", "AbstractDataArrayTemplate", "DataArrayTemplate", "BitDataArray",
                               "CompressedDataArrayTemplate"};
    // Every earlier test has deleted its arrays.
    for (const QString& name : names)
        QVERIFY2(tracer->liveCount(name) == 0, qPrintable(name));
    const int memory0 = DataArray::getTotalVectorMemoryConsumption();

    auto* plain = new DataArrayTemplate<double>();
    auto* marked = new DataArrayTemplate<double>(-1.0);
    auto* bits = new BitDataArray();
    auto* compressed = new CompressedDataArrayTemplate<int>();
    auto* compressedMarked = new CompressedDataArrayTemplate<int>(-1);
    // One registration per level of each class tree.
    QCOMPARE(tracer->liveCount("DataArray"), 5);
    QCOMPARE(tracer->liveCount("AbstractDataArrayTemplate"), 4);
    QCOMPARE(tracer->liveCount("DataArrayTemplate"), 2);
    QCOMPARE(tracer->liveCount("BitDataArray"), 1);
    QCOMPARE(tracer->liveCount("CompressedDataArrayTemplate"), 2);

    for (int i = 0; i < 5000; ++i) {
        plain->append(i);
        marked->append(i % 7 ? i : std::numeric_limits<double>::quiet_NaN());
        bits->appendBool(i % 3);
        compressed->appendTyped(i / 5);
        compressedMarked->append(i % 11);
    }
    plain->leftshift(100);
    bits->decimateKeepEven();
    compressed->decimateKeepEven();
    marked->getPercentile(50);
    QVERIFY(DataArray::getTotalVectorMemoryConsumption() > memory0 + 5000 * 8);

    plain->addReference();
    plain->removeReference(); // reference counted: deletes itself
    delete marked;
    delete bits;
    compressed->setReferenceCounted(false);
    compressed->addReference();
    compressed->removeReference(); // not counted: still alive
    delete compressed;
    delete compressedMarked;

    for (const QString& name : names)
        QVERIFY2(tracer->liveCount(name) == 0, qPrintable(name));
    QCOMPARE(CompressedDataArrayTemplate<int>::Chunk::liveChunks(), 0);
    QCOMPARE(DataArray::getTotalVectorMemoryConsumption(), memory0);
}

void TestDataArray::fatalProgrammingErrors_data()
{
    QTest::addColumn<QString>("crashCase");
    QTest::addColumn<QString>("message");
    QTest::newRow("uncounted reference") << "removeReference" << "DataArray::removeReference is removing uncounted reference";
    QTest::newRow("deleting referenced") << "deleteReferenced" << "Deleting referenced DataArray!";
    QTest::newRow("bit range past the end") << "bitRange" << "startIndex and/or count out of range";
    QTest::newRow("bit range before the start") << "bitNegativeStart" << "startIndex and/or count out of range";
}

void TestDataArray::fatalProgrammingErrors()
{
    QFETCH(QString, crashCase);
    QFETCH(QString, message);
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kCrashCase, crashCase);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {"interpolatedValue"});
    QVERIFY(child.waitForFinished(60000));
    const QString errors = QString::fromLocal8Bit(child.readAllStandardError());
    QVERIFY2(errors.contains(message), qPrintable(errors));
    QVERIFY2(child.exitStatus() == QProcess::CrashExit || child.exitCode() != 0, qPrintable(errors));
}

QTEST_MAIN(TestDataArray)
#include "tst_dataarray.moc"
