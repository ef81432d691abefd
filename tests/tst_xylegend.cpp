#include "plottesthelpers.h"

#include <memleaktracer.h>

#include <QtTest>

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>

namespace {

struct DataSets
{
    QList<XYDataSet*> list;
    ~DataSets() { qDeleteAll(list); }
    XYDataSet* add(XYDataSet* dataSet)
    {
        list.append(dataSet);
        return dataSet;
    }
    void addPlain(int count, int points = 5)
    {
        for (int i = 0; i < count; ++i)
            add(makeDataSet(QString("G%1").arg(list.size() + 1, 2, 10, QChar('0')), points));
    }
};

QWidget* at(XYLegend& legend, int row, int column)
{
    auto* grid = qobject_cast<QGridLayout*>(legend.getFrame()->layout());
    QLayoutItem* item = grid->itemAtPosition(row, column);
    return item ? item->widget() : nullptr;
}

QString textAt(XYLegend& legend, int row, int column)
{
    auto* label = qobject_cast<QLabel*>(at(legend, row, column));
    return label ? label->text() : QString("<none>");
}

int fontHeight()
{
    return QFontMetrics(QApplication::font()).height();
}

int lineSpacingAt(int pointSize)
{
    QFont font = getPlotRenderSettings()->legendFont;
    font.setPointSize(pointSize);
    return QFontMetrics(font).lineSpacing();
}

} // namespace

class TestXYLegend : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase();
    void allAndNoneFromFourEntries();
    void allAndNoneBehaviour();
    void columnSplit();
    void emptyDataSetsCountButAreNotShown();
    void menuMode();
    void colorBarLegends();
    void deferredRebuild();
    void symbolPictures();
    void pictureLinesAndFontFitting();
    void pictureWarnsAtMostOncePerMinute();
};

void TestXYLegend::cleanupTestCase()
{
    QCOMPARE(MemLeakTracer::getInstance()->liveCount("XYLegend"), 0);
    QCOMPARE(MemLeakTracer::getInstance()->liveCount("LookLegend"), 0);
}

void TestXYLegend::allAndNoneFromFourEntries()
{
    DataSets three;
    three.addPlain(3);
    XYLegend small(&three.list, true, LEGEND_RIGHT, nullptr, 1000, nullptr);
    QVERIFY(!small.getAllCheckBox());
    QVERIFY(qobject_cast<QCheckBox*>(at(small, 0, 1)));
    QCOMPARE(textAt(small, 0, 3), QString("G01"));
    QCOMPARE(MemLeakTracer::getInstance()->liveCount("XYLegend"), 1);

    DataSets four;
    four.addPlain(4);
    XYLegend legend(&four.list, true, LEGEND_BOTTOM, nullptr, 1000, nullptr);
    QCOMPARE(at(legend, 0, 1), legend.getAllCheckBox());
    QCOMPARE(at(legend, 1, 1), legend.getNoneCheckBox());
    QCOMPARE(legend.getAllCheckBox()->text(), QString("All"));
    QCOMPARE(legend.getNoneCheckBox()->text(), QString("None"));
    QCOMPARE(at(legend, 2, 1), legend.getCheckBoxes().at(0));
    QCOMPARE(textAt(legend, 5, 3), QString("G04"));
    // Everything visible: the rebuild already brought "All" in line.
    QVERIFY(legend.getAllCheckBox()->isChecked());
    QVERIFY(!legend.getNoneCheckBox()->isChecked());

    // Not checkable: no boxes at all.
    XYLegend plain(&four.list, false, LEGEND_BOTTOM, nullptr, 1000, nullptr);
    QVERIFY(!plain.getAllCheckBox());
    QVERIFY(plain.getCheckBoxes().isEmpty());
    QCOMPARE(textAt(plain, 0, 3), QString("G01"));
}

