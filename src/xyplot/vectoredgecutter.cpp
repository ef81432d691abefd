#include "vectoredgecutter.h"

#include "statetrackingpaintengine.h"
#include "vectorshaperecorder.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

// Passes every primitive on to the target as the same call, or as filled
// outlines cut to the clip when it reaches beyond it.
class VectorEdgeCutter::Engine : public StateTrackingPaintEngine
{
public:
    using StateTrackingPaintEngine::drawPolygon;
    Engine(QPainter* target, QRectF const& clip)
        : target(target), clip(clip), base(target->worldTransform())
    {
        clipPath.addRect(clip);
    }

    void drawLines(QLineF const* lines, int lineCount) override
    {
        for (int i = 0; i < lineCount; ++i)
            drawLine(lines[i], [&] { target->drawLine(lines[i]); });
    }

    void drawLines(QLine const* lines, int lineCount) override
    {
        for (int i = 0; i < lineCount; ++i)
            drawLine(QLineF(lines[i]), [&] { target->drawLine(lines[i]); });
    }

    void drawRects(QRectF const* rects, int rectCount) override
    {
        for (int i = 0; i < rectCount; ++i) {
            QPainterPath path;
            path.addRect(rects[i]);
            pass(path, true, [&] { target->drawRect(rects[i]); });
        }
    }

    void drawRects(QRect const* rects, int rectCount) override
    {
        for (int i = 0; i < rectCount; ++i) {
            QPainterPath path;
            path.addRect(QRectF(rects[i]));
            pass(path, true, [&] { target->drawRect(rects[i]); });
        }
    }

    void drawEllipse(QRectF const& rect) override
    {
        QPainterPath path;
        path.addEllipse(rect);
        pass(path, true, [&] { target->drawEllipse(rect); });
    }

    void drawEllipse(QRect const& rect) override
    {
        QPainterPath path;
        path.addEllipse(QRectF(rect));
        pass(path, true, [&] { target->drawEllipse(rect); });
    }

    void drawPath(QPainterPath const& path) override
    {
        pass(path, true, [&] { target->drawPath(path); });
    }

    void drawPolygon(QPointF const* points, int pointCount, PolygonDrawMode mode) override
    {
        const QPolygonF polygon(QList<QPointF>(points, points + pointCount));
        QPainterPath path;
        path.addPolygon(polygon);
        const bool closed = mode != PolylineMode;
        if (closed) {
            path.closeSubpath();
            path.setFillRule(mode == WindingMode ? Qt::WindingFill : Qt::OddEvenFill);
        }
        pass(path, closed, [&] {
            if (!closed)
                target->drawPolyline(polygon);
            else
                target->drawPolygon(polygon, mode == WindingMode ? Qt::WindingFill : Qt::OddEvenFill);
        });
    }

    // A marker's label: text stays text, uncut.
    void drawTextItem(QPointF const& p, QTextItem const& textItem) override
    {
        applyState();
        target->setFont(textItem.font());
        target->drawText(p, textItem.text());
    }

    void drawPixmap(QRectF const& r, QPixmap const& pixmap, QRectF const& sr) override
    {
        applyState();
        target->drawPixmap(r, pixmap, sr);
    }

private:
    // The target draws with this engine's pen, brush and transform.  Only
    // what changed is set: a vector engine writes its state out anew for
    // every change.
    void applyState()
    {
        const QTransform wanted = transform * base;
        if (target->worldTransform() != wanted)
            target->setWorldTransform(wanted);
        target->setPen(pen);
        target->setBrush(brush);
    }

    // How far beyond the path the pen paints, in the engine's coordinates:
    // half the width, more at the corners of square caps and mitred joins.
    qreal penReach() const
    {
        if (pen.style() == Qt::NoPen || pen.isCosmetic())
            return 0;
        qreal factor = 1;
        if (pen.capStyle() == Qt::SquareCap)
            factor = M_SQRT2;
        if (pen.joinStyle() == Qt::MiterJoin || pen.joinStyle() == Qt::SvgMiterJoin)
            factor = std::max(factor, pen.miterLimit());
        return pen.widthF() / 2 * factor;
    }

    // Whether the painted area of path may reach beyond the clip.
    bool reachesOut(QPainterPath const& path) const
    {
        const qreal r = penReach();
        QRectF bounds = transform.mapRect(path.controlPointRect().adjusted(-r, -r, r, r));
        if (pen.style() != Qt::NoPen && pen.isCosmetic()) {
            // A cosmetic pen keeps its width whatever the transform.
            const qreal c = std::max<qreal>(pen.widthF(), 1.0) / 2 * M_SQRT2;
            bounds.adjust(-c, -c, c, c);
        }
        return !clip.contains(bounds);
    }

