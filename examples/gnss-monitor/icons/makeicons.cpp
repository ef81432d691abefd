// Paints the tool-bar icons of the GNSS Monitor into the directory given.
// Line art on a transparent background, drawn for 24 x 24 pixels (the large
// window icon at 64 x 64), so that it stays legible at 16 pixels.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <functional>

namespace {

const QColor kInk(40, 60, 90);
const QColor kAccent(30, 120, 200);
const QColor kWarn(200, 40, 40);

bool paint(QDir const& dir, QString const& name, int size, std::function<void(QPainter&)> const& draw)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 24.0, size / 24.0);
    draw(painter);
    painter.end();
    const QString path = dir.filePath(name);
    const bool ok = image.save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

QPen pen(QColor color, double width = 2.0)
{
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// Four corner brackets and arrows pointing outwards along the given axes.
void showAll(QPainter& p, bool horizontal, bool vertical)
{
    p.setPen(pen(kInk, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(6, 6, 12, 12));
    p.setPen(pen(kAccent, 2.0));
    auto arrow = [&](QPointF from, QPointF to, QPointF a, QPointF b) {
        p.drawLine(from, to);
        p.drawLine(to, a);
        p.drawLine(to, b);
    };
    if (horizontal) {
        arrow({9, 12}, {2, 12}, {5, 9}, {5, 15});
        arrow({15, 12}, {22, 12}, {19, 9}, {19, 15});
    }
    if (vertical) {
        arrow({12, 9}, {12, 2}, {9, 5}, {15, 5});
        arrow({12, 15}, {12, 22}, {9, 19}, {15, 19});
    }
}

// Two small plots linked by a chain, scope given by the badge.
void sync(QPainter& p, QString const& badge, bool linked)
{
    p.setPen(pen(kInk, 1.4));
    p.setBrush(QColor(255, 255, 255, 220));
    p.drawRect(QRectF(2, 3, 13, 8));
    p.drawRect(QRectF(2, 13, 13, 8));
    p.setPen(pen(kAccent, 1.6));
    QPainterPath a, b;
    a.moveTo(3.5, 9);
    a.lineTo(7, 5.5);
    a.lineTo(10, 8);
    a.lineTo(13.5, 4.5);
    b.moveTo(3.5, 19);
    b.lineTo(7, 15.5);
    b.lineTo(10, 18);
    b.lineTo(13.5, 14.5);
    p.setBrush(Qt::NoBrush);
    p.drawPath(a);
    p.drawPath(b);
    if (linked) {
        p.setPen(pen(kAccent, 2.0));
        p.drawLine(QPointF(8.5, 11), QPointF(8.5, 13));
    } else {
        p.setPen(pen(kWarn, 2.2));
        p.drawLine(QPointF(15, 6), QPointF(22, 18));
        p.drawLine(QPointF(22, 6), QPointF(15, 18));
        return;
    }
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawRoundedRect(QRectF(15, 7, 9, 10), 2, 2);
    QFont font;
    font.setPixelSize(8);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(15, 7, 9, 10), Qt::AlignCenter, badge);
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    bool ok = true;
    ok &= paint(dir, QStringLiteral("tp_showall_small.png"), 24, [](QPainter& p) { showAll(p, true, true); });
    ok &= paint(dir, QStringLiteral("tp_showall_horizontal_small.png"), 24,
                [](QPainter& p) { showAll(p, true, false); });
    ok &= paint(dir, QStringLiteral("tp_showall_vertical_small.png"), 24,
                [](QPainter& p) { showAll(p, false, true); });
    ok &= paint(dir, QStringLiteral("tp_sync_all.png"), 24, [](QPainter& p) { sync(p, QStringLiteral("A"), true); });
    ok &= paint(dir, QStringLiteral("tp_sync_file.png"), 24, [](QPainter& p) { sync(p, QStringLiteral("F"), true); });
    ok &= paint(dir, QStringLiteral("tp_sync_view.png"), 24, [](QPainter& p) { sync(p, QStringLiteral("V"), true); });
    ok &= paint(dir, QStringLiteral("tp_sync_no.png"), 24, [](QPainter& p) { sync(p, QString(), false); });
    ok &= paint(dir, QStringLiteral("tp_zoom.png"), 24, [](QPainter& p) {
        p.setPen(pen(kInk, 2.0));
        p.setBrush(QColor(255, 255, 255, 200));
        p.drawEllipse(QPointF(10, 10), 6.5, 6.5);
        p.setPen(pen(kInk, 3.0));
        p.drawLine(QPointF(15, 15), QPointF(21, 21));
        p.setPen(pen(kAccent, 1.8));
        p.drawLine(QPointF(7, 10), QPointF(13, 10));
        p.drawLine(QPointF(10, 7), QPointF(10, 13));
    });
    ok &= paint(dir, QStringLiteral("tp_pan.png"), 24, [](QPainter& p) {
        p.setPen(pen(kAccent, 2.0));
        auto arrow = [&](QPointF to, QPointF a, QPointF b) {
            p.drawLine(QPointF(12, 12), to);
            p.drawLine(to, a);
            p.drawLine(to, b);
        };
        arrow({12, 2}, {9, 5}, {15, 5});
        arrow({12, 22}, {9, 19}, {15, 19});
        arrow({2, 12}, {5, 9}, {5, 15});
        arrow({22, 12}, {19, 9}, {19, 15});
        p.setPen(Qt::NoPen);
        p.setBrush(kInk);
        p.drawEllipse(QPointF(12, 12), 2.5, 2.5);
    });
    ok &= paint(dir, QStringLiteral("tp_tracking.png"), 24, [](QPainter& p) {
        p.setPen(pen(kInk, 1.4));
        p.drawLine(QPointF(12, 2), QPointF(12, 22));
        p.drawLine(QPointF(2, 12), QPointF(22, 12));
        p.setPen(pen(kAccent, 2.0));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(12, 12), 5, 5);
    });
    ok &= paint(dir, QStringLiteral("timeplot_big.png"), 64, [](QPainter& p) {
        p.setPen(pen(kInk, 1.2));
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(1.5, 1.5, 21, 21), 2.5, 2.5);
        p.setPen(pen(QColor(200, 205, 215), 0.6));
        for (double x = 6; x < 22; x += 5)
            p.drawLine(QPointF(x, 3), QPointF(x, 17));
        p.setPen(pen(kAccent, 1.4));
        QPainterPath curve;
        curve.moveTo(3, 12);
        curve.cubicTo(7, 4, 10, 15, 14, 8);
        curve.cubicTo(16, 5, 18, 7, 21, 5);
        p.setBrush(Qt::NoBrush);
        p.drawPath(curve);
        // A fix-mode bar along the bottom.
        const QColor bar[] = {QColor(200, 30, 30), QColor(245, 150, 0), QColor(60, 130, 230), QColor(30, 160, 60)};
        for (int i = 0; i < 4; ++i) {
            p.setPen(Qt::NoPen);
            p.setBrush(bar[i]);
            p.drawRect(QRectF(3 + 4.5 * i, 18, 4.5, 2.5));
        }
    });
    return ok ? 0 : 1;
}
