// The canvas merges the points of a pixel column without stepping through
// them when nothing watches single points.  These tests render random data
// twice - as the canvas draws it, and with a draw listener attached, which
// makes it step through every point - and require the same pixels.  The hit
// test looks only at the columns near the mouse; it must find what a visit of
// every candidate of the cell finds.
#include "canvastesthelpers.h"

#include "memleaktracer.h"

#include <QBitArray>
#include <QtTest>

#include <cmath>
#include <limits>
#include <random>
#include <utility>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Series
{
    QList<double> x, y;
    QList<int> lookChanges; // indices from which a new colour applies
};

// x grows by random steps (some zero, a few large jumps), y is a random walk
// with NaNs at the given rate.
Series randomWalk(std::mt19937& random, int n, double nanRate)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::normal_distribution<double> step(0.0, 1.0);
    Series s;
    double x = 0.0, y = 0.0;
    for (int i = 0; i < n; ++i) {
        const double u = unit(random);
        x += u < 0.05 ? 0.0 : (u > 0.999 ? 40.0 : 0.2 + 1.6 * unit(random));
        y += step(random);
        s.x.append(x);
        s.y.append(unit(random) < nanRate ? kNaN : y);
    }
    return s;
}

// Two canvases with the same data; the second steps through every point.
struct Pair
{
    CanvasFixture fast, slow;

    void add(Series const& s, QColor color, int thickness, int lineCount, double gap = kNaN)
    {
        for (CanvasFixture* f : {&fast, &slow}) {
            f->canvas->setHorizontalDisconnectionThreshold(gap);
            XYDataSet* dataSet = f->addDataSet({}, {}, color, SYMBOL_NONE, Qt::SolidLine, thickness);
            dataSet->getLook()->multiLineCount = lineCount;
            int change = 0;
            for (int i = 0; i < s.x.size(); ++i) {
                if (change < s.lookChanges.size() && s.lookChanges[change] == i) {
                    dataSet->getLook()->changeFromLast(QColor::fromHsv((change * 70) % 360, 255, 200), SYMBOL_NONE,
                                                       Qt::SolidLine, thickness);
                    ++change;
                }
                dataSet->append(s.x[i], s.y[i]);
            }
            if (f == &slow)
                listenTo(dataSet);
        }
    }
    void setView(Bounds const& view) { fast.showAll(view), slow.showAll(view); }
};

// The hit test as a visit of every candidate of the mouse's cell.
bool referenceHit(XYCanvas* canvas, XYDataSet* dataSet, int x, int y, int maxDistance, XYCanvas::datahit_t& hit)
{
    ViewportMap<int>* map = canvas->getViewportMap(dataSet);
    if (map->getCellWidth() == 0 || x < 0 || y < 0 || x >= map->getWidth() || y >= map->getHeight())
        return false;
    bool found = false;
    for (int i : map->cell(x / map->getCellWidth(), y / map->getCellHeight())) {
        if (i >= dataSet->yData->dataSize())
            continue;
        bool ok = false;
        const QPoint q = canvas->convertDataPointToViewport(dataSet, i, ok, false);
        if (!ok)
            continue;
        const double dx = x - q.x(), dy = q.y() - y;
        const double d = std::sqrt(dx * dx + dy * dy);
        if (d <= maxDistance && (!found || d < hit.distance)) {
            found = true;
            hit.index = i;
            hit.distance = d;
            hit.pointX = q.x();
            hit.pointY = q.y();
        }
    }
    return found;
}

} // namespace

