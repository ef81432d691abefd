#ifndef ZEBPLOT_STATETRACKINGPAINTENGINE_H
#define ZEBPLOT_STATETRACKINGPAINTENGINE_H

#include <QBrush>
#include <QList>
#include <QPaintEngine>
#include <QPen>
#include <QPointF>
#include <QTransform>

/// A paint engine that keeps the painter's pen, brush and transform for the
/// primitives it is given and draws nothing itself: the base of the engines
/// that record or pass on drawing for vector output.  AllFeatures keeps
/// QPainter from emulating anything: what arrives is what the caller drew.
///
/// Not part of the library's interface.
class StateTrackingPaintEngine : public QPaintEngine
{
public:
    /// An engine that claims every feature, so that QPainter passes each call on as it was made.
    StateTrackingPaintEngine() : QPaintEngine(AllFeatures) {}

    /// Nothing to set up: the device passes the drawing on or records it.
    bool begin(QPaintDevice*) override { return true; }
    /// Nothing to finish.
    bool end() override { return true; }
    /// A user engine: not the raster engine, so the canvas treats it as a vector device.
    Type type() const override { return User; }

    /// Keeps the painter's pen, brush and transform as they change.
    void updateState(QPaintEngineState const& state) override
    {
        if (state.state() & DirtyPen)
            pen = state.pen();
        if (state.state() & DirtyBrush)
            brush = state.brush();
        if (state.state() & DirtyTransform)
            transform = state.transform();
    }

    /// Integer polygons arrive as the floating-point ones.
    void drawPolygon(QPoint const* points, int pointCount, PolygonDrawMode mode) override
    {
        QList<QPointF> converted;
        converted.reserve(pointCount);
        for (int i = 0; i < pointCount; ++i)
            converted.append(QPointF(points[i]));
        drawPolygon(converted.constData(), pointCount, mode);
    }
    using QPaintEngine::drawPolygon;

protected:
    /// The painter's current pen.
    QPen pen;
    /// The painter's current brush.
    QBrush brush;
    /// The painter's current transform.
    QTransform transform;
};

#endif
