// The canvas drawing pipeline, checked on rendered pixels: lines, pixel-column
// merging, gaps and NaNs, clipping, colour bars, symbols, marker layers,
// incremental drawing and the time budget.
#include "canvastesthelpers.h"

#include <QPicture>
#include <QtTest>

#include <cmath>
#include <random>

namespace {

// Bytes of recorded paint commands: a measure of how much was drawn.
int recordedSize(XYCanvas* canvas, XYDataSet* dataSet)
{
    QPicture picture;
    QPainter painter(&picture);
    canvas->drawDataSet(&painter, dataSet);
    painter.end();
    return int(picture.size());
}

} // namespace

class TestXYCanvasDrawing : public QObject
{
    Q_OBJECT

private slots:
    void columnsGapsAndInvalidPoints()
    {
        CanvasFixture f;
        std::mt19937 random(7);
        std::uniform_real_distribution<double> yDist(20, 80);
        QList<double> xs, ys;
        for (int i = 0; i < 10000; ++i) {
            xs << 100 + 2.9 * i / 10000.0; // three pixel columns
            ys << yDist(random);
        }
        ys[0] = 20;
        ys[5000] = 80;
        XYDataSet* many = f.addDataSet(xs, ys);
        XYDataSet* single = f.addDataSet({10, 190}, {50, 60});
        const QImage image = f.renderView(Bounds(0, 200, 0, 100), 200, 100);
        // The merged column spans the whole y range of its points.
        const auto ink = [](QRgb pixel) { return !isWhite(pixel); };
        QVERIFY(countPixels(image, ink, QRect(99, 21, 5, 1)) > 0 && countPixels(image, ink, QRect(99, 79, 5, 1)) > 0);
        // Ten thousand points cost about as much drawing as a handful of lines.
        const int manySize = recordedSize(f.canvas.get(), many);
        const int oneLine = recordedSize(f.canvas.get(), single);
        QVERIFY2(manySize < 12 * oneLine, qPrintable(QString("%1 vs %2").arg(manySize).arg(oneLine)));

        const double nan = std::nan("");
        class DropThird : public XYDataSetFilter
        {
        public:
            using XYDataSetFilter::XYDataSetFilter;
            bool excludeDataPoint(int index, int) override { return index == 3; }
        };
        const auto column = [](int x) { return QRect(x, 0, 1, 100); };
        const struct { QList<double> xs, ys; double maxX, threshold; bool filtered; int width; QList<QRect> inked, blank; }
        cases[] = {
            // A NaN breaks the line; points joined before it get no dash.
            {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {50, 50, 50, 50, 50, nan, 50, 50, 50, 50, 50}, 10, nan, false, 200,
             {column(60), column(140)}, {column(90), column(100)}},
            // A point between two NaNs is joined to nothing: it gets a dash.
            {{0, 1, 2, 3, 4}, {nan, nan, 50, nan, nan}, 4, nan, false, 200, {QRect(100, 0, 2, 100)}, {{0, 0, 90, 100}}},
            // A gap beyond the threshold is not joined.
            {{0, 1, 2, 5, 6}, QList<double>(5, 50), 10, 1.5, false, 200, {column(30), column(110)}, {column(70)}},
            // A filter that drops a point breaks the line like a NaN.
            {{0, 1, 2, 3, 4, 5, 6}, QList<double>(7, 50), 6, nan, true, 300, {column(75)}, {column(125), column(175)}},
        };
        for (auto const& c : cases) {
            CanvasFixture f;
            f.canvas->setHorizontalDisconnectionThreshold(c.threshold);
            XYDataSet* set = f.addDataSet(c.xs, c.ys);
            if (c.filtered)
                set->setFilter(new DropThird(set, nullptr));
            const QImage image = f.renderView(Bounds(0, c.maxX, 0, 100), c.width, 100);
            for (QRect area : c.inked)
                QVERIFY(darkPixels(image, area) > 0);
            for (QRect area : c.blank)
                QCOMPARE(darkPixels(image, area), 0);
            if (!std::isnan(c.threshold)) { // without a threshold the same data are joined
                f.canvas->setHorizontalDisconnectionThreshold(nan);
                f.canvas->fullRepaint();
                QVERIFY(darkPixels(f.render(c.width, 100), QRect(70, 0, 1, 100)) > 0);
            }
        }
    }

