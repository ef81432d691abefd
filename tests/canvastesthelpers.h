#ifndef ZEBPLOT_TESTS_CANVASTESTHELPERS_H
#define ZEBPLOT_TESTS_CANVASTESTHELPERS_H

// Small fixtures shared by the canvas tests: a canvas with its own data-set and
// marker lists, and rendering into an image of a chosen size.

#include "pixelhelpers.h"

#include <zebplot/zebplot.h>

#include <QImage>
#include <QPainter>
#include <QThread>

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

    /// Shows the data and view bounds given.
    void showAll(Bounds const& view) { canvas->setBounds(view, view, true); }
    /// Shows the view and paints it, as render() does.
    QImage renderView(Bounds const& view, int width, int height) { showAll(view); return render(width, height); }

    /// Paints the canvas into a white image of the given logical size and
    /// device pixel ratio (a full redraw happens whenever the size, the ratio
    /// or the view changed).
    QImage render(int width, int height, qreal ratio = 1.0)
    {
        QImage image(QSize(width, height) * ratio, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::white);
        QPainter painter(&image);
        canvas->drawCanvas(&painter);
        return image;
    }
};

/// Notes the points the canvas reports as drawn; may stall at the first one to exhaust the time budget.
struct CountingListener : XYDataSetDrawListener
{
    using XYDataSetDrawListener::XYDataSetDrawListener;
    void drawingDataPoint(int index, int) override
    {
        if (stallMs > 0 && indices.isEmpty())
            QThread::msleep(stallMs);
        indices.append(index);
    }
    int stallMs = 0;
    QList<int> indices;
};

/// Gives the data set a CountingListener, which the data set owns.
inline CountingListener* listenTo(XYDataSet* dataSet, int stallMs = 0)
{
    auto* listener = new CountingListener(dataSet);
    listener->stallMs = stallMs;
    dataSet->setDrawListener(listener);
    return listener;
}

#endif
