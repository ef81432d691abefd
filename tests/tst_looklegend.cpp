#include "plottesthelpers.h"

#include <memleaktracer.h>

#include <QtTest>

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>

namespace {

const QList<QColor> kColors{QColor(0, 160, 0), QColor(240, 190, 0), QColor(220, 40, 40)};
const QStringList kTexts{"3D", "2D", "none"};

QWidget* at(LookLegend& legend, int row, int column)
{
    QLayoutItem* item = qobject_cast<QGridLayout*>(legend.layout())->itemAtPosition(row, column);
    return item ? item->widget() : nullptr;
}

QCheckBox* boxAt(LookLegend& legend, int row)
{
    return qobject_cast<QCheckBox*>(at(legend, row, 0));
}

} // namespace

class TestLookLegend : public QObject
{
    Q_OBJECT

private slots:
    void rowsHeadingAndToolTips()
    {
        std::unique_ptr<XYDataSet> bar(makeColorBar("Fix Bar", kColors, kTexts));
        {
            LookLegend legend(bar.get(), nullptr);
            QCOMPARE(qobject_cast<QLabel*>(at(legend, 0, 1))->text(), QString("<b><u>Fix Bar</u></b>"));
            for (int i = 0; i < 3; ++i)
                QVERIFY(qobject_cast<QLabel*>(at(legend, i + 1, 2))->text() == kTexts[i] && boxAt(legend, i + 1)->isChecked());
            QCOMPARE(boxAt(legend, 2)->toolTip(), QString("Check or uncheck to show or hide epochs with Fix Bar equal to 2D."));
            // A new appearance rebuilds at once.
            bar->getLook()->setMustIncludeAllEntriesInLegend(false);
            bar->getLook()->changeFromLast(Qt::blue, SYMBOL_NONE, Qt::SolidLine, 6);
            QCOMPARE(legend.findChildren<QCheckBox*>().size(), 4);
        }
        QCOMPARE(MemLeakTracer::getInstance()->liveCount("LookLegend"), 0);

        // No name: no heading, the short tool tip.  Without filtering: hidden boxes.
        bar->getLook()->setMustIncludeAllEntriesInLegend(true);
        bar->name.clear();
        bar->getLook()->setAllowFiltering(false);
        LookLegend untitled(bar.get(), nullptr);
        QCOMPARE(boxAt(untitled, 0)->toolTip(), QString("Check or uncheck to show or hide epochs with 3D."));
        QVERIFY(boxAt(untitled, 0)->isHidden());
    }

    void uncheckingMasksTheEntry()
    {
        std::unique_ptr<XYDataSet> bar(makeColorBar("Fix", kColors, kTexts));
        auto* listener = qobject_cast<ColorBarDrawListener*>(bar->getDrawListener());
        LookLegend legend(bar.get(), nullptr);
        QSignalSpy changed(&legend, &LookLegend::filterChanged);
        const Look::Entry twoD(kColors[1], SYMBOL_NONE, Qt::SolidLine, 6);

        listener->drawingDataPoint(15, 40);
        boxAt(legend, 2)->setChecked(false);
        QVERIFY(listener->isFiltered(twoD) && changed.count() == 1);
        QCOMPARE(listener->excludeDataPointsAtViewportX(40), ColorBarDrawListener::Uninitialized);

        // A rebuild (200 ms after updateLater) takes the state back from the
        // listener into the boxes it has, and reports nothing.
        QCheckBox* box = boxAt(legend, 2);
        listener->filterEntry(twoD, false);
        legend.updateLater();
        QVERIFY(!box->isChecked());
        QTRY_VERIFY(box->isChecked());
        QVERIFY(boxAt(legend, 2) == box && boxAt(legend, 1)->isChecked() && changed.count() == 1);
        box->setChecked(false);
        QVERIFY(listener->isFiltered(twoD) && changed.count() == 2);

        bar->setDrawListener(nullptr);
        LookLegend noListener(bar.get(), nullptr);
        QVERIFY(boxAt(noListener, 1)->isHidden());
    }

    void pictureAndTooltipTable()
    {
        std::unique_ptr<XYDataSet> bar(makeColorBar("Fix", {QColor(255, 0, 0)}, {"bad"}));
        LookLegend legend(bar.get(), nullptr);
        // A square of half size 3 * 2 + 3 = 9 about the centre (7, h / 2), and the line through it.
        const QImage image = legend.createPixmap(Look::Entry(Qt::red, SYMBOL_SQUARE, Qt::NoPen, 2), Qt::white).toImage();
        const int cy = QFontMetrics(legend.font()).height() / 2;
        QVERIFY(image.width() == 19 && image.pixelColor(16, cy - 4) == Qt::red && image.pixelColor(13, cy - 4) == Qt::white);

        QCOMPARE(LookLegend::generateTooltipText(nullptr, QString()), QString("<html><table></table></html>"));
        QCOMPARE(LookLegend::generateTooltipText(bar->getLook(), "Fix"),
                 QString("<html><table><tr><th colspan=\"2\">Fix</th></tr><tr><td><div style=\"font-size:small;"
                         "border-style:solid; border-color:black;background-color:#ff0000;\"></div></td><td>bad</td>"
                         "</tr></table></html>"));
    }
};

QTEST_MAIN(TestLookLegend)
#include "tst_looklegend.moc"
