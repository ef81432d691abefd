#include "lookhelpers.h"

namespace {

using Mask = ColorBarDrawListener::MaskValue;
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

// Installs a listener on the bar that switches off the given appearance.
ColorBarDrawListener* listenerHiding(XYDataSet* bar, Entry const& hidden)
{
    auto* listener = new ColorBarDrawListener(bar);
    bar->setDrawListener(listener);
    listener->filterEntry(hidden, true);
    return listener;
}

} // namespace

class TestFilters : public QObject
{
    Q_OBJECT

private slots:
    void maskColumns();
    void viewportMaskFilter();
    void cleanupTestCase() { VERIFY_NO_LIVE_OBJECTS(); }
};

void TestFilters::maskColumns()
{
    std::unique_ptr<XYDataSet> bar(newColorBar());
    ColorBarDrawListener* listener = listenerHiding(bar.get(), bad);
    listener->filterEntry(good, true);
    listener->filterEntry(good, false);
    QVERIFY(listener->isFiltered(bad) && !listener->isFiltered(good));

    listener->drawingDataPoint(0, 3);
    listener->drawingDataPoint(8, 5);
    for (int index : {4, 5, 4}) // shown, hidden, shown again: Partial stays
        listener->drawingDataPoint(index, 7);
    for (int column : {0, -3, 10000, 9999}) // only columns 1 to 9999 are recorded
        listener->drawingDataPoint(8, column);
    QList<Mask> masks;
    for (int column : {3, 4, 5, 7, 0, -5, 10000, 9999})
        masks << listener->excludeDataPointsAtViewportX(column);
    QCOMPARE(masks, QList<Mask>({Mask::Show, Mask::Uninitialized, Mask::Hide, Mask::Partial, Mask::Uninitialized,
                                 Mask::Uninitialized, Mask::Uninitialized, Mask::Hide}));
    listener->clearCache();
    QCOMPARE(listener->excludeDataPointsAtViewportX(5), Mask::Uninitialized);

    // Decided exactly by the bar point nearest in x; an empty bar decides nothing.
    QCOMPARE(QList<bool>({listener->excludeDataPointAtWorldX(44), listener->excludeDataPointAtWorldX(46),
                          listener->excludeDataPointAtWorldX(1000), listener->excludeDataPointAtWorldX(std::nan(""))}),
             QList<bool>({false, true, true, false}));
    std::unique_ptr<XYDataSet> empty(newDataSet(bad));
    QVERIFY(!listenerHiding(empty.get(), bad)->excludeDataPointAtWorldX(3));
}

void TestFilters::viewportMaskFilter()
{
    std::unique_ptr<XYDataSet> bar(newColorBar()), otherBar(newColorBar());
    ColorBarDrawListener* first = listenerHiding(bar.get(), bad);
    ColorBarDrawListener* second = listenerHiding(otherBar.get(), good);

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
    for (int index : {4, 5}) // good and bad: Partial
        first->drawingDataPoint(index, 12);
    // Partial: x = 40 is nearest to the good bar point at 40, x = 50 to the bad one.
    QCOMPARE(QList<bool>({filter->excludeDataPoint(3, 10), filter->excludeDataPoint(3, 11),
                          filter->excludeDataPoint(3, 13), filter->excludeDataPoint(8, 12),
                          filter->excludeDataPoint(10, 12)}),
             QList<bool>({false, true, false, false, true}));

    // Listeners are asked in order until one excludes the point.
    listeners.prepend(second);
    second->drawingDataPoint(9, 11); // bad is shown by the second bar
    second->drawingDataPoint(0, 12);
    second->drawingDataPoint(9, 12);
    // Second shows, first hides; x = 40: good, hidden by the second bar; x = 50: bad, hidden by the first.
    QVERIFY(filter->excludeDataPoint(3, 11) && filter->excludeDataPoint(8, 12) && filter->excludeDataPoint(10, 12));

    // Clearing the filter's cache empties every listener's mask.
    filter->clearCache();
    QVERIFY(first->excludeDataPointsAtViewportX(11) == Mask::Uninitialized
            && second->excludeDataPointsAtViewportX(12) == Mask::Uninitialized);
}

QTEST_MAIN(TestFilters)
#include "tst_filters.moc"
