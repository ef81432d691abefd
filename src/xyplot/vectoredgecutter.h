#ifndef ZEBPLOT_VECTOREDGECUTTER_H
#define ZEBPLOT_VECTOREDGECUTTER_H

#include "vectorshaperecorder.h"

#include <QPaintDevice>
#include <QPainter>
#include <QRectF>
#include <QSize>
#include <QTransform>

#include <memory>

class QPaintEngine;

/// A paint device that passes what is drawn on it straight on to a painter
/// of a vector device (PDF, SVG, printer), and cuts by geometry whatever
/// would reach beyond a rectangle of that painter.
///
/// A raster painter's clip cuts a symbol or a thick line that sticks out of
/// the canvas at the canvas's edge; an SVG file has no clipping, so there the
/// same drawing would reach over the frame and the scales.  A primitive whose
/// painted area (its stroke's width and caps included) lies within the
/// rectangle goes to the target unchanged, with its pen, brush and transform:
/// lines stay lines, ellipses ellipses, and the file is as small as before.
/// Only the few that cross the rectangle's border become the filled outlines
/// of their inside parts.  Texts and pictures are passed on uncut.
///
/// The drawing painter starts in the target painter's coordinates at the
/// time the device is made, with a viewport and window of size: code that
/// sets a window of that size draws as it would on the target.  The target's
/// state is saved on construction and restored on destruction; end the
/// drawing painter first.
///
/// Not part of the library's interface: the canvas draws data sets and
/// markers through it on vector devices only; raster drawing never does.
class VectorEdgeCutter : public QPaintDevice
{
public:
    /// Passes drawing on to target, cut to clip (in target's coordinates).
    VectorEdgeCutter(QPainter* target, QRectF const& clip, QSize size);
    ~VectorEdgeCutter() override;
    VectorEdgeCutter(VectorEdgeCutter const&) = delete;
    VectorEdgeCutter& operator=(VectorEdgeCutter const&) = delete;

    /// Draws with target what draw(QPainter*) draws, cut to clip (in
    /// target's coordinates); the drawing painter starts with target's pen,
    /// brush, font and render hints.
    template <typename Draw>
    static void drawCut(QPainter* target, QRectF const& clip, QSize size, Draw&& draw)
    {
        VectorEdgeCutter cutter(target, clip, size);
        QPainter cutting(&cutter);
        cutting.setPen(target->pen());
        cutting.setBrush(target->brush());
        cutting.setFont(target->font());
        cutting.setRenderHints(target->renderHints());
        draw(&cutting);
    }

    /// What draw(QPainter*) draws: with target itself on a raster device,
    /// whose clip cuts it, through drawCut() on a vector device.
    template <typename Draw>
    static void drawCutOnVectorDevice(QPainter* target, QRectF const& clip, QSize size, Draw&& draw)
    {
        if (VectorShapeRecorder::isVectorDevice(target))
            drawCut(target, clip, size, draw);
        else
            draw(target);
    }

    /// The engine that passes the drawing on; owned by the device.
    QPaintEngine* paintEngine() const override;

protected:
    /// Metrics of a 96-dpi device of the given size.
    int metric(PaintDeviceMetric metric) const override;

private:
    class Engine;

    QPainter* target;
    QSize size;
    std::unique_ptr<Engine> engine;
};

#endif
