#include <zebplot/zebplot.h>

#include "dataarraytemplate.h"
#include "memleaktracer.h"

#include <QPointer>
#include <QtTest>

#include <cmath>
#include <memory>

using DoubleArray = DataArrayTemplate<double>;
using Entry = Look::Entry;
using Mask = ColorBarDrawListener::MaskValue;

namespace {

const Entry good(Qt::green, SYMBOL_NONE, Qt::SolidLine, 6);
const Entry bad(Qt::red, SYMBOL_NONE, Qt::SolidLine, 6);

// A fix-mode colour bar at x = 0, 10, ..., 90: good up to x = 40, bad from x = 50.
std::unique_ptr<XYDataSet> makeColorBar()
{
    std::unique_ptr<XYDataSet> bar(new XYDataSet(new DoubleArray, new DoubleArray, "fix", good.color, good.symbol,
                                                 good.penStyle, good.lineThickness, nullptr));
    bar->getLook()->setColorBar(10);
    for (int i = 0; i < 10; ++i) {
        bar->append(10 * i, i);
        if (i == 5)
            bar->getLook()->changeFromLast(bad);
    }
    return bar;
}

// A test-only filter that counts cache clears, to see the base behaviour alone.
class CountingFilter : public XYDataSetFilter
{
public:
    using XYDataSetFilter::XYDataSetFilter;
    bool excludeDataPoint(int index, int) override { return index % 2 == 1; }
};

} // namespace

class TestFilters : public QObject
{
    Q_OBJECT

private slots:
    void maskColumns();
    void filteredEntriesAndWorldX();
    void viewportMaskFilter();
    void registrationAndOwnership();
    void cleanupTestCase();
};

void TestFilters::maskColumns()
{
    auto bar = makeColorBar();
    auto* listener = new ColorBarDrawListener(bar.get());
    bar->setDrawListener(listener);
    listener->filterEntry(bad, true);
    QVERIFY(listener->decideToExcludeDataPoint(7));
    QVERIFY(!listener->decideToExcludeDataPoint(2));

    listener->drawingDataPoint(0, 3);
    QCOMPARE(listener->excludeDataPointsAtViewportX(3), ColorBarDrawListener::Show);
    QCOMPARE(listener->excludeDataPointsAtViewportX(2), ColorBarDrawListener::Uninitialized);
    listener->drawingDataPoint(8, 5);
    QCOMPARE(listener->excludeDataPointsAtViewportX(5), ColorBarDrawListener::Hide);
    listener->drawingDataPoint(9, 5);
    QCOMPARE(listener->excludeDataPointsAtViewportX(5), ColorBarDrawListener::Hide);

    // Shown then hidden is Partial; a further shown point leaves it Partial.
    listener->drawingDataPoint(4, 7);
    listener->drawingDataPoint(5, 7);
    QCOMPARE(listener->excludeDataPointsAtViewportX(7), ColorBarDrawListener::Partial);
    listener->drawingDataPoint(4, 7);
    QCOMPARE(listener->excludeDataPointsAtViewportX(7), ColorBarDrawListener::Partial);

    // Only columns 1 to 9999 are recorded.
    listener->drawingDataPoint(8, 0);
    listener->drawingDataPoint(8, -3);
    listener->drawingDataPoint(8, 10000);
    QCOMPARE(listener->excludeDataPointsAtViewportX(0), ColorBarDrawListener::Uninitialized);
    QCOMPARE(listener->excludeDataPointsAtViewportX(10000), ColorBarDrawListener::Uninitialized);
    QCOMPARE(listener->excludeDataPointsAtViewportX(-5), ColorBarDrawListener::Uninitialized);
    QCOMPARE(listener->excludeDataPointsAtViewportX(8), ColorBarDrawListener::Uninitialized);
    listener->drawingDataPoint(8, 9999);
    QCOMPARE(listener->excludeDataPointsAtViewportX(9999), ColorBarDrawListener::Hide);
    QCOMPARE(listener->excludeDataPointsAtViewportX(9998), ColorBarDrawListener::Uninitialized);

    listener->clearCache();
    QCOMPARE(listener->excludeDataPointsAtViewportX(5), ColorBarDrawListener::Uninitialized);
    QCOMPARE(listener->excludeDataPointsAtViewportX(9999), ColorBarDrawListener::Uninitialized);

    // The mask values are known to the meta-object system by name.
    const QMetaEnum meta = QMetaEnum::fromType<ColorBarDrawListener::MaskValue>();
    QCOMPARE(QByteArray(meta.valueToKey(ColorBarDrawListener::Partial)), QByteArray("Partial"));
    QCOMPARE(meta.keyToValue("Hide"), 2);
}

