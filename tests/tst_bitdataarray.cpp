#include "arraymodel.h"

class TestBitDataArray : public QObject
{
    Q_OBJECT

private slots:
    void storageAndStatistics();
    void randomOperationsAgainstModel();
};

void TestBitDataArray::storageAndStatistics()
{
    // Indices outside the values are ignored; any non-zero value sets a bit;
    // NaN is a value here (a set bit); the statistics see the value passed in, not the bit.
    BitDataArray a;
    for (double v : {arraymodel::NaN, 0.0, 5.0})
        a.append(v);
    a.replaceData(-1, 0);
    a.replaceData(3, 0);
    a.replace(1, 2.0);
    QVERIFY(arraymodel::valuesOf(a) == QList<double>({1, 1, 1}) && a.getNrOfValidValues() == 3);
    BitDataArray five;
    five.append(5.0);
    five.append(0.0);
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