    void clipping()
    {
        CanvasFixture f;
        f.renderView(Bounds(0, 100, 0, 100), 100, 100);
        XYCanvas* c = f.canvas.get();
        // Inside is region 0; around it clockwise from the top left, 1 to 8.
        const QPoint regions[] = {{50, 50}, {-1, -1}, {-1, 50}, {-1, 101}, {50, 101},
                                  {101, 101}, {101, 50}, {101, -1}, {50, -1}};
        for (int region = 0; region < 9; ++region)
            QCOMPARE(c->outsideClip(regions[region]), region);
        QCOMPARE(QList<bool>({c->maybeIntersectsViewport(1, 5), c->maybeIntersectsViewport(5, 1),
                              c->maybeIntersectsViewport(1, 3), c->maybeIntersectsViewport(0, 4),
                              c->maybeIntersectsViewport(9, 1)}),
                 QList<bool>({true, true, false, false, false}));
        QCOMPARE(c->calculateCrossing(QPoint(50, 50), QPoint(-50, 150), 3), QPoint(0, 100));

        // Region 1 to region 5 crosses the viewport and is drawn; 1 to 3 is not.
        CanvasFixture g;
        g.addDataSet({-50, 150}, {-50, 150});
        g.addDataSet({-50, -20}, {-50, 150}, Qt::red);
        const QImage image = g.renderView(Bounds(0, 100, 0, 100), 100, 100);
        QVERIFY(darkPixels(image, QRect(50, 0, 1, 100)) > 0);
        QVERIFY(darkPixels(image) > 80);
        for (int y = 0; y < 100; ++y)
            QVERIFY(qRed(image.pixel(0, y)) < 200 || qGreen(image.pixel(0, y)) > 200);
    }

    void colorBarsAndSymbols()
    {
        CanvasFixture f;
        // A colour bar lies 20 pixels above the bottom edge whatever its y values (1 would be row 99).
        f.addDataSet({0, 50, 100}, {1, 1, 1}, Qt::red, SYMBOL_NONE, Qt::SolidLine, 6)->getLook()->setColorBar(-20);
        // Drawn through the upward window, a "down" triangle points up on screen.
        f.addDataSet({50, 60}, {50, 50}, Qt::black, SYMBOL_TRIANGLE_DOWN, Qt::NoPen, 1)->getLook()->setSymbolSize(20);
        // A single point without a symbol is shown as a diamond.
        f.addDataSet({15}, {70});
        const QImage image = f.renderView(Bounds(0, 100, 0, 100), 100, 100);
        QVERIFY(qRed(image.pixel(50, 80)) > 200 && qGreen(image.pixel(50, 80)) < 80 && isWhite(image.pixel(50, 97)));
        // Left of the second point: the base (wide) below the first on screen, the apex (narrow) above it.
        const auto grey = [](QRgb p) { return qGray(p) < 200; };
        QVERIFY(countPixels(image, grey, QRect(30, 59, 25, 1)) > countPixels(image, grey, QRect(30, 42, 25, 1)));
        QVERIFY(darkPixels(image, QRect(5, 20, 20, 20)) > 4);
    }

