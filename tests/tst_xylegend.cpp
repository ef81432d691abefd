#include "plottesthelpers.h"

#include <QtTest>

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QTextDocument>

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
    void addPlain(int count)
    {
        for (int i = 0; i < count; ++i)
            add(makeDataSet(QString("G%1").arg(list.size() + 1, 2, 10, QChar('0')), 5));
    }
};

QWidget* at(XYLegend& legend, int row, int column)
{
    QLayoutItem* item = qobject_cast<QGridLayout*>(legend.getFrame()->layout())->itemAtPosition(row, column);
    return item ? item->widget() : nullptr;
}

QString textAt(XYLegend& legend, int row, int column)
{
    auto* label = qobject_cast<QLabel*>(at(legend, row, column));
    return label ? label->text() : QString("<none>");
}

int rows(int count)
{
    return count * QFontMetrics(QApplication::font()).height();
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
    void allAndNone()
    {
        DataSets sets;
        sets.addPlain(3);
        XYLegend three(&sets.list, true, LEGEND_RIGHT, nullptr, 1000, nullptr);
        QVERIFY(!three.getAllCheckBox() && at(three, 0, 1) == three.getCheckBoxes().at(0));

        // From four entries on: "All" and "None" in the first rows, entries below.
        sets.addPlain(2);
        sets.list[1]->visible = false;
        XYLegend legend(&sets.list, true, LEGEND_BOTTOM, nullptr, 1000, nullptr);
        QSignalSpy changed(&legend, &XYLegend::dataSetVisibilityChanged);
        QCheckBox* all = legend.getAllCheckBox();
        QCheckBox* none = legend.getNoneCheckBox();
        QVERIFY(at(legend, 0, 1) == all && at(legend, 1, 1) == none && all->text() == "All" && none->text() == "None");
        QVERIFY(at(legend, 2, 1) == legend.getCheckBoxes().at(0) && !all->isChecked());

        auto visible = [&] {
            QList<bool> result;
            for (XYDataSet* dataSet : sets.list)
                result.append(dataSet->visible);
            return result;
        };
        all->setChecked(true);
        QVERIFY(visible() == QList<bool>(5, true) && legend.getCheckBoxes().at(1)->isChecked() && !none->isChecked());
        legend.getCheckBoxes().at(3)->setChecked(false);
        QVERIFY(!sets.list[3]->visible && !all->isChecked() && !none->isChecked());
        none->setChecked(true);
        QVERIFY(visible() == QList<bool>(5, false) && !all->isChecked());
        legend.getCheckBoxes().at(0)->setChecked(true);
        QVERIFY(sets.list[0]->visible && !none->isChecked());
        QCOMPARE(changed.count(), 1 + 1 + 4 + 1);

        // Visibility survives a rebuild.
        legend.update();
        QVERIFY(legend.getCheckBoxes().at(0)->isChecked() && !legend.getCheckBoxes().at(1)->isChecked());

        // A rebuild keeps what it can: a new data set adds its row only, and a
        // kept row shows a new name and appearance.
        const QList<QCheckBox*> boxes = legend.getCheckBoxes();
        sets.addPlain(1);
        sets.list[0]->name = "renamed";
        sets.list[0]->getLook()->changeFromLast(Qt::red, SYMBOL_NONE, Qt::SolidLine, 3);
        legend.update();
        QVERIFY(legend.getCheckBoxes().mid(0, 5) == boxes && legend.getCheckBoxes().size() == 6);
        QCOMPARE(textAt(legend, 2, 3), QString("renamed"));
        const QImage picture = qobject_cast<QLabel*>(at(legend, 2, 2))->pixmap().toImage();
        QCOMPARE(picture.pixelColor(2, picture.height() / 2), QColor(Qt::red));
    }

    void columnSplit()
    {
        // Not checkable, room for 5 rows, 12 data sets: 6 rows for k = 2, 4 for k = 3.
        DataSets twelve;
        twelve.addPlain(12);
        XYLegend legend(&twelve.list, false, LEGEND_RIGHT, nullptr, rows(5) + 2, nullptr);
        for (int j = 0; j < 12; ++j)
            QCOMPARE(textAt(legend, j % 4, 3 * (j / 4) + 3), twelve.list[j]->name);

        // Checkable with a title, 6 data sets, room for 4 rows: 3 header rows,
        // 9 in total, 5 rows for k = 2, 3 for k = 3.
        DataSets six;
        six.addPlain(6);
        XYLegend titled(&six.list, true, LEGEND_RIGHT, nullptr, rows(4), nullptr);
        titled.title = "Datasets";
        titled.update();
        QCOMPARE(textAt(titled, 0, 1), QString("<center><b><u>Datasets</u></b></center>"));
        for (int j = 0; j < 3; ++j) {
            QCOMPARE(at(titled, 3 + j, 1), titled.getCheckBoxes().at(j));
            QCOMPARE(textAt(titled, 3 + j, 3), six.list[j]->name);
            QCOMPARE(textAt(titled, j, 4), QString("       "));
            QCOMPARE(textAt(titled, j, 7), six.list[3 + j]->name);
        }

        // Empty data sets are not shown but count: 4 shown + 2 empty = 6 > 5 rows.
        DataSets sets;
        sets.addPlain(3);
        sets.add(makeDataSet("empty", 0));
        sets.add(makeDataSet("empty too", 0));
        sets.addPlain(1);
        XYLegend withEmpty(&sets.list, false, LEGEND_RIGHT, nullptr, rows(5), nullptr);
        QCOMPARE(textAt(withEmpty, 0, 6), QString("G06"));
        sets.list[3]->setShowInLegendEvenIfEmpty(true);
        withEmpty.update();
        QCOMPARE(textAt(withEmpty, 0, 6), QString("empty"));

        // A legend made wider than it needs keeps each name next to its picture.
        withEmpty.resize(withEmpty.sizeHint().width() + 400, withEmpty.sizeHint().height());
        withEmpty.show();
        QVERIFY(QTest::qWaitForWindowExposed(&withEmpty));
        QWidget* picture = at(withEmpty, 0, 2);
        QWidget* name = at(withEmpty, 0, 3);
        QVERIFY(name->geometry().left() - picture->geometry().left() < picture->sizeHint().width() + 10);
    }

    void menuMode()
    {
        DataSets sets;
        sets.addPlain(1);
        sets.add(makeDataSet("empty", 0));
        sets.add(makeDataSet("Fix Bar", 3));
        QMenu menu;
        XYLegend legend(&sets.list, true, LEGEND_DETACHED, &menu, 1000, nullptr);
        QSignalSpy changed(&legend, &XYLegend::dataSetVisibilityChanged);
        QVERIFY(legend.getActions() == menu.actions() && menu.actions().at(2)->text() == "Fix");
        QVERIFY(!legend.getFrame() && legend.findChildren<LookLegend*>().isEmpty());
        menu.actions().at(1)->setChecked(false);
        QVERIFY(!sets.list[1]->visible && changed.count() == 1);
        // A rebuild replaces the actions; action i still belongs to data set i.
        QPointer<QAction> old = menu.actions().at(0);
        legend.update();
        QVERIFY(!old && !menu.actions().at(1)->isChecked());
        menu.actions().at(1)->setChecked(true);
        QVERIFY(sets.list[1]->visible);

        XYLegend grid(&sets.list, false, LEGEND_RIGHT, nullptr, 1000, nullptr);
        QCOMPARE(textAt(grid, 1, 3), QString("Fix Bar"));
        // A name Qt would take for markup is shown as it stands, in the menu as well.
        const QString name = "<b>G01</b> & <i>L1</i>";
        sets.list[0]->name = name;
        legend.update();
        QCOMPARE(menu.actions().first()->iconText(), name);
    }

    void colorBarLegends()
    {
        DataSets sets;
        XYDataSet* plain = sets.add(makeDataSet("plain", 3, QColor(0, 0, 200)));
        XYDataSet* bar = sets.add(makeColorBar("Fix Bar", {Qt::green, Qt::red}, {"good", "bad"}));
        XYLegend legend(&sets.list, true, LEGEND_RIGHT, nullptr, 1000, nullptr);
        QSignalSpy changed(&legend, &XYLegend::dataSetVisibilityChanged);
        QVERIFY(!legend.getColorBarLegend(plain));
        legend.getColorBarLegend(bar)->findChildren<QCheckBox*>().at(1)->setChecked(false);
        QCOMPARE(changed.count(), 1);

        // Hidden through its box, the colour bar loses its look legend at once.
        legend.getCheckBoxes().at(1)->setChecked(false);
        QVERIFY(!legend.getColorBarLegend(bar));
        // "Overall quality" gets one although its look is no colour bar, 200 ms
        // after the last of several requests.
        XYDataSet* quality = sets.add(makeDataSet("Overall quality", 4));
        legend.updateLater();
        QTest::qWait(100);
        legend.updateLater();
        QTest::qWait(120);
        QVERIFY(!legend.getColorBarLegend(quality));
        QTRY_VERIFY(legend.getColorBarLegend(quality));

        // Symbol pictures: the newest point's appearance, or the default colour.
        const int cy = QFontMetrics(legend.font()).height() / 2;
        plain->getLook()->changeFromLast(QColor(200, 0, 0), SYMBOL_SQUARE, Qt::NoPen, 1);
        QImage image = legend.createPixmap(0, Qt::white, false).toImage();
        QCOMPARE(image.pixelColor(7 + 4, cy - 2), QColor(200, 0, 0));
        plain->getLook()->setUseDefaultColorInLegend(true);
        QCOMPARE(legend.createPixmap(0, Qt::white, false).toImage().pixelColor(7 + 4, cy - 2), QColor(0, 0, 200));
    }

    void pictureLinesFontsAndWarning()
    {
        DataSets sets;
        XYLegend legend(&sets.list, false, LEGEND_RIGHT, nullptr, 1000, nullptr);
        QVERIFY(legend.drawLegendToPixmap(QSize(500, 500)).isNull());

        // One line per visible data set with values, one for the title, s x (L + 1) high.
        sets.addPlain(4);
        sets.list.last()->visible = false;
        sets.add(makeDataSet("empty", 0));
        const int s16 = lineSpacingAt(16);
        legend.title = "Datasets";
        QCOMPARE(legend.drawLegendToPixmap(QSize(1000, 1000)).height(), s16 * 5);
        legend.title.clear();
        // A colour bar with 5 entries adds 8 lines.
        sets.add(makeColorBar("Fix", {Qt::green, Qt::yellow, Qt::red, Qt::blue, Qt::gray}, {"3D", "2D", "DR", "RTK", "none"}));
        QCOMPARE(legend.drawLegendToPixmap(QSize(1000, 1000)).height(), s16 * 12);

        // Too little room: the fonts shrink point by point until it fits.
        int fitted = 15;
        while (12 * lineSpacingAt(fitted) > 12 * s16 - 10)
            --fitted;
        QCOMPARE(legend.drawLegendToPixmap(QSize(1000, 12 * s16 - 10)).height(), 12 * lineSpacingAt(fitted));

        // Not even at 4 points: cropped, and one warning per minute at most where
        // someone could answer it (not here: headless, and the tests set the flag).
        zebplotUserInteractionDisabled = false;
        zebplotHeadlessDisablesUserInteraction = false;
        QStringList warnings;
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                warnings.append(box->windowTitle());
                box->done(QMessageBox::Ok);
            }
        });
        closer.start(10);
        const QPixmap cropped = legend.drawLegendToPixmap(QSize(60, 50));
        QVERIFY(cropped.height() == 50 && cropped.width() <= 60);
        QCOMPARE(warnings, QStringList{"Timeplot legend does not fit."});
        legend.drawLegendToPixmap(QSize(60, 50));
        QTest::qWait(50);
        QCOMPARE(warnings.size(), 1);
        zebplotHeadlessDisablesUserInteraction = true;
        QVERIFY(isUserInteractionDisabled());
        zebplotUserInteractionDisabled = true;
    }

    void namesArePlainText()
    {
        // What a reader sees of a text Qt would take for markup.
        auto shown = [](QString const& text, Qt::TextFormat format = Qt::AutoText) {
            if (format == Qt::PlainText || !Qt::mightBeRichText(text))
                return text;
            QTextDocument document;
            document.setHtml(text);
            return document.toPlainText();
        };
        const QString name = "<b>G01</b> & <i>L1</i>";
        DataSets sets;
        sets.add(makeColorBar(name, {Qt::green}, {"<i>3D</i>"}));
        XYLegend legend(&sets.list, true, LEGEND_RIGHT, nullptr, 1000, nullptr);
        auto* label = qobject_cast<QLabel*>(at(legend, 0, 3));
        QCOMPARE(shown(label->text(), label->textFormat()), name);
        LookLegend* bar = legend.getColorBarLegend(sets.list[0]);
        const QList<QLabel*> labels = bar->findChildren<QLabel*>();
        QCOMPARE(shown(labels.first()->text()), name);
        QCOMPARE(shown(labels.last()->text(), labels.last()->textFormat()), QString("<i>3D</i>"));
        QCOMPARE(shown(bar->findChildren<QCheckBox*>().first()->toolTip()),
                 "Check or uncheck to show or hide epochs with " + name + " equal to <i>3D</i>.");
    }
};

QTEST_MAIN(TestXYLegend)
#include "tst_xylegend.moc"
