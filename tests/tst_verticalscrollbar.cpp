// VerticalScrollBar is internal to the library; this test builds its own copy
// of the class (see CMakeLists.txt).
#include <zebplot/zebplot.h>
#include <memleaktracer.h>
#include <verticalscrollbar.h>

#include <QtTest>

#include <QStyle>
#include <QStyleOptionSlider>

class TestVerticalScrollBar : public QObject
{
    Q_OBJECT

private slots:
    void buttonsMoveTheHandleTheWayTheyPoint()
    {
        std::unique_ptr<VerticalScrollBar> bar(new VerticalScrollBar());
        bar->setRange(0, 1000);
        bar->setPageStep(100);
        bar->setValue(500);
        bar->resize(bar->sizeHint().width(), 300);
        bar->show();
        QVERIFY(QTest::qWaitForWindowExposed(bar.get()));
        auto centreOf = [&](QStyle::SubControl control) {
            QStyleOptionSlider option;
            option.initFrom(bar.get());
            option.orientation = Qt::Vertical;
            option.maximum = bar->maximum();
            option.sliderPosition = bar->sliderPosition();
            option.pageStep = bar->pageStep();
            option.upsideDown = true;
            return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, control, bar.get()).center();
        };

        // The top arrow: once at the press, then after 500 ms every 50 ms until the release.
        const QPoint top = centreOf(QStyle::SC_ScrollBarSubLine);
        QElapsedTimer clock;
        clock.start();
        QTest::mousePress(bar.get(), Qt::LeftButton, Qt::NoModifier, top);
        QCOMPARE(bar->value(), 501);
        QTest::qWait(250);
        if (clock.elapsed() < 450)
            QCOMPARE(bar->value(), 501);
        QTRY_VERIFY_WITH_TIMEOUT(bar->value() >= 504, 3000);
        QTest::mouseRelease(bar.get(), Qt::LeftButton, Qt::NoModifier, top);
        bar->setValue(500);
        QTest::qWait(200);
        QCOMPARE(bar->value(), 500);

        // The bottom arrow and the page below the handle decrease, the page above increases.
        QTest::mouseClick(bar.get(), Qt::LeftButton, Qt::NoModifier, centreOf(QStyle::SC_ScrollBarAddLine));
        QCOMPARE(bar->value(), 499);
        bar->setValue(500);
        const QPoint handle = centreOf(QStyle::SC_ScrollBarSlider);
        QTest::mouseClick(bar.get(), Qt::LeftButton, Qt::NoModifier, handle - QPoint(0, 40));
        QCOMPARE(bar->value(), 600);
        QTest::mouseClick(bar.get(), Qt::LeftButton, Qt::NoModifier, centreOf(QStyle::SC_ScrollBarSlider) + QPoint(0, 40));
        QCOMPARE(bar->value(), 500);

        // The handle is dragged as on any scroll bar and let go at the release.
        QTest::mousePress(bar.get(), Qt::LeftButton, Qt::NoModifier, handle);
        QTest::mouseMove(bar.get(), handle - QPoint(0, 40));
        QVERIFY(bar->value() > 500);
        QTest::mouseRelease(bar.get(), Qt::LeftButton, Qt::NoModifier, handle - QPoint(0, 40));
        QVERIFY(!bar->isSliderDown());
        bar.reset();
        QCOMPARE(MemLeakTracer::getInstance()->liveCount("VerticalScrollBar"), 0);
    }
};

QTEST_MAIN(TestVerticalScrollBar)
#include "tst_verticalscrollbar.moc"
