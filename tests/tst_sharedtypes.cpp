#include <zebplot/zebplot.h>

#include <QtTest>

#include <cmath>

class TestSharedTypes : public QObject
{
    Q_OBJECT

private slots:
    void enumerationValuesAreStable();
    void shiftAndClip();
    void boundsDebugText();
    void renderSettingsStack();
};

void TestSharedTypes::enumerationValuesAreStable()
{
    // Hosts store these integers; a renumbering would silently change their settings.
    QCOMPARE(int(HORIZONTAL), 1);
    QCOMPARE(int(SYMBOL_DIAMOND), 10);
    QCOMPARE(int(LABEL_BOTH), 3);
    QCOMPARE(int(LEGEND_DETACHED), 2);
    QCOMPARE(int(MARKER_FOREGROUND), 1);
    QCOMPARE(int(eSHOW_EOL), 5);
    QCOMPARE(int(Bounds::Vertical), 1);
    QCOMPARE(int(Bounds::Max), 1);
    Bounds unset;
    QVERIFY(std::isnan(unset.minX) && std::isnan(unset.maxX) && std::isnan(unset.minY) && std::isnan(unset.maxY));
}

void TestSharedTypes::shiftAndClip()
{
    const Bounds clip(0, 10, 0, 10);
    struct Case { double lo, hi, expectedLo, expectedHi; };
    const Case cases[] = {
        {8, 12, 6, 10},   // shifted down, extent kept
        {-3, 2, 0, 5},    // shifted up, extent kept
        {-5, 15, 0, 10},  // wider than the clip range: becomes the clip range
        {2, 4, 2, 4},     // inside: unchanged
        {-20, -12, 0, 8}, // entirely below
    };
    for (const Case& c : cases) {
        Bounds b(c.lo, c.hi, 100, 200);
        b.shiftAndClip(Bounds::Horizontal, clip);
        QCOMPARE(b.minX, c.expectedLo);
        QCOMPARE(b.maxX, c.expectedHi);
        QCOMPARE(b.minY, 100.0); // the other direction is never touched
        QCOMPARE(b.maxY, 200.0);

        Bounds v(100, 200, c.lo, c.hi);
        v.shiftAndClip(Bounds::Vertical, clip);
        QCOMPARE(v.minY, c.expectedLo);
        QCOMPARE(v.maxY, c.expectedHi);
        QCOMPARE(v.minX, 100.0);
        QCOMPARE(v.maxX, 200.0);
    }

    // Any NaN among the four limits involved leaves everything as it was.
    const double nan = std::nan("");
    Bounds withNan(8, 12, 0, 0);
    withNan.shiftAndClip(Bounds::Horizontal, Bounds(nan, 10, 0, 0));
    QCOMPARE(withNan.minX, 8.0);
    QCOMPARE(withNan.maxX, 12.0);
    Bounds nanSelf(nan, 12, 0, 0);
    nanSelf.shiftAndClip(Bounds::Horizontal, clip);
    QVERIFY(std::isnan(nanSelf.minX));
    QCOMPARE(nanSelf.maxX, 12.0);

    // An out-of-range direction selects nothing.
    Bounds other(8, 12, 8, 12);
    other.shiftAndClip(Bounds::Direction(7), clip);
    QCOMPARE(other.maxX, 12.0);
    QCOMPARE(other.maxY, 12.0);
}

void TestSharedTypes::boundsDebugText()
{
    QString text;
    {
        QDebug debug(&text);
        debug << Bounds(0, 10, -1.5, 2) << "next";
    }
    QCOMPARE(text, QString("(MinX:0.000000,MaxX:10.000000 ; MinY:-1.500000,MaxY:2.000000,"
                           "Size:10.000000x3.500000) next "));

    QString nanText;
    {
        QDebug debug(&nanText);
        debug << Bounds();
    }
    QVERIFY(nanText.startsWith("(MinX:nan,MaxX:nan ; MinY:nan,MaxY:nan,Size:nanxnan)"));
}

void TestSharedTypes::renderSettingsStack()
{
    QVERIFY(plotRenderSettings.isEmpty());
    QVERIFY(!zebplotUserInteractionDisabled);
    QCOMPARE(refDialogOpen, 0);

    PlotRenderSettings_t* top = getPlotRenderSettings();
    QCOMPARE(plotRenderSettings.size(), 1);
    const PlotRenderSettings_t defaults = getDefaultPlotRenderSettings();
    QCOMPARE(top->axisTitleFont, defaults.axisTitleFont);
    QCOMPARE(top->legendFont.pointSize(), 16);
    QVERIFY(top->legendTitleFont.bold());
    QVERIFY(top->legendTitleFont.underline());
    QCOMPARE(top->legendTitleFont.pointSize(), 16);
    QCOMPARE(top->fixedLabelFont.pointSizeF(), QFont().pointSizeF() * 0.8);
    QCOMPARE(top->majorTickLength, 8);
    QCOMPARE(top->minorTickLength, 4);
    QCOMPARE(top->legendIconSize, 14);
    QCOMPARE(top->legendIconMargin, 5);
    QCOMPARE(top->lineWidthFactor, 1);
    QCOMPARE(top->colorBarWidthFactor, 1);

    PlotRenderSettings_t print = defaults;
    print.majorTickLength = 12;
    plotRenderSettings.append(print);
    QCOMPARE(getPlotRenderSettings()->majorTickLength, 12);
    plotRenderSettings.takeLast();
    QCOMPARE(getPlotRenderSettings()->majorTickLength, 8);

    // A host that empties the stack gets the default record back.
    plotRenderSettings.clear();
    QCOMPARE(getPlotRenderSettings()->majorTickLength, 8);
    QCOMPARE(plotRenderSettings.size(), 1);

    // The pointer refers to the stack's own storage, also after the list was shared.
    QList<PlotRenderSettings_t> copy = plotRenderSettings;
    getPlotRenderSettings()->lineWidthFactor = 3;
    QCOMPARE(plotRenderSettings.last().lineWidthFactor, 3);
    QCOMPARE(copy.last().lineWidthFactor, 1);
    getPlotRenderSettings()->lineWidthFactor = 1;
}

QTEST_MAIN(TestSharedTypes)
#include "tst_sharedtypes.moc"
