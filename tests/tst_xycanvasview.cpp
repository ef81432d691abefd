// View model and navigation of the canvas: buffered data bounds, update
// policies, change signals and their order, zoom, drag, wheel, scroll bars.
#include "canvastesthelpers.h"

#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>

// Both ends of a horizontal range, compared as QCOMPARE compares doubles.
#define COMPARE_X(bounds, lo, hi)                                                                                    \
    do {                                                                                                             \
        QCOMPARE((bounds).minX, double(lo));                                                                         \
        QCOMPARE((bounds).maxX, double(hi));                                                                         \
    } while (false)

class TestXYCanvasView : public QObject
{
    Q_OBJECT

private slots:
    void dataBoundsBuffering()
    {
        {
            CanvasFixture f;
            f.canvas->updateBounds();
            const Bounds data = f.canvas->getDataBounds();
            COMPARE_X(data, 0, 30000);
            QVERIFY(data.minY == 0.0 && data.maxY == 1.0);
            QVERIFY(std::isnan(f.canvas->getStrictDataBounds().minX));
            // With the initial policies the view shows the data bounds.
            QCOMPARE(f.canvas->getViewBounds().maxX, 30000.0);
        }
        {
            // A single point: the x range starts at it, the y range is centred on it.
            CanvasFixture f;
            f.addDataSet({5}, {2});
            f.canvas->updateBounds();
            const Bounds one = f.canvas->getDataBounds();
            COMPARE_X(one, 5, 30005);
            QVERIFY(one.minY == 1.5 && one.maxY == 2.5);
        }
        {
            // Growing data push the upper limit ahead by 10 % of the data extent.
            CanvasFixture f;
            XYDataSet* set = f.addDataSet({0, 100}, {0, 1});
            f.canvas->updateBounds();
            Bounds data = f.canvas->getDataBounds();
            data.maxX = 100;
            f.canvas->setBounds(data, f.canvas->getViewBounds(), true);
            set->append(101, 0.5);
            f.canvas->updateBounds();
            QCOMPARE(f.canvas->getDataBounds().maxX, 101 + 0.1 * 101);
            set->append(105, 0.5);
            f.canvas->updateBounds();
            QCOMPARE(f.canvas->getDataBounds().maxX, 101 + 0.1 * 101);
        }
        // Shrinking leaves a quarter of the threshold, and only above the initial extent.
        auto shrunk = [](Bounds const& initial) {
            CanvasFixture f;
            f.addDataSet({0, 100}, {0, 1});
            f.canvas->setInitialDataBounds(initial);
            f.canvas->updateBounds();
            Bounds data = f.canvas->getDataBounds();
            data.maxX = 1000;
            f.canvas->setBounds(data, f.canvas->getViewBounds(), true);
            f.canvas->updateBounds();
            return f.canvas->getDataBounds();
        };
        COMPARE_X(shrunk(Bounds(0, 10, 0, 1)), 0, 102.5);
        QCOMPARE(shrunk(Bounds(0, 30000, 0, 1)).maxX, 1000.0);
        {
            // Custom vectors widen the strict bounds; NaN and infinities do not crash.
            CanvasFixture f;
            f.addDataSet({0, 10}, {1, 2});
            QList<double> levels{-5, std::nan(""), 7};
            f.canvas->addCustomVerticalDataBoundsVector(&levels);
            f.canvas->updateBounds();
            QVERIFY(f.canvas->getStrictDataBounds().minY == -5.0 && f.canvas->getStrictDataBounds().maxY == 7.0);
            f.addDataSet({20, 30}, {std::numeric_limits<double>::infinity(), 1});
            f.canvas->updateBounds();
            f.render(200, 100);
        }
    }