class TestXYCanvasFastPath : public QObject
{
    Q_OBJECT

private slots:
    // Random walks of several densities (sparse, a few points per column, and
    // dense enough for the per-block extremes), with and without NaNs and gaps,
    // thin and thick lines, opaque and translucent, one and two parallel lines,
    // colour changes along the series, and views that show all, a part, or cut
    // the curve at every edge.
    void columnsMatchPointByPoint()
    {
        std::mt19937 random(20240611);
        const int width = 320, height = 200;
        const int cachesBefore = MemLeakTracer::getInstance()->liveCount("BlockMinMaxCache");
        for (int n : {3000, 40000, 200000}) {
            for (double nanRate : {0.0, 0.0005, 0.03}) {
                Series s = randomWalk(random, n, nanRate);
                if (nanRate > 0.01)
                    s.lookChanges = {n / 3, n / 3 + 1, n / 2};
                double lo = 0, hi = 0;
                for (double v : s.y)
                    if (!std::isnan(v))
                        lo = std::min(lo, v), hi = std::max(hi, v);
                const double first = s.x.first(), last = s.x.last();
                const double extent = last - first, yExtent = hi - lo;
                const QList<Bounds> views = {
                    Bounds(first, last, lo, hi),                                                 // everything
                    Bounds(first + 0.3 * extent, first + 0.6 * extent, lo, hi),                 // a middle part
                    Bounds(last - 0.01 * extent, last, lo, hi),                                 // the newest 1 %
                    Bounds(first + 0.2 * extent, first + 0.7 * extent, lo + 0.4 * yExtent,     // cut at all edges
                           lo + 0.6 * yExtent),
                    Bounds(first - 0.5 * extent, first + 0.5 * extent, lo - yExtent, hi),       // data start mid-view
                };
                for (int thickness : {1, 3}) {
                    const int lineCount = thickness == 3 && n == 40000 ? 2 : 1;
                    for (double gap : {kNaN, 20.0}) {
                        Pair pair;
                        // Translucent lines show any line drawn twice or out of order.
                        pair.add(s, std::isnan(gap) ? QColor(Qt::black) : QColor(0, 0, 0, 150), thickness,
                                 lineCount, gap);
                        auto* listener = static_cast<CountingListener*>(pair.slow.dataSets.first()->getDrawListener());
                        for (Bounds const& view : views) {
                          // Columns are device pixel columns: the same at every ratio.
                          for (qreal ratio : {1.0, 1.5, 2.0}) {
                            pair.setView(view);
                            listener->indices.clear();
                            const QImage fast = pair.fast.render(width, height, ratio);
                            const QImage slow = pair.slow.render(width, height, ratio);
                            // The listener is told about every usable point in view.
                            QBitArray told(n);
                            for (int i : std::as_const(listener->indices))
                                told.setBit(i);
                            int missed = 0;
                            for (int i = 0; i < n; ++i)
                                missed += s.x[i] >= view.minX && s.x[i] <= view.maxX && !std::isnan(s.y[i])
                                    && !told.testBit(i);
                            QCOMPARE(missed, 0);
                            QVERIFY2(fast == slow, qPrintable(QString("n %1, NaN rate %2, thickness %3, gap %4, view %5..%6, "
                                                                      "ratio %7").arg(n).arg(nanRate).arg(thickness).arg(gap)
                                                                  .arg(view.minX).arg(view.maxX).arg(ratio)));
                            // Guard against comparing two blank pictures.
                            QVERIFY(darkPixels(fast) > 0 || view.minY > lo);
                          }
                        }
                        // Dense views took the per-block extremes.
                        if (n == 200000)
                            QVERIFY(MemLeakTracer::getInstance()->liveCount("BlockMinMaxCache") > cachesBefore);
                    }
                }
            }
        }
    }

    // A live series: drawn, then extended in small and large steps and drawn
    // incrementally on the background; then shifted, replaced, decimated and
    // emptied, each followed by a full redraw.  The per-block extremes must follow
    // every change, or the dense columns would come out wrong.
    void incrementalDrawingAndArrayChanges()
    {
        std::mt19937 random(7);
        const int width = 300, height = 180;
        Series all = randomWalk(random, 260000, 0.0);
        const Series start{all.x.mid(0, 150000), all.y.mid(0, 150000), {}};
        Pair pair;
        pair.add(start, Qt::darkBlue, 1, 1);
        XYDataSet *fastSet = pair.fast.dataSets.first(), *slowSet = pair.slow.dataSets.first();
        auto compare = [&](char const* what) {
            const QImage fast = pair.fast.render(width, height);
            const QImage slow = pair.slow.render(width, height);
            QVERIFY2(fast == slow, what);
            QVERIFY(darkPixels(fast) > 0);
        };
        auto fullView = [&] {
            Bounds b = fastSet->getBounds();
            b.maxX += 0.1 * (b.maxX - b.minX); // room for what is appended next
            pair.setView(b);
        };
        fullView();
        compare("first drawing");

        int next = 150000;
        for (int chunk : {1, 7, 150, 3000, 100000}) {
            for (int k = 0; k < chunk && next < all.x.size(); ++k, ++next) {
                fastSet->append(all.x[next], all.y[next]);
                slowSet->append(all.x[next], all.y[next]);
            }
            pair.fast.canvas->drawNewPointsOnBackGround();
            pair.slow.canvas->drawNewPointsOnBackGround();
            QVERIFY(!pair.fast.canvas->isFullRedrawNeeded());
            compare("incremental drawing");
        }

        // Full redraws after each kind of change of the arrays.
        auto changeBoth = [&](char const* what, auto change) {
            for (XYDataSet* set : {fastSet, slowSet})
                change(set);
            fullView();
            compare(what);
        };
        changeBoth("after a left shift", [](XYDataSet* set) { set->xData->leftshift(12345), set->yData->leftshift(12345); });
        changeBoth("after replacing values", [](XYDataSet* set) {
            for (int i = 1000; i < set->yData->dataSize(); i += 9973)
                set->yData->replace(i, set->yData->getValue(i) + 500.0);
        });
        changeBoth("after decimation", [](XYDataSet* set) { set->xData->decimateKeepEven(), set->yData->decimateKeepEven(); });
        changeBoth("after reinit and new values", [&](XYDataSet* set) {
            set->xData->reinit(), set->yData->reinit();
            for (int i = 0; i < 120000; ++i)
                set->append(all.x[i], -all.y[i]);
        });
        // A host may put another y array into the data set; the old one lives on
        // elsewhere, so its extremes must not be used for the new values.
        QList<DataArray*> old;
        changeBoth("after another y array was put in", [&](XYDataSet* set) {
            auto* y = new DataArrayTemplate<double>();
            for (int i = 0; i < set->xData->dataSize(); ++i)
                y->append(all.y[i]);
            y->addReference();
            old << std::exchange(set->yData, y);
        });
        for (DataArray* y : old)
            y->removeReference();
    }

