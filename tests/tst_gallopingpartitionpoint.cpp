// The search behind column ends and hit-test ranges, against std::partition_point
// on random sorted data with long runs of equal values.
#include "gallopingpartitionpoint.h"

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

class TestGallopingPartitionPoint : public QObject
{
    Q_OBJECT
private slots:
    void agreesWithPartitionPointFromAnyGuess();
};

void TestGallopingPartitionPoint::agreesWithPartitionPointFromAnyGuess()
{
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        const int size = round < 3 ? round : int(random() % 200);
        std::vector<int> values(size);
        for (int& v : values)
            v = int(random() % 12); // few distinct values: long runs of duplicates
        std::sort(values.begin(), values.end());
        for (int threshold = -1; threshold <= 12; ++threshold) {
            auto below = [&](int v) { return v < threshold; };
            const qint64 expected = std::partition_point(values.begin(), values.end(), below) - values.begin();
            for (qint64 guess : {qint64(-5), qint64(0), expected - 1, expected, expected + 3, qint64(size) + 9}) {
                int probes = 0;
                const qint64 found = gallopingPartitionPoint(0, size, guess, [&](qint64 i) {
                    if (i < 0 || i >= size)
                        qFatal("probe %lld outside [0, %d)", i, size);
                    ++probes;
                    return below(values[i]);
                });
                QCOMPARE(found, expected);
                const qint64 distance = std::abs(std::clamp<qint64>(guess, 0, std::max(size - 1, 0)) - expected);
                QVERIFY2(probes <= 2 * std::log2(double(distance) + 2) + 3,
                         qPrintable(QStringLiteral("%1 probes for a distance of %2").arg(probes).arg(distance)));
            }
        }
    }
}

QTEST_APPLESS_MAIN(TestGallopingPartitionPoint)
#include "tst_gallopingpartitionpoint.moc"
