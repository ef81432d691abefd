// On a high-resolution screen the canvas draws in device pixels, while
// everything stated in pixels and everything the mouse sees stays in logical
// pixels.
#include "canvastesthelpers.h"

#include <QtTest>

#include <cmath>
#include <random>

namespace {

// Topmost and bottommost dark row of a column (-1, -1 when it has none).
QPair<int, int> inkSpan(QImage const& image, int x)
{
    const QRect box = boxOf(image, QRect(x, 0, 1, image.height()), isDark);
    return box.isValid() ? QPair<int, int>(box.top(), box.bottom()) : QPair<int, int>(-1, -1);
}

} // namespace

class TestXYCanvasHiDpi : public QObject
{
    Q_OBJECT

private slots:
    // Drawn at ratio 1 first, then at ratio 2 on the same canvas: the background
    // is made again in device pixels, and a one-pixel grid line covers exactly
    // two device columns of the grid's own colour, at its ratio-1 place.
    void gridLinesCoverWholeDevicePixels()
    {
        CanvasFixture f;
        LinearGrid grid(VERTICAL, nullptr);
        grid.setLabelType(LABEL_NONE);
        grid.setGridColor(Qt::black);
        f.canvas->setGrid(VERTICAL, &grid, false);
        f.showAll(Bounds(0, 100, 0, 100));

        const QImage single = f.render(200, 100);
        const QImage twice = f.render(200, 100, 2.0);
        QCOMPARE(twice.size(), QSize(400, 200));
        // Lines are centred on their logical position, as every line the toolkit draws at this
        // ratio: device columns 2x - 1 and 2x, of the grid's colour (no blended column); lines on
        // the edges keep only their inner half.
        QList<int> expected, inked;
        for (int x = 0; x <= 200; ++x)
            if (x == 200 || !isWhite(single.pixel(x, 50)))
                expected << 2 * x - 1 << 2 * x;
        for (int x = 0; x < 400; ++x)
            if (!isWhite(twice.pixel(x, 100)))
                inked << x;
        QCOMPARE(countPixels(twice, QColor(Qt::black), QRect(0, 100, 400, 1)), inked.size());
        expected.removeAll(-1);
        expected.removeAll(400);
        QVERIFY(expected.size() >= 8);
        QCOMPARE(inked, expected);

        // A foreground marker two logical pixels wide, drawn straight onto the
        // image: four device columns at its logical place.
        Marker_t marker{MARKER_FOREGROUND, VERTICAL, 30, Qt::red, Qt::SolidLine, 2, QString()};
        f.markers.append(&marker);
        const QImage marked = f.render(200, 100, 2.0);
        QCOMPARE(countPixels(marked, QColor(Qt::red), QRect(118, 100, 4, 1)), 4);
        QCOMPARE(countPixels(marked, QColor(Qt::red), QRect(0, 100, 400, 1)), 4);
        f.markers.clear();
    }

