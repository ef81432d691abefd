#include "pixelhelpers.h"

#include <zebplot/zebplot.h>
#include <memleaktracer.h>

#include <QtTest>

#include <QLocale>

#include <cmath>
#include <limits>

namespace {

const QColor kBackground(0, 0, 128);

// Draws grid lines and labels as the canvas does, into an image.
QImage paintGrid(LinearGrid& grid, int width, int height, double minX, double minY, double maxX, double maxY)
{
    return paintedImage(QSize(width, height), kBackground, [&](QPainter* painter) {
        grid.drawGrid(painter, minX, minY, maxX, maxY);
        grid.drawLabels(painter, minX, minY, maxX, maxY);
    });
}

} // namespace

class TestLinearGrid : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void cleanupTestCase()
    {
        QCOMPARE(MemLeakTracer::getInstance()->liveCount("LinearGrid"), 0);
        QCOMPARE(MemLeakTracer::getInstance()->liveCount("XYAbstractGrid"), 0);
    }

    void tickSpacingDecimalsAndLabels()
    {
        QImage image(500, 300, QImage::Format_RGB32);
        QPainter painter(&image);
        struct Case { double min, max, worldStep, offset; };
        // Unit 1 for extents from 10 to 99: multipliers 2, 5, 10 and 20 change at 21, 41 and 81 units.
        const Case xCases[] = {
            {0, 20, 2, 0}, {0, 21, 5, 0}, {0, 40, 5, 0}, {0, 41, 10, 0}, {0, 80, 10, 0}, {0, 81, 20, 0},
            {3, 103, 20, -15}, // first tick at 0, left of the viewport
        };
        for (const Case& c : xCases) {
            LinearGrid grid(VERTICAL, nullptr);
            grid.computeParameters(&painter, c.min, -1, c.max, 1);
            QCOMPARE(grid.getTickSpacing(), c.worldStep * 500.0 / (c.max - c.min));
            QCOMPARE(grid.getTickOffset(), c.offset);
            QCOMPARE(QList<int>({grid.getViewportWidth(), grid.getViewportHeight()}), QList<int>({500, 300}));
        }
        // The y-axis grid measures along the viewport height, from the bottom.
        LinearGrid yGrid(HORIZONTAL, nullptr);
        yGrid.computeParameters(&painter, -1e9, 10, 1e9, 110);
        QCOMPARE(yGrid.getTickSpacing(), 60.0);
        QCOMPARE(yGrid.getTickOffset(), -30.0);

        // Decimals and label texts of the y-axis grid.
        yGrid.setLabelType(LABEL_ON_SCALE);
        QSignalSpy spy(&yGrid, &XYAbstractGrid::numberOfDecimalsChanged);
        const QList<QString>* labels = yGrid.getLabels();

        yGrid.drawLabels(&painter, 0, 0.13, 1, 0.27);
        QCOMPARE(yGrid.getNumberOfDecimals(), 2);
        QCOMPARE(labels->mid(0, 4), (QList<QString>{"0.12", "0.14", "0.16", "0.18"}));
        yGrid.drawLabels(&painter, 0, 0.13, 1, 0.27); // same decimals again: no signal
        QCOMPARE(spy.count(), 1);
        yGrid.drawLabels(&painter, 0, 1.3, 1, 2.7);
        QCOMPARE(yGrid.getNumberOfDecimals(), 1);
        QCOMPARE(spy.count(), 2);
        QCOMPARE(labels->first(), QString("1.2"));
        // Labels go one font height past the top: 0..98 on 300 px puts the tick of
        // 100 six pixels above the viewport, that of 120 far beyond.
        yGrid.drawLabels(&painter, 0, 0, 1, 98);
        QCOMPARE(*labels, (QList<QString>{"0", "20", "40", "60", "80", "100"}));

        // Unless the label type is LABEL_NONE only drawLabels feeds the scale, the
        // tick left of the viewport and its label included.
        XYScale scale(VERTICAL, LABEL_ON_SCALE, false, nullptr);
        LinearGrid xGrid(VERTICAL, nullptr);
        xGrid.setScale(&scale);
        xGrid.setLabelType(LABEL_ON_SCALE);
        xGrid.drawGrid(&painter, 3, 0, 103, 1);
        QCOMPARE(scale.getTickSpacing(), 0.0);
        xGrid.drawLabels(&painter, 3, 0, 103, 1);
        QCOMPARE(scale.getTickOffset(), -15.0);
        QCOMPARE(scale.getLabels().mid(0, 2), (QList<QString>{"0", "20"}));

        // The x-axis grid emits nothing, even when its decimals change.
        QSignalSpy xSpy(&xGrid, &XYAbstractGrid::numberOfDecimalsChanged);
        xGrid.drawLabels(&painter, 2.2, 0, 9.2, 1); // computes its step of 1 as 0.9999999999999999
        QCOMPARE(xGrid.getNumberOfDecimals(), 0);
        QCOMPARE(xGrid.getLabels()->mid(0, 2), (QList<QString>{"2", "3"}));
        xGrid.drawLabels(&painter, 0.5, 0, 0.9, 1);
        QCOMPARE(xGrid.getNumberOfDecimals(), 2);
        QCOMPARE(xSpy.count(), 0);
        // Its viewport fields stay swapped until the next computation.
        QCOMPARE(QList<int>({xGrid.getViewportWidth(), xGrid.getViewportHeight()}), QList<int>({300, 500}));

        LinearGrid grid(VERTICAL, nullptr);
        QCOMPARE(grid.getLabel(0.25, -1), QString("0.3"));
        QCOMPARE(grid.getLabel(-0.25, -1), QString("-0.2")); // halves round upwards
        // 21 digits stay fixed-point without grouping, but with six group
        // separators the text reaches 26 characters and turns to exponent notation.
        QCOMPARE(grid.getLabel(1e20, 0), QString("100000000000000000000"));
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(grid.getLabel(1234.5, 1), QString("1,234.5"));
        const QString exponent = grid.getLabel(1e20, 0);
        QVERIFY2(exponent.contains("e+20") && exponent.length() < 26, qPrintable(exponent));
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(grid.getLabel(1234.5, 1), QString("1.234,5"));
        QLocale::setDefault(QLocale::c());
    }

    void gridLinesAndLabelsInPlot()
    {
        const QColor gray(Qt::lightGray), white(Qt::white);
        // The labels' text: in the grid's grey, smoothed into its white box.
        const auto text = [](QRgb p) {
            return qRed(p) == qGreen(p) && qRed(p) == qBlue(p) && qRed(p) > 211 && qRed(p) < 255;
        };
        for (E_LABEL_TYPE type : {LABEL_NONE, LABEL_ON_SCALE, LABEL_IN_PLOT, LABEL_BOTH}) {
            const bool inPlot = type == LABEL_IN_PLOT || type == LABEL_BOTH;
            // y axis 0..100 on 300 px: lines every 60 px from the bottom, white-backed
            // labels on the left edge centred on their lines.
            LinearGrid yGrid(HORIZONTAL, nullptr);
            yGrid.setLabelType(type);
            const QImage yImage = paintGrid(yGrid, 500, 300, 0, 0, 1, 100);
            for (int row : {240, 60, 0}) {
                QCOMPARE(yImage.pixelColor(400, row), gray);
                QCOMPARE(yImage.pixelColor(1, row), inPlot ? white : gray);
            }
            QCOMPARE(yImage.pixelColor(400, 210), kBackground);
            QCOMPARE(countPixels(yImage, white) > 0, inPlot);
            QCOMPARE(countPixels(yImage, text) > 0, inPlot);

            // x axis 0..100 on 500 px: lines every 100 px, labels along the bottom.
            XYScale scale(VERTICAL, LABEL_IN_PLOT, false, nullptr);
            LinearGrid xGrid(VERTICAL, nullptr);
            xGrid.setScale(&scale);
            xGrid.setLabelType(type);
            const QImage xImage = paintGrid(xGrid, 500, 300, 0, 0, 100, 1);
            // The scale follows the label type and gets the ticks, and the labels unless there are none.
            QCOMPARE(scale.getLabelType(), type);
            QCOMPARE(scale.getTickSpacing(), 100.0);
            QCOMPARE(scale.getMinorIntervals(), 5);
            QCOMPARE(scale.getLabels().isEmpty(), type == LABEL_NONE);
            for (int column : {100, 400}) {
                QCOMPARE(xImage.pixelColor(column, 10), gray);
                QCOMPARE(xImage.pixelColor(column, 298), inPlot ? white : gray);
            }
            QCOMPARE(xImage.pixelColor(0, 10), gray);
            QCOMPARE(xImage.pixelColor(50, 10), kBackground);
            QCOMPARE(countPixels(xImage, white) > 0, inPlot);
            QCOMPARE(countPixels(xImage, text) > 0, inPlot);
        }

        // Hidden lines and no in-plot labels leave the image untouched.
        LinearGrid hidden(HORIZONTAL, nullptr);
        hidden.setGridLinesHidden(true);
        hidden.setLabelType(LABEL_ON_SCALE);
        QCOMPARE(countPixels(paintGrid(hidden, 200, 100, 0, 0, 1, 10), kBackground), 200 * 100);
    }

    void degenerateExtents()
    {
        const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
        struct Case { double min, max; };
        for (const Case& c : {Case{5, 5}, Case{10, 0}, Case{nan, 1}, Case{0, nan}, Case{-inf, inf}, Case{0, 1e-320}}) {
            for (E_ORIENTATION_TYPE orientation : {VERTICAL, HORIZONTAL}) {
                LinearGrid grid(orientation, nullptr);
                XYScale scale(orientation, LABEL_BOTH, false, nullptr);
                grid.setScale(&scale);
                grid.setLabelType(LABEL_BOTH);
                scale.drawScale(50, 0, 5, nullptr);
                const QImage image = paintGrid(grid, 300, 200, c.min, c.min, c.max, c.max);
                QCOMPARE(countPixels(image, kBackground), 300 * 200);
                QVERIFY(grid.getLabels()->isEmpty() && scale.getLabels().isEmpty());
                QCOMPARE(scale.getTickSpacing(), 0.0);
            }
        }

        // Huge but finite extents still tick; their labels fall back to exponents.
        LinearGrid huge(HORIZONTAL, nullptr);
        paintGrid(huge, 300, 200, 0, 0, 1, 1e300);
        QCOMPARE(huge.getLabels()->size(), 6);
        QVERIFY2(huge.getLabels()->at(1).contains("e+299"), qPrintable(huge.getLabels()->at(1)));
        // Bounds far from zero lose the tick offset to rounding; the repaint must still finish.
        for (const Case& c : {Case{1e20, 1e20 + 32768}, Case{1, 1 + 1e-15}, Case{-1e300, 1e300}}) {
            LinearGrid far(VERTICAL, nullptr);
            paintGrid(far, 300, 200, c.min, 0, c.max, 1);
            QVERIFY(far.getLabels()->size() < 10000);
        }
    }
};

QTEST_MAIN(TestLinearGrid)
#include "tst_lineargrid.moc"
