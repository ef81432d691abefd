// The tool-bar frame and the spectrum and correlation widgets built on it.

#include "memleaktracer.h"
#include "plottesthelpers.h"

#include <QtTest>

#include <memory>

// The smallest host tool bar: the signals and the slot the ready-made plots
// connect to by signature.
class ToolBarStub : public QWidget
{
    Q_OBJECT

public:
    QString xText, yText;
    int coordinateCalls = 0;

signals:
    void showFullPlot();
    void changeCursor(Qt::CursorShape shape);
    void mouseTrackingOn(bool on);
    void sendMouseCoords(bool on);
    void connectFirstLast(bool on);

public slots:
    void drawMouseCoords(const QString x, const QString y) { xText = x, yText = y, ++coordinateCalls; }
};

namespace {

QImage grabCanvas(XYPlot* plot) { return QCoreApplication::processEvents(), plot->getCanvas()->grab().toImage(); }

bool sameBounds(Bounds const& a, Bounds const& b)
{
    return a.minX == b.minX && a.maxX == b.maxX && a.minY == b.minY && a.maxY == b.maxY;
}

} // namespace

class TestReadyMadePlots : public QObject
{
    Q_OBJECT

private slots:
    void toolBarSignalsReachThePlotAndCoordinatesComeBack();
    void gridsAndHorizontalMarkers();
    void spectrumBandsAndFixedBounds();
    void correlationWindowStaysFixed();
};

void TestReadyMadePlots::toolBarSignalsReachThePlotAndCoordinatesComeBack()
{
    std::unique_ptr<XYDataSet> data(makeDataSet("d", 100));
    ToolBarStub toolBar;
    toolBar.resize(500, 400);
    auto* frame = new ToolBarPlotWidget(&toolBar);
    QCOMPARE(frame->parentWidget(), &toolBar);
    auto* plot = new XYPlot;
    frame->setXYPlot(plot);
    frame->setUpXYPlot(false, false);
    frame->resize(500, 400);
    plot->addDataSet(data.get());
    plot->getCanvas()->updateBounds();
    toolBar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&toolBar));
    XYCanvas* canvas = plot->getCanvas();
    // The grids, children of the frame, take no room and no mouse events.
    for (QPoint corner : {QPoint(2, 2), QPoint(60, 20)})
        QVERIFY(!qobject_cast<XYAbstractGrid*>(toolBar.childAt(corner)));

    emit toolBar.changeCursor(Qt::OpenHandCursor);
    QCOMPARE(canvas->cursor().shape(), Qt::OpenHandCursor);

    QSignalSpy coords(plot, &XYPlot::sendMouseCoords);
    emit toolBar.sendMouseCoords(true);
    QVERIFY(coords.size() == 1 && coords.first().first().toBool());

    // Mouse tracking on: moving over the canvas writes both coordinates into
    // the tool bar; off: nothing arrives.
    emit toolBar.mouseTrackingOn(true);
    QTest::mouseMove(canvas, QPoint(canvas->width() / 2, canvas->height() / 2));
    QTRY_VERIFY(toolBar.coordinateCalls > 0);
    QVERIFY(!toolBar.xText.isEmpty() && !toolBar.yText.isEmpty());
    emit toolBar.mouseTrackingOn(false);
    toolBar.coordinateCalls = 0;
    QTest::mouseMove(canvas, QPoint(canvas->width() / 3, canvas->height() / 3));
    QCoreApplication::processEvents();
    QCOMPARE(toolBar.coordinateCalls, 0);

    Bounds const data_ = canvas->getDataBounds();
    canvas->setViewBounds(Bounds(10, 20, 0, 1), true);
    emit toolBar.showFullPlot();
    Bounds const view = canvas->getViewBounds();
    QVERIFY(view.minX <= data_.minX && view.maxX >= data_.maxX && view.minY <= data_.minY && view.maxY >= data_.maxY);
}

