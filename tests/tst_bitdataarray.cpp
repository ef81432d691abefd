#include "arraymodel.h"

#include <zebplot/zebplot.h>

#include <QtTest>

#include <cmath>

class TestBitDataArray : public QObject
{
    Q_OBJECT

private slots:
    void storageAndStatistics();
    void randomOperationsAgainstModel();
};

void TestBitDataArray::storageAndStatistics()
{
    // The capacity doubles from one bit: 1, 2, 4, 4, 8, ...; consumption counts whole bytes.
    BitDataArray a;
    const int capacities[] = {1, 2, 4, 4, 8, 8, 8, 8, 16};
    for (int i = 0; i < 9; ++i) {
        a.appendBool(i % 3 != 1);
        QCOMPARE(a.getMemoryConsumption(), capacities[i] / 8);
    }
    // Indices outside the values are ignored; any non-zero value sets a bit.
    a.replaceData(-1, 0);
    a.replaceData(9, 0);
    a.replace(1, 2.0);
    QCOMPARE(a.dataSize(), 9);
    for (int i = 0; i < 9; ++i)
        QCOMPARE(a.getBoolValue(i), i != 4 && i != 7);
    a.squeeze();
    QCOMPARE(a.getMemoryConsumption(), 1); // 9 bits

    // NaN is a value here (a set bit); the statistics see the value passed in, not the bit.
    BitDataArray nan, five;
    nan.append(arraymodel::NaN);
    QCOMPARE(nan.getValue(0), 1.0);
    QCOMPARE(nan.getNrOfValidValues(), 1);
    five.append(5.0);
    five.append(0.0);
    QCOMPARE(five.getValue(0), 1.0);
    QCOMPARE(five.getMean(), 2.5);
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