    void markersAndEllipses()
    {
        CanvasFixture f;
        f.addDataSet({0, 100}, {50, 50}, Qt::black, SYMBOL_NONE, Qt::SolidLine, 3);
        Marker_t background{MARKER_BACKGROUND, HORIZONTAL, 50, Qt::red, Qt::SolidLine, 7, QString()};
        f.markers.append(&background);
        QImage image = f.renderView(Bounds(0, 100, 0, 100), 100, 100);
        // The data set lies above a background marker ...
        QVERIFY(qGray(image.pixel(50, 50)) < 100);
        QVERIFY(qRed(image.pixel(50, 47)) > 200 && qGreen(image.pixel(50, 47)) < 80);
        // ... and below a foreground one.
        background.type = MARKER_FOREGROUND;
        f.canvas->fullRepaint();
        image = f.render(100, 100);
        QVERIFY(qRed(image.pixel(50, 50)) > 200 && qGreen(image.pixel(50, 50)) < 80);

        // Marker rows: maxY on row 0, outside the view nothing.
        f.markers.clear();
        Marker_t top{MARKER_FOREGROUND, HORIZONTAL, 100, Qt::blue, Qt::SolidLine, 1, QString()};
        f.markers.append(&top);
        image = f.render(100, 100);
        QVERIFY(qBlue(image.pixel(10, 0)) > 200 && qRed(image.pixel(10, 0)) < 100);
        top.position = 100.5;
        image = f.render(100, 100);
        QVERIFY(isWhite(image.pixel(10, 0)));

        // Bands: clamped to the view, labels of overlapping bands stacked.
        BandMarker_t left{MARKER_FOREGROUND, VERTICAL, -50, 20, QColor(0, 200, 0), "first"};
        BandMarker_t covering{MARKER_FOREGROUND, VERTICAL, -1000, 1000, QColor(0, 0, 0, 0), "second"};
        BandMarker_t outside{MARKER_FOREGROUND, VERTICAL, 200, 300, QColor(255, 0, 0), QString()};
        f.bands << &left << &covering << &outside;
        image = f.render(100, 100);
        QVERIFY(qGreen(image.pixel(0, 90)) > 150 && qRed(image.pixel(0, 90)) < 100);
        QVERIFY(qGreen(image.pixel(19, 90)) > 150 && qRed(image.pixel(19, 90)) < 100);
        QVERIFY(isWhite(image.pixel(21, 90)));

        // Cross arms are truncated pixel lengths.
        f.bands.clear();
        CrossMarker_t cross{50, 20, 5.9, Qt::black, Qt::SolidLine, 1};
        f.crosses << &cross;
        image = f.render(100, 100);
        QVERIFY(!isWhite(image.pixel(55, 80)) || !isWhite(image.pixel(55, 79)));
        QVERIFY(isWhite(image.pixel(57, 80)) && isWhite(image.pixel(57, 79)));

        // Ellipses keep their world shape whatever the units of the axes (a time
        // plot's milliseconds over days against a y extent of 0.01 included), and an
        // outline far larger than the canvas shows its visible part.
        const double day = 8.64e7;
        const struct { Bounds view; EllipseMarker_t ellipse; QList<QPoint> red; QList<QPoint> white; } cases[] = {
            {Bounds(0, 100, 0, 1), {50, 0.5, 0.5, 20, 0, Qt::red, Qt::SolidLine, 1},
             {{160, 150}, {240, 150}, {200, 75}, {200, 225}}, {{200, 150}, {150, 150}}},
            {Bounds(0, 3 * day, 0, 0.01), {1.5 * day, 0.005, 0.005, day, 0, Qt::red, Qt::SolidLine, 1},
             {{133, 150}, {267, 150}, {200, 75}, {200, 225}}, {{200, 150}, {125, 150}}},
            {Bounds(0, 3 * day, 0, 0.01), {1.5 * day, 0.005, 0.005, day, 90, Qt::red, Qt::SolidLine, 1},
             {{200, 5}, {200, 150}, {200, 295}}, {{210, 150}}},
            {Bounds(0, 100, 0, 100), {50, 50, 60, 10, 45, Qt::red, Qt::DashLine, 2}, // first axis up and right
             {{285, 86}, {115, 214}}, {{115, 86}, {285, 214}}},
            {Bounds(0, 100, 0, 1), {50, -10, 21, 1e6, 0, Qt::red, Qt::SolidLine, 1},
             {{3, 150}, {200, 150}, {396, 150}}, {{200, 100}, {200, 200}}},
        };
        for (auto const& c : cases) {
            CanvasFixture f;
            EllipseMarker_t ellipse = c.ellipse;
            f.ellipses << &ellipse;
            const QImage image = f.renderView(c.view, 400, 300);
            const auto red = [](QRgb p) { return qRed(p) > 200 && qGreen(p) < 100; };
            for (QPoint p : c.red)
                QVERIFY2(countPixels(image, red, QRect(p - QPoint(1, 1), QSize(3, 3))) > 0,
                         qPrintable(QString("angle %1, (%2, %3)").arg(ellipse.angle).arg(p.x()).arg(p.y())));
            for (QPoint p : c.white)
                QVERIFY(isWhite(image.pixel(p)));
        }
    }

