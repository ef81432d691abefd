// Checks a rendered image: its size, that it is not blank (enough distinct
// colours) and that given colours are present.
//
//   gnss-monitor-pngcheck FILE WxH MIN_COLOURS [#rrggbb ...]
//
// A colour counts as present when at least 400 pixels lie within 12 per
// channel of it (anti-aliasing blends the edges of lines and bars): more than
// a legend swatch holds, so the curve or bar itself must have been drawn.
#include <QColor>
#include <QImage>
#include <QSet>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

constexpr int kMinPixels = 400;

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s FILE WxH MIN_COLOURS [#rrggbb ...]\n", argv[0]);
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[1]);
    const QStringList size = QString::fromLatin1(argv[2]).split(QLatin1Char('x'));
    const int minColours = std::atoi(argv[3]);
    QImage image(file);
    if (image.isNull()) {
        std::printf("FAIL %s: cannot be read\n", qPrintable(file));
        return 1;
    }
    image = image.convertToFormat(QImage::Format_RGB32);
    bool ok = true;
    if (size.size() != 2 || image.width() != size[0].toInt() || image.height() != size[1].toInt()) {
        std::printf("FAIL %s: size %dx%d, expected %s\n", qPrintable(file), image.width(), image.height(), argv[2]);
        ok = false;
    }
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            colours.insert(line[x] & 0xffffff);
    }
    if (colours.size() < minColours) {
        std::printf("FAIL %s: %d distinct colours, expected at least %d\n", qPrintable(file), int(colours.size()),
                    minColours);
        ok = false;
    }
    for (int i = 4; i < argc; ++i) {
        const QColor wanted(QString::fromLatin1(argv[i]));
        int hits = 0;
        for (int y = 0; y < image.height(); ++y) {
            const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                if (std::abs(qRed(line[x]) - wanted.red()) <= 12 && std::abs(qGreen(line[x]) - wanted.green()) <= 12
                    && std::abs(qBlue(line[x]) - wanted.blue()) <= 12)
                    ++hits;
            }
        }
        if (hits < kMinPixels) {
            std::printf("FAIL %s: colour %s in %d pixels only\n", qPrintable(file), argv[i], hits);
            ok = false;
        } else {
            std::printf("   %s: %d pixels\n", argv[i], hits);
        }
    }
    if (ok)
        std::printf("ok %s: %dx%d, %d colours\n", qPrintable(file), image.width(), image.height(),
                    int(colours.size()));
    return ok ? 0 : 1;
}
