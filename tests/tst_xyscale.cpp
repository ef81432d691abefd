#include "pixelhelpers.h"

#include <zebplot/zebplot.h>
#include <memleaktracer.h>

#include <QtTest>

#include <limits>

namespace {

QImage paintScale(XYScale& scale, int width, int height)
{
    return paintedImage(QSize(width, height), Qt::white, [&](QPainter* painter) { scale.paint(painter); });
}

bool isInk(const QImage& image, int x, int y) { return image.pixel(x, y) != qRgb(255, 255, 255); }

int inkIn(const QImage& image, const QRect& rect)
{
    return countPixels(image, [](QRgb pixel) { return pixel != qRgb(255, 255, 255); }, rect);
}

// The scale font as a painter on an image measures it.
QFontMetrics scaleMetrics()
{
    QImage image(1, 1, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setFont(getPlotRenderSettings()->scaleFont);
    return painter.fontMetrics();
}

QList<QString> labels{"0", "20", "40", "60", "80", "100"};

class CountingScale : public XYScale
{
public:
    using XYScale::XYScale;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        ++paints;
        XYScale::paintEvent(event);
    }
};

} // namespace

class TestXYScale : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase() { QCOMPARE(MemLeakTracer::getInstance()->liveCount("XYScale"), 0); }

    void blankUntilGivenTicks()
    {
        XYScale scale(HORIZONTAL, LABEL_BOTH, false, nullptr);
        scale.addLabelAtFixedPosition(50, "fixed");
        QCOMPARE(inkIn(paintScale(scale, 80, 200), QRect(0, 0, 80, 200)), 0);
        // Non-positive or non-finite spacings keep it blank and never hang; absurdly dense ticks finish.
        const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
        for (double spacing : {0.0, -5.0, nan, inf}) {
            scale.drawScale(spacing, 0, 5, &labels);
            QCOMPARE(inkIn(paintScale(scale, 80, 200), QRect(0, 0, 80, 200)), 0);
        }
        scale.drawScale(1e-9, -1e12, 1000000, &labels);
        paintScale(scale, 80, 200);
    }

    void yAxisTicksLabelsAndHiding()
    {
        // A 300-px canvas: the strip is 18 px longer, reaching below it.
        XYScale scale(HORIZONTAL, LABEL_ON_SCALE, false, nullptr);
        const int width = 80, height = 318, fh = scaleMetrics().height();
        scale.drawScale(60, 0, 5, &labels);
        QImage image = paintScale(scale, width, height);
        // Major ticks 8 px long at the right edge, on the canvas's grid rows, with a label each.
        for (int row : {300, 240, 60}) {
            QVERIFY(isInk(image, 73, row) && isInk(image, 78, row));
            QVERIFY(inkIn(image, QRect(0, row - fh / 2, 70, fh)) > 0);
        }
        // Minor ticks (4 px) five per interval, the first one below the first major.
        for (int row : {312, 288, 228})
            QVERIFY(isInk(image, 77, row) && !isInk(image, 73, row));
        // Labels are right-aligned left of the tick allowance (10 px).
        QCOMPARE(inkIn(image, QRect(70, 0, 1, height)), 0);

        // [0, 30] from the bottom: ticks at 6, 18 and 30 go, and so does the label at 18.
        scale.addIntervalToHideScale(0, 30);
        image = paintScale(scale, width, height);
        for (int row : {312, 300, 288})
            QCOMPARE(inkIn(image, QRect(70, row, 10, 1)), 0);
        QVERIFY(isInk(image, 77, 276) && isInk(image, 77, 240));
        QCOMPARE(inkIn(image, QRect(0, 300 - fh / 2, 70, fh)), 0);
        QVERIFY(inkIn(image, QRect(0, 240 - fh / 2, 70, fh)) > 0);
        // A label goes as soon as its half height reaches into an interval; its tick stays.
        scale.clearIntervalsToHideScale();
        scale.addIntervalToHideScale(0, 78 - fh / 2 - 1);
        QVERIFY(inkIn(paintScale(scale, width, height), QRect(0, 240 - fh / 2, 70, fh)) > 0);
        scale.addIntervalToHideScale(78 - fh / 2, 78 - fh / 2);
        image = paintScale(scale, width, height);
        QCOMPARE(inkIn(image, QRect(0, 240 - fh / 2, 70, fh)), 0);
        QVERIFY(isInk(image, 75, 240));

        // LABEL_IN_PLOT: the scale holds the labels but draws ticks only.
        scale.clearIntervalsToHideScale();
        scale.setLabelType(LABEL_IN_PLOT);
        image = paintScale(scale, width, height);
        QCOMPARE(scale.getLabels(), labels);
        QCOMPARE(inkIn(image, QRect(0, 0, 70, height)), 0);
        QVERIFY(isInk(image, 76, 300));
    }

    void xAxisTicksAndLabels()
    {
        const int fh = scaleMetrics().height(), height = 40;
        for (bool onTop : {false, true}) {
            XYScale scale(VERTICAL, LABEL_BOTH, onTop, nullptr);
            scale.drawScale(100, 0, 5, &labels);
            QCOMPARE(scale.getExtraLength(), 0);
            QCOMPARE(scale.getTickOffset(), 0.0);

            // 505 px: "100" at 500 would cross the right end, "0" at 0 the left one.
            const QImage image = paintScale(scale, 505, height);
            const int majorRow = onTop ? height - 4 : 4, beyondMajor = onTop ? height - 12 : 11;
            const int minorRow = onTop ? height - 2 : 2, beyondMinor = onTop ? height - 7 : 6;
            for (int column : {0, 100, 500})
                QVERIFY(isInk(image, column, majorRow) && !isInk(image, column + 1, majorRow));
            for (int column : {20, 80, 120})
                QVERIFY(isInk(image, column, minorRow) && !isInk(image, column, beyondMinor)
                        && !isInk(image, column, beyondMajor));
            // Labels under the ticks (or above them on top), whole ones only.
            const int labelTop = onTop ? 1 : 9;
            for (int column : {100, 400})
                QVERIFY(inkIn(image, QRect(column - 10, labelTop, 20, fh)) > 0);
            QCOMPARE(inkIn(image, QRect(3, labelTop, 25, fh)), 0);
            QCOMPARE(inkIn(image, QRect(470, labelTop, 29, fh)), 0);
        }

        // A label exactly touching an end of the strip is left out, one pixel further in it is drawn:
        // the left end of an x-axis scale, the top and the bottom end of a y-axis scale.
        const int a = scaleMetrics().horizontalAdvance("0");
        for (int inwards : {0, 1}) {
            XYScale x(VERTICAL, LABEL_ON_SCALE, false, nullptr), top(HORIZONTAL, LABEL_ON_SCALE, false, nullptr);
            XYScale bottom(HORIZONTAL, LABEL_ON_SCALE, false, nullptr);
            x.drawScale(1000, a / 2 + inwards, 5, &labels);                      // x1 = 0 or 1
            top.drawScale(1000, 100 - fh / 2 - 18 - inwards, 5, &labels);       // y1 = 0 or 1
            bottom.drawScale(1000, fh - fh / 2 - 18 - 1 + inwards, 5, &labels); // last row H or H - 1
            QCOMPARE(inkIn(paintScale(x, 300, height), QRect(0, 9, 2 * a, fh)) > 0, inwards == 1);
            QCOMPARE(inkIn(paintScale(top, 80, 100), QRect(0, 0, 70, 100)) > 0, inwards == 1);
            QCOMPARE(inkIn(paintScale(bottom, 80, 100), QRect(0, 0, 70, 100)) > 0, inwards == 1);
        }

        // Half pixels round away from zero: 99.5 lands on column 100.
        XYScale scale(VERTICAL, LABEL_NONE, false, nullptr);
        scale.drawScale(100, -0.5, 5, nullptr);
        const QImage image = paintScale(scale, 300, 20);
        QVERIFY(isInk(image, 100, 4) && !isInk(image, 99, 4));
    }

    void repaintsOnlyOnChange()
    {
        CountingScale scale(HORIZONTAL, LABEL_ON_SCALE, false, nullptr);
        scale.resize(60, 200);
        scale.show();
        QVERIFY(QTest::qWaitForWindowExposed(&scale));
        QCoreApplication::processEvents();
        scale.paints = 0;

        // Each call has had time to repaint before the count is read.
        auto expect = [&](double offset, QList<QString>* labels, int paints) {
            scale.drawScale(50, offset, 5, labels);
            QTest::qWait(50);
            QTRY_COMPARE(scale.paints, paints);
        };
        QList<QString> texts{"0", "1", "2"}, none;
        expect(-10, &texts, 1);
        expect(-10, &texts, 1); // the same call again: nothing
        texts[2] = "2.0"; // a text
        expect(-10, &texts, 2);
        expect(-12, &texts, 3); // the offset
        // Without labels nothing can be compared: every call repaints.
        expect(-12, &none, 4);
        expect(-12, &none, 5);
    }

    void fixedLabels()
    {
        XYScale xScale(VERTICAL, LABEL_BOTH, false, nullptr), yScale(HORIZONTAL, LABEL_BOTH, false, nullptr);
        xScale.addLabelAtFixedPosition(10, "GPS L1");
        QCOMPARE(xScale.getRequiredWidthForLabelsAtFixedPosition(), 0);
        QCOMPARE(yScale.getRequiredWidthForLabelsAtFixedPosition(), 0);

        // The widest fixed label plus 5/4 of the major tick length.
        const int widest = QFontMetrics(getPlotRenderSettings()->fixedLabelFont).horizontalAdvance("GPS L1 C/A");
        yScale.addLabelAtFixedPosition(20, "x");
        yScale.addLabelAtFixedPosition(80, "GPS L1 C/A");
        QCOMPARE(yScale.getRequiredWidthForLabelsAtFixedPosition(), 10 + widest);
        PlotRenderSettings_t print = *getPlotRenderSettings();
        print.majorTickLength = 12;
        plotRenderSettings.append(print);
        QCOMPARE(yScale.getRequiredWidthForLabelsAtFixedPosition(), 15 + widest);
        plotRenderSettings.takeLast();

        // Fixed labels are drawn once ticks exist, right-aligned before the allowance.
        QList<QString> none;
        yScale.drawScale(60, 0, 5, &none);
        const QImage image = paintScale(yScale, 80, 318);
        QVERIFY(inkIn(image, QRect(80 - 10 - widest, 318 - 80 - 10, widest, 20)) > 0);
        QCOMPARE(inkIn(image, QRect(0, 318 - 80 - 10, 80 - 10 - widest - 1, 20)), 0);
    }
};

QTEST_MAIN(TestXYScale)
#include "tst_xyscale.moc"
