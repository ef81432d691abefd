#include "xyscale.h"

#include "memleaktracer.h"
#include "plotrendersettings.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>

namespace {

// Pixels by which the y-axis scale reaches below the canvas: the row of the
// horizontal scroll bar beside which the plot places it.
const int kYScaleExtraLength = 18;

// Upper bound for every walk over ticks.  The grids hand over a few ticks per
// axis; the bound only keeps absurd input (a spacing of a millionth of a pixel,
// a huge minor count) from stalling the GUI thread.
const int kMaxTicks = 10000;

// A position along the strip rounded half away from zero to a whole pixel,
// clamped first so that far-away positions convert without overflow.
int roundedPixel(double position)
{
    const double limit = 1.0e8;
    return int(std::round(std::clamp(position, -limit, limit)));
}

} // namespace

XYScale::XYScale(E_ORIENTATION_TYPE orientation, E_LABEL_TYPE labelType, bool onTop, QWidget* parent)
    : QWidget(parent), orientation(orientation), labelType(labelType), onTop(onTop)
{
    MemLeakTracer::getInstance()->doAllocateObject("XYScale");
}

XYScale::~XYScale()
{
    MemLeakTracer::getInstance()->doDeallocateObject("XYScale");
}

void XYScale::drawScale(double spacing, double offset, int newMinorIntervals, QList<QString>* newLabels)
{
    const QList<QString> noLabels;
    const QList<QString>& given = newLabels ? *newLabels : noLabels;
    const bool yAxis = orientation == HORIZONTAL;
    const double shiftedOffset = yAxis ? offset + kYScaleExtraLength : offset;

    bool changed = false;
    if (spacing != tickSpacing || shiftedOffset != tickOffset || newMinorIntervals != minorIntervals) {
        tickSpacing = spacing;
        tickOffset = shiftedOffset;
        minorIntervals = newMinorIntervals;
        extraLength = yAxis ? kYScaleExtraLength : 0;
        changed = true;
    }

    // An empty held list is always taken over and repainted: without labels
    // there is nothing cheap to compare.
    if (labels.isEmpty() || labels.size() != given.size()) {
        labels = given;
        update();
        return;
    }
    if (!changed) {
        for (qsizetype i = 0; i < labels.size(); ++i) {
            if (labels.at(i) != given.at(i)) {
                changed = true;
                break;
            }
        }
    }
    if (changed) {
        labels = given;
        update();
    }
}

void XYScale::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    QPainter painter(this);
    paint(&painter);
}

void XYScale::paint(QPainter* painter)
{
    // Until the grid has handed over a usable spacing the strip stays blank,
    // fixed labels included.
    if (!painter || !(tickSpacing > 0.0) || !std::isfinite(tickSpacing) || !std::isfinite(tickOffset))
        return;

    painter->save();
    const QRect viewport = painter->viewport();
    const int width = viewport.right() - viewport.left() + 1;
    const int height = viewport.bottom() - viewport.top() + 1;
    const bool yAxis = orientation == HORIZONTAL;
    const double stripLength = yAxis ? height : width;

    const PlotRenderSettings_t* settings = getPlotRenderSettings();
    const int majorLength = settings->majorTickLength;
    const int minorLength = settings->minorTickLength;
    // Tick allowance between the labels of the y-axis scale and its right edge.
    const int tickAllowance = (5 * majorLength) / 4;

    QPen majorPen = painter->pen();
    majorPen.setCapStyle(Qt::FlatCap);
    majorPen.setWidth(settings->lineWidth);
    QPen minorPen = majorPen;
    minorPen.setWidth(settings->minorTickWidth);

    auto drawTick = [&](int r, int length) {
        if (yAxis)
            painter->drawLine(width - 1 - length, height - r, width, height - r);
        else if (onTop)
            painter->drawLine(r, height, r, height - 1 - length);
        else
            painter->drawLine(r, 0, r, length);
    };

    painter->setPen(majorPen);
    for (int k = 0; k < kMaxTicks; ++k) {
        const double p = tickOffset + k * tickSpacing;
        if (!(p < stripLength))
            break;
        const int r = roundedPixel(p);
        if (!mustHideScale(r, 0))
            drawTick(r, majorLength);
    }

    if (minorIntervals > 0) {
        painter->setPen(minorPen);
        const double minorSpacing = tickSpacing / minorIntervals;
        const double first = tickOffset - tickSpacing;
        for (int j = 0; j < kMaxTicks; ++j) {
            const double q = first + j * minorSpacing;
            if (!(q < stripLength))
                break;
            const int r = roundedPixel(q);
            // The first interval starts before the strip: its ticks would
            // only show on a device that does not clip (SVG).
            if (r >= 0 && !mustHideScale(r, 0))
                drawTick(r, minorLength);
        }
    }

    if ((labelType == LABEL_ON_SCALE || labelType == LABEL_BOTH) && !labels.isEmpty()) {
        painter->setFont(settings->scaleFont);
        const QFontMetrics metrics = painter->fontMetrics();
        const int fontHeight = metrics.height();
        for (qsizetype i = 0; i < labels.size(); ++i) {
            const double p = tickOffset + i * tickSpacing;
            if (!(p < stripLength + tickSpacing))
                break;
            const int r = roundedPixel(p);
            const QString& text = labels.at(i);
            if (yAxis) {
                const int y1 = height - (r + fontHeight / 2);
                const int lastRow = y1 + fontHeight - 1;
                if (mustHideScale(r, fontHeight / 2))
                    continue;
                // A label touching either end of the strip would be cut off.
                if (y1 > 0 && lastRow < height)
                    painter->drawText(QRect(0, y1, width - tickAllowance, fontHeight), Qt::AlignRight, text);
            } else {
                const int advance = metrics.horizontalAdvance(text);
                const int x1 = r - advance / 2;
                const int x2 = x1 + advance - 1;
                if (mustHideScale(r, advance / 2))
                    continue;
                const int top = onTop ? 1 : majorLength + 1;
                if (x1 > 0 && x2 < width)
                    painter->drawText(QRect(x1, top, advance, fontHeight), Qt::AlignCenter, text);
            }
        }
    }

    paintLabelsAtFixedPosition(painter, width, height);
    painter->restore();
}

