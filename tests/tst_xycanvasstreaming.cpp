// Streamed points repaint only the part of the window they touch.  Run at
// ratio 1 and, by CTest, at ratios 1.5 and 2 (QT_SCALE_FACTOR).
#include "canvastesthelpers.h"

#include <QBackingStore>
#include <QtTest>

#include <cmath>

namespace {

// Records whether a paint event covered less than the whole widget.
struct PaintWatch : QObject
{
    bool partial = false;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            partial |= !(QRegion(static_cast<QWidget*>(watched)->rect())
                         - static_cast<QPaintEvent*>(event)->region())
                            .isEmpty();
        return false;
    }
};

// What the window shows: the device pixels of the canvas's backing store.
QImage shown(QWidget* widget)
{
    return static_cast<QImage*>(widget->backingStore()->paintDevice())->copy();
}

} // namespace

class TestXYCanvasStreaming : public QObject
{
    Q_OBJECT

private slots:
    // Batches of a thin line, a thick line with symbols and NaN gaps, and a
    // colour bar, under foreground markers: after every batch the window equals
    // a repaint of the whole canvas.
    void partialRepaintsLeaveNoStalePixels()
    {
        CanvasFixture f;
        XYDataSet* thin = f.addDataSet({0, 1}, {20, 20});
        XYDataSet* thick = f.addDataSet({0, 1}, {-20, -20}, Qt::blue, SYMBOL_CIRCLE, Qt::SolidLine, 4);
        XYDataSet* bar = f.addDataSet({-9, -8}, {0, 0}, Qt::darkGreen);
        bar->getLook()->setColorBar(30);
        Marker_t marker{MARKER_FOREGROUND, VERTICAL, 150, Qt::red, Qt::SolidLine, 3, QString()};
        CrossMarker_t cross{100, 10, 20, Qt::magenta, Qt::SolidLine, 2};
        f.markers.append(&marker);
        f.crosses.append(&cross);
        f.canvas->resize(301, 151);
        const Bounds view(0, 300, -50, 50);
        f.showAll(view);
        PaintWatch watch;
        f.canvas->installEventFilter(&watch);
        f.canvas->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.canvas.get()));

        for (int batch = 0; batch < 12; ++batch) {
            for (int k = 1; k <= 5; ++k) {
                const double x = batch * 20 + k * 4;
                thin->append(x, 40 * std::sin(x / 7));
                thick->append(x, k == 3 && batch % 4 == 1 ? NAN : 30 * std::cos(x / 11));
                bar->append(x, x);
            }
            if (batch == 6)
                cross.x = 40; // moved by the host between two batches
            f.canvas->drawNewPointsOnBackGround();
            QCoreApplication::processEvents();
            const QImage streamed = shown(f.canvas.get());
            f.canvas->repaint();
            QCOMPARE(streamed, shown(f.canvas.get()));
        }
        QVERIFY(watch.partial);
    }
};

QTEST_MAIN(TestXYCanvasStreaming)
#include "tst_xycanvasstreaming.moc"
