#include <zebplot/zebplot.h>

#include "dataarraytemplate.h"
#include "memleaktracer.h"

#include <QSignalSpy>
#include <QtTest>

#include <cmath>
#include <memory>

using DoubleArray = DataArrayTemplate<double>;
using Entry = Look::Entry;

namespace {

const Entry defaultEntry(Qt::gray, SYMBOL_DOT, Qt::SolidLine, 2);

// A status series coded 0 = green "ok", 1 = yellow, 2 = red.
struct Fixture
{
    DoubleArray* x = new DoubleArray;
    DoubleArray* y = new DoubleArray;
    std::unique_ptr<XYDataSet> dataSet{new XYDataSet(x, y, "status", Qt::black, SYMBOL_NONE, Qt::SolidLine, 1,
                                                     nullptr)};
    ValueBasedLook* look = new ValueBasedLook(dataSet.get(), defaultEntry.color, defaultEntry.symbol,
                                              defaultEntry.penStyle, defaultEntry.lineThickness);

    explicit Fixture(bool withTable = true)
    {
        if (!withTable)
            return;
        look->addTableEntry(2, Qt::red, "");
        look->addTableEntry(0, Qt::green, "ok");
        look->addTableEntry(1, Qt::yellow, "");
    }
    // The appearance the look gives to a y value.
    Entry at(double value)
    {
        dataSet->append(x->dataSize(), value);
        return look->getApplicableLookEntry(y->dataSize() - 1);
    }
};

Entry withDefaults(QColor color)
{
    return Entry(color, defaultEntry.symbol, defaultEntry.penStyle, defaultEntry.lineThickness);
}

} // namespace

char* toString(Look::Entry const& e)
{
    return qstrdup(qPrintable(QString("Entry(%1, symbol %2, pen %3, thickness %4)")
                                  .arg(e.color.isValid() ? e.color.name() : QString("invalid"))
                                  .arg(int(e.symbol)).arg(int(e.penStyle)).arg(e.lineThickness)));
}

class TestValueBasedLook : public QObject
{
    Q_OBJECT

private slots:
    void installsItself();
    void tableWithoutInterpolation();
    void tableWithInterpolation();
    void tableMaintenanceAndSearch();
    void presentEntriesFollowTheNewestPoint();
    void changesFollowValues();
    void cleanupTestCase();
};

void TestValueBasedLook::installsItself()
{
    Fixture f;
    QCOMPARE(f.dataSet->getLook(), static_cast<Look*>(f.look));
    QCOMPARE(MemLeakTracer::getInstance()->liveCount("ValueBasedLook"), 1);
    QCOMPARE(MemLeakTracer::getInstance()->liveCount("Look"), 1); // the data set's first look is gone
    QVERIFY(!f.look->isFixedSingleColor());
    QVERIFY(!f.look->getUseInterpolation());
}

void TestValueBasedLook::tableWithoutInterpolation()
{
    Fixture f;
    QCOMPARE(f.at(1), withDefaults(Qt::yellow));
    QCOMPARE(f.at(1.00005), withDefaults(Qt::yellow));
    QCOMPARE(f.at(0.99995), withDefaults(Qt::yellow));
    QCOMPARE(f.at(1.0002), defaultEntry);
    QCOMPARE(f.at(1.5), defaultEntry);
    QCOMPARE(f.at(-1), defaultEntry); // green is a whole unit away
    QCOMPARE(f.at(7), defaultEntry);
    QCOMPARE(f.at(std::nan("")), defaultEntry);
    QCOMPARE(f.at(2), withDefaults(Qt::red));
    // Indices outside the data get the default, they are not read.
    QCOMPARE(f.look->getApplicableLookEntry(-1), defaultEntry);
    QCOMPARE(f.look->getApplicableLookEntry(1000), defaultEntry);

    Fixture empty(false);
    QCOMPARE(empty.at(0), defaultEntry);
}

void TestValueBasedLook::tableWithInterpolation()
{
    Fixture f;
    f.look->setUseInterpolation(true);
    QVERIFY(f.look->getUseInterpolation());
    // Halfway between yellow (255, 255, 0) and red (255, 0, 0).
    QCOMPARE(f.at(1.5).color, QColor(255, 128, 0));
    QCOMPARE(f.at(1.25).color, QColor(255, 191, 0)); // 191.25
    QCOMPARE(f.at(0.5).color, QColor(128, 255, 0));
    // No extrapolation beyond either end.
    QCOMPARE(f.at(7), withDefaults(Qt::red));
    QCOMPARE(f.at(-1), withDefaults(Qt::green));
    QCOMPARE(f.at(1), withDefaults(Qt::yellow));
    QCOMPARE(f.at(std::nan("")), defaultEntry);

    // Thickness is interpolated, symbol and pen style come from the lower row.
    Fixture g(false);
    g.look->setUseInterpolation(true);
    g.look->addTableEntry(10, Qt::black, SYMBOL_PLUS, Qt::DashLine, 1, "");
    g.look->addTableEntry(20, Qt::white, SYMBOL_CIRCLE, Qt::DotLine, 5, "");
    const Entry e = g.at(17.5);
    QCOMPARE(e.lineThickness, 4);
    QCOMPARE(e.symbol, SYMBOL_PLUS);
    QCOMPARE(e.penStyle, Qt::DashLine);
    QCOMPARE(e.color, QColor(191, 191, 191));
}