    // Dense tracked series (one with NaNs, one drawn as two parallel lines, whose
    // cells are not in index order), full and partial views, points appended
    // after the first drawing; the mouse near points of the curves and anywhere.
    void hitTestMatchesVisitingEveryCandidate()
    {
        std::mt19937 random(99);
        const int width = 320, height = 200;
        CanvasFixture f;
        f.canvas->setDefaultMouseOverDataTrackingEnabled(true);
        const QList<double> nanRates = {0.0, 0.0, 0.01};
        for (int k = 0; k < 3; ++k) {
            const Series s = randomWalk(random, 120000, nanRates[k]);
            XYDataSet* set = f.addDataSet(s.x.mid(0, 100000), s.y.mid(0, 100000));
            if (k == 1)
                set->getLook()->multiLineCount = 2;
            for (int i = 100000; i < s.x.size(); ++i) // drawn later, incrementally
                set->append(s.x[i], s.y[i]);
        }
        std::uniform_int_distribution<int> anyX(-5, width + 5);
        std::uniform_int_distribution<int> anyY(-5, height + 5);
        std::uniform_int_distribution<int> jitter(-6, 6);
        int probes = 0, hits = 0;
        for (int viewKind = 0; viewKind < 3; ++viewKind) {
            Bounds all;
            for (XYDataSet* set : f.dataSets)
                set->includeInBounds(all);
            Bounds view = all;
            if (viewKind == 1) {
                view.minX = all.minX + 0.45 * (all.maxX - all.minX);
                view.maxX = all.minX + 0.5 * (all.maxX - all.minX);
            } else if (viewKind == 2) {
                view.minY = all.minY + 0.3 * (all.maxY - all.minY);
                view.maxY = all.minY + 0.6 * (all.maxY - all.minY);
            }
            f.showAll(view);
            if (viewKind == 0) {
                // First drawn with the older points only, then the rest incrementally.
                f.render(width, height);
                f.canvas->drawNewPointsOnBackGround();
            }
            f.render(width, height);
            for (int probe = 0; probe < 400; ++probe) {
                int x = anyX(random), y = anyY(random);
                if (probe % 2 == 0) {
                    XYDataSet* set = f.dataSets[probe % 3];
                    bool ok = false;
                    const QPoint q = f.canvas->convertDataPointToViewport(
                        set, int(random() % unsigned(set->yData->dataSize())), ok, false);
                    if (ok) {
                        x = q.x() + jitter(random);
                        y = q.y() + jitter(random);
                    }
                }
                for (int maxDistance : {10, 3, 0}) {
                    for (XYDataSet* set : f.dataSets) {
                        XYCanvas::datahit_t expected, actual;
                        const bool wanted = referenceHit(f.canvas.get(), set, x, y, maxDistance, expected);
                        const bool got = f.canvas->dataHitTest(set, x, y, actual, maxDistance);
                        QCOMPARE(got, wanted);
                        if (wanted) {
                            QCOMPARE(std::tuple(actual.index, actual.pointX, actual.pointY, actual.dataSet),
                                     std::tuple(expected.index, expected.pointX, expected.pointY, set));
                            QCOMPARE(actual.distance, expected.distance);
                            ++hits;
                        }
                        ++probes;
                    }
                }
            }
        }
        QVERIFY(hits > probes / 20);
    }
};

QTEST_MAIN(TestXYCanvasFastPath)
#include "tst_xycanvasfastpath.moc"
