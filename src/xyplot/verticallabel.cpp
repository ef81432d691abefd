#include "verticallabel.h"

#include "memleaktracer.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPixmap>

VerticalLabel::VerticalLabel(QString text, QWidget* parent) : QLabel(parent, Qt::WindowFlags())
{
    MemLeakTracer::getInstance()->doAllocateObject("VerticalLabel");
    setTextPixmap(text);
}

VerticalLabel::~VerticalLabel()
{
    MemLeakTracer::getInstance()->doDeallocateObject("VerticalLabel");
}

void VerticalLabel::setText(QString text)
{
    setTextPixmap(text);
}

QString VerticalLabel::text() const
{
    return labelText;
}

void VerticalLabel::setTextPixmap(QString text)
{
    labelText = text;
    if (text.isEmpty()) {
        QPixmap empty(0, 0);
        empty.fill(Qt::transparent);
        setPixmap(empty);
        return;
    }

    const QFontMetrics metrics(font());
    const int h = metrics.height();
    const int w = metrics.horizontalAdvance(text);
    QPixmap pixmap(h, w);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setFont(font());
    painter.setPen(palette().color(palette().currentColorGroup(), QPalette::WindowText));
    // Turned by -90 degrees the rectangle (-w, 0, w, h) covers the whole
    // pixmap, and the text runs upwards.
    painter.rotate(-90);
    painter.drawText(QRect(-w, 0, w, h), Qt::AlignCenter, text);
    painter.end();
    setPixmap(pixmap);
}

void VerticalLabel::setFontAndUpdate(QFont font)
{
    QWidget::setFont(font);
    setTextPixmap(labelText);
}