void TestValueBasedLook::tableMaintenanceAndSearch()
{
    Fixture f;
    // Ties go to the lower row; below the table is row 0; NaN finds nothing.
    QCOMPARE(f.look->searchNearestIndex(0.5), 0);
    QCOMPARE(f.look->searchNearestIndex(0.51), 1);
    QCOMPARE(f.look->searchNearestIndex(1), 1);
    QCOMPARE(f.look->searchNearestIndex(1.4), 1);
    QCOMPARE(f.look->searchNearestIndex(-5), 0);
    QCOMPARE(f.look->searchNearestIndex(9), 2);
    QCOMPARE(f.look->searchNearestIndex(std::nan("")), -1);
    QCOMPARE(Fixture(false).look->searchNearestIndex(3), -1);

    // A new row invalidates the cached answer for the same value.
    QCOMPARE(f.look->searchNearestIndex(1.4), 1);
    f.look->addTableEntry(1.5, Qt::cyan, "");
    QCOMPARE(f.look->searchNearestIndex(1.4), 2);
    QCOMPARE(f.look->searchNearestIndex(9), 3);
    QCOMPARE(f.at(1.5), withDefaults(Qt::cyan));

    // A row with an existing value replaces it.
    f.look->addTableEntry(1, Qt::magenta, SYMBOL_SQUARE, Qt::DashLine, 4, "");
    QCOMPARE(f.at(1), Entry(Qt::magenta, SYMBOL_SQUARE, Qt::DashLine, 4));
    QCOMPARE(f.look->searchNearestIndex(9), 3); // still four rows

    // Legend texts: only non-empty ones, matched by colour alone.
    f.look->addTableEntry(3, Qt::blue, "");
    QCOMPARE(f.look->getLookEntryLegendText(withDefaults(Qt::blue)), QString());
    f.look->addTableEntry(3, Qt::blue, "bad");
    QCOMPARE(f.look->getLookEntryLegendText(Entry(Qt::blue, SYMBOL_CROSS, Qt::NoPen, 9)), QString("bad"));
    QCOMPARE(f.look->getLookEntryLegendText(withDefaults(Qt::green)), QString("ok"));
    QCOMPARE(f.look->getLookEntryByLegendText("bad"), withDefaults(Qt::blue));
    f.look->setMustIncludeAllEntriesInLegend(true);
    QCOMPARE(f.look->getLookEntriesForLegend(), (QList<Entry>{withDefaults(Qt::green), withDefaults(Qt::blue)}));
}

void TestValueBasedLook::presentEntriesFollowTheNewestPoint()
{
    Fixture f;
    QSignalSpy present(f.look, SIGNAL(presentLookEntriesChanged()));
    QSignalSpy relayed(f.dataSet.get(), SIGNAL(lastAppearanceChanged()));
    // Any change of the y array re-evaluates the newest point, a replace too.
    f.dataSet->append(0, 0);
    f.dataSet->append(1, 0);
    f.y->replace(1, 1);
    f.dataSet->append(2, 2);
    QCOMPARE(present.count(), 3);
    QCOMPARE(relayed.count(), 3);
    QCOMPARE(f.look->getPresentLookEntries(),
             (QSet<Entry>{withDefaults(Qt::green), withDefaults(Qt::yellow), withDefaults(Qt::red)}));

    Fixture g;
    QSignalSpy present2(g.look, SIGNAL(presentLookEntriesChanged()));
    g.dataSet->append(0, 0);
    g.dataSet->append(1, 0);
    g.dataSet->append(2, 2);
    QCOMPARE(present2.count(), 2);
    QCOMPARE(g.look->getPresentLookEntries(), (QSet<Entry>{withDefaults(Qt::green), withDefaults(Qt::red)}));

    // A left shift empties the set, and it stays empty until the newest
    // appearance changes again.
    g.x->leftshift(1);
    QVERIFY(g.look->getPresentLookEntries().isEmpty());
    g.dataSet->append(3, 2);
    QVERIFY(g.look->getPresentLookEntries().isEmpty());
    g.dataSet->append(4, 1);
    QCOMPARE(g.look->getPresentLookEntries(), (QSet<Entry>{withDefaults(Qt::yellow)}));
    g.look->clear();
    QVERIFY(g.look->getPresentLookEntries().isEmpty());
}

void TestValueBasedLook::changesFollowValues()
{
    Fixture f;
    for (double v : {5.0, 5.0, 6.0, std::nan(""), std::nan("")})
        f.dataSet->append(f.x->dataSize(), v);
    QVERIFY(f.look->isChanged(0));
    QVERIFY(!f.look->isChanged(1));
    QVERIFY(f.look->isChanged(2));
    QVERIFY(f.look->isChanged(3));
    QVERIFY(f.look->isChanged(4)); // NaN differs even from NaN
    QVERIFY(!f.look->isChanged(5));
}

void TestValueBasedLook::cleanupTestCase()
{
    QCOMPARE(MemLeakTracer::getInstance()->liveObjects(), (QMap<QString, int>()));
}

QTEST_MAIN(TestValueBasedLook)
#include "tst_valuebasedlook.moc"