void TestFilters::filteredEntriesAndWorldX()
{
    auto bar = makeColorBar();
    ColorBarDrawListener listener(bar.get());
    QVERIFY(!listener.isFiltered(bad));
    listener.filterEntry(bad, true);
    QVERIFY(listener.isFiltered(bad));
    QVERIFY(!listener.isFiltered(good));
    listener.filterEntry(bad, false);
    QVERIFY(!listener.isFiltered(bad));
    listener.filterEntry(bad, false);
    QVERIFY(!listener.isFiltered(bad));

    // Decided by the bar point nearest in x.
    listener.filterEntry(bad, true);
    QVERIFY(!listener.excludeDataPointAtWorldX(44));
    QVERIFY(listener.excludeDataPointAtWorldX(46));
    QVERIFY(listener.excludeDataPointAtWorldX(1000));
    QVERIFY(!listener.excludeDataPointAtWorldX(-1000));
    QVERIFY(!listener.excludeDataPointAtWorldX(std::nan("")));

    // A bar without points excludes nothing.
    XYDataSet empty(new DoubleArray, new DoubleArray, "e", bad.color, bad.symbol, bad.penStyle, bad.lineThickness,
                    nullptr);
    ColorBarDrawListener onEmpty(&empty);
    onEmpty.filterEntry(bad, true);
    QVERIFY(!onEmpty.excludeDataPointAtWorldX(3));
}

void TestFilters::viewportMaskFilter()
{
    auto bar = makeColorBar();
    auto* first = new ColorBarDrawListener(bar.get());
    bar->setDrawListener(first);
    first->filterEntry(bad, true);
    auto otherBar = makeColorBar();
    auto* second = new ColorBarDrawListener(otherBar.get());
    otherBar->setDrawListener(second);
    second->filterEntry(good, true);

    // The masked series: an error curve at x = 0, 5, ..., 95.
    XYDataSet series(new DoubleArray, new DoubleArray, "error", Qt::blue, SYMBOL_DOT, Qt::SolidLine, 1, nullptr);
    for (int i = 0; i < 20; ++i)
        series.append(5 * i, i * i);
    QList<ColorBarDrawListener*> listeners;
    auto* filter = new ViewportMaskFilter(&series, &listeners);
    series.setFilter(filter);

    // Nothing to decide by: nothing is excluded.
    for (int column = -1; column < 30; ++column)
        QVERIFY(!filter->excludeDataPoint(column / 2 < 20 ? qMax(0, column / 2) : 0, column));

    listeners.append(first); // the list is read at every call
    first->drawingDataPoint(1, 10); // good -> Show
    first->drawingDataPoint(7, 11); // bad  -> Hide
    first->drawingDataPoint(4, 12); // good and bad -> Partial
    first->drawingDataPoint(5, 12);
    QVERIFY(!filter->excludeDataPoint(3, 10));
    QVERIFY(filter->excludeDataPoint(3, 11));
    QVERIFY(!filter->excludeDataPoint(3, 13)); // Uninitialized column
    // Partial: x = 40 is nearest to the good bar point at 40, x = 50 to the bad one.
    QVERIFY(!filter->excludeDataPoint(8, 12));
    QVERIFY(filter->excludeDataPoint(10, 12));
    QVERIFY(filter->excludeDataPoint(11, 12));

    // Listeners are asked in order until one excludes the point.
    listeners.prepend(second);
    second->drawingDataPoint(0, 10); // good is switched off in the second bar -> Hide
    second->drawingDataPoint(9, 11); // bad is shown there -> Show
    QVERIFY(filter->excludeDataPoint(3, 10));
    QVERIFY(filter->excludeDataPoint(3, 11)); // second shows, first hides
    second->drawingDataPoint(0, 12);
    second->drawingDataPoint(9, 12);
    QCOMPARE(second->excludeDataPointsAtViewportX(12), ColorBarDrawListener::Partial);
    QVERIFY(filter->excludeDataPoint(8, 12));  // x = 40: good, hidden by the second bar
    QVERIFY(filter->excludeDataPoint(10, 12)); // x = 50: bad, hidden by the first bar

    // Clearing the filter's cache empties every listener's mask.
    filter->clearCache();
    QCOMPARE(first->excludeDataPointsAtViewportX(11), ColorBarDrawListener::Uninitialized);
    QCOMPARE(second->excludeDataPointsAtViewportX(10), ColorBarDrawListener::Uninitialized);
    QVERIFY(!filter->excludeDataPoint(3, 11));

    ViewportMaskFilter unlisted(&series, nullptr);
    QVERIFY(!unlisted.excludeDataPoint(0, 5));
    unlisted.clearCache();

    // A plain filter keeps nothing to clear, and clearing does not change its answers.
    CountingFilter plain(&series);
    QVERIFY(plain.excludeDataPoint(1, 4));
    plain.clearCache();
    QVERIFY(plain.excludeDataPoint(1, 4));
    QVERIFY(!plain.excludeDataPoint(2, 4));
}

