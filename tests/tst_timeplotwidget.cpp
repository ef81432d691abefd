// The time plot: axis titles, statistics line, colour-bar masking and legend.

#include <zebplot/zebplot.h>

#include <QtTest>

#include <ctime>
#include <limits>

namespace {

// One sample a second.  The owner, declared before the plot, deletes the data
// sets after the plot has gone.
XYDataSet* series(QObject* owner, QString const& name, QColor colour, QList<double> const& ys)
{
    auto* dataSet = new XYDataSet(new DataArrayTemplate<double>(), new DataArrayTemplate<double>(), name, colour,
                                  SYMBOL_NONE, Qt::SolidLine, 1, owner);
    for (int i = 0; i < ys.size(); ++i)
        dataSet->append(i * 1000.0, ys[i]);
    return dataSet;
}

// A fix-mode bar: "3D" (green) for the first 30 s, "DGPS" (blue) for the next 30 s.
XYDataSet* fixModeBar(QObject* owner)
{
    XYDataSet* bar = series(owner, "Fix mode", Qt::green, {});
    Look* look = bar->getLook();
    look->setColorBar(-10);
    look->setDefaultLineThickness(6);
    look->setMustIncludeAllEntriesInLegend(true);
    QList<std::pair<QColor, QString>> const modes = {{Qt::green, "3D"}, {Qt::blue, "DGPS"}};
    for (int m = 0; m < modes.size(); ++m) {
        look->setLegendText(Look::Entry(modes[m].first, SYMBOL_NONE, Qt::SolidLine, 6), modes[m].second,
                            Look::Color);
        look->changeFromLast(modes[m].first, SYMBOL_NONE, Qt::SolidLine, 6);
        for (int i = 0; i < 30; ++i)
            bar->append((30 * m + i) * 1000.0, m);
    }
    return bar;
}

// Pixels of a colour, allowing for the antialiased edges of lines.
int countColour(QImage const& image, QRect const& area, QColor colour)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += qAbs(image.pixelColor(x, y).hue() - colour.hue()) < 10 && image.pixelColor(x, y).saturation() > 100;
    return count;
}

} // namespace

class TestTimePlotWidget : public QObject
{
    Q_OBJECT

private slots:
    void axisTitleFollowsTheTimeType();
    void statisticsLineAndMarkerBounds();
    void colourBarFiltersAndLegendRule();
    void hiddenFixModeMasksTheSeries();
};

void TestTimePlotWidget::axisTitleFollowsTheTimeType()
{
    TimePlotWidget plot(18, "C/N0", 200, 300, "dB-Hz", false, 1.0, nullptr);
    auto title = [&] { return plot.getXYPlot()->getAxisTitle(HORIZONTAL); };
    QCOMPARE(title(), QString("Time (s)"));
    QVERIFY(plot.getXYPlot()->getAxisTitle(VERTICAL) == "dB-Hz" && plot.getTimeGrid()->getDeltaLS() == 18);

    const std::pair<ETimeType, const char*> types[] = {{eSHOW_GNSS, "GNSS Time (h:mm:ss)"},
        {eSHOW_TOW, "GNSS Time (TOW)"}, {eSHOW_SECONDS, "GNSS Time (s)"}, {eSHOW_UTC, "UTC Time (h:mm:ss)"}};
    for (auto [type, text] : types) {
        plot.changeTimeAxis(type);
        QVERIFY2(title() == text && plot.getTimeGrid()->getTimeType() == type, text);
    }
    // Local time names its offset from UTC as set, in hours and minutes.
    plot.setUtcOffset(5.5f);
    plot.changeTimeAxis(eSHOW_LOCAL);
    QCOMPARE(title(), QString("Local Time: UTC+5:30 (h:mm:ss)"));
    const std::pair<float, const char*> offsets[] = {{-3.0f, ": UTC-3"}, {-9.75f, ": UTC-9:45"},
        {-std::numeric_limits<float>::infinity(), ""}, {1e20f, ": UTC+100000002004087734272"}};
    for (auto [offset, text] : offsets) {
        plot.setUtcOffset(offset);
        plot.updateTimeAxisTitle();
        QCOMPARE(title(), QString("Local Time%1 (h:mm:ss)").arg(text));
    }

    // Without a set offset the system zone's offset at the GNSS origin is
    // used, in whole hours.
    QByteArray const savedZone = qgetenv("TZ");
    qputenv("TZ", "IST-5:30");
    tzset();
    plot.setUtcOffset(LinearTimeGrid::kNoUtcOffset);
    plot.updateTimeAxisTitle();
    QString const computed = title();
    savedZone.isEmpty() ? qunsetenv("TZ") : qputenv("TZ", savedZone);
    tzset();
    QCOMPARE(computed, QString("Local Time: UTC+5 (h:mm:ss)"));

    plot.setDeltaLS(-128);
    QVERIFY(plot.getTimeGrid()->getDeltaLS() == -128 && plot.getTimeGrid()->getLabel(0, 0) == "Local N/A");
}