void TestReadyMadePlots::gridsAndHorizontalMarkers()
{
    {
        ToolBarPlotWidget timeFrame;
        timeFrame.setXYPlot(new XYPlot);
        timeFrame.setUpXYPlot(true, true);
        XYCanvas* canvas = timeFrame.getXYPlot()->getCanvas();
        QCOMPARE(canvas->getGrid(VERTICAL), timeFrame.getTimeGrid());
        QVERIFY(qobject_cast<LinearGrid*>(canvas->getGrid(HORIZONTAL))
                && !qobject_cast<LinearTimeGrid*>(canvas->getGrid(HORIZONTAL)));
        QCOMPARE(timeFrame.getTimeGrid()->getDeltaLS(), short(-128));
        QCOMPARE(timeFrame.getXYPlot()->getMarkers(), QList<Marker_t*>{timeFrame.getVerticalMarker()});
        QCOMPARE(timeFrame.getVerticalMarker()->color, QColor(Qt::red));
    }

    ToolBarPlotWidget frame;
    auto* plot = new XYPlot;
    frame.setXYPlot(plot);
    frame.setUpXYPlot(false, false);
    QVERIFY(!frame.getTimeGrid() && !qobject_cast<LinearTimeGrid*>(plot->getCanvas()->getGrid(VERTICAL))
            && plot->getMarkers().isEmpty());

    // Showing twice adds once, hiding twice removes once.
    Marker_t* one = frame.getHorizMarkerOne();
    frame.showHMarkerOne(true);
    frame.showHMarkerOne(true);
    QCOMPARE(plot->getMarkers(), QList<Marker_t*>{one});
    frame.updateHorizMarkerOne(3.5, QString());
    QVERIFY(one->position == 3.5 && one->label == "N/A");
    frame.updateHorizMarkerOne(4.0, "limit");
    QCOMPARE(one->label, QString("limit"));
    frame.showHMarkerOne(false);
    frame.showHMarkerOne(false);
    QVERIFY(plot->getMarkers().isEmpty() && !frame.isHorizMarkerOneShown());

    // Both markers together; the flags say what the plot holds.
    Marker_t* two = frame.getHorizMarkerTwo();
    frame.showHMarkerOne(true);
    frame.showHMarkerTwo(true);
    QCOMPARE(plot->getMarkers(), (QList<Marker_t*>{one, two}));
    frame.showHMarkerOne(false);
    QCOMPARE(plot->getMarkers(), QList<Marker_t*>{two});
    QVERIFY(!frame.isHorizMarkerOneShown() && frame.isHorizMarkerTwoShown());
    frame.showHMarkerTwo(false);

    frame.addHorizMarkerTwo("threshold", Qt::DotLine, Qt::magenta);
    frame.updateHorizMarkerTwo(0.5, QString());
    frame.showHMarkerTwo(true);
    QCOMPARE(plot->getMarkers(), QList<Marker_t*>{two});
    QCOMPARE(two->penStyle, int(Qt::DotLine));
}