    void updatePolicies()
    {
        // A view of the first 100 follows a newer point; when the data bounds jump
        // ahead it follows them and widens to keep the newest point.
        const struct { double last, appended, dataMax, viewMin, viewMax; } cases[] = {
            {100, 150, 1000, 60, 160}, {1000, 1005, 1105.5, 995, 1105.5}};
        for (auto const& c : cases) {
            CanvasFixture f;
            XYDataSet* set = f.addDataSet({0, c.last}, {0, 1});
            f.canvas->updateBounds();
            f.canvas->setBounds(Bounds(0, 1000, 0, 1), Bounds(0, 100, 0, 1), true);
            set->append(c.appended, 0.5);
            QSignalSpy viewSpy(f.canvas.get(), &XYCanvas::viewBoundsChanged);
            bool causedByPolicy = false;
            QObject::connect(f.canvas.get(), &XYCanvas::viewBoundsChanged, f.canvas.get(),
                             [&] { causedByPolicy = f.canvas->viewBoundsChangeCausedByPolicy(); });
            f.canvas->updateBounds();
            QCOMPARE(f.canvas->getDataBounds().maxX, c.dataMax);
            COMPARE_X(f.canvas->getViewBounds(), c.viewMin, c.viewMax);
            QCOMPARE(f.canvas->getHorizontalViewBoundsUpdatePolicy(), XYCanvas::FollowViewBounds);
            QVERIFY(viewSpy.count() == 1 && causedByPolicy && !f.canvas->viewBoundsChangeCausedByPolicy());
        }

        // Manual, full and locked policies and their change signal.
        CanvasFixture f;
        f.addDataSet({0, 100}, {0, 1});
        f.canvas->updateBounds();
        QSignalSpy horizontal(f.canvas.get(), &XYCanvas::horizontalViewBoundsUpdatePolicyChanged);
        f.canvas->setHorizontalViewBoundsUpdatePolicy(XYCanvas::ManualViewBounds, false);
        QCOMPARE(horizontal.count(), 1);
        f.canvas->setHorizontalViewBoundsUpdatePolicy(XYCanvas::ManualViewBounds, true);
        QCOMPARE(horizontal.count(), 1); // unchanged value: nothing

        Bounds view(0, 10, 0, 1);
        f.canvas->calculateUpdatedViewBounds(Bounds::Horizontal, Bounds(20, 30, 0, 1), view);
        COMPARE_X(view, 20, 30);
        QVERIFY(f.canvas->getHorizontalViewBoundsUpdatePolicy() == XYCanvas::FullViewBounds && horizontal.count() == 2);

        // Manual: the view is cut to the new data range.
        f.canvas->setHorizontalViewBoundsUpdatePolicy(XYCanvas::ManualViewBounds, false);
        Bounds cut(10, 50, 0, 1);
        f.canvas->calculateUpdatedViewBounds(Bounds::Horizontal, Bounds(20, 40, 0, 1), cut);
        COMPARE_X(cut, 20, 40);

        // Locked ignores zoomTo and drags, but zoomIn still acts and unlocks.
        f.canvas->setHorizontalViewBoundsUpdatePolicy(XYCanvas::LockedViewBounds, false);
        const Bounds before = f.canvas->getViewBounds();
        f.canvas->zoomToHorizontal(before.minX + 1, before.minX + 2);
        f.canvas->dragViewBounds(Bounds::Horizontal, 5, true);
        QCOMPARE(f.canvas->getViewBounds().minX, before.minX);
        f.canvas->zoomIn(Bounds::Horizontal, true);
        QCOMPARE(f.canvas->getHorizontalViewBoundsUpdatePolicy(), XYCanvas::ManualViewBounds);
    }

