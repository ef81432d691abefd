#include "lookhelpers.h"

namespace {

const Entry defaultEntry(Qt::gray, SYMBOL_DOT, Qt::SolidLine, 2);

Entry withDefaults(QColor color)
{
    return Entry(color, defaultEntry.symbol, defaultEntry.penStyle, defaultEntry.lineThickness);
}

// A status series coded 0 = green "ok", 1 = yellow, 2 = red.
struct Fixture
{
    std::unique_ptr<XYDataSet> dataSet{newDataSet(Entry(Qt::black, SYMBOL_NONE, Qt::SolidLine, 1))};
    ValueBasedLook* look = new ValueBasedLook(dataSet.get(), defaultEntry.color, defaultEntry.symbol,
                                              defaultEntry.penStyle, defaultEntry.lineThickness);

    explicit Fixture(bool withTable = true)
    {
        if (withTable) // out of order: rows are kept sorted
            look->addTableEntry(2, Qt::red, ""), look->addTableEntry(0, Qt::green, "ok"), look->addTableEntry(1, Qt::yellow, "");
    }
    // The appearance the look gives to a newly appended y value.
    Entry at(double value)
    {
        dataSet->append(0, value);
        return look->getApplicableLookEntry(dataSet->yData->dataSize() - 1);
    }
};

} // namespace

class TestValueBasedLook : public QObject
{
    Q_OBJECT

private slots:
    void tableLookups();
    void tableMaintenanceAndSearch();
    void presentEntriesFollowTheNewestPoint();
    void cleanupTestCase() { VERIFY_NO_LIVE_OBJECTS(); }
};

void TestValueBasedLook::tableLookups()
{
    Fixture f;
    QVERIFY(!f.look->isFixedSingleColor());

    // Without interpolation: table values within 0.0001, else the default (green is a whole unit
    // from -1); beyond the data nothing is read.
    QCOMPARE((QList<Entry>{f.at(1.00005), f.at(1.0002), f.at(-1), f.at(std::nan("")), f.look->getApplicableLookEntry(1000)}),
             (QList<Entry>{withDefaults(Qt::yellow), defaultEntry, defaultEntry, defaultEntry, defaultEntry}));

    // With interpolation: between the two rows around the value, no extrapolation beyond the ends.
    f.look->setUseInterpolation(true);
    // Halfway from yellow to red; nearest to red, still from yellow.
    QVERIFY(f.at(1.5).color == QColor(255, 128, 0) && f.at(1.75).color == QColor(255, 64, 0));
    QVERIFY(f.at(7) == withDefaults(Qt::red) && f.at(-1) == withDefaults(Qt::green));

    // Thickness is interpolated, symbol and pen style come from the lower row.
    Fixture g(false);
    QCOMPARE(g.at(0), defaultEntry);
    g.look->setUseInterpolation(true);
    g.look->addTableEntry(10, Qt::black, SYMBOL_PLUS, Qt::DashLine, 1, "");
    g.look->addTableEntry(20, Qt::white, SYMBOL_CIRCLE, Qt::DotLine, 5, "");
    QCOMPARE(g.at(17.5), Entry(QColor(191, 191, 191), SYMBOL_PLUS, Qt::DashLine, 4));

    // Appearance changes wherever the value changes; NaN differs even from NaN; beyond the data nothing changes.
    for (double v : {5.0, 5.0, 6.0, std::nan(""), std::nan("")})
        g.dataSet->append(0, v);
    QCOMPARE(QList<bool>({g.look->isChanged(3), g.look->isChanged(4), g.look->isChanged(6), g.look->isChanged(7)}),
             QList<bool>({false, true, true, false}));
}

void TestValueBasedLook::tableMaintenanceAndSearch()
{
    Fixture f;
    // Ties go to the lower row; below the table is row 0; NaN or an empty table find nothing.
    auto search = [&](double v) { return f.look->searchNearestIndex(v); };
    QCOMPARE(QList<int>({search(0.5), search(0.51), search(-5), search(9), search(std::nan(""))}),
             QList<int>({0, 1, 0, 2, -1}));
    QCOMPARE(Fixture(false).look->searchNearestIndex(3), -1);

    // A new row invalidates the cached answer; rows stay sorted.
    QCOMPARE(search(1.4), 1);
    f.look->addTableEntry(1.5, Qt::cyan, "");
    QVERIFY(search(1.4) == 2 && f.at(1.5) == withDefaults(Qt::cyan));
    // A row with an existing value replaces it.
    f.look->addTableEntry(1, Qt::magenta, SYMBOL_SQUARE, Qt::DashLine, 4, "");
    QVERIFY(f.at(1) == Entry(Qt::magenta, SYMBOL_SQUARE, Qt::DashLine, 4) && search(9) == 3);

    // Only non-empty legend texts are added, matching by colour alone.
    for (const char* text : {"", "bad"})
        f.look->addTableEntry(3, Qt::blue, text);
    QCOMPARE(f.look->getLookEntryLegendText(Entry(Qt::blue, SYMBOL_CROSS, Qt::NoPen, 9)), QString("bad"));
    f.look->setMustIncludeAllEntriesInLegend(true);
    QCOMPARE(f.look->getLookEntriesForLegend(), (QList<Entry>{withDefaults(Qt::green), withDefaults(Qt::blue)}));
}

void TestValueBasedLook::presentEntriesFollowTheNewestPoint()
{
    Fixture f;
    QSignalSpy present(f.look, SIGNAL(presentLookEntriesChanged()));
    QSignalSpy relayed(f.dataSet.get(), SIGNAL(lastAppearanceChanged()));
    // Yellow is never the newest appearance, so it is not registered.
    f.dataSet->append(0, 0);
    f.dataSet->append(1, 1.5);
    f.dataSet->append(2, 0);
    f.dataSet->yData->replace(1, 1);
    f.dataSet->append(3, 2);
    QVERIFY(present.count() == 3 && relayed.count() == 4); // relayed: green, default, green again, red
    QCOMPARE(f.look->getPresentLookEntries(),
             (QSet<Entry>{withDefaults(Qt::green), defaultEntry, withDefaults(Qt::red)}));

    // A left shift empties the set until the newest appearance changes again.
    f.dataSet->xData->leftshift(1);
    QVERIFY(f.look->getPresentLookEntries().isEmpty());
    f.dataSet->append(4, 2);
    QVERIFY(f.look->getPresentLookEntries().isEmpty());
    f.dataSet->append(5, 1);
    QCOMPARE(f.look->getPresentLookEntries(), (QSet<Entry>{withDefaults(Qt::yellow)}));
}

QTEST_MAIN(TestValueBasedLook)
#include "tst_valuebasedlook.moc"