void TestFilters::registrationAndOwnership()
{
    MemLeakTracer* tracer = MemLeakTracer::getInstance();
    auto* dataSet = new XYDataSet(new DoubleArray, new DoubleArray, "o", Qt::red, SYMBOL_NONE, Qt::SolidLine, 1,
                                  nullptr);
    QList<ColorBarDrawListener*> listeners;
    QPointer<ColorBarDrawListener> listener = new ColorBarDrawListener(dataSet);
    QPointer<ViewportMaskFilter> filter = new ViewportMaskFilter(dataSet, &listeners);
    dataSet->setDrawListener(listener);
    dataSet->setFilter(filter);
    QCOMPARE(dataSet->getDrawListener(), static_cast<XYDataSetDrawListener*>(listener.data()));
    QCOMPARE(dataSet->getFilter(), static_cast<XYDataSetFilter*>(filter.data()));
    new ValueBasedLook(dataSet, Qt::blue, SYMBOL_NONE, Qt::SolidLine, 1);

    // Once per level of each class tree.
    QCOMPARE(tracer->liveCount("XYDataSet"), 1);
    QCOMPARE(tracer->liveCount("Look"), 1);
    QCOMPARE(tracer->liveCount("ValueBasedLook"), 1);
    QCOMPARE(tracer->liveCount("XYDataSetDrawListener"), 1);
    QCOMPARE(tracer->liveCount("ColorBarDrawListener"), 1);
    QCOMPARE(tracer->liveCount("XYDataSetFilter"), 1);
    QCOMPARE(tracer->liveCount("ViewportMaskFilter"), 1);
    QCOMPARE(tracer->liveCount("DataArray"), 2);

    delete dataSet;
    QVERIFY(listener.isNull());
    QVERIFY(filter.isNull());
    for (const char* name : {"XYDataSet", "Look", "ValueBasedLook", "XYDataSetDrawListener", "ColorBarDrawListener",
                             "XYDataSetFilter", "ViewportMaskFilter", "DataArray"})
        QCOMPARE(tracer->liveCount(name), 0);
    QVERIFY(tracer->liveObjects().isEmpty());
}

void TestFilters::cleanupTestCase()
{
    QCOMPARE(MemLeakTracer::getInstance()->liveObjects(), (QMap<QString, int>()));
}

QTEST_MAIN(TestFilters)
#include "tst_filters.moc"