    void signalOrderAndCoalescing()
    {
        CanvasFixture f;
        f.addDataSet({0, 100}, {0, 1});
        QStringList order;
        Bounds emittedPrevious;
        QObject::connect(f.canvas.get(), &XYCanvas::dataBoundsChanged, f.canvas.get(), [&] { order << "data"; });
        QObject::connect(f.canvas.get(), &XYCanvas::viewBoundsChanged, f.canvas.get(), [&] {
            order << "view";
            emittedPrevious = f.canvas->getPreviouslyEmittedViewBounds();
        });
        f.canvas->updateBounds();
        QCOMPARE(order, QStringList({"data", "view"}));
        QVERIFY(std::isnan(emittedPrevious.minX)); // still the previous emission during the signal
        QCOMPARE(f.canvas->getPreviouslyEmittedViewBounds().maxX, f.canvas->getViewBounds().maxX);

        // Deferred: several changes, one emission.
        order.clear();
        const Bounds data = f.canvas->getDataBounds();
        f.canvas->setBounds(data, Bounds(10, 20, 0, 1), false);
        f.canvas->setBounds(data, Bounds(10, 30, 0, 1), false);
        QVERIFY(order.isEmpty());
        f.canvas->emitPendingEmits();
        QCOMPARE(order, QStringList({"view"}));

        // Unchanged view: nothing; NaN view: every time.
        order.clear();
        f.canvas->setViewBounds(f.canvas->getViewBounds(), true);
        QVERIFY(order.isEmpty());
        f.canvas->setViewBounds(Bounds(), true);
        f.canvas->setViewBounds(Bounds(), true);
        QCOMPARE(order, QStringList({"view", "view"}));

        order.clear();
        QStringList all;
        QObject::connect(f.canvas.get(), &XYCanvas::horizontalViewBoundsUpdatePolicyChanged, f.canvas.get(),
                         [&] { order << "hpolicy"; });
        QObject::connect(f.canvas.get(), &XYCanvas::verticalViewBoundsUpdatePolicyChanged, f.canvas.get(),
                         [&] { order << "vpolicy"; });
        f.canvas->forceEmitViewTransformSignals();
        QCOMPARE(order, QStringList({"data", "hpolicy", "vpolicy", "view"}));
    }

