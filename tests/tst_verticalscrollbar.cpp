// VerticalScrollBar is internal to the library; this test builds its own copy
// of the class (see CMakeLists.txt).
#include <zebplot/zebplot.h>
#include <memleaktracer.h>
#include <verticalscrollbar.h>

#include <QtTest>

#include <QStyle>
#include <QStyleOptionSlider>

namespace {

QPoint centreOf(VerticalScrollBar& bar, QStyle::SubControl control)
{
    QStyleOptionSlider option;
    option.initFrom(&bar);
    option.subControls = QStyle::SC_All;
    option.orientation = bar.orientation();
    option.minimum = bar.minimum();
    option.maximum = bar.maximum();
    option.sliderPosition = bar.sliderPosition();
    option.sliderValue = bar.value();
    option.singleStep = bar.singleStep();
    option.pageStep = bar.pageStep();
    option.upsideDown = bar.invertedAppearance();
    return bar.style()->subControlRect(QStyle::CC_ScrollBar, &option, control, &bar).center();
}

} // namespace

class TestVerticalScrollBar : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase();
    void minimumAtTheBottom();
    void arrowsRepeatWhileHeld();
    void pageAreasMoveTowardsThemselves();
    void handleDragIsStandard();

private:
    void setUp(VerticalScrollBar& bar);
};

void TestVerticalScrollBar::cleanupTestCase()
{
    QCOMPARE(MemLeakTracer::getInstance()->liveCount("VerticalScrollBar"), 0);
}

void TestVerticalScrollBar::setUp(VerticalScrollBar& bar)
{
    bar.setRange(0, 1000);
    bar.setPageStep(100);
    bar.setSingleStep(1);
    bar.setValue(500);
    bar.resize(bar.sizeHint().width(), 300);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
}

void TestVerticalScrollBar::minimumAtTheBottom()
{
    VerticalScrollBar bar;
    QCOMPARE(bar.orientation(), Qt::Vertical);
    QVERIFY(bar.invertedAppearance());
    QVERIFY(!bar.invertedControls());
    QCOMPARE(MemLeakTracer::getInstance()->liveCount("VerticalScrollBar"), 1);
    setUp(bar);
    const int atMiddle = centreOf(bar, QStyle::SC_ScrollBarSlider).y();
    bar.setValue(900);
    QVERIFY(centreOf(bar, QStyle::SC_ScrollBarSlider).y() < atMiddle);
}

void TestVerticalScrollBar::arrowsRepeatWhileHeld()
{
    VerticalScrollBar bar;
    setUp(bar);
    const QPoint top = centreOf(bar, QStyle::SC_ScrollBarSubLine);
    const QPoint bottom = centreOf(bar, QStyle::SC_ScrollBarAddLine);
    QVERIFY(top.y() < bottom.y());

    // Once at the press, nothing more during the first 500 ms.
    QElapsedTimer clock;
    clock.start();
    QTest::mousePress(&bar, Qt::LeftButton, Qt::NoModifier, top);
    QCOMPARE(bar.value(), 501);
    QTest::qWait(250);
    if (clock.elapsed() < 450)
        QCOMPARE(bar.value(), 501);
    // Then every 50 ms until the release.
    QTRY_VERIFY_WITH_TIMEOUT(bar.value() >= 504, 3000);
    QTest::mouseRelease(&bar, Qt::LeftButton, Qt::NoModifier, top);
    const int released = bar.value();
    QTest::qWait(200);
    QCOMPARE(bar.value(), released);

    QTest::mousePress(&bar, Qt::LeftButton, Qt::NoModifier, bottom);
    QCOMPARE(bar.value(), released - 1);
    QTest::mouseRelease(&bar, Qt::LeftButton, Qt::NoModifier, bottom);
    QTest::qWait(600);
    QCOMPARE(bar.value(), released - 1);
}

void TestVerticalScrollBar::pageAreasMoveTowardsThemselves()
{
    VerticalScrollBar bar;
    setUp(bar);
    const QRect slider = [&] {
        QStyleOptionSlider option;
        option.initFrom(&bar);
        option.orientation = Qt::Vertical;
        option.maximum = bar.maximum();
        option.sliderPosition = bar.sliderPosition();
        option.sliderValue = bar.value();
        option.pageStep = bar.pageStep();
        option.upsideDown = true;
        return bar.style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, &bar);
    }();
    const QPoint above(slider.center().x(), slider.top() - 10);
    const QPoint below(slider.center().x(), slider.bottom() + 10);

    QTest::mouseClick(&bar, Qt::LeftButton, Qt::NoModifier, above);
    QCOMPARE(bar.value(), 600);
    QTest::mouseClick(&bar, Qt::LeftButton, Qt::NoModifier, below);
    QTest::mouseClick(&bar, Qt::LeftButton, Qt::NoModifier, below);
    QCOMPARE(bar.value(), 400);
}

void TestVerticalScrollBar::handleDragIsStandard()
{
    VerticalScrollBar bar;
    setUp(bar);
    const QPoint handle = centreOf(bar, QStyle::SC_ScrollBarSlider);
    QTest::mousePress(&bar, Qt::LeftButton, Qt::NoModifier, handle);
    QVERIFY(bar.isSliderDown());
    QCOMPARE(bar.value(), 500);
    QMouseEvent move(QEvent::MouseMove, QPointF(handle.x(), handle.y() - 40), bar.mapToGlobal(QPointF(handle.x(), handle.y() - 40)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&bar, &move);
    QVERIFY(bar.value() > 500);
    const int dragged = bar.value();
    QTest::mouseRelease(&bar, Qt::LeftButton, Qt::NoModifier, QPoint(handle.x(), handle.y() - 40));
    QVERIFY(!bar.isSliderDown());
    QCOMPARE(bar.value(), dragged);
}

QTEST_MAIN(TestVerticalScrollBar)
#include "tst_verticalscrollbar.moc"