    // A line, drawn by draw as it came.  A horizontal or vertical line that
    // reaches beyond the clip only along its length (grid lines, a marker
    // across the canvas, a curve's vertical line down to the edge) is
    // shortened so that its caps end at the clip: it stays a line, not an
    // outline.  A dash pattern keeps its phase: it is offset by what the
    // start moved.
    template <typename Draw>
    void drawLine(QLineF const& line, Draw&& draw)
    {
        QPainterPath path(line.p1());
        path.lineTo(line.p2());
        const bool horizontal = line.y1() == line.y2();
        const bool axial = horizontal || line.x1() == line.x2();
        const bool plain = pen.style() != Qt::NoPen && !pen.isCosmetic() && pen.widthF() > 0
            && (pen.capStyle() == Qt::FlatCap || pen.capStyle() == Qt::SquareCap)
            && transform.type() <= QTransform::TxScale && transform.isInvertible();
        if (!axial || !plain || !reachesOut(path)) {
            pass(path, false, draw);
            return;
        }
        const QRectF inside = transform.inverted().mapRect(clip);
        const qreal half = pen.widthF() / 2;
        const qreal cap = pen.capStyle() == Qt::SquareCap ? half : 0;
        // Positions along the line and across it.
        const qreal start = horizontal ? line.x1() : line.y1();
        const qreal end = horizontal ? line.x2() : line.y2();
        const qreal across = horizontal ? line.y1() : line.x1();
        const qreal lo = (horizontal ? inside.left() : inside.top()) + cap;
        const qreal hi = (horizontal ? inside.right() : inside.bottom()) - cap;
        const bool fits = horizontal ? across - half >= inside.top() && across + half <= inside.bottom()
                                     : across - half >= inside.left() && across + half <= inside.right();
        if (!fits || std::max(lo, std::min(start, end)) > std::min(hi, std::max(start, end))) {
            pass(path, false, draw);
            return;
        }
        const qreal newStart = std::clamp(start, lo, hi);
        const qreal newEnd = std::clamp(end, lo, hi);
        const QLineF shortened = horizontal ? QLineF(newStart, across, newEnd, across)
                                            : QLineF(across, newStart, across, newEnd);
        applyState();
        if (pen.style() != Qt::SolidLine) {
            QPen shifted = pen;
            shifted.setDashOffset(pen.dashOffset() + std::abs(newStart - start) / pen.widthF());
            target->setPen(shifted);
        }
        target->drawLine(shortened);
    }

    template <typename Draw>
    void pass(QPainterPath const& path, bool filled, Draw&& draw)
    {
        if (path.isEmpty())
            return;
        if (!reachesOut(path)) {
            applyState();
            draw();
            return;
        }
        if (target->worldTransform() != base)
            target->setWorldTransform(base);
        if (filled && brush.style() != Qt::NoBrush)
            fillCut(transform.map(path), brush);
        if (pen.style() == Qt::NoPen)
            return;
        QPainterPathStroker stroker(pen);
        if (pen.isCosmetic()) {
            stroker.setWidth(std::max<qreal>(pen.widthF(), 1.0));
            fillCut(stroker.createStroke(transform.map(path)), pen.brush());
        } else {
            fillCut(transform.map(stroker.createStroke(path)), pen.brush());
        }
    }

    void fillCut(QPainterPath const& shape, QBrush const& fill)
    {
        const QPainterPath inside = shape.intersected(clipPath);
        if (!inside.isEmpty())
            target->fillPath(inside, fill);
    }

    QPainter* target;
    QRectF clip;
    QPainterPath clipPath;
    /// The target's world transform when the drawing began: the engine's
    /// coordinates are the target's coordinates under it.
    QTransform base;
};

VectorEdgeCutter::VectorEdgeCutter(QPainter* target, QRectF const& clip, QSize size)
    : target(target), size(size)
{
    target->save();
    engine = std::make_unique<Engine>(target, clip);
}

VectorEdgeCutter::~VectorEdgeCutter()
{
    target->restore();
}

QPaintEngine* VectorEdgeCutter::paintEngine() const
{
    return engine.get();
}

int VectorEdgeCutter::metric(PaintDeviceMetric metric) const
{
    if (const std::optional<int> value =
            VectorShapeRecorder::metricAt96Dpi(metric, QSize(std::max(size.width(), 1), std::max(size.height(), 1))))
        return *value;
    return QPaintDevice::metric(metric);
}