    void zoomAndDrag()
    {
        CanvasFixture f;
        f.addDataSet({0, 1000}, {0, 1});
        f.canvas->updateBounds();
        const Bounds data(0, 1000, 0, 1);
        f.canvas->setBounds(data, Bounds(0, 100, 0, 1), true);
        f.canvas->setHorizontalViewBoundsUpdatePolicy(XYCanvas::ManualViewBounds, false);
        f.canvas->zoomIn(Bounds::Horizontal, true);
        COMPARE_X(f.canvas->getViewBounds(), 25, 75);
        f.canvas->zoomOut(Bounds::Horizontal, true);
        COMPARE_X(f.canvas->getViewBounds(), 0, 100);
        f.canvas->setHorizontalZoomLimit(80);
        f.canvas->zoomIn(Bounds::Horizontal, true);
        COMPARE_X(f.canvas->getViewBounds(), 10, 90);
        f.canvas->setHorizontalZoomLimit(0);

        f.canvas->setBounds(data, Bounds(0, 600, 0, 1), true);
        f.canvas->zoomOut(Bounds::Horizontal, true);
        QCOMPARE(f.canvas->getViewBounds().maxX, 1000.0);
        QCOMPARE(f.canvas->getHorizontalViewBoundsUpdatePolicy(), XYCanvas::FullViewBounds);

        // Following at the newest end keeps following while zooming in.
        f.canvas->setHorizontalViewBoundsUpdatePolicy(XYCanvas::FollowViewBounds, false);
        f.canvas->setBounds(data, Bounds(900, 1000, 0, 1), true);
        f.canvas->zoomIn(Bounds::Horizontal, true);
        COMPARE_X(f.canvas->getViewBounds(), 950, 1000);
        QCOMPARE(f.canvas->getHorizontalViewBoundsUpdatePolicy(), XYCanvas::FollowViewBounds);

        // Dragging away stops following, dragging back resumes it.
        f.canvas->dragViewBounds(Bounds::Horizontal, -100, true);
        QVERIFY(f.canvas->getViewBounds().minX == 850.0
                && f.canvas->getHorizontalViewBoundsUpdatePolicy() == XYCanvas::ManualViewBounds);
        f.canvas->dragViewBounds(Bounds::Horizontal, 500, true);
        QVERIFY(f.canvas->getViewBounds().maxX == 1000.0
                && f.canvas->getHorizontalViewBoundsUpdatePolicy() == XYCanvas::FollowViewBounds);

        // A full view is not dragged.
        f.canvas->zoomFull();
        const Bounds full = f.canvas->getViewBounds();
        f.canvas->dragViewBounds(100, 0.5);
        QVERIFY(f.canvas->getViewBounds().minX == full.minX
                && f.canvas->getVerticalViewBoundsUpdatePolicy() == XYCanvas::FullViewBounds);

        // zoomTo outside the data: a NaN view, no crash when drawing it.
        QSignalSpy viewSpy(f.canvas.get(), &XYCanvas::viewBoundsChanged);
        f.canvas->zoomToHorizontal(2000, 3000);
        QVERIFY(std::isnan(f.canvas->getViewBounds().minX) && viewSpy.count() == 1);
        f.render(300, 200);
        f.canvas->zoomToHorizontal(100, 200);
        QVERIFY(f.canvas->getViewBounds().minX == 100.0
                && f.canvas->getHorizontalViewBoundsUpdatePolicy() == XYCanvas::ManualViewBounds);

        // However often it is zoomed in, a view keeps the width doubles resolve at
        // its position (1e-12 of it): the zoom-in button gives up there, zooming
        // out gets away, and a zoom to one value gives no zero-width view.
        for (int i = 0; i < 60; ++i)
            f.canvas->zoomIn(Bounds::Horizontal, true);
        Bounds v = f.canvas->getViewBounds();
        QVERIFY(v.maxX - v.minX >= 150 * 1e-12 && v.maxX - v.minX < 1e-9);
        bool in = true;
        bool out = false;
        bool all = false;
        f.canvas->determineZoomButtonsEnablement(Bounds::Horizontal, in, out, all);
        QVERIFY(!in && out);
        f.canvas->zoomOut(Bounds::Horizontal, true);
        QVERIFY(f.canvas->getViewBounds().maxX - f.canvas->getViewBounds().minX > 1.9 * (v.maxX - v.minX));
        f.canvas->zoomToHorizontal(500, 500);
        v = f.canvas->getViewBounds();
        QVERIFY(v.minX < 500 && v.maxX > 500);

        // A drag moves both directions at once; each zoom-full slot restores its own direction only.
        f.canvas->zoomTo(Bounds(100, 200, 0.25, 0.5));
        f.canvas->dragViewBounds(50, 0.25);
        v = f.canvas->getViewBounds();
        QVERIFY(v.minX == 150 && v.maxX == 250 && v.minY == 0.5 && v.maxY == 0.75);
        f.canvas->zoomFullVertical();
        QVERIFY(f.canvas->getViewBounds().minX == 150 && f.canvas->getViewBounds().maxY == 1);
        f.canvas->zoomFullHorizontal();
        COMPARE_X(f.canvas->getViewBounds(), 0, 1000);
    }

