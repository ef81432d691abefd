#include "arraymodel.h"

#include <zebplot/zebplot.h>

#include <QtTest>

#include <cmath>

class TestBitDataArray : public QObject
{
    Q_OBJECT

private slots:
    void growthValuesAndStatistics();
    void storageOperations();
    void randomOperationsAgainstModel();
};

void TestBitDataArray::growthValuesAndStatistics()
{
    BitDataArray a;
    QCOMPARE(a.getMemoryConsumption(), 0);
    QSignalSpy noLongerEmpty(&a, &DataArray::noLongerEmpty);

    // Capacity doubles from one bit: 1, 2, 4, ...; 8 bits make the first byte.
    const int capacities[] = {1, 2, 4, 4, 8, 8, 8, 8, 16};
    const bool values[] = {true, false, true, true, false, false, true, false, true};
    for (int i = 0; i < 9; ++i) {
        a.appendBool(values[i]);
        QCOMPARE(a.getMemoryConsumption(), capacities[i] / 8);
    }
    QCOMPARE(noLongerEmpty.count(), 1);
    QCOMPARE(a.dataSize(), 9);
    for (int i = 0; i < 9; ++i) {
        QCOMPARE(a.getBoolValue(i), values[i]);
        QCOMPARE(a.getValue(i), values[i] ? 1.0 : 0.0);
    }
    QCOMPARE(a.getMean(), 5.0 / 9.0);
    QCOMPARE(a.getMinimum(), 0.0);
    QCOMPARE(a.getMaximum(), 1.0);
    a.squeeze();
    QCOMPARE(a.getMemoryConsumption(), 1); // 9 bits

    // No unusable values: NaN is a value (a set bit) and is counted.
    BitDataArray n;
    n.append(std::numeric_limits<double>::quiet_NaN());
    QCOMPARE(n.getValue(0), 1.0);
    QCOMPARE(n.getNrOfValidValues(), 1);
    QVERIFY(!n.holdsDoNotUseValue(0));
    QVERIFY(!n.equalsDoNotUseValue(std::numeric_limits<double>::quiet_NaN()));
    // The statistics see the value passed in, not the stored bit.
    BitDataArray five;
    five.append(5.0);
    five.append(0.0);
    QCOMPARE(five.getValue(0), 1.0);
    QCOMPARE(five.getMean(), 2.5);

    BitDataArray three;
    three.appendBool(true);
    three.appendBool(false);
    three.appendBool(true);
    QCOMPARE(three.getMean(), 2.0 / 3.0);
}

void TestBitDataArray::storageOperations()
{
    BitDataArray a;
    for (bool b : {true, false, true, true, false})
        a.appendBool(b);
    QCOMPARE(a.linearSearchIndexOf(0.5), -1);
    QCOMPARE(a.linearSearchIndexOf(0.0), 1);
    QCOMPARE(a.linearSearchIndexOf(1.0), 0);
    a.replaceData(7, 1); // outside: ignored
    a.replaceData(-1, 1);
    QCOMPARE(a.dataSize(), 5);
    a.replace(1, 2.0); // any non-zero sets the bit
    QCOMPARE(a.getValue(1), 1.0);
    QCOMPARE(a.linearSearchIndexOf(0.0), 4);
    a.replace(1, 0.0);

    a.removeOddIndexedData(); // 1 0 1 1 0 -> 1 1 0
    QCOMPARE(a.dataSize(), 3);
    QCOMPARE(a.getValue(0), 1.0);
    QCOMPARE(a.getValue(1), 1.0);
    QCOMPARE(a.getValue(2), 0.0);

    a.removeData(1, 2);
    QCOMPARE(a.dataSize(), 1);
    QCOMPARE(a.getValue(0), 1.0);
    a.removeData(0, 0);
    QCOMPARE(a.dataSize(), 1);

    a.reinit();
    QCOMPARE(a.dataSize(), 0);
    QCOMPARE(a.getMemoryConsumption(), 0);
    QCOMPARE(a.linearSearchIndexOf(1.0), -1);
}

void TestBitDataArray::randomOperationsAgainstModel()
{
    arraymodel::Storage s;
    s.allowGaps = false;
    s.append = [](DataArray* a, double v) { static_cast<BitDataArray*>(a)->appendBool(v != 0); };
    s.readBack = [](double v) { return v != 0 ? 1.0 : 0.0; };
    // Long runs of equal bits, so that the array is often non-decreasing.
    s.nextValue = [](std::mt19937& rng, double last, bool increasing) {
        if (increasing && !std::isnan(last))
            return std::uniform_int_distribution<int>(0, 9)(rng) == 0 ? 1.0 : last;
        return double(std::uniform_int_distribution<int>(0, 1)(rng));
    };
    s.extraCheck = [](DataArray* a) {
        auto* b = static_cast<BitDataArray*>(a);
        for (int i = 0; i < b->dataSize(); ++i) {
            if ((b->getValue(i) == 1.0) != b->getBoolValue(i))
                return false;
        }
        return true;
    };
    for (unsigned seed : {11u, 12u, 13u})
        arraymodel::run([] { return new BitDataArray(); }, s, seed, 3000);
}

QTEST_MAIN(TestBitDataArray)
#include "tst_bitdataarray.moc"