void TestXYLegend::allAndNoneBehaviour()
{
    DataSets sets;
    sets.addPlain(5);
    sets.list[1]->visible = false;
    XYLegend legend(&sets.list, true, LEGEND_RIGHT, nullptr, 1000, nullptr);
    QSignalSpy changed(&legend, &XYLegend::dataSetVisibilityChanged);
    QCheckBox* all = legend.getAllCheckBox();
    QCheckBox* none = legend.getNoneCheckBox();
    QVERIFY(!all->isChecked());
    QVERIFY(!legend.getCheckBoxes().at(1)->isChecked());

    all->setChecked(true);
    for (XYDataSet* dataSet : sets.list)
        QVERIFY(dataSet->visible);
    for (QCheckBox* box : legend.getCheckBoxes())
        QVERIFY(box->isChecked());
    QVERIFY(!none->isChecked());
    QVERIFY(changed.count() >= 1);

    legend.getCheckBoxes().at(3)->setChecked(false);
    QVERIFY(!sets.list[3]->visible);
    QVERIFY(!all->isChecked());
    QVERIFY(!none->isChecked());

    none->setChecked(true);
    for (XYDataSet* dataSet : sets.list)
        QVERIFY(!dataSet->visible);
    QVERIFY(!all->isChecked());
    QVERIFY(none->isChecked());

    // Unchecking "None" by hand changes nothing; checking an entry unchecks it.
    none->setChecked(false);
    QVERIFY(!sets.list[0]->visible);
    none->setChecked(true);
    legend.getCheckBoxes().at(0)->setChecked(true);
    QVERIFY(sets.list[0]->visible);
    QVERIFY(!none->isChecked());

    // Visibility survives a rebuild.
    legend.update();
    QVERIFY(legend.getCheckBoxes().at(0)->isChecked());
    QVERIFY(!legend.getCheckBoxes().at(1)->isChecked());

    // An index unknown to the legend only signals.
    const int before = int(changed.count());
    legend.toggled(17);
    QCOMPARE(changed.count(), before + 1);
}

void TestXYLegend::columnSplit()
{
    // Not checkable, room for 5 rows, 12 data sets: 6 rows for k = 2, 4 for
    // k = 3, so three column groups of 4 rows, 3 columns each.
    DataSets twelve;
    twelve.addPlain(12);
    XYLegend legend(&twelve.list, false, LEGEND_RIGHT, nullptr, 5 * fontHeight() + 2, nullptr);
    for (int j = 0; j < 12; ++j) {
        const int group = j / 4;
        QCOMPARE(textAt(legend, j % 4, 3 * group + 3), twelve.list[j]->name);
        QVERIFY(qobject_cast<QLabel*>(at(legend, j % 4, 3 * group + 2)));
    }
    QCOMPARE(at(legend, 4, 3), nullptr);

    // Checkable with a title, 6 data sets, room for 4 rows: 3 header rows,
    // 9 in total, 5 rows for k = 2, 3 for k = 3.
    DataSets six;
    six.addPlain(6);
    XYLegend titled(&six.list, true, LEGEND_RIGHT, nullptr, 4 * fontHeight(), nullptr);
    titled.title = "Datasets";
    titled.update();
    QCOMPARE(textAt(titled, 0, 1), QString("<center><b><u>Datasets</u></b></center>"));
    QCOMPARE(at(titled, 1, 1), titled.getAllCheckBox());
    for (int j = 0; j < 3; ++j) {
        QCOMPARE(at(titled, 3 + j, 1), titled.getCheckBoxes().at(j));
        QCOMPARE(textAt(titled, 3 + j, 3), six.list[j]->name);
        QCOMPARE(textAt(titled, j, 4), QString("       "));
        QCOMPARE(at(titled, j, 5), titled.getCheckBoxes().at(3 + j));
        QVERIFY(qobject_cast<QLabel*>(at(titled, j, 6)));
        QCOMPARE(textAt(titled, j, 7), six.list[3 + j]->name);
    }

    // Less than two rows of room: one column.
    XYLegend unknownHeight(&twelve.list, false, LEGEND_RIGHT, nullptr, 0, nullptr);
    QCOMPARE(textAt(unknownHeight, 11, 3), QString("G12"));
}

void TestXYLegend::emptyDataSetsCountButAreNotShown()
{
    // Five rows of room.  Four shown data sets and two empty ones make a
    // total of six, which does not fit: three rows per column.
    DataSets sets;
    sets.addPlain(2);
    sets.add(makeDataSet("empty", 0));
    sets.addPlain(1);
    sets.add(makeDataSet("empty too", 0));
    sets.addPlain(1);
    XYLegend legend(&sets.list, false, LEGEND_RIGHT, nullptr, 5 * fontHeight(), nullptr);
    QCOMPARE(textAt(legend, 0, 3), QString("G01"));
    QCOMPARE(textAt(legend, 2, 3), QString("G04"));
    QCOMPARE(textAt(legend, 0, 6), QString("G06"));

    sets.list[2]->setShowInLegendEvenIfEmpty(true);
    legend.update();
    QCOMPARE(textAt(legend, 2, 3), QString("empty"));
}

