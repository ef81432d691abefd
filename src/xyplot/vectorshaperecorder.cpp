#include "vectorshaperecorder.h"

#include "statetrackingpaintengine.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPainterPathStroker>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace {

// Recorded coordinates come from integer pixels scaled by simple factors:
// edges that meet are equal up to rounding noise.
constexpr qreal kSameEdge = 1e-6;

bool sameEdge(qreal a, qreal b)
{
    return std::abs(a - b) <= kSameEdge;
}

bool sameBand(QRectF const& a, QRectF const& b)
{
    return sameEdge(a.top(), b.top()) && sameEdge(a.bottom(), b.bottom());
}

} // namespace

// Records every primitive as filled shapes in the recording painter's
// coordinates mapped by its transform.
class VectorShapeRecorder::Engine : public StateTrackingPaintEngine
{
public:
    using StateTrackingPaintEngine::drawPolygon;
    explicit Engine(VectorShapeRecorder* recorder) : recorder(recorder) {}

    void drawLines(QLineF const* lines, int lineCount) override
    {
        // A colour-bar segment: a horizontal solid line with flat caps under
        // a transform that keeps rectangles rectangles.
        const bool barPen = pen.style() == Qt::SolidLine && pen.capStyle() == Qt::FlatCap && !pen.isCosmetic()
            && pen.brush().style() == Qt::SolidPattern && transform.type() <= QTransform::TxScale;
        for (int i = 0; i < lineCount; ++i) {
            QLineF const& line = lines[i];
            if (barPen && line.y1() == line.y2()) {
                if (line.x1() == line.x2())
                    continue; // flat caps on nothing: nothing to see
                const qreal half = pen.widthF() / 2;
                const QRectF segment(QPointF(std::min(line.x1(), line.x2()), line.y1() - half),
                                     QPointF(std::max(line.x1(), line.x2()), line.y1() + half));
                Shape shape;
                shape.bar = true;
                shape.rect = transform.mapRect(segment);
                shape.brush = pen.brush();
                recorder->shapes.push_back(shape);
                continue;
            }
            QPainterPath path(line.p1());
            path.lineTo(line.p2());
            addStroke(path);
        }
    }

    void drawLines(QLine const* lines, int lineCount) override
    {
        for (int i = 0; i < lineCount; ++i) {
            const QLineF line(lines[i]);
            drawLines(&line, 1);
        }
    }

    void drawPath(QPainterPath const& path) override
    {
        addFill(path);
        addStroke(path);
    }

    void drawPolygon(QPointF const* points, int pointCount, PolygonDrawMode mode) override
    {
        QPainterPath path;
        path.addPolygon(QPolygonF(QList<QPointF>(points, points + pointCount)));
        if (mode != PolylineMode) {
            path.closeSubpath();
            path.setFillRule(mode == WindingMode ? Qt::WindingFill : Qt::OddEvenFill);
            addFill(path);
        }
        addStroke(path);
    }

    // The canvas draws no pictures into a colour bar.
    void drawPixmap(QRectF const&, QPixmap const&, QRectF const&) override {}

private:
    void addFill(QPainterPath const& path)
    {
        if (brush.style() == Qt::NoBrush || path.isEmpty())
            return;
        Shape shape;
        shape.path = transform.map(path);
        shape.brush = brush;
        recorder->shapes.push_back(shape);
    }

    void addStroke(QPainterPath const& path)
    {
        if (pen.style() == Qt::NoPen || path.isEmpty())
            return;
        QPainterPathStroker stroker(pen);
        Shape shape;
        shape.brush = pen.brush();
        if (pen.isCosmetic()) {
            // A cosmetic pen keeps its width whatever the transform.
            stroker.setWidth(std::max<qreal>(pen.widthF(), 1.0));
            shape.path = stroker.createStroke(transform.map(path));
        } else {
            shape.path = transform.map(stroker.createStroke(path));
        }
        recorder->shapes.push_back(shape);
    }

    VectorShapeRecorder* recorder;
};

VectorShapeRecorder::VectorShapeRecorder() : engine(std::make_unique<Engine>(this)) {}

VectorShapeRecorder::~VectorShapeRecorder() = default;

QPaintEngine* VectorShapeRecorder::paintEngine() const
{
    return engine.get();
}

int VectorShapeRecorder::metric(PaintDeviceMetric metric) const
{
    constexpr int kExtent = 1 << 20;
    if (const std::optional<int> value = metricAt96Dpi(metric, QSize(kExtent, kExtent)))
        return *value;
    return QPaintDevice::metric(metric);
}

std::optional<int> VectorShapeRecorder::metricAt96Dpi(PaintDeviceMetric metric, QSize size)
{
    constexpr int kDotsPerInch = 96;
    switch (metric) {
    case PdmWidth:
        return size.width();
    case PdmHeight:
        return size.height();
    case PdmWidthMM:
        return qRound(size.width() * 25.4 / kDotsPerInch);
    case PdmHeightMM:
        return qRound(size.height() * 25.4 / kDotsPerInch);
    case PdmNumColors:
        return INT_MAX;
    case PdmDepth:
        return 32;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return kDotsPerInch;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return int(devicePixelRatioFScale());
    default:
        return std::nullopt;
    }
}

std::vector<VectorShapeRecorder::Shape> VectorShapeRecorder::joined() const
{
    std::vector<Shape> result;
    result.reserve(shapes.size());
    for (Shape const& shape : shapes) {
        if (shape.bar && !result.empty()) {
            Shape& last = result.back();
            // The next segment of a bar of one colour starts where the last
            // one ended (or within it, where a column held several points).
            if (last.bar && last.brush == shape.brush && sameBand(last.rect, shape.rect)
                && shape.rect.left() >= last.rect.left() - kSameEdge
                && shape.rect.left() <= last.rect.right() + kSameEdge) {
                last.rect.setRight(std::max(last.rect.right(), shape.rect.right()));
                continue;
            }
        }
        result.push_back(shape);
    }
    return result;
}

void VectorShapeRecorder::replay(QPainter* target, QRectF const& clip, qreal overlap) const
{
    const std::vector<Shape> list = joined();
    QPainterPath clipPath;
    clipPath.addRect(clip);
    for (size_t i = 0; i < list.size(); ++i) {
        Shape const& shape = list[i];
        if (shape.bar) {
            QRectF rect = shape.rect;
            // Two antialiased edges that meet on a fraction of a pixel each
            // let some background through: the segment reaches under its
            // successor, which is drawn over it.
            if (i + 1 < list.size()) {
                Shape const& next = list[i + 1];
                if (next.bar && sameBand(rect, next.rect) && sameEdge(next.rect.left(), rect.right()))
                    rect.setRight(rect.right() + std::clamp(overlap, 0.0, next.rect.width()));
            }
            rect = rect.intersected(clip);
            if (!rect.isEmpty())
                target->fillRect(rect, shape.brush);
        } else if (clip.contains(shape.path.boundingRect())) {
            target->fillPath(shape.path, shape.brush);
        } else {
            const QPainterPath inside = shape.path.intersected(clipPath);
            if (!inside.isEmpty())
                target->fillPath(inside, shape.brush);
        }
    }
}

bool VectorShapeRecorder::isVectorDevice(QPainter* painter)
{
    return !painter->paintEngine() || painter->paintEngine()->type() != QPaintEngine::Raster;
}
