#include <zebplot/zebplot.h>

#include "dataarraytemplate.h"
#include "memleaktracer.h"

#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>

using DoubleArray = DataArrayTemplate<double>;

class TestXYDataSet : public QObject
{
    Q_OBJECT

private slots:
    void referencesAndOwnership();
    void bounds();
    void signalRelays();
    void leftShiftReachesLookOnlyThroughX();
    void lookReplacement();
    void cleanupTestCase();
};

static const double NaN = std::nan("");

void TestXYDataSet::referencesAndOwnership()
{
    // Two fresh arrays: one reference each, both deleted with the data set.
    QPointer<DataArray> x = new DoubleArray;
    QPointer<DataArray> y = new DoubleArray;
    auto* dataSet = new XYDataSet(x, y, "a", Qt::red, SYMBOL_DOT, Qt::SolidLine, 1, nullptr);
    QCOMPARE(x->getNumberOfReferences(), 1);
    QCOMPARE(y->getNumberOfReferences(), 1);
    QVERIFY(dataSet->visible);
    QCOMPARE(dataSet->name, QString("a"));
    QCOMPARE(dataSet->getLook()->getDefaultColor(), QColor(Qt::red));
    QPointer<Look> look = dataSet->getLook();
    QPointer<XYDataSetFilter> filter = new ViewportMaskFilter(dataSet, nullptr);
    QPointer<XYDataSetDrawListener> listener = new ColorBarDrawListener(dataSet);
    dataSet->setFilter(filter);
    dataSet->setDrawListener(listener);
    delete dataSet;
    QVERIFY(x.isNull());
    QVERIFY(y.isNull());
    QVERIFY(look.isNull());
    QVERIFY(filter.isNull());
    QVERIFY(listener.isNull());

    // A shared time array survives until its last data set goes.
    QPointer<DataArray> time = new DoubleArray;
    auto* first = new XYDataSet(time, new DoubleArray, "1", Qt::red, SYMBOL_NONE, Qt::SolidLine, 1, nullptr);
    auto* second = new XYDataSet(time, new DoubleArray, "2", Qt::blue, SYMBOL_NONE, Qt::SolidLine, 1, nullptr);
    QCOMPARE(time->getNumberOfReferences(), 2);
    delete first;
    QVERIFY(!time.isNull());
    QCOMPARE(time->getNumberOfReferences(), 1);
    delete second;
    QVERIFY(time.isNull());

    // An array that is not reference counted is still counted, and deleted directly.
    QPointer<DataArray> plain = new DoubleArray;
    plain->setReferenceCounted(false);
    auto* third = new XYDataSet(plain, new DoubleArray, "3", Qt::red, SYMBOL_NONE, Qt::SolidLine, 1, nullptr);
    QCOMPARE(plain->getNumberOfReferences(), 1);
    delete third;
    QVERIFY(plain.isNull());

    // Replacing a filter or listener does not delete the previous one.
    XYDataSet fourth(new DoubleArray, new DoubleArray, "4", Qt::red, SYMBOL_NONE, Qt::SolidLine, 1, nullptr);
    QList<ColorBarDrawListener*> none;
    QPointer<XYDataSetFilter> oldFilter = new ViewportMaskFilter(&fourth, &none);
    fourth.setFilter(oldFilter);
    fourth.setFilter(new ViewportMaskFilter(&fourth, &none));
    QVERIFY(!oldFilter.isNull());
    QVERIFY(fourth.getFilter() != oldFilter);
    delete oldFilter;
}

void TestXYDataSet::bounds()
{
    XYDataSet dataSet(new DoubleArray, new DoubleArray, "b", Qt::red, SYMBOL_NONE, Qt::SolidLine, 1, nullptr);
    Bounds b = dataSet.getBounds();
    QVERIFY(std::isnan(b.minX) && std::isnan(b.maxX) && std::isnan(b.minY) && std::isnan(b.maxY));

    // Untouched by a data set without values.
    Bounds untouched(1, 2, 3, 4);
    dataSet.includeInBounds(untouched);
    dataSet.includeLastInBounds(untouched);
    QCOMPARE(untouched.minX, 1.0);
    QCOMPARE(untouched.maxY, 4.0);

    dataSet.append(1, NaN);
    dataSet.append(5, NaN);
    b = dataSet.getBounds();
    QCOMPARE(b.minX, 1.0);
    QCOMPARE(b.maxX, 5.0);
    QVERIFY(std::isnan(b.minY) && std::isnan(b.maxY));

    dataSet.append(3, 7);
    dataSet.append(4, 3);
    b = dataSet.getBounds();
    QCOMPARE(b.minY, 3.0);
    QCOMPARE(b.maxY, 7.0);

    // With one limit of a pair unset, includeInBounds fills only that limit ...
    Bounds widened(2, NaN, NaN, 10);
    dataSet.includeInBounds(widened);
    QCOMPARE(widened.minX, 1.0);
    QCOMPARE(widened.maxX, 5.0);
    QCOMPARE(widened.minY, 3.0);
    QCOMPARE(widened.maxY, 10.0);

    // ... while includeLastInBounds restarts the pair at the newest value.
    Bounds last(2, NaN, NaN, 10);
    dataSet.includeLastInBounds(last);
    QCOMPARE(last.minX, 4.0);
    QCOMPARE(last.maxX, 4.0);
    QCOMPARE(last.minY, 3.0);
    QCOMPARE(last.maxY, 3.0);
    Bounds full(0, 3, 5, 6);
    dataSet.includeLastInBounds(full);
    QCOMPARE(full.maxX, 4.0);
    QCOMPARE(full.minY, 3.0);
    QCOMPARE(full.maxY, 6.0);

    // A newest y value that is NaN leaves the y pair alone.
    dataSet.append(9, NaN);
    Bounds gap(0, 1, 5, 6);
    dataSet.includeLastInBounds(gap);
    QCOMPARE(gap.maxX, 9.0);
    QCOMPARE(gap.minY, 5.0);
    QCOMPARE(gap.maxY, 6.0);

    // A colour bar's y values never take part.
    QVERIFY(!dataSet.hasFixedYPixelPosition());
    dataSet.getLook()->setColorBar(10);
    QVERIFY(dataSet.hasFixedYPixelPosition());
    b = dataSet.getBounds();
    QCOMPARE(b.maxX, 9.0);
    QVERIFY(std::isnan(b.minY) && std::isnan(b.maxY));
    Bounds bar(NaN, NaN, NaN, NaN);
    dataSet.append(10, 100);
    dataSet.includeInBounds(bar);
    dataSet.includeLastInBounds(bar);
    QCOMPARE(bar.maxX, 10.0);
    QVERIFY(std::isnan(bar.minY) && std::isnan(bar.maxY));
}