void TestTimePlotWidget::statisticsLineAndMarkerBounds()
{
    for (bool roundMean : {false, true}) {
        QObject owner;
        TimePlotWidget plot(18, QString(), 200, 300, "m", roundMean, 1.0, nullptr);
        XYDataSet* first = series(&owner, "E05", Qt::blue, {1, 2, 3, 4});
        plot.setDataSets({first});
        plot.showStatistics = true;
        plot.showHMarkerOne(true);
        plot.updateTimePlot();
        Marker_t* line = plot.getHorizMarkerOne();
        // Still streaming: variance and skewness may wait; once the data set is
        // complete they are always computed.
        QVERIFY2(line->position == (roundMean ? 3.0 : 2.5) && line->label.startsWith(roundMean ? "mean: 3" : "mean: 2.5"),
                 qPrintable(line->label));
        first->setComplete(true);
        first->append(4000, 2.5);
        plot.updateTimePlot();
        QVERIFY2(line->position == (roundMean ? 3.0 : 2.5) && line->label.contains(", skewness: ")
                     && line->label.startsWith(roundMean ? "mean: 3, variance: " : "mean: 2.5, variance: "),
                 qPrintable(line->label));
        QVERIFY(plot.getMarkerValues().isEmpty()); // the statistics line is no data bound of its own

        plot.setDataSets({first, series(&owner, "G12", Qt::red, {10, 20})});
        plot.updateTimePlot();
        QVERIFY2(line->label.startsWith(roundMean ? "E05 mean: 3" : "E05 mean: 2.5"), qPrintable(line->label));
    }

    // Threshold lines widen the y range that "show all" reaches.
    QObject owner;
    TimePlotWidget plot(18, QString(), 200, 300, "m", false, 1.0, nullptr);
    plot.setDataSets({series(&owner, "error", Qt::blue, {1, 2, 3})});
    plot.showHMarkerOne(true);
    plot.updateHorizMarkerOne(50.0, "alarm");
    plot.updateTimePlot();
    XYCanvas* canvas = plot.getXYPlot()->getCanvas();
    QVERIFY(plot.getMarkerValues() == QList<double>{50.0} && canvas->getDataBounds().maxY >= 50.0);
    // Zooming in stops at the plot's vertical zoom limit (1 here).
    for (int i = 0; i < 12; ++i)
        canvas->zoomIn(Bounds::Vertical, true);
    QVERIFY(canvas->getViewBounds().maxY - canvas->getViewBounds().minY >= 1.0);
    plot.addHorizMarkerTwo("warning", Qt::DashLine, Qt::darkYellow);
    plot.showHMarkerTwo(true);
    plot.updateHorizMarkerTwo(-20.0, QString());
    plot.updateTimePlot();
    QVERIFY(plot.getMarkerValues() == (QList<double>{50.0, -20.0}) && canvas->getDataBounds().minY <= -20.0);
}

