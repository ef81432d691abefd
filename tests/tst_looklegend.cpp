#include "plottesthelpers.h"

#include <memleaktracer.h>

#include <QtTest>

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>

namespace {

const QList<QColor> kColors{QColor(0, 160, 0), QColor(240, 190, 0), QColor(220, 40, 40)};
const QStringList kTexts{"3D", "2D", "none"};

QGridLayout* gridOf(LookLegend& legend)
{
    return qobject_cast<QGridLayout*>(legend.layout());
}

QCheckBox* boxAt(LookLegend& legend, int row)
{
    QLayoutItem* item = gridOf(legend)->itemAtPosition(row, 0);
    return item ? qobject_cast<QCheckBox*>(item->widget()) : nullptr;
}

QString labelAt(LookLegend& legend, int row, int column)
{
    QLayoutItem* item = gridOf(legend)->itemAtPosition(row, column);
    auto* label = item ? qobject_cast<QLabel*>(item->widget()) : nullptr;
    return label ? label->text() : QString("<none>");
}

} // namespace

class TestLookLegend : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase();
    void rowsHeadingAndToolTips();
    void uncheckingMasksTheEntry();
    void displayOnlyWithoutListenerOrFiltering();
    void rebuildsWhenEntriesAppear();
    void entryPicture();
    void tooltipTable();
};

void TestLookLegend::cleanupTestCase()
{
    QCOMPARE(MemLeakTracer::getInstance()->liveCount("LookLegend"), 0);
}

void TestLookLegend::rowsHeadingAndToolTips()
{
    std::unique_ptr<XYDataSet> bar(makeColorBar("Fix Bar", kColors, kTexts));
    LookLegend legend(bar.get(), nullptr);
    QCOMPARE(MemLeakTracer::getInstance()->liveCount("LookLegend"), 1);
    QCOMPARE(legend.getLook(), bar->getLook());
    QCOMPARE(gridOf(legend)->horizontalSpacing(), 4);
    QCOMPARE(labelAt(legend, 0, 1), QString("<b><u>Fix Bar</u></b>"));
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(labelAt(legend, i + 1, 2), kTexts[i]);
        QVERIFY(!boxAt(legend, i + 1)->isHidden());
        QVERIFY(boxAt(legend, i + 1)->isChecked());
    }
    QCOMPARE(boxAt(legend, 2)->toolTip(), QString("Check or uncheck to show or hide epochs with Fix Bar equal to 2D."));

    // The name is copied at construction; an empty one gives no heading and the short tool tip.
    bar->name.clear();
    LookLegend untitled(bar.get(), nullptr);
    QCOMPARE(labelAt(untitled, 0, 2), QString("3D"));
    QCOMPARE(boxAt(untitled, 0)->toolTip(), QString("Check or uncheck to show or hide epochs with 3D."));
    QCOMPARE(labelAt(legend, 0, 1), QString("<b><u>Fix Bar</u></b>"));
}

void TestLookLegend::uncheckingMasksTheEntry()
{
    std::unique_ptr<XYDataSet> bar(makeColorBar("Fix", kColors, kTexts));
    auto* listener = qobject_cast<ColorBarDrawListener*>(bar->getDrawListener());
    LookLegend legend(bar.get(), nullptr);
    QSignalSpy changed(&legend, &LookLegend::filterChanged);
    const Look::Entry twoD(kColors[1], SYMBOL_NONE, Qt::SolidLine, 6);

    listener->drawingDataPoint(15, 40);
    QCOMPARE(listener->excludeDataPointsAtViewportX(40), ColorBarDrawListener::Show);
    boxAt(legend, 2)->setChecked(false);
    QVERIFY(listener->isFiltered(twoD));
    QVERIFY(!listener->isFiltered(Look::Entry(kColors[0], SYMBOL_NONE, Qt::SolidLine, 6)));
    QCOMPARE(changed.count(), 1);
    // The cache went through the connection, so the next drawing starts afresh.
    QCOMPARE(listener->excludeDataPointsAtViewportX(40), ColorBarDrawListener::Uninitialized);

    // A rebuild takes the state back from the listener.
    legend.update();
    QVERIFY(!boxAt(legend, 2)->isChecked());
    QVERIFY(boxAt(legend, 1)->isChecked());

    boxAt(legend, 2)->setChecked(true);
    QVERIFY(!listener->isFiltered(twoD));
    QCOMPARE(changed.count(), 2);
}