    void incrementalDrawingAndTimeBudget()
    {
        {
            CanvasFixture f;
            XYDataSet* set = f.addDataSet({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
            CountingListener* listener = listenTo(set);
            QImage image = f.renderView(Bounds(0, 100, 0, 100), 100, 100);
            QCOMPARE(listener->indices.size(), 10);
            QCOMPARE(f.canvas->getLastProcessedIndex(set), 9);
            for (int i = 10; i < 15; ++i)
                set->append(i, i + 1);
            f.canvas->drawNewPointsOnBackGround();
            QCOMPARE(listener->indices.size(), 15);
            QCOMPARE(listener->indices.mid(10), QList<int>({10, 11, 12, 13, 14}));
            f.canvas->drawNewPointsOnBackGround(); // nothing new: nothing drawn
            QCOMPARE(listener->indices.size(), 15);
            // The new points reach the screen with the next paint.
            image = f.render(100, 100);
            QVERIFY(darkPixels(image, QRect(10, 70, 5, 30)) > 0);
        }
        // An incremental pass leaves the closing line of a data set without new
        // points as it was: blue, not overdrawn with another pen.
        {
            CanvasFixture f;
            f.addDataSet({0, 50, 100}, {50, 90, 50}, Qt::blue);
            XYDataSet* red = f.addDataSet({0, 10}, {10, 10}, Qt::red);
            f.canvas->setConnectFirstLast(true);
            const QImage before = f.renderView(Bounds(0, 100, 0, 100), 100, 100).copy(0, 40, 100, 20);
            QVERIFY(!isWhite(before.pixel(50, 9)) && !isWhite(before.pixel(50, 10)));
            red->append(20, 10);
            f.canvas->drawNewPointsOnBackGround();
            QCOMPARE(f.render(100, 100).copy(0, 40, 100, 20), before);
        }
        // A full redraw that exceeds its budget continues from the event loop;
        // told to finish, the same redraw completes in one call.
        for (bool finish : {false, true}) {
            CanvasFixture f;
            XYDataSet* slow = f.addDataSet({0, 1}, {1, 2});
            XYDataSet* late = f.addDataSet({0, 1}, {3, 4});
            listenTo(slow, 300);
            CountingListener* lateListener = listenTo(late);
            f.showAll(Bounds(0, 10, 0, 10));
            if (finish)
                f.canvas->setContinueBackgroundDrawingUntilFinishedForNextFullRedraw();
            f.render(100, 100);
            QCOMPARE(lateListener->indices.size(), finish ? 2 : 0);
            QTRY_COMPARE(lateListener->indices.size(), 2);
        }
    }

    void viewportMapAndVisibleRange()
    {
        ViewportMap<int> map(400, 300, 5, 20, 20);
        QVERIFY(map.getCellWidth() == 20 && map.getCellHeight() == 15);
        map.addItem(7, 19, 14);
        // The item's square reaches into the neighbouring cells, not beyond.
        for (QPoint cell : {QPoint(0, 0), QPoint(0, 1), QPoint(1, 0), QPoint(1, 1)})
            QCOMPARE(map.cell(cell.x(), cell.y()), QList<int>({7}));
        QVERIFY(map.cell(2, 0).isEmpty());
        map.addItem(8, 400, 10); // outside: ignored
        ViewportMap<int> empty(0, 0, 5, 20, 20);
        empty.addItem(1, 0, 0);
        QCOMPARE(empty.getCellWidth(), 0);

        // Long sorted series: only the points in view and one on each side are visited.
        CanvasFixture f;
        QList<double> xs, ys;
        for (int i = 0; i < 1000; ++i) {
            xs << i;
            ys << i % 10;
        }
        XYDataSet* set = f.addDataSet(xs, ys);
        CountingListener* listener = listenTo(set);
        f.canvas->setBounds(Bounds(0, 999, 0, 10), Bounds(100.5, 200.5, 0, 10), true);
        f.render(200, 100);
        QCOMPARE(listener->indices.first(), 100);
        QCOMPARE(listener->indices.last(), 201);

        // Several parallel lines: every point is handled once per line.
        CanvasFixture g;
        XYDataSet* multi = g.addDataSet({0, 1, 2}, {1, 2, 1});
        multi->getLook()->multiLineCount = 3;
        multi->getLook()->setDrawMarkerOnYValueChange(true);
        g.renderView(Bounds(0, 3, 0, 3), 100, 100);
        QCOMPARE(g.canvas->getDataSetMarkers().size(), 6); // two changes, three lines
    }

    void degenerateInput()
    {
        const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");

        // An infinite or astronomically large value gives the bounds nothing: the
        // rest of its series and the other series keep their scale and draw.
        for (double bad : {inf, -inf, 1e308, -1e308}) {
            CanvasFixture g;
            g.canvas->setInitialDataBounds(Bounds(0, 1, 0, 1));
            g.addDataSet({0, 1, 2, 3, 4}, {1, 2, bad, 2, 1}, Qt::red);
            g.addDataSet({0, bad, 4}, {1.5, 1.5, 1.5}, Qt::blue);
            g.canvas->updateBounds();
            const Bounds b = g.canvas->getDataBounds();
            QVERIFY2(b.minX == 0 && b.maxX == 4 && b.minY == 1 && b.maxY == 2, qPrintable(QString::number(bad)));
            const QImage image = g.render(200, 100);
            const int red = countPixels(image, [](QRgb p) { return qRed(p) > qBlue(p) + 60; });
            QVERIFY2(red > 120 && countPixels(image, [](QRgb p) { return qBlue(p) > qRed(p) + 60; }) > 190,
                     qPrintable(QString::number(bad)));
        }
        CanvasFixture f;
        f.addDataSet({0, 1e300, -1e300, inf, nan, 5}, {inf, -inf, nan, 1e308, 0, 1});
        f.addDataSet({}, {});
        f.canvas->updateBounds();
        f.render(300, 200);
        // Zero, NaN and huge views draw without crashing or hanging.
        for (Bounds const& view : {Bounds(0, 0, 0, 0), Bounds(nan, nan, nan, nan), Bounds(-1e300, 1e300, -1e300, 1e300),
                                   Bounds(5, 5 + 1e-12, 0, 1e-300)})
            f.renderView(view, 300, 200);
        // An infinite view maps nothing (rather than every point onto one edge);
        // in a finite view a point at an infinity lies far beyond the edge it
        // goes towards.
        bool ok = true;
        f.renderView(Bounds(0, inf, 0, inf), 300, 200);
        f.canvas->convertDataPointToViewport(f.dataSets[0], 5, ok, true);
        QVERIFY(!ok);
        f.renderView(Bounds(0, 10, 0, 10), 300, 200);
        const QPoint up = f.canvas->convertDataPointToViewport(f.dataSets[0], 0, ok, true);
        QVERIFY(ok && up.y() > 1000);
        f.render(1, 1);
    }
};

QTEST_MAIN(TestXYCanvasDrawing)
#include "tst_xycanvasdrawing.moc"