void TestTimePlotWidget::colourBarFiltersAndLegendRule()
{
    QObject owner;
    TimePlotWidget plot(18, QString(), 200, 300, "m", false, 1.0, nullptr);
    XYDataSet* bar = fixModeBar(&owner);
    XYDataSet* error = series(&owner, "error", Qt::red, QList<double>(60, 1.0));
    XYDataSet* other = series(&owner, "other", Qt::black, QList<double>(60, 2.0));

    plot.setDataSets({error});
    QVERIFY(!plot.getXYPlot()->getLegend());
    error->setShowLegendEvenIfOnlyDataSet(true);
    plot.setDataSets({error});
    QVERIFY(plot.getXYPlot()->getLegend());

    plot.setDataSets({bar, error, other});
    for (XYDataSet* masked : {error, other})
        QVERIFY(qobject_cast<ViewportMaskFilter*>(masked->getFilter()));
    auto* before = qobject_cast<ColorBarDrawListener*>(bar->getDrawListener());
    QCOMPARE(plot.getColorBarListeners(), QList<ColorBarDrawListener*>{before});

    // Re-filtering replaces the listener: still one entry, and it is the one
    // the data set draws with.
    QPointer<ColorBarDrawListener> old(before);
    plot.setColorBarFilter(bar, {"DGPS"});
    QVERIFY(old.isNull());
    auto* after = qobject_cast<ColorBarDrawListener*>(bar->getDrawListener());
    QCOMPARE(plot.getColorBarListeners(), QList<ColorBarDrawListener*>{after});
    QVERIFY(after->isFiltered(Look::Entry(Qt::blue, SYMBOL_NONE, Qt::SolidLine, 6))
            && !after->isFiltered(Look::Entry(Qt::green, SYMBOL_NONE, Qt::SolidLine, 6)));

    // The mask filters read the new listener: a column it marks hidden
    // excludes the other data sets' points there.
    after->drawingDataPoint(45, 100);
    QVERIFY(error->getFilter()->excludeDataPoint(45, 100) && !error->getFilter()->excludeDataPoint(5, 101));

    // A re-installed mask filter replaces the old one.
    QPointer<XYDataSetFilter> oldFilter(other->getFilter());
    plot.updateViewportMaskFilter(other);
    QVERIFY(oldFilter.isNull() && other->getFilter());

    // A bar deleted by the host leaves no dangling listener behind.
    plot.getXYPlot()->removeDataSet(bar);
    delete bar;
    QVERIFY(plot.getColorBarListeners().isEmpty() && !error->getFilter()->excludeDataPoint(45, 100));
}

void TestTimePlotWidget::hiddenFixModeMasksTheSeries()
{
    QObject owner;
    TimePlotWidget plot(18, QString(), 300, 500, "m", false, 1.0, nullptr);
    XYDataSet* bar = fixModeBar(&owner);
    plot.setDataSets({bar, series(&owner, "error", Qt::red, QList<double>(60, 5.0))});
    plot.setColorBarFilter(bar, {"DGPS"});
    plot.resize(700, 400);
    plot.show();
    QVERIFY(QTest::qWaitForWindowExposed(&plot));
    plot.updateTimePlot();
    plot.getXYPlot()->showFullPlot();
    plot.redrawCanvas();
    QCoreApplication::processEvents();

    XYCanvas* canvas = plot.getXYPlot()->getCanvas();
    QImage const image = canvas->grab().toImage();
    int const split = qRound(canvas->convertXWorldToViewport(30000.0));
    QRect const left(0, 0, split - 3, image.height());
    QRect const right(split + 3, 0, image.width() - split - 3, image.height());
    // The bar shows both modes; the series is drawn only where the bar shows "3D".
    QVERIFY(countColour(image, left, Qt::green) > 0 && countColour(image, left, Qt::red) > left.width() / 2);
    QCOMPARE(countColour(image, right, Qt::red), 0);

    // Ticking DGPS again brings the masked part back.
    plot.setColorBarFilter(bar, {});
    plot.redrawCanvas();
    QCoreApplication::processEvents();
    QVERIFY(countColour(canvas->grab().toImage(), right, Qt::red) > right.width() / 2);
}

QTEST_MAIN(TestTimePlotWidget)
#include "tst_timeplotwidget.moc"