void TestLookLegend::displayOnlyWithoutListenerOrFiltering()
{
    std::unique_ptr<XYDataSet> bar(makeColorBar("Fix", kColors, kTexts));
    bar->getLook()->setAllowFiltering(false);
    LookLegend noFiltering(bar.get(), nullptr);
    QVERIFY(boxAt(noFiltering, 1)->isHidden());

    std::unique_ptr<XYDataSet> plain(makeColorBar("Fix", kColors, kTexts));
    plain->setDrawListener(nullptr);
    LookLegend noListener(plain.get(), nullptr);
    QVERIFY(boxAt(noListener, 1)->isHidden());
    QSignalSpy changed(&noListener, &LookLegend::filterChanged);
    boxAt(noListener, 1)->setChecked(false);
    QCOMPARE(changed.count(), 0);
}

void TestLookLegend::rebuildsWhenEntriesAppear()
{
    std::unique_ptr<XYDataSet> dataSet(makeDataSet("Overall quality", 3, Qt::black));
    LookLegend legend(dataSet.get(), nullptr);
    const int before = int(legend.findChildren<QCheckBox*>().size());
    // A new appearance enters the present entries and rebuilds at once.
    dataSet->getLook()->changeFromLast(Qt::red, SYMBOL_CIRCLE, Qt::NoPen, 1);
    QCOMPARE(int(legend.findChildren<QCheckBox*>().size()), before + 1);

    QPointer<QCheckBox> first = legend.findChildren<QCheckBox*>().value(0);
    legend.updateLater();
    legend.updateLater();
    QVERIFY(first);
    QTRY_VERIFY(!first);
}

void TestLookLegend::entryPicture()
{
    std::unique_ptr<XYDataSet> dataSet(makeDataSet("Overall quality", 3, Qt::black));
    LookLegend legend(dataSet.get(), nullptr);
    const QColor ink(200, 0, 0);
    const QPixmap pixmap = legend.createPixmap(Look::Entry(ink, SYMBOL_SQUARE, Qt::NoPen, 2), Qt::white);
    const int height = QFontMetrics(legend.font()).height();
    QCOMPARE(pixmap.size(), QSize(14 + 5, height));
    const QImage image = pixmap.toImage();
    const int cx = 7;
    const int cy = height / 2;
    // Half size 3 * 2 + 3 = 9: the right side of the square at cx + 9 (the
    // left one lies outside the picture), the horizontal line through the
    // centre, white inside.
    QCOMPARE(image.pixelColor(cx + 9, cy - 4), ink);
    QCOMPARE(image.pixelColor(cx + 9, cy + 4), ink);
    QCOMPARE(image.pixelColor(cx + 6, cy - 4), QColor(Qt::white));
    QCOMPARE(image.pixelColor(cx, cy - 4), QColor(Qt::white));
    QCOMPARE(image.pixelColor(cx, cy), ink);
    QCOMPARE(image.pixelColor(0, cy), ink);

    // The thickness follows the colour-bar factor for a colour bar.
    std::unique_ptr<XYDataSet> bar(makeColorBar("Fix", kColors, kTexts));
    LookLegend barLegend(bar.get(), nullptr);
    PlotRenderSettings_t thick = *getPlotRenderSettings();
    thick.colorBarWidthFactor = 3;
    plotRenderSettings.append(thick);
    const QImage wide = barLegend.createPixmap(Look::Entry(ink, SYMBOL_NONE, Qt::SolidLine, 2), Qt::white).toImage();
    plotRenderSettings.takeLast();
    QCOMPARE(inkBox(wide, ink).height(), 6);
}

void TestLookLegend::tooltipTable()
{
    QCOMPARE(LookLegend::generateTooltipText(nullptr, QString()), QString("<html><table></table></html>"));
    std::unique_ptr<XYDataSet> bar(makeColorBar("Fix", {QColor(255, 0, 0)}, {"bad"}));
    QCOMPARE(LookLegend::generateTooltipText(bar->getLook(), "Fix"),
             QString("<html><table><tr><th colspan=\"2\">Fix</th></tr><tr><td><div style=\"font-size:small;"
                     "border-style:solid; border-color:black;background-color:#ff0000;\"></div></td><td>bad</td>"
                     "</tr></table></html>"));
}

QTEST_MAIN(TestLookLegend)
#include "tst_looklegend.moc"