    void wheelKeepsPointUnderMouse()
    {
        CanvasFixture f;
        f.addDataSet({0, 1000}, {0, 100});
        f.canvas->resize(400, 300);
        f.canvas->updateBounds();
        f.renderView(Bounds(0, 1000, 0, 100), 400, 300);
        const QPointF mouse(100, 75);
        auto worldAt = [&](QPointF p) {
            return QPointF(f.canvas->convertXViewportToWorld(p.x()), f.canvas->convertYViewportToWorld(p.y(), false));
        };
        auto wheel = [&](int delta) {
            QWheelEvent event(mouse, f.canvas->mapToGlobal(mouse), QPoint(), QPoint(0, delta), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(f.canvas.get(), &event);
        };
        const QPointF before = worldAt(mouse);
        wheel(240);
        const Bounds view = f.canvas->getViewBounds();
        QVERIFY(view.maxX - view.minX == 250.0 && view.maxY - view.minY == 25.0); // two zoom steps
        const QPointF after = worldAt(mouse);
        QVERIFY(std::abs(after.x() - before.x()) < 1e-9 && std::abs(after.y() - before.y()) < 1e-9);

        // A small delta does not zoom, but the zero drag still stops following.
        f.canvas->setHorizontalViewBoundsUpdatePolicy(XYCanvas::FollowViewBounds, false);
        wheel(60);
        QCOMPARE(f.canvas->getViewBounds().maxX - f.canvas->getViewBounds().minX, 250.0);
        QCOMPARE(f.canvas->getHorizontalViewBoundsUpdatePolicy(), XYCanvas::ManualViewBounds);
    }

    void scrollBarsAndZoomButtons()
    {
        CanvasFixture f;
        f.addDataSet({0, 1000}, {0, 1});
        QScrollBar horizontal(Qt::Horizontal);
        QPushButton zoomIn, zoomFull;
        f.canvas->setHorizontalScrollBar(&horizontal);
        f.canvas->connectAsZoomInHorizontalButton(&zoomIn);
        f.canvas->connectAsZoomFullBothButton(&zoomFull);
        QSignalSpy fullBoth(f.canvas.get(), &XYCanvas::zoomFullBothEnabled);
        f.canvas->updateBounds();
        // Emitted on every bounds change.
        QVERIFY(fullBoth.count() == 1 && zoomIn.isEnabled() && !zoomFull.isEnabled());
        f.canvas->setBounds(Bounds(0, 1000, 0, 1), Bounds(250, 500, 0, 1), true);
        const QList<int> expected{0, 750000000, 250000000, 250000000, 10000000};
        QCOMPARE(QList<int>({horizontal.minimum(), horizontal.maximum(), horizontal.value(), horizontal.pageStep(),
                             horizontal.singleStep()}),
                 expected);

        // Moving it is reflected in the view; the view's own updates are not fed back.
        f.canvas->setHorizontalViewBoundsUpdatePolicy(XYCanvas::ManualViewBounds, false);
        horizontal.setValue(500000000);
        COMPARE_X(f.canvas->getViewBounds(), 500, 750);

        QSignalSpy policy(f.canvas.get(), &XYCanvas::horizontalViewBoundsUpdatePolicyChanged);
        horizontal.setValue(horizontal.maximum());
        QVERIFY(f.canvas->getHorizontalViewBoundsUpdatePolicy() == XYCanvas::FollowViewBounds && policy.count() == 1);
        horizontal.setValue(100000000);
        QCOMPARE(f.canvas->getHorizontalViewBoundsUpdatePolicy(), XYCanvas::ManualViewBounds);

        f.canvas->zoomFull();
        QVERIFY(horizontal.maximum() == 0 && !horizontal.isEnabled() && !zoomFull.isEnabled());

        // Buttons act on pressed(), not on clicked().
        emit zoomIn.pressed();
        QVERIFY(zoomFull.isEnabled());
        emit zoomFull.pressed();
        QVERIFY(!zoomFull.isEnabled());
        QCOMPARE(f.canvas->getHorizontalViewBoundsUpdatePolicy(), XYCanvas::FullViewBounds);

        f.canvas->setHorizontalViewBoundsUpdatePolicy(XYCanvas::LockedViewBounds, false);
        bool in = true, out = true, full = true;
        f.canvas->determineZoomButtonsEnablement(Bounds::Horizontal, in, out, full);
        QVERIFY(!in && !out && !full);
    }
};

QTEST_MAIN(TestXYCanvasView)
#include "tst_xycanvasview.moc"