void TestReadyMadePlots::spectrumBandsAndFixedBounds()
{
    {
        std::unique_ptr<XYDataSet> power(makeDataSet("power", 3));
        SpectrumPlotWidget spectrum;
        XYPlot* plot = spectrum.getXYPlot();
        QCOMPARE(plot->getAxisTitle(VERTICAL), QString("Power (dB)"));
        QCOMPARE(plot->getAxisTitle(HORIZONTAL), QString("Frequency (MHz)"));
        QVERIFY(spectrum.getSignalBands().isEmpty());

        spectrum.addSpectrumBands({});
        QList<BandMarker_t*> const fixed = spectrum.getSignalBands();
        QCOMPARE(fixed.size(), 9);
        QVERIFY(fixed[7]->label == "GPSL1" && fixed[7]->start == 1567.92 && spectrum.getLineBands().isEmpty());

        spectrum.addSpectrumBands({{1575.42, "jammer"}, {1227.6, "spur"}});
        QCOMPARE(spectrum.getSignalBands(), fixed);
        QList<BandMarker_t*> lines = spectrum.getLineBands();
        QVERIFY(lines.size() == 2 && lines[1]->label == "spur");
        QVERIFY(qAbs(lines[0]->start - 1575.32) < 1e-9 && qAbs(lines[0]->end - 1575.52) < 1e-9);
        QCOMPARE(lines[0]->color, QColor(0, 127, 0, 40));

        // The bands are drawn: inside GPSL1 the background is tinted orange,
        // at the jammer line tinted by both bands.
        spectrum.addDataSet(power.get(), 1560, 0, 1590, 100);
        QVERIFY(sameBounds(plot->getCanvas()->getDataBounds(), Bounds(1560, 1590, 0, 100)));
        QCOMPARE(plot->getLegend()->getCheckBoxes().size(), 1); // a complete spectrum is listed at once
        plot->resize(700, 450);
        spectrum.show();
        QVERIFY(QTest::qWaitForWindowExposed(&spectrum));
        spectrum.redrawCanvas();
        QImage image = grabCanvas(plot);
        XYCanvas* canvas = plot->getCanvas();
        auto pixelAt = [&](double mhz) {
            return image.pixelColor(qRound(canvas->convertXWorldToViewport(mhz)), image.height() / 3);
        };
        QColor const inL1 = pixelAt(1571.0), outside = pixelAt(1565.5), atJammer = pixelAt(1575.42);
        QVERIFY(inL1.red() > inL1.blue() + 20 && outside.red() == outside.blue());
        QVERIFY(atJammer.green() - atJammer.red() > inL1.green() - inL1.red());

        spectrum.addSpectrumBands({});
        QVERIFY(spectrum.getLineBands().isEmpty() && spectrum.getSignalBands() == fixed);
    }
    QVERIFY(MemLeakTracer::getInstance()->liveCount("SpectrumPlotWidget") == 0
            && MemLeakTracer::getInstance()->liveCount("ToolBarPlotWidget") == 0);
}

void TestReadyMadePlots::correlationWindowStaysFixed()
{
    std::unique_ptr<XYDataSet> early(makeDataSet("early", 0, Qt::blue)), late(makeDataSet("late", 0, Qt::darkGreen));
    ToolBarStub toolBar;
    auto* correlation = new CorrelationPlotWidget(early.get(), late.get(), &toolBar);
    XYPlot* plot = correlation->getXYPlot();
    XYCanvas* canvas = plot->getCanvas();
    QCOMPARE(correlation->getFirstDataSet(), early.get());
    QCOMPARE(plot->getDataSets(), (QList<XYDataSet*>{early.get(), late.get()}));
    QCOMPARE(plot->getAxisTitle(HORIZONTAL), QString("Lag (chips)"));
    QVERIFY(plot->getLegend());

    QSignalSpy firstLast(plot, &XYPlot::connectFirstLast);
    emit toolBar.connectFirstLast(true);
    QCOMPARE(firstLast.size(), 1);

    // Data far outside the window, arriving in several batches: the view
    // never leaves ±1.5 chips and ±150 %.
    Bounds const window(-1.5, 1.5, -150, 150);
    for (int batch = 0; batch < 3; ++batch) {
        for (int i = -20; i <= 20; ++i) {
            early->append(i * 0.1 * (batch + 1), 100.0 - qAbs(i) * 10.0 * (batch + 1));
            late->append(i * 0.1 + batch, 400.0);
        }
        canvas->updateBounds();
        QVERIFY(sameBounds(canvas->getViewBounds(), window));
    }

    toolBar.resize(700, 500);
    correlation->resize(700, 500);
    toolBar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&toolBar));
    correlation->updatePlot(0.5);
    QCOMPARE(correlation->getVerticalMarker()->position, 0.5);
    QImage image = grabCanvas(plot);
    QList<int> red; // the columns of that colour in a row through the plot
    for (int x = 0; x < image.width(); ++x)
        if (image.pixelColor(x, image.height() / 4) == QColor(Qt::red))
            red << x;
    QVERIFY(red.size() == 1 && qAbs(red.first() - canvas->convertXWorldToViewport(0.5)) <= 1);
}

QTEST_MAIN(TestReadyMadePlots)
#include "tst_readymadeplots.moc"
