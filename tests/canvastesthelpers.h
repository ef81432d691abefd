#ifndef ZEBPLOT_TESTS_CANVASTESTHELPERS_H
#define ZEBPLOT_TESTS_CANVASTESTHELPERS_H

// Small fixtures shared by the canvas tests: a canvas with its own data-set and
// marker lists, and rendering into an image of a chosen size.

#include <zebplot/zebplot.h>

#include <QImage>
#include <QPainter>

#include <memory>

struct CanvasFixture
{
    QList<XYDataSet*> dataSets;
    QList<Marker_t*> markers;
    QList<EllipseMarker_t*> ellipses;
    QList<CrossMarker_t*> crosses;
    QList<BandMarker_t*> bands;
    std::unique_ptr<XYCanvas> canvas;

    explicit CanvasFixture(bool skipBackwardLines = false)
        : canvas(new XYCanvas(&dataSets, &markers, &ellipses, &crosses, &bands, skipBackwardLines, nullptr))
    {
    }
    ~CanvasFixture()
    {
        canvas.reset();
        qDeleteAll(dataSets);
    }

    XYDataSet* addDataSet(QList<double> const& xs, QList<double> const& ys, QColor color = Qt::black,
                          E_SYMBOL symbol = SYMBOL_NONE, Qt::PenStyle pen = Qt::SolidLine, int thickness = 1)
    {
        auto* x = new DataArrayTemplate<double>();
        auto* y = new DataArrayTemplate<double>();
        auto* dataSet = new XYDataSet(x, y, QString("set %1").arg(dataSets.size()), color, symbol, pen, thickness,
                                      nullptr);
        for (int i = 0; i < xs.size(); ++i)
            dataSet->append(xs[i], ys[i]);
        dataSets.append(dataSet);
        return dataSet;
    }

    /// Paints the canvas into a white image of the given logical size and
    /// device pixel ratio (a full redraw happens whenever the size, the ratio
    /// or the view changed).
    QImage render(int width, int height, QImage* into = nullptr, qreal ratio = 1.0)
    {
        QImage image(QSize(width, height) * ratio, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::white);
        if (into)
            image = *into;
        QPainter painter(&image);
        canvas->drawCanvas(&painter);
        painter.end();
        return image;
    }
};

inline bool isWhite(QRgb pixel)
{
    return qRed(pixel) > 250 && qGreen(pixel) > 250 && qBlue(pixel) > 250;
}

inline int darkPixelsInColumn(QImage const& image, int x)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        if (qGray(image.pixel(x, y)) < 128)
            ++count;
    return count;
}

inline int darkPixels(QImage const& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                ++count;
    return count;
}

#endif