void XYScale::paintLabelsAtFixedPosition(QPainter* painter, int width, int height)
{
    painter->save();
    const PlotRenderSettings_t* settings = getPlotRenderSettings();
    painter->setFont(settings->fixedLabelFont);
    const QFontMetrics metrics = painter->fontMetrics();
    const int fontHeight = metrics.height();
    const int rightEdge = width - 1 - (5 * settings->majorTickLength) / 4;
    for (const auto& [position, text] : std::as_const(fixedLabels)) {
        const int advance = metrics.horizontalAdvance(text);
        QRect rect;
        if (orientation == HORIZONTAL)
            rect = QRect(rightEdge - advance + 1, height - fontHeight / 2 - position, advance, fontHeight);
        else
            rect = QRect(position - advance / 2, 1, advance, fontHeight);
        painter->drawText(rect, Qt::AlignCenter, text);
    }
    painter->restore();
}

void XYScale::addIntervalToHideScale(int from, int to)
{
    hideIntervals.append(std::make_pair(from, to));
}

void XYScale::clearIntervalsToHideScale()
{
    hideIntervals.clear();
}

bool XYScale::mustHideScale(int position, int halfWidth) const
{
    // 64-bit arithmetic: positions come clamped but hosts may add any interval.
    const qint64 low = qint64(position) - halfWidth;
    const qint64 high = qint64(position) + halfWidth;
    for (const auto& [from, to] : hideIntervals) {
        if (from <= high && low <= to)
            return true;
    }
    return false;
}

void XYScale::addLabelAtFixedPosition(int position, QString text)
{
    fixedLabels.append(std::make_pair(position, text));
}

void XYScale::clearLabelsAtFixedPosition()
{
    fixedLabels.clear();
}

int XYScale::getRequiredWidthForLabelsAtFixedPosition() const
{
    if (orientation != HORIZONTAL || fixedLabels.isEmpty())
        return 0;
    const PlotRenderSettings_t* settings = getPlotRenderSettings();
    const QFontMetrics metrics(settings->fixedLabelFont);
    const int tickAllowance = (5 * settings->majorTickLength) / 4;
    int required = 0;
    for (const auto& fixedLabel : fixedLabels)
        required = std::max(required, tickAllowance + metrics.horizontalAdvance(fixedLabel.second));
    return required;
}

E_ORIENTATION_TYPE XYScale::getOrientation() const
{
    return orientation;
}

E_LABEL_TYPE XYScale::getLabelType() const
{
    return labelType;
}

void XYScale::setLabelType(E_LABEL_TYPE type)
{
    labelType = type;
}

bool XYScale::isOnTop() const
{
    return onTop;
}

int XYScale::getExtraLength() const
{
    return extraLength;
}

double XYScale::getTickSpacing() const
{
    return tickSpacing;
}

double XYScale::getTickOffset() const
{
    return tickOffset;
}

int XYScale::getMinorIntervals() const
{
    return minorIntervals;
}

const QList<QString>& XYScale::getLabels() const
{
    return labels;
}

const QList<std::pair<int, int>>& XYScale::getHideIntervals() const
{
    return hideIntervals;
}

const QList<std::pair<int, QString>>& XYScale::getLabelsAtFixedPosition() const
{
    return fixedLabels;
}
