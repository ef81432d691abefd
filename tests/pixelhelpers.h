#ifndef ZEBPLOT_TESTS_PIXELHELPERS_H
#define ZEBPLOT_TESTS_PIXELHELPERS_H

// Reading rendered images: painting into a plain image, counting pixels of an
// area, the box of the dark ones.

#include <QImage>
#include <QPainter>

#include <algorithm>

inline bool isWhite(QRgb pixel)
{
    return qRed(pixel) > 250 && qGreen(pixel) > 250 && qBlue(pixel) > 250;
}

inline bool isDark(QRgb pixel) { return qGray(pixel) < 128; }

/// The pixels of the area (the whole image when it is null) that satisfy the predicate.
template <typename Predicate>
int countPixels(QImage const& image, Predicate predicate, QRect area = QRect())
{
    area = area.isNull() ? image.rect() : area & image.rect();
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += bool(predicate(image.pixel(x, y)));
    return count;
}

inline int countPixels(QImage const& image, QColor color, QRect area = QRect())
{
    return countPixels(image, [rgb = color.rgba()](QRgb pixel) { return pixel == rgb; }, area);
}

inline int darkPixels(QImage const& image, QRect area = QRect()) { return countPixels(image, isDark, area); }


/// Bounding box of the pixels of the area that satisfy the predicate (invalid when there are none).
template <typename Predicate>
QRect boxOf(QImage const& image, QRect const& area, Predicate predicate)
{
    QRect box;
    const QRect clipped = area & image.rect();
    for (int y = clipped.top(); y <= clipped.bottom(); ++y)
        for (int x = clipped.left(); x <= clipped.right(); ++x)
            if (predicate(image.pixel(x, y)))
                box |= QRect(x, y, 1, 1);
    return box;
}

/// Bounding box of the pixels darker than the given grey level.
inline QRect darkBox(QImage const& image, QRect const& area, int below = 100)
{
    return boxOf(image, area, [below](QRgb pixel) { return qGray(pixel) < below; });
}

/// An image of the given size and colour with what paint(QPainter*) draws on it.
template <typename Paint>
QImage paintedImage(QSize size, QColor background, Paint paint)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(background);
    QPainter painter(&image);
    paint(&painter);
    return image;
}

#endif