void TestXYLegend::menuMode()
{
    DataSets sets;
    sets.addPlain(2);
    sets.add(makeDataSet("Fix Bar", 0));
    QMenu menu;
    XYLegend legend(&sets.list, true, LEGEND_DETACHED, &menu, 1000, nullptr);
    QSignalSpy changed(&legend, &XYLegend::dataSetVisibilityChanged);
    QCOMPARE(menu.actions().size(), 3);
    QCOMPARE(menu.actions().at(2)->text(), QString("Fix"));
    QCOMPARE(legend.getActions(), menu.actions());
    QVERIFY(legend.getFrame() == nullptr);
    QVERIFY(legend.getCheckBoxes().isEmpty());
    QVERIFY(menu.actions().at(1)->isCheckable());
    QVERIFY(menu.actions().at(1)->isChecked());

    menu.actions().at(1)->setChecked(false);
    QVERIFY(!sets.list[1]->visible);
    QCOMPARE(changed.count(), 1);

    // A rebuild replaces the actions; action i still belongs to data set i.
    QPointer<QAction> old = menu.actions().at(0);
    legend.update();
    QVERIFY(!old);
    QCOMPARE(menu.actions().size(), 3);
    QVERIFY(!menu.actions().at(1)->isChecked());
    menu.actions().at(1)->setChecked(true);
    QVERIFY(sets.list[1]->visible);

    // The full name in grid mode.
    XYLegend grid(&sets.list, false, LEGEND_RIGHT, nullptr, 1000, nullptr);
    sets.list[2]->setShowInLegendEvenIfEmpty(true);
    grid.update();
    QCOMPARE(textAt(grid, 2, 3), QString("Fix Bar"));

    XYLegend plain(&sets.list, false, LEGEND_DETACHED, &menu, 1000, nullptr);
    QVERIFY(!menu.actions().at(0)->isCheckable());
}

void TestXYLegend::colorBarLegends()
{
    DataSets sets;
    sets.addPlain(1);
    XYDataSet* bar = sets.add(makeColorBar("Fix Bar", {Qt::green, Qt::red}, {"good", "bad"}));
    XYLegend legend(&sets.list, true, LEGEND_RIGHT, nullptr, 1000, nullptr);
    QSignalSpy changed(&legend, &XYLegend::dataSetVisibilityChanged);
    LookLegend* lookLegend = legend.getColorBarLegend(bar);
    QVERIFY(lookLegend);
    QCOMPARE(legend.getColorBarLegend(sets.list[0]), nullptr);

    // Its filter changes reach the plot through the legend.
    lookLegend->findChildren<QCheckBox*>().at(1)->setChecked(false);
    QCOMPARE(changed.count(), 1);

    // Hidden through its box: the look legend goes at once.
    legend.getCheckBoxes().at(1)->setChecked(false);
    QVERIFY(!bar->visible);
    QCOMPARE(legend.getColorBarLegend(bar), nullptr);
    legend.getCheckBoxes().at(1)->setChecked(true);
    QVERIFY(legend.getColorBarLegend(bar));

    // "Overall quality" gets one although its look is no colour bar.
    XYDataSet* quality = sets.add(makeDataSet("Overall quality", 4));
    legend.update();
    QVERIFY(legend.getColorBarLegend(quality));
    QCOMPARE(legend.findChildren<LookLegend*>().size(), 2);

    QMenu menu;
    XYLegend detached(&sets.list, true, LEGEND_DETACHED, &menu, 1000, nullptr);
    QCOMPARE(detached.findChildren<LookLegend*>().size(), 0);
}

void TestXYLegend::deferredRebuild()
{
    DataSets sets;
    sets.addPlain(2);
    XYLegend legend(&sets.list, true, LEGEND_RIGHT, nullptr, 1000, nullptr);
    QPointer<QFrame> frame = legend.getFrame();
    sets.addPlain(1);
    legend.updateLater();
    QTest::qWait(100);
    legend.updateLater();
    QTest::qWait(120);
    QVERIFY(frame);
    QTRY_VERIFY(!frame);
    QCOMPARE(legend.getCheckBoxes().size(), 3);
}

