#include <zebplot/zebplot.h>

#include <QtTest>

#include <cmath>

class TestSharedTypes : public QObject
{
    Q_OBJECT

private slots:
    void storedEnumerationValues();
    void shiftAndClip();
    void renderSettingsStack();
};

void TestSharedTypes::storedEnumerationValues()
{
    // Hosts store these integers; a renumbering would silently change their settings.
    QCOMPARE(QList<int>({HORIZONTAL, SYMBOL_DIAMOND, LABEL_BOTH, LEGEND_DETACHED, MARKER_FOREGROUND, eSHOW_EOL,
                         Bounds::Vertical, Bounds::Max}),
             QList<int>({1, 10, 3, 2, 1, 5, 1, 1}));
}

void TestSharedTypes::shiftAndClip()
{
    // Shifted down or up with the extent kept, cut to the clip range when wider; the other direction untouched.
    const Bounds clip(0, 10, 0, 10);
    struct Case { double lo, hi, newLo, newHi; };
    for (const Case& c : {Case{8, 12, 6, 10}, Case{-3, 2, 0, 5}, Case{-5, 15, 0, 10}, Case{2, 4, 2, 4}}) {
        Bounds h(c.lo, c.hi, 100, 200), v(100, 200, c.lo, c.hi);
        h.shiftAndClip(Bounds::Horizontal, clip);
        v.shiftAndClip(Bounds::Vertical, clip);
        QCOMPARE(QList<double>({h.minX, h.maxX, h.minY, h.maxY}), QList<double>({c.newLo, c.newHi, 100, 200}));
        QCOMPARE(QList<double>({v.minX, v.maxX, v.minY, v.maxY}), QList<double>({100, 200, c.newLo, c.newHi}));
    }

    // Any NaN among the limits involved, or an unknown direction, changes nothing.
    const double nan = std::nan("");
    Bounds nanClip(8, 12, 0, 0), nanSelf(nan, 12, 0, 0), other(8, 12, 8, 12);
    nanClip.shiftAndClip(Bounds::Horizontal, Bounds(nan, 10, 0, 0));
    nanSelf.shiftAndClip(Bounds::Horizontal, clip);
    other.shiftAndClip(Bounds::Direction(7), clip);
    QCOMPARE(QList<double>({nanClip.minX, nanClip.maxX, nanSelf.maxX, other.maxX, other.maxY}),
             QList<double>({8, 12, 12, 12, 12}));
}

void TestSharedTypes::renderSettingsStack()
{
    QVERIFY(plotRenderSettings.isEmpty() && refDialogOpen == 0);

    // The first use puts the default record at the bottom of the stack.
    const PlotRenderSettings_t* top = getPlotRenderSettings();
    QVERIFY(plotRenderSettings.size() == 1 && top->majorTickLength == 8);

    // A host that empties the stack gets the default record back.
    plotRenderSettings.clear();
    QVERIFY(getPlotRenderSettings()->majorTickLength == 8 && plotRenderSettings.size() == 1);

    // The pointer refers to the stack's own storage, also after the list was shared.
    QList<PlotRenderSettings_t> copy = plotRenderSettings;
    getPlotRenderSettings()->lineWidthFactor = 3;
    QVERIFY(plotRenderSettings.last().lineWidthFactor == 3 && copy.last().lineWidthFactor == 1);
    getPlotRenderSettings()->lineWidthFactor = 1;
}

QTEST_MAIN(TestSharedTypes)
#include "tst_sharedtypes.moc"
