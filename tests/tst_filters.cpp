#include "lookhelpers.h"

#include <QPointer>

#include <cmath>
#include <memory>

namespace {

const Entry good(Qt::green, SYMBOL_NONE, Qt::SolidLine, 6);
const Entry bad(Qt::red, SYMBOL_NONE, Qt::SolidLine, 6);

// A fix-mode colour bar at x = 0, 10, ..., 90: good up to x = 40, bad from x = 50.
XYDataSet* newColorBar()
{
    XYDataSet* bar = newDataSet(good, "fix");
    bar->getLook()->setColorBar(10);
    for (int i = 0; i < 10; ++i) {
        bar->append(10 * i, i);
        if (i == 5)
            bar->getLook()->changeFromLast(bad);
    }
    return bar;
}

} // namespace

class TestFilters : public QObject
{
    Q_OBJECT

private slots:
    void maskColumns();
    void viewportMaskFilter();
    void registrationAndOwnership();
    void cleanupTestCase() { VERIFY_NO_LIVE_OBJECTS(); }
};

void TestFilters::maskColumns()
{
    std::unique_ptr<XYDataSet> bar(newColorBar());
    auto* listener = new ColorBarDrawListener(bar.get());
    bar->setDrawListener(listener);
    listener->filterEntry(bad, true);
    listener->filterEntry(good, true);
    listener->filterEntry(good, false);
    QVERIFY(listener->isFiltered(bad) && !listener->isFiltered(good));

    listener->drawingDataPoint(0, 3);
    listener->drawingDataPoint(8, 5);
    listener->drawingDataPoint(9, 5);
    QCOMPARE(listener->excludeDataPointsAtViewportX(3), ColorBarDrawListener::Show);
    QCOMPARE(listener->excludeDataPointsAtViewportX(4), ColorBarDrawListener::Uninitialized);
    QCOMPARE(listener->excludeDataPointsAtViewportX(5), ColorBarDrawListener::Hide);
    // Shown then hidden is Partial, and a further shown point leaves it so.
    listener->drawingDataPoint(4, 7);
    listener->drawingDataPoint(5, 7);
    listener->drawingDataPoint(4, 7);
    QCOMPARE(listener->excludeDataPointsAtViewportX(7), ColorBarDrawListener::Partial);

    // Only columns 1 to 9999 are recorded.
    for (int column : {0, -3, 10000})
        listener->drawingDataPoint(8, column);
    for (int column : {0, -5, 8, 10000})
        QCOMPARE(listener->excludeDataPointsAtViewportX(column), ColorBarDrawListener::Uninitialized);
    listener->drawingDataPoint(8, 9999);
    QCOMPARE(listener->excludeDataPointsAtViewportX(9999), ColorBarDrawListener::Hide);
    listener->clearCache();
    QCOMPARE(listener->excludeDataPointsAtViewportX(5), ColorBarDrawListener::Uninitialized);

    // Decided exactly by the bar point nearest in x; an empty bar decides nothing.
    QVERIFY(!listener->excludeDataPointAtWorldX(44));
    QVERIFY(listener->excludeDataPointAtWorldX(46));
    QVERIFY(listener->excludeDataPointAtWorldX(1000));
    QVERIFY(!listener->excludeDataPointAtWorldX(std::nan("")));
    std::unique_ptr<XYDataSet> empty(newDataSet(bad));
    ColorBarDrawListener onEmpty(empty.get());
    onEmpty.filterEntry(bad, true);
    QVERIFY(!onEmpty.excludeDataPointAtWorldX(3));

    QCOMPARE(QMetaEnum::fromType<ColorBarDrawListener::MaskValue>().keyToValue("Partial"), 3);
}

void TestFilters::viewportMaskFilter()
{
    std::unique_ptr<XYDataSet> bar(newColorBar()), otherBar(newColorBar());
    auto* first = new ColorBarDrawListener(bar.get());
    bar->setDrawListener(first);
    first->filterEntry(bad, true);
    auto* second = new ColorBarDrawListener(otherBar.get());
    otherBar->setDrawListener(second);
    second->filterEntry(good, true);

    // The masked series: an error curve at x = 0, 5, ..., 95.
    std::unique_ptr<XYDataSet> series(newDataSet(Entry(Qt::blue, SYMBOL_DOT, Qt::SolidLine, 1), "error"));
    for (int i = 0; i < 20; ++i)
        series->append(5 * i, i * i);
    QList<ColorBarDrawListener*> listeners;
    auto* filter = new ViewportMaskFilter(series.get(), &listeners);
    series->setFilter(filter);
    first->drawingDataPoint(7, 11);
    QVERIFY(!filter->excludeDataPoint(3, 11)); // an empty list excludes nothing

    listeners.append(first); // the list is read at every call
    first->drawingDataPoint(1, 10); // Show
    first->drawingDataPoint(4, 12); // good and bad: Partial
    first->drawingDataPoint(5, 12);
    QVERIFY(!filter->excludeDataPoint(3, 10));
    QVERIFY(filter->excludeDataPoint(3, 11));
    QVERIFY(!filter->excludeDataPoint(3, 13));
    // Partial: x = 40 is nearest to the good bar point at 40, x = 50 to the bad one.
    QVERIFY(!filter->excludeDataPoint(8, 12));
    QVERIFY(filter->excludeDataPoint(10, 12));

    // Listeners are asked in order until one excludes the point.
    listeners.prepend(second);
    second->drawingDataPoint(9, 11); // bad is shown by the second bar
    second->drawingDataPoint(0, 12);
    second->drawingDataPoint(9, 12);
    QVERIFY(filter->excludeDataPoint(3, 11));  // second shows, first hides
    QVERIFY(filter->excludeDataPoint(8, 12));  // x = 40: good, hidden by the second bar
    QVERIFY(filter->excludeDataPoint(10, 12)); // x = 50: bad, hidden by the first bar

    // Clearing the filter's cache empties every listener's mask.
    filter->clearCache();
    QCOMPARE(first->excludeDataPointsAtViewportX(11), ColorBarDrawListener::Uninitialized);
    QCOMPARE(second->excludeDataPointsAtViewportX(12), ColorBarDrawListener::Uninitialized);
}

void TestFilters::registrationAndOwnership()
{
    MemLeakTracer* tracer = MemLeakTracer::getInstance();
    XYDataSet* dataSet = newDataSet(good);
    QPointer<ColorBarDrawListener> listener = new ColorBarDrawListener(dataSet);
    QPointer<ViewportMaskFilter> filter = new ViewportMaskFilter(dataSet, nullptr);
    dataSet->setDrawListener(listener);
    dataSet->setFilter(filter);
    new ValueBasedLook(dataSet, Qt::blue, SYMBOL_NONE, Qt::SolidLine, 1);

    // Once per level of each class tree.
    const char* names[] = {"XYDataSet", "Look", "ValueBasedLook", "XYDataSetDrawListener", "ColorBarDrawListener",
                           "XYDataSetFilter", "ViewportMaskFilter"};
    for (const char* name : names)
        QCOMPARE(tracer->liveCount(name), 1);
    QCOMPARE(tracer->liveCount("DataArray"), 2);

    delete dataSet;
    QVERIFY(listener.isNull() && filter.isNull());
    for (const char* name : names)
        QCOMPARE(tracer->liveCount(name), 0);
    VERIFY_NO_LIVE_OBJECTS();
}

QTEST_MAIN(TestFilters)
#include "tst_filters.moc"