    // A noisy curve of 100 points per logical column (the merged-column drawing):
    // at ratios 1.5 and 2 it has the outline of the ratio-1 drawing once scaled
    // down, and at ratio 2 the two device columns of a logical column differ
    // mostly - the screen shows the detail, not an enlarged ratio-1 picture.
    void denseCurveAndHitTestAtEveryRatio()
    {
        std::mt19937 random(3);
        std::uniform_real_distribution<double> noise(-8.0, 8.0);
        QList<double> xs, ys;
        for (int i = 0; i < 20000; ++i) {
            xs.append(i * 0.01);
            ys.append(50 + 30 * std::sin(i * 0.0005) + noise(random));
        }
        CanvasFixture f;
        f.addDataSet(xs, ys);
        const QImage single = f.renderView(Bounds(0, 200, 0, 100), 200, 100);
        const QImage twice = f.render(200, 100, 2.0);
        const QImage scaledDown = twice.scaled(200, 100, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        int differing = 0;
        for (int x = 1; x < 199; ++x) {
            const auto expected = inkSpan(single, x);
            const auto actual = inkSpan(scaledDown, x);
            QVERIFY2(expected.first >= 0 && std::abs(expected.first - actual.first) <= 2
                         && std::abs(expected.second - actual.second) <= 2,
                     qPrintable(QString("column %1").arg(x)));
            differing += inkSpan(twice, 2 * x) != inkSpan(twice, 2 * x + 1);
        }
        QVERIFY2(differing > 150, qPrintable(QString::number(differing)));

        const QImage oneAndAHalf = f.render(200, 100, 1.5);
        QCOMPARE(oneAndAHalf.size(), QSize(300, 150));
        for (int x = 4; x < 196; x += 4) {
            const auto expected = inkSpan(single, x);
            const auto actual = inkSpan(oneAndAHalf, int(x * 1.5));
            QVERIFY(std::abs(expected.first * 1.5 - actual.first) <= 4
                    && std::abs(expected.second * 1.5 - actual.second) <= 4);
        }

        // The mouse works in logical pixels at every ratio: the same positions find
        // the same points, whatever resolution the data were drawn at.
        random.seed(11);
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        xs.clear(), ys.clear();
        for (int i = 0; i < 400; ++i) {
            xs.append(i * 0.75);
            ys.append(200 * unit(random));
        }
        auto hits = [&](qreal ratio) {
            CanvasFixture f;
            f.addDataSet(xs, ys, Qt::black, SYMBOL_CIRCLE);
            f.canvas->setDefaultMouseOverDataTrackingEnabled(true);
            f.showAll(Bounds(0, 300, 0, 200));
            f.render(300, 200, ratio);
            QList<int> found;
            for (int y = 0; y < 200; y += 3)
                for (int x = 0; x < 300; x += 3) {
                    XYCanvas::datahit_t hit;
                    found.append(f.canvas->dataHitTest(x, y, hit, 10) ? hit.index : -1);
                }
            return found;
        };
        const QList<int> atOne = hits(1.0);
        QVERIFY(atOne.count(-1) < atOne.size() / 2);
        QCOMPARE(hits(2.0), atOne);
        QCOMPARE(hits(1.5), atOne);
    }

    // Moved onto a screen of another ratio, a shown canvas draws its data again,
    // once, in that screen's device pixels, at the same logical place.
    void followsItsWindowToAScreenOfAnotherRatio()
    {
        QScreen *low = nullptr, *high = nullptr;
        for (QScreen* screen : QGuiApplication::screens())
            (screen->devicePixelRatio() > 1 ? high : low) = screen;
        QVERIFY(low && high && high->devicePixelRatio() == 2);
        CanvasFixture f;
        // Each full drawing tells about the first point.
        const CountingListener* listener = listenTo(f.addDataSet({0, 100}, {0, 100}));
        f.showAll(Bounds(0, 100, 0, 100));
        f.canvas->setGeometry(QRect(low->geometry().topLeft() + QPoint(50, 50), QSize(200, 100)));
        f.canvas->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.canvas.get()));
        QTRY_COMPARE(f.canvas->getBackgroundDevicePixelRatio(), 1.0);
        const qsizetype drawsBefore = listener->indices.count(0);

        f.canvas->move(high->geometry().topLeft() + QPoint(50, 50));
        QTRY_COMPARE(f.canvas->getBackgroundDevicePixelRatio(), 2.0);
        QTest::qWait(50);
        QCOMPARE(listener->indices.count(0), drawsBefore + 1);
        const QImage shown = f.canvas->grab().toImage();
        QCOMPARE(shown.size(), QSize(400, 200));
        // The diagonal crosses the middle of the canvas in the middle.
        const auto span = inkSpan(shown, 200);
        QVERIFY2(span.first >= 94 && span.second <= 106, qPrintable(QString("%1..%2").arg(span.first).arg(span.second)));
    }
};

// Two screens side by side, of ratio 1 and 2, so that a window can be moved
// from one to the other.
int main(int argc, char** argv)
{
    QTemporaryFile screens;
    if (!screens.open())
        return 1;
    screens.write(R"({"screens": [
        {"name": "low", "x": 0, "y": 0, "width": 800, "height": 600, "logicalDpi": 96, "logicalBaseDpi": 96},
        {"name": "high", "x": 800, "y": 0, "width": 1600, "height": 1200, "logicalDpi": 192, "logicalBaseDpi": 96}]})");
    screens.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + screens.fileName().toLocal8Bit());
    QApplication app(argc, argv);
    TestXYCanvasHiDpi test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_xycanvashidpi.moc"
