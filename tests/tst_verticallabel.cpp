#include <zebplot/zebplot.h>
#include <memleaktracer.h>

#include <QtTest>

#include <QImage>

namespace {

// Bounding box of the pixels that are not fully transparent.
QRect inkBox(const QImage& image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0)
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

class TestVerticalLabel : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase();
    void emptyTextTakesNoRoom();
    void textIsRenderedUpright();
    void fontChangesNeedFontAndUpdate();
};

void TestVerticalLabel::cleanupTestCase()
{
    QCOMPARE(MemLeakTracer::getInstance()->liveCount("VerticalLabel"), 0);
}

void TestVerticalLabel::emptyTextTakesNoRoom()
{
    VerticalLabel label;
    QCOMPARE(label.text(), QString());
    QCOMPARE(label.pixmap().size(), QSize(0, 0));
    QCOMPARE(label.QLabel::text(), QString());
    QCOMPARE(MemLeakTracer::getInstance()->liveCount("VerticalLabel"), 1);

    label.setText("Power (dB)");
    label.setText(QString());
    QCOMPARE(label.pixmap().size(), QSize(0, 0));
}

void TestVerticalLabel::textIsRenderedUpright()
{
    QFont font;
    font.setPointSize(10);
    VerticalLabel label;
    label.setFontAndUpdate(font);
    label.setText("Power");
    const QFontMetrics metrics(font);
    QCOMPARE(label.text(), QString("Power"));
    QCOMPARE(label.QLabel::text(), QString());
    QCOMPARE(label.pixmap().size(), QSize(metrics.height(), metrics.horizontalAdvance("Power")));

    // Reading upwards, the descender side of the glyphs faces right and the
    // capital P, the first letter, sits at the bottom: the ink of the bottom
    // fifth reaches further left (cap height) than that of the top fifth
    // (lower-case letters only).
    const QImage image = label.pixmap().toImage();
    const QRect all = inkBox(image);
    QVERIFY(all.isValid());
    const int fifth = image.height() / 5;
    const QRect bottom = inkBox(image.copy(0, image.height() - fifth, image.width(), fifth));
    const QRect top = inkBox(image.copy(0, 0, image.width(), fifth));
    QVERIFY2(bottom.left() < top.left(), qPrintable(QString("%1 %2").arg(bottom.left()).arg(top.left())));

    // The text is drawn in the window-text colour.
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, Qt::red);
    label.setPalette(palette);
    label.setText("Power");
    const QImage red = label.pixmap().toImage();
    bool sawRed = false;
    for (int y = 0; y < red.height() && !sawRed; ++y)
        for (int x = 0; x < red.width() && !sawRed; ++x)
            sawRed = qAlpha(red.pixel(x, y)) == 255 && qRed(red.pixel(x, y)) == 255 && qGreen(red.pixel(x, y)) == 0;
    QVERIFY(sawRed);
}

void TestVerticalLabel::fontChangesNeedFontAndUpdate()
{
    QFont small;
    small.setPointSize(8);
    QFont large;
    large.setPointSize(20);
    VerticalLabel label("Frequency", nullptr);
    label.setFontAndUpdate(small);
    const QSize before = label.pixmap().size();

    label.setFont(large);
    QCOMPARE(label.pixmap().size(), before);

    label.setFontAndUpdate(large);
    QCOMPARE(label.text(), QString("Frequency"));
    QVERIFY(label.pixmap().width() > before.width());
    QVERIFY(label.pixmap().height() > before.height());
}

QTEST_MAIN(TestVerticalLabel)
#include "tst_verticallabel.moc"
