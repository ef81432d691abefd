#include "lookhelpers.h"

static const double NaN = std::nan("");
static const Entry red(Qt::red, SYMBOL_DOT, Qt::SolidLine, 1);

class TestXYDataSet : public QObject
{
    Q_OBJECT

private slots:
    void referencesAndOwnership();
    void bounds();
    void signalRelaysAndLookReplacement();
    void cleanupTestCase() { VERIFY_NO_LIVE_OBJECTS(); }
};

void TestXYDataSet::referencesAndOwnership()
{
    // Fresh arrays carry one reference each and go with the data set, as do
    // its look, filter and draw listener.
    XYDataSet* dataSet = newDataSet(red);
    QPointer<DataArray> x = dataSet->xData, y = dataSet->yData;
    QCOMPARE(x->getNumberOfReferences(), 1);
    QPointer<Look> look = dataSet->getLook();
    QPointer<XYDataSetFilter> filter = new ViewportMaskFilter(dataSet, nullptr);
    QPointer<XYDataSetDrawListener> listener = new ColorBarDrawListener(dataSet);
    dataSet->setFilter(filter);
    dataSet->setDrawListener(listener);
    // Replacing a filter leaves the previous one to its creator.
    auto* replaced = new ViewportMaskFilter(dataSet, nullptr);
    dataSet->setFilter(replaced);
    dataSet->setFilter(filter);
    delete replaced;
    delete dataSet;
    QVERIFY(x.isNull() && y.isNull() && look.isNull() && filter.isNull() && listener.isNull());

    // A shared time array lives until its last data set goes; one that is not
    // reference counted is still counted, and deleted directly.
    QPointer<DataArray> time = new DoubleArray, plain = new DoubleArray;
    plain->setReferenceCounted(false);
    auto* first = new XYDataSet(time, new DoubleArray, "1", Qt::red, SYMBOL_NONE, Qt::SolidLine, 1, nullptr);
    auto* second = new XYDataSet(time, plain, "2", Qt::blue, SYMBOL_NONE, Qt::SolidLine, 1, nullptr);
    QVERIFY(time->getNumberOfReferences() == 2 && plain->getNumberOfReferences() == 1);
    delete first;
    QCOMPARE(time->getNumberOfReferences(), 1);
    delete second;
    QVERIFY(time.isNull() && plain.isNull());
}

void TestXYDataSet::bounds()
{
    // The debug text compares all four limits at once, NaN included.
    auto text = [](Bounds const& b) {
        QString t;
        QDebug(&t) << b;
        return t;
    };
    std::unique_ptr<XYDataSet> dataSet(newDataSet(red));
    QCOMPARE(text(dataSet->getBounds()), text(Bounds()));
    // Without usable values both ways of widening leave the bounds alone.
    Bounds untouched(1, 2, 3, 4);
    dataSet->includeInBounds(untouched);
    dataSet->includeLastInBounds(untouched);
    QCOMPARE(text(untouched), text(Bounds(1, 2, 3, 4)));
    dataSet->append(1, NaN);
    dataSet->append(5, NaN);
    QCOMPARE(text(dataSet->getBounds()), text(Bounds(1, 5, NaN, NaN)));

    // With one limit of a pair unset, includeInBounds fills only that limit,
    // while includeLastInBounds restarts that pair at the newest value.
    dataSet->append(3, 7);
    dataSet->append(4, 3);
    Bounds widened(2, NaN, NaN, 10), last(2, NaN, NaN, 10), full(0, 3, 5, 6);
    dataSet->includeInBounds(widened);
    dataSet->includeLastInBounds(last);
    dataSet->includeLastInBounds(full);
    QCOMPARE(QStringList({text(widened), text(last), text(full)}),
             QStringList({text(Bounds(1, 5, 3, 10)), text(Bounds(4, 4, 3, 3)), text(Bounds(0, 4, 3, 6))}));
    Bounds both(2, 4, 4, 6); // set limits widen to the data's
    dataSet->includeInBounds(both);
    QCOMPARE(text(both), text(Bounds(1, 5, 3, 7)));

    // A colour bar's y values never take part.
    dataSet->getLook()->setColorBar(10);
    QVERIFY(dataSet->hasFixedYPixelPosition());
    dataSet->append(10, 100);
    Bounds bar;
    dataSet->includeInBounds(bar);
    dataSet->includeLastInBounds(bar);
    QVERIFY(text(dataSet->getBounds()) == text(Bounds(1, 10, NaN, NaN)) && text(bar) == text(Bounds(1, 10, NaN, NaN)));
}

void TestXYDataSet::signalRelaysAndLookReplacement()
{
    std::unique_ptr<XYDataSet> dataSet(newDataSet(red));
    QSignalSpy noLongerEmpty(dataSet.get(), SIGNAL(yDataNoLongerEmpty()));
    QSignalSpy appearance(dataSet.get(), SIGNAL(lastAppearanceChanged()));
    // Receivers of the relay find the x value already stored.
    int sizeMismatches = 0;
    connect(dataSet.get(), &XYDataSet::yDataNoLongerEmpty, this,
            [&]() { sizeMismatches += dataSet->xData->dataSize() != dataSet->yData->dataSize(); });

    dataSet->append(0, NaN);
    QCOMPARE(noLongerEmpty.count(), 0);
    dataSet->append(1, 2);
    dataSet->append(2, 3);
    QVERIFY(noLongerEmpty.count() == 1 && sizeMismatches == 0);

    // Installing the same look again must not relay twice.
    Look* look = dataSet->getLook();
    look->changeFromLast(QColor(Qt::green));
    dataSet->setLook(look);
    look->changeFromLast(QColor(Qt::blue));
    QCOMPARE(appearance.count(), 2);

    // Left shifts reach the look through the x array only.
    appendUpTo(dataSet.get(), 10);
    look->changeFromLast(QColor(Qt::red));
    dataSet->yData->leftshift(3);
    QCOMPARE(look->getColor(8), QColor(Qt::blue));
    dataSet->xData->leftshift(4);
    QVERIFY(look->getColor(4) == QColor(Qt::blue) && look->getColor(5) == QColor(Qt::red));

    // A new look replaces and deletes the old one, and its signal is relayed.
    QPointer<Look> old = look;
    auto* replacement = new Look(dataSet.get(), Qt::green, SYMBOL_CIRCLE, Qt::DashLine, 2);
    QVERIFY(old.isNull() && dataSet->getLook() == replacement);
    appearance.clear();
    replacement->changeFromLast(QColor(Qt::blue));
    QCOMPARE(appearance.count(), 1);

    // After unsetLook the data set creates a plain black look on demand.
    dataSet->unsetLook(replacement);
    Look* fallback = dataSet->getLook();
    QVERIFY(fallback != replacement && fallback->getApplicableLookEntry(0) == Entry(Qt::black, SYMBOL_NONE, Qt::NoPen, 0));
    delete replacement; // detached: must leave the installed look alone
    QCOMPARE(dataSet->getLook(), fallback);
}

QTEST_MAIN(TestXYDataSet)
#include "tst_xydataset.moc"
