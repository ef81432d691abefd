// Mouse interaction of the canvas: hit testing and the mouseOverData records,
// rubber-band zoom, panning, textual coordinates and the cross-hair markers.
#include "canvastesthelpers.h"

#include <QRubberBand>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>

Q_DECLARE_METATYPE(QMouseEvent*)

namespace {

// A 400 x 300 canvas showing x 0..400 and y 0..300, one world unit per pixel.
void prepare(CanvasFixture& f)
{
    f.canvas->resize(400, 300);
    f.renderView(Bounds(0, 400, 0, 300), 400, 300);
}

// Moves with the given buttons held; a press or release is one of the left button.
void send(XYCanvas* canvas, QEvent::Type type, QPointF position, Qt::MouseButtons buttons = Qt::NoButton)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    if (type == QEvent::MouseButtonPress)
        buttons = Qt::LeftButton;
    QMouseEvent event(type, position, canvas->mapToGlobal(position), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(canvas, &event);
}

void move(XYCanvas* canvas, QPointF position, Qt::MouseButtons buttons = Qt::NoButton)
{
    send(canvas, QEvent::MouseMove, position, buttons);
}

} // namespace

class TestXYCanvasMouse : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qRegisterMetaType<XYCanvas::datahit_t>("XYCanvas::datahit_t");
        qRegisterMetaType<QMouseEvent*>();
    }

    void hitTesting()
    {
        CanvasFixture f;
        // Points at pixel (100, 100) and (300, 100) in mouse coordinates (y downwards).
        XYDataSet* first = f.addDataSet({100, 300}, {200, 200});
        XYDataSet* second = f.addDataSet({100}, {200});
        prepare(f);
        QSignalSpy spy(f.canvas.get(), qOverload<XYCanvas::datahit_t, QMouseEvent*>(&XYCanvas::mouseOverData));

        // Tracking is off by default.
        move(f.canvas.get(), QPointF(100, 100));
        QCOMPARE(spy.count(), 0);

        f.canvas->setDefaultMouseOverDataTrackingEnabled(true);
        f.canvas->fullRepaint();
        f.render(400, 300);
        XYCanvas::datahit_t hit;
        QVERIFY(f.canvas->dataHitTest(110, 100, hit, 10)); // exactly 10 pixels away
        QVERIFY(hit.dataSet == first && hit.index == 0 && hit.distance == 10.0); // equal distance: the earlier set
        QVERIFY(!f.canvas->dataHitTest(110, 101, hit, 10)); // sqrt(101) = 10.05
        QVERIFY(f.canvas->dataHitTest(303, 98, hit, 10) && hit.index == 1 && hit.canvas == f.canvas.get()
                && hit.pointX == 300.0);

        // Switching tracking off for one data set leaves the other.
        f.canvas->setMouseOverDataTrackingEnabled(first, false);
        QVERIFY(f.canvas->dataHitTest(101, 100, hit, 10) && hit.dataSet == second);
        f.canvas->setMouseOverDataTrackingEnabled(first, true);

        // Over a point: a record per event; leaving it: one record with no data set.
        move(f.canvas.get(), QPointF(101, 101));
        QCOMPARE(spy.count(), 1);
        auto record = spy.last().at(0).value<XYCanvas::datahit_t>();
        QVERIFY(record.dataSet == first && record.mouseX == 101);
        move(f.canvas.get(), QPointF(200, 200));
        QCOMPARE(spy.count(), 2);
        record = spy.last().at(0).value<XYCanvas::datahit_t>();
        QVERIFY(!record.dataSet && record.fractionalIndex == -1.0 && std::isnan(record.distance));
        QCOMPARE(record.index, 0); // still names the last point hit
        move(f.canvas.get(), QPointF(210, 200));
        QCOMPARE(spy.count(), 2);

        // Leaving the widget after a hit reports the end with no event.
        move(f.canvas.get(), QPointF(300, 100));
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(f.canvas.get(), &leave);
        record = spy.last().at(0).value<XYCanvas::datahit_t>();
        QVERIFY(!record.dataSet && record.mouseX == -1);

        // Cells are 20 pixels wide: a point at x 14 is not in the cell of a mouse at x 20.
        CanvasFixture g;
        g.canvas->setDefaultMouseOverDataTrackingEnabled(true);
        g.addDataSet({14}, {150});
        prepare(g);
        QVERIFY(!g.canvas->dataHitTest(20, 150, hit, 10));
        QVERIFY(g.canvas->dataHitTest(19, 150, hit, 10));

        // A disabled canvas still reacts to the mouse.
        f.canvas->setEnabled(false);
        const int before = spy.count();
        move(f.canvas.get(), QPointF(100, 100));
        QCOMPARE(spy.count(), before + 1);
    }

    void rubberBandZoomAndPanning()
    {
        CanvasFixture f;
        f.addDataSet({0, 400}, {0, 300});
        prepare(f);
        QSignalSpy view(f.canvas.get(), &XYCanvas::viewBoundsChanged);

        // A click without a move does not zoom.
        send(f.canvas.get(), QEvent::MouseButtonPress, QPointF(50, 50));
        send(f.canvas.get(), QEvent::MouseButtonRelease, QPointF(50, 50));
        QCOMPARE(view.count(), 0);
        QVERIFY(f.canvas->findChildren<QRubberBand*>().isEmpty());

        send(f.canvas.get(), QEvent::MouseButtonPress, QPointF(100, 50));
        move(f.canvas.get(), QPointF(200, 150), Qt::LeftButton);
        QCOMPARE(f.canvas->findChildren<QRubberBand*>().size(), 1);
        send(f.canvas.get(), QEvent::MouseButtonRelease, QPointF(200, 150));
        QCOMPARE(view.count(), 1);
        const Bounds zoomed = f.canvas->getViewBounds();
        QCOMPARE(QList<double>({zoomed.minX, zoomed.maxX, zoomed.minY, zoomed.maxY}), QList<double>({100, 200, 150, 250}));
        QVERIFY(f.canvas->getVerticalViewBoundsUpdatePolicy() == XYCanvas::ManualViewBounds
                && f.canvas->findChildren<QRubberBand*>().isEmpty());

        // Dragged out and back, or two pixels wide: no zoom in that direction.
        f.render(400, 300);
        send(f.canvas.get(), QEvent::MouseButtonPress, QPointF(150, 150));
        move(f.canvas.get(), QPointF(250, 250), Qt::LeftButton);
        move(f.canvas.get(), QPointF(150, 150), Qt::LeftButton);
        send(f.canvas.get(), QEvent::MouseButtonRelease, QPointF(150, 150));
        QCOMPARE(view.count(), 1);
        send(f.canvas.get(), QEvent::MouseButtonPress, QPointF(150, 100));
        move(f.canvas.get(), QPointF(152, 300), Qt::LeftButton);
        send(f.canvas.get(), QEvent::MouseButtonRelease, QPointF(152, 300));
        const Bounds narrow = f.canvas->getViewBounds();
        QVERIFY(view.count() == 2 && narrow.minX == 100 && narrow.maxX == 200 && narrow.maxY < zoomed.maxY);

        // Panning with the open-hand cursor.
        f.canvas->setBounds(Bounds(0, 400, 0, 300), Bounds(100, 200, 100, 200), true);
        f.render(400, 300);
        f.canvas->setHorizontalViewBoundsUpdatePolicy(XYCanvas::ManualViewBounds, false);
        f.canvas->setVerticalViewBoundsUpdatePolicy(XYCanvas::ManualViewBounds, false);
        f.canvas->changeCursor(Qt::OpenHandCursor);
        send(f.canvas.get(), QEvent::MouseButtonPress, QPointF(200, 150));
        QCOMPARE(f.canvas->cursor().shape(), Qt::ClosedHandCursor);
        move(f.canvas.get(), QPointF(240, 120), Qt::LeftButton);
        // The data follow the mouse: 40 pixels right is 10 units left in a 100-unit view.
        // Mouse up 30 pixels: the data move up, the view down.
        const Bounds panned = f.canvas->getViewBounds();
        QCOMPARE(QList<double>({panned.minX, panned.maxX, panned.minY}), QList<double>({90, 190, 90}));
        send(f.canvas.get(), QEvent::MouseButtonRelease, QPointF(240, 120));
        QCOMPARE(f.canvas->cursor().shape(), Qt::OpenHandCursor);
    }

    void mouseCoordinatesAndMarkers()
    {
        CanvasFixture f;
        LinearGrid xGrid(VERTICAL, nullptr);
        LinearGrid yGrid(HORIZONTAL, nullptr);
        f.canvas->setGrid(VERTICAL, &xGrid, false);
        f.canvas->setGrid(HORIZONTAL, &yGrid, false);
        f.canvas->resize(400, 300);
        f.renderView(Bounds(0, 150, 0, 0.5), 400, 300);
        QSignalSpy text(f.canvas.get(), &XYCanvas::mouseMoved);
        QSignalSpy numbers(f.canvas.get(), &XYCanvas::mouseCoords);
        move(f.canvas.get(), QPointF(200, 150));
        QVERIFY(text.count() == 1 && numbers.isEmpty());
        QCOMPARE(text.last().at(0).toString(), xGrid.getLabel(75, 0));
        QCOMPARE(text.last().at(1).toString(), yGrid.getLabel(0.25, 3));
        f.canvas->enableSendingMouseCoords(true);
        move(f.canvas.get(), QPointF(200, 150));
        QVERIFY(numbers.count() == 1 && numbers.last().at(0).toDouble() == 75.0);

        // Cross-hair: shown on move, mirrored on another canvas, hidden on leaving.
        CanvasFixture other;
        other.canvas->resize(400, 300);
        other.showAll(Bounds(0, 150, 0, 1));
        f.canvas->enableMouseMarkers(XYCanvas::Horizontal | XYCanvas::Vertical);
        other.canvas->enableInterplotMouseMarkers(XYCanvas::Vertical);
        f.canvas->setXYCanvassesForInterplotMouseMarkers({f.canvas.get(), other.canvas.get()});
        move(f.canvas.get(), QPointF(100, 150));
        QVERIFY(!f.canvas->areMouseMarkersHidden() && !other.canvas->areMouseMarkersHidden());
        const QImage mirrored = other.render(400, 300);
        QVERIFY(!isWhite(mirrored.pixel(100, 10)));  // the vertical line at x 37.5
        QVERIFY(isWhite(mirrored.pixel(10, 150)));   // no horizontal line there
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(f.canvas.get(), &leave);
        QVERIFY(text.last().at(0).toString().isEmpty() && text.last().at(1).toString().isEmpty());
        QVERIFY(f.canvas->areMouseMarkersHidden() && other.canvas->areMouseMarkersHidden());

        const std::pair<double, int> decimals[] = {{150, 0}, {100, 1}, {10, 2}, {1, 3}, {std::nan(""), 0}};
        for (auto [extent, places] : decimals)
            QCOMPARE(f.canvas->getDecimalPlaces(extent), places);

        // Time markers: drawn only while enabled.
        f.canvas->updateCurrentTimeMarker(75);
        QImage image = f.render(400, 300);
        QVERIFY(isWhite(image.pixel(200, 100)));
        f.canvas->enableCurrentTimeMarker();
        image = f.render(400, 300);
        QVERIFY(qRed(image.pixel(200, 100)) > 200 && qGreen(image.pixel(200, 100)) < 80);
    }
};

QTEST_MAIN(TestXYCanvasMouse)
#include "tst_xycanvasmouse.moc"