void TestXYLegend::symbolPictures()
{
    DataSets sets;
    XYDataSet* empty = sets.add(makeDataSet("empty", 0, QColor(0, 0, 200), SYMBOL_NONE, Qt::SolidLine, 1));
    XYDataSet* changing = sets.add(makeDataSet("changing", 3, QColor(0, 0, 200), SYMBOL_NONE, Qt::SolidLine, 1));
    changing->getLook()->changeFromLast(QColor(200, 0, 0), SYMBOL_SQUARE, Qt::NoPen, 1);
    XYLegend legend(&sets.list, false, LEGEND_RIGHT, nullptr, 1000, nullptr);
    const int height = QFontMetrics(legend.font()).height();

    // No values: the look's defaults.
    QImage image = legend.createPixmap(0, Qt::white, false).toImage();
    QCOMPARE(image.size(), QSize(14 + 5, height));
    QCOMPARE(image.pixelColor(3, height / 2), QColor(0, 0, 200));
    Q_UNUSED(empty);

    // The appearance of the newest point: a red square of half size 4.
    image = legend.createPixmap(1, Qt::white, false).toImage();
    QCOMPARE(image.pixelColor(7 + 4, height / 2 - 2), QColor(200, 0, 0));
    QCOMPARE(image.pixelColor(7, height / 2 - 2), QColor(Qt::white));

    // The default colour with the newest point's symbol.
    changing->getLook()->setUseDefaultColorInLegend(true);
    image = legend.createPixmap(1, Qt::white, false).toImage();
    QCOMPARE(image.pixelColor(7 + 4, height / 2 - 2), QColor(0, 0, 200));

    // With the name after the symbol.
    const QPixmap withText = legend.createPixmap(1, Qt::white, true);
    QCOMPARE(withText.width(), 19 + QFontMetrics(legend.font()).horizontalAdvance("changing"));
    QVERIFY(legend.createPixmap(5, Qt::white, false).isNull());
}

void TestXYLegend::pictureLinesAndFontFitting()
{
    DataSets sets;
    XYLegend legend(&sets.list, false, LEGEND_RIGHT, nullptr, 1000, nullptr);
    QVERIFY(legend.drawLegendToPixmap(QSize(500, 500)).isNull());

    // Only plain data sets: L = the visible ones with values (3), plus the title.
    sets.addPlain(3);
    sets.addPlain(1);
    sets.list.last()->visible = false;
    sets.add(makeDataSet("empty", 0));
    const int s16 = lineSpacingAt(16);
    QPixmap picture = legend.drawLegendToPixmap(QSize(1000, 1000));
    QCOMPARE(picture.height(), s16 * 4);
    legend.title = "Datasets";
    QCOMPARE(legend.drawLegendToPixmap(QSize(1000, 1000)).height(), s16 * 5);
    legend.title.clear();

    // A colour bar with 5 entries adds 8 lines.
    sets.add(makeColorBar("Fix", {Qt::green, Qt::yellow, Qt::red, Qt::blue, Qt::gray},
                          {"3D", "2D", "DR", "RTK", "none"}));
    legend.update();
    picture = legend.drawLegendToPixmap(QSize(1000, 1000));
    QCOMPARE(picture.height(), s16 * 12);
    QCOMPARE(picture.toImage().pixelColor(picture.width() - 1, 0), QColor(Qt::white));

    // Too little height: the fonts shrink until the 11 lines plus one fit.
    picture = legend.drawLegendToPixmap(QSize(1000, 12 * s16 - 10));
    QVERIFY(picture.height() <= 12 * s16 - 10);
    int fitted = 0;
    for (int p = 15; p >= 4 && fitted == 0; --p)
        if (12 * lineSpacingAt(p) <= 12 * s16 - 10)
            fitted = p;
    QCOMPARE(picture.height(), 12 * lineSpacingAt(fitted));

    // The entries' text reaches at most W - 2s; a narrow size makes them shrink too.
    const int wide = legend.drawLegendToPixmap(QSize(1000, 1000)).width();
    const QPixmap narrow = legend.drawLegendToPixmap(QSize(wide - 20, 1000));
    QVERIFY(narrow.width() <= wide - 20);
    QVERIFY(narrow.height() < 12 * s16);
}

void TestXYLegend::pictureWarnsAtMostOncePerMinute()
{
    DataSets sets;
    sets.addPlain(30);
    XYLegend legend(&sets.list, false, LEGEND_RIGHT, nullptr, 1000, nullptr);
    MessageBoxWatcher watcher;
    zebplotUserInteractionDisabled = false;

    // Even 4 points do not fit: drawn cropped, and one warning.
    const QPixmap cropped = legend.drawLegendToPixmap(QSize(60, 50));
    QCOMPARE(cropped.height(), 50);
    QVERIFY(cropped.width() <= 60);
    QCOMPARE(watcher.titles, QStringList{"Timeplot legend does not fit."});

    legend.drawLegendToPixmap(QSize(60, 50));
    QTest::qWait(50);
    QCOMPARE(watcher.titles.size(), 1);

    zebplotUserInteractionDisabled = true;
    legend.drawLegendToPixmap(QSize(60, 50));
    QTest::qWait(50);
    QCOMPARE(watcher.titles.size(), 1);
    zebplotUserInteractionDisabled = false;
}

QTEST_MAIN(TestXYLegend)
#include "tst_xylegend.moc"
