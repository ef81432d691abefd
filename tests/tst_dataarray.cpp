#include "arraymodel.h"

class TestDataArray : public QObject
{
    Q_OBJECT

private slots:
    void throttledVariance();
    void decimationKeepsEvenlySpacedSamples();
    void extremesForBounds();
    void memoryAccountingAndReferences();
    void randomOperationsAgainstModel();
};

void TestDataArray::throttledVariance()
{
    DoubleArray small, c;
    for (int i = 0; i < 200; ++i)
        c.append(i);
    for (int i = 0; i < 5; ++i)
        small.append(i);
    // Small arrays are never recomputed by the throttled variant.
    small.maybeCalculateVarianceAndSkewness();
    QVERIFY(!small.hasUptodateVarianceSkewness() && std::isnan(small.getVariance()));

    // A long array whose timer never ran is computed at once; right after
    // that the stale values stay until the interval has passed.
    c.maybeCalculateVarianceAndSkewness();
    QVERIFY(c.hasUptodateVarianceSkewness());
    const double v = c.getVariance();
    c.append(1000);
    c.maybeCalculateVarianceAndSkewness();
    QVERIFY(!c.hasUptodateVarianceSkewness() && c.getVariance() == v);
    c.ensureVarianceAndSkewness();
    QVERIFY(c.hasUptodateVarianceSkewness() && c.getVariance() > v);
}

void TestDataArray::decimationKeepsEvenlySpacedSamples()
{
    // A producer offers the samples first, first + 1, ... up to last and stores
    // those the array asks for, decimating whenever the array holds `full`.
    auto produce = [](DataArray& a, int first, int last, int full) {
        for (int sample = first; sample <= last; ++sample) {
            if (a.needsToAddValueAccordingDecimation())
                a.append(sample);
            if (a.dataSize() == full)
                a.decimateKeepEven();
        }
        return arraymodel::valuesOf(a);
    };
    // With an odd capacity the newest stored sample always survives.
    DoubleArray live, odd, often;
    QVERIFY(produce(live, 0, 199, 7) == QList<double>({0, 64, 128, 192}) && live.getCurrentDecimationFactor() == 64);
    // When the newest stored sample sat at an odd index it is dropped, and the
    // next stored one keeps the spacing: 6 follows 4, not 7.
    QCOMPARE(produce(odd, 0, 9, 6), QList<double>({0, 2, 4, 6, 8}));

    // Decimating a long-lived series again and again saturates instead of
    // overflowing: the producer still gets a sample stored only rarely.
    often.append(1);
    for (int i = 0; i < 40; ++i)
        often.decimateKeepEven();
    QVERIFY(often.getCurrentDecimationFactor() == 1 << 30 && !often.needsToAddValueAccordingDecimation());
}

void TestDataArray::extremesForBounds()
{
    // Infinities and glitches such as 1e308 are values, but give bounds nothing;
    // the extremes for bounds follow replacements, left shifts and appends.
    DataArrayTemplate<double> a;
    for (double v : {3.0, 1e308, -std::numeric_limits<double>::infinity(), 1.0, 7.0})
        a.append(v);
    QVERIFY(a.getMaximum() == 1e308 && a.getMinimumForBounds() == 1 && a.getMaximumForBounds() == 7);
    a.replace(4, 2);
    QCOMPARE(a.getMaximumForBounds(), 3.0);
    a.replace(2, 0); // the infinite minimum goes, though it was no bound
    QCOMPARE(a.getMinimum(), 0.0);
    a.leftshift(4);
    QVERIFY(a.getMinimumForBounds() == 2 && a.getMaximumForBounds() == 2);
    a.leftshift(1);
    a.append(-1e301);
    QVERIFY(a.hasValidValues() && std::isnan(a.getMinimumForBounds()) && std::isnan(a.getMaximumForBounds()));
    a.append(5);
    QVERIFY(a.getMinimumForBounds() == 5 && a.getMaximumForBounds() == 5);
}

void TestDataArray::memoryAccountingAndReferences()
{
    const int total0 = DataArray::getTotalVectorMemoryConsumption();
    auto* a = new DoubleArray;
    QCOMPARE(a->getMemoryConsumption(), 0);
    for (int i = 0; i < 1000; ++i)
        a->append(i);
    a->leftshift(990);
    a->squeeze();
    QCOMPARE(a->getMemoryConsumption(), 10 * 8);
    a->excludeFromTotalMemoryConsumption();
    QCOMPARE(DataArray::getTotalVectorMemoryConsumption(), total0);
    a->append(2); // the next update adds the full share again
    QCOMPARE(DataArray::getTotalVectorMemoryConsumption() - total0, a->getMemoryConsumption());

    QPointer<DataArray> counted(a);
    a->addReference();
    a->addReference();
    a->removeReference();
    QVERIFY(counted);
    a->removeReference(); // last reference of a counted array: gone
    QVERIFY(!counted && DataArray::getTotalVectorMemoryConsumption() == total0);

    QPointer<DataArray> owned = new DoubleArray;
    owned->setReferenceCounted(false);
    owned->addReference();
    owned->removeReference();
    QVERIFY(owned); // not counted: its owner deletes it
    delete owned;
}

void TestDataArray::randomOperationsAgainstModel()
{
    arraymodel::Storage s;
    s.marker = -1.5;
    // Multiples of 0.25 keep every sum exact, so statistics compare exactly.
    s.nextValue = [](std::mt19937& rng, double last, bool increasing) {
        if (increasing && !std::isnan(last))
            return last + 0.25 * std::uniform_int_distribution<int>(0, 8)(rng);
        return 0.25 * std::uniform_int_distribution<int>(-800, 800)(rng);
    };
    // The fast read path agrees with getValue; exactly the stored markers read as gaps.
    s.extraCheck = [](DataArray* a) {
        auto* d = static_cast<DataArrayTemplate<double>*>(a);
        for (int i = 0; i < d->dataSize(); ++i) {
            const double v = d->getValue(i);
            if (!arraymodel::same(d->valueAt(i), v) || !arraymodel::same(d->getTypedValue(i), d->constData()[i])
                || std::isnan(v) != d->equalsDoNotUseValue(d->getTypedValue(i)))
                return false;
        }
        return true;
    };
    for (unsigned seed : {1u, 2u, 3u, 4u}) { // seeds 3 and 4 with the marker -1.5
        s.hasMarker = seed > 2;
        arraymodel::run([&s] { return s.hasMarker ? new DoubleArray(-1.5) : new DoubleArray(); }, s, seed, 4000);
    }
}

QTEST_MAIN(TestDataArray)
#include "tst_dataarray.moc"
