#include "pixelhelpers.h"

#include <zebplot/zebplot.h>
#include <memleaktracer.h>

#include <QtTest>

class TestVerticalLabel : public QObject
{
    Q_OBJECT

private slots:
    void textReadsUpwards()
    {
        QFont font;
        font.setPointSize(10);
        auto* label = new VerticalLabel();
        QCOMPARE(label->pixmap().size(), QSize(0, 0));
        label->setFontAndUpdate(font);
        label->setText("Power");
        QCOMPARE(label->QLabel::text(), QString()); // drawn into the pixmap only
        const QFontMetrics metrics(font);
        QCOMPARE(label->pixmap().size(), QSize(metrics.height(), metrics.horizontalAdvance("Power")));

        // Upwards: the capital P (first letter) at the bottom reaches further to
        // the left, the cap-height side, than the lower-case letters at the top.
        const QImage image = label->pixmap().toImage();
        auto leftmostInk = [&](int fromRow, int rows) {
            return boxOf(image, QRect(0, fromRow, image.width(), rows), [](QRgb p) { return qAlpha(p) > 0; }).left();
        };
        const int fifth = image.height() / 5;
        QVERIFY(leftmostInk(image.height() - fifth, fifth) < leftmostInk(0, fifth));

        // A font change needs setFontAndUpdate to show; an empty text takes no room.
        const QSize before = label->pixmap().size();
        font.setPointSize(20);
        label->setFont(font);
        QCOMPARE(label->pixmap().size(), before);
        label->setFontAndUpdate(font);
        QVERIFY(label->pixmap().width() > before.width() && label->pixmap().height() > before.height());
        label->setText(QString());
        QCOMPARE(label->pixmap().size(), QSize(0, 0));
        delete label;
        QCOMPARE(MemLeakTracer::getInstance()->liveCount("VerticalLabel"), 0);
    }
};

QTEST_MAIN(TestVerticalLabel)
#include "tst_verticallabel.moc"