void TestXYDataSet::signalRelays()
{
    auto* x = new DoubleArray;
    auto* y = new DoubleArray;
    XYDataSet dataSet(x, y, "s", Qt::red, SYMBOL_NONE, Qt::SolidLine, 1, nullptr);
    QSignalSpy noLongerEmpty(&dataSet, SIGNAL(yDataNoLongerEmpty()));
    QSignalSpy appearance(&dataSet, SIGNAL(lastAppearanceChanged()));

    // Receivers of the relay find the x value already stored.
    int sizeMismatches = 0;
    connect(&dataSet, &XYDataSet::yDataNoLongerEmpty, this,
            [&]() { sizeMismatches += (x->dataSize() != y->dataSize()); });

    dataSet.append(0, NaN);
    QCOMPARE(noLongerEmpty.count(), 0);
    dataSet.append(1, 2);
    QCOMPARE(noLongerEmpty.count(), 1);
    dataSet.append(2, 3);
    QCOMPARE(noLongerEmpty.count(), 1);
    QCOMPARE(sizeMismatches, 0);

    dataSet.getLook()->changeFromLast(QColor(Qt::green));
    QCOMPARE(appearance.count(), 1);

    // Installing the same look twice must not relay twice.
    Look* look = dataSet.getLook();
    dataSet.setLook(look);
    dataSet.getLook()->changeFromLast(QColor(Qt::blue));
    QCOMPARE(appearance.count(), 2);
}

void TestXYDataSet::leftShiftReachesLookOnlyThroughX()
{
    auto* x = new DoubleArray;
    auto* y = new DoubleArray;
    XYDataSet dataSet(x, y, "l", Qt::black, SYMBOL_NONE, Qt::SolidLine, 1, nullptr);
    Look* look = dataSet.getLook();
    for (int i = 0; i < 12; ++i) {
        dataSet.append(i, i);
        if (i == 4)
            look->changeFromLast(QColor(Qt::red));
        if (i == 10)
            look->changeFromLast(QColor(Qt::blue));
    }
    y->leftshift(3);
    QCOMPARE(look->getColor(3), QColor(Qt::black));
    QCOMPARE(look->getColor(4), QColor(Qt::red));

    x->leftshift(6);
    QCOMPARE(look->getColor(0), QColor(Qt::red));
    QCOMPARE(look->getColor(3), QColor(Qt::red));
    QCOMPARE(look->getColor(4), QColor(Qt::blue));
    QVERIFY(look->isChanged(4));
}

void TestXYDataSet::lookReplacement()
{
    XYDataSet dataSet(new DoubleArray, new DoubleArray, "r", Qt::red, SYMBOL_DOT, Qt::SolidLine, 3, nullptr);
    QSignalSpy appearance(&dataSet, SIGNAL(lastAppearanceChanged()));
    dataSet.append(0, 0);

    // A new look replaces and deletes the old one, and its signal is relayed.
    QPointer<Look> old = dataSet.getLook();
    auto* replacement = new Look(&dataSet, Qt::green, SYMBOL_CIRCLE, Qt::DashLine, 2);
    QVERIFY(old.isNull());
    QCOMPARE(dataSet.getLook(), replacement);
    replacement->changeFromLast(QColor(Qt::blue));
    QCOMPARE(appearance.count(), 1);

    // After unsetLook the data set creates a plain black look on demand.
    dataSet.unsetLook(replacement);
    Look* fallback = dataSet.getLook();
    QVERIFY(fallback != replacement);
    QCOMPARE(fallback->getDefaultColor(), QColor(Qt::black));
    QCOMPARE(fallback->getDefaultSymbol(), SYMBOL_NONE);
    QCOMPARE(fallback->getDefaultPenStyle(), Qt::NoPen);
    QCOMPARE(fallback->getDefaultLineThickness(), 0);
    QCOMPARE(fallback->getDataSet(), &dataSet);
    delete replacement; // detached: deleting it must leave the installed look alone
    QCOMPARE(dataSet.getLook(), fallback);

    // unsetLook with a look that is not installed changes nothing.
    dataSet.unsetLook(nullptr);
    QCOMPARE(dataSet.getLook(), fallback);
}

void TestXYDataSet::cleanupTestCase()
{
    QCOMPARE(MemLeakTracer::getInstance()->liveObjects(), (QMap<QString, int>()));
}

QTEST_MAIN(TestXYDataSet)
#include "tst_xydataset.moc"
