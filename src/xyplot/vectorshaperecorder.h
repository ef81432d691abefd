#ifndef ZEBPLOT_VECTORSHAPERECORDER_H
#define ZEBPLOT_VECTORSHAPERECORDER_H

#include <QBrush>
#include <QPaintDevice>
#include <QPainterPath>
#include <QRectF>
#include <QSize>

#include <memory>
#include <optional>
#include <vector>

class QPaintEngine;
class QPainter;

/// A paint device that keeps what is drawn on it as filled shapes, to draw
/// them again onto a vector device (PDF, SVG, printer) cut to a rectangle.
///
/// Such devices do not all honour a painter's clipping (an SVG file has
/// none), so geometry that may reach beyond its part of the page is cut
/// here instead.  Horizontal solid lines with flat caps, which is how
/// colour-bar segments are drawn, become rectangles: consecutive segments
/// of one colour are joined into one, and a segment followed by a segment
/// of another colour reaches a little under it, so that an antialiasing
/// renderer shows no background between the two.  Everything else (symbols,
/// dashes, lines with other caps) is kept as the outline of its stroke and
/// fill.
///
/// Not part of the library's interface: the canvas uses it for colour bars
/// on vector devices only; raster drawing never goes through it.
class VectorShapeRecorder : public QPaintDevice
{
public:
    /// An empty recording.  Shapes are kept in the coordinates of the
    /// painter that draws on it (its transform applied), which are those of
    /// the painter replay() draws with.
    VectorShapeRecorder();
    ~VectorShapeRecorder() override;
    VectorShapeRecorder(VectorShapeRecorder const&) = delete;
    VectorShapeRecorder& operator=(VectorShapeRecorder const&) = delete;

    /// Draws everything recorded so far with target, in recording order,
    /// cut to clip, as fills only.  overlap is how far a bar segment reaches
    /// under a neighbour of another colour that starts where it ends; at
    /// most the neighbour's own length.
    void replay(QPainter* target, QRectF const& clip, qreal overlap) const;

    /// Whether painter draws on a vector device (PDF, SVG, printer): anything
    /// but the raster engine of images and pixmaps.
    static bool isVectorDevice(QPainter* painter);
    /// What a 96-dpi device of size device pixels at ratio 1 answers for
    /// metric, as the devices that pass drawing on to vector output report
    /// it; nothing for a metric the base class answers.
    static std::optional<int> metricAt96Dpi(PaintDeviceMetric metric, QSize size);

    /// The engine that records; owned by the device.
    QPaintEngine* paintEngine() const override;

protected:
    /// Metrics of a large 96-dpi device: nothing is cut while recording.
    int metric(PaintDeviceMetric metric) const override;

private:
    class Engine;
    friend class Engine;

    /// One recorded shape: a bar (rect) or an outline (path), filled with brush.
    struct Shape
    {
        bool bar = false;  ///< rect holds a colour-bar segment
        QRectF rect;       ///< the segment, for a bar
        QPainterPath path; ///< the filled outline, otherwise
        QBrush brush;      ///< what the shape is filled with
    };
    /// The recorded shapes with consecutive bars of one colour and band joined.
    std::vector<Shape> joined() const;

    std::vector<Shape> shapes;
    std::unique_ptr<Engine> engine;
};

#endif
