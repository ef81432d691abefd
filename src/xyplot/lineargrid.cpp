#include "lineargrid.h"

#include "memleaktracer.h"
#include "plotrendersettings.h"
#include "xyscale.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <QTextOption>

#include <algorithm>
#include <cmath>

namespace {

// Minor intervals per major tick interval handed to the scale.
const int kMinorIntervals = 5;

// Upper bound for every walk over ticks.  Valid parameters give four to ten
// ticks across the axis (a few dozen more for labels beyond a tiny axis), so
// the bound only matters when rounding has produced nonsense from extreme
// bounds; it keeps such a repaint from running for ever.
const int kMaxTicks = 10000;

// Pixel coordinate of a tick position, truncated towards zero.  Positions far
// outside any viewport are clamped first so that the conversion stays defined.
int truncatedPixel(double position)
{
    const double limit = 1.0e8;
    return int(std::trunc(std::clamp(position, -limit, limit)));
}

} // namespace

LinearGrid::LinearGrid(E_ORIENTATION_TYPE orientation, QWidget* parent)
    : XYAbstractGrid(orientation, parent), labels(new QList<QString>)
{
    MemLeakTracer::getInstance()->doAllocateObject("LinearGrid");
}

LinearGrid::~LinearGrid()
{
    delete labels;
    MemLeakTracer::getInstance()->doDeallocateObject("LinearGrid");
}

double LinearGrid::getTickSpacing() const
{
    return tickSpacing;
}

double LinearGrid::getTickOffset() const
{
    return tickOffset;
}

int LinearGrid::getViewportWidth() const
{
    return viewportWidth;
}

int LinearGrid::getViewportHeight() const
{
    return viewportHeight;
}

const QList<QString>* LinearGrid::getLabels() const
{
    return labels;
}

bool LinearGrid::hasTicks() const
{
    return std::isfinite(tickSpacing) && tickSpacing > 0.0 && std::isfinite(tickOffset);
}

void LinearGrid::computeParameters(QPainter* painter, double minX, double minY, double maxX, double maxY)
{
    const QRect viewport = painter->viewport();
    viewportWidth = viewport.right() - viewport.left() + 1;
    viewportHeight = viewport.bottom() - viewport.top() + 1;

    const bool xAxis = orientation == VERTICAL;
    const double axisMin = xAxis ? minX : minY;
    const double axisMax = xAxis ? maxX : maxY;
    const double extent = axisMax - axisMin;
    const int pixels = xAxis ? viewportWidth : viewportHeight;

    // Without a positive finite extent and some pixels there is nothing to tick.
    tickSpacing = 0.0;
    tickOffset = 0.0;
    if (!(extent > 0.0) || !std::isfinite(extent) || !std::isfinite(axisMin) || pixels <= 0)
        return;

    const double pixelsPerUnit = pixels / extent;
    const double exponent = std::floor(std::log10(std::fabs(extent)));
    const double unit = std::pow(10.0, exponent - 1.0);
    // The extent measured in units lies between 10 and 100.
    const double units = std::round(extent / unit);
    double multiplier = 2.0;
    if (units > 80.0)
        multiplier = 20.0;
    else if (units > 40.0)
        multiplier = 10.0;
    else if (units > 20.0)
        multiplier = 5.0;

    const double spacing = unit * pixelsPerUnit * multiplier;
    const double start = pixelsPerUnit * axisMin;
    const double offset = std::floor(start / spacing) * spacing - start;
    if (!std::isfinite(spacing) || !(spacing > 0.0) || !std::isfinite(offset))
        return;
    tickSpacing = spacing;
    tickOffset = offset;
}

QRect LinearGrid::beginPass(QPainter* painter, double minX, double minY, double maxX, double maxY)
{
    // Both passes draw in the viewport's own pixels (whatever window the
    // caller set), in the grid colour, on ticks worked out for this painter.
    const QRect savedWindow = painter->window();
    const QRect viewport = painter->viewport();
    painter->setWindow(0, 0, viewport.width(), viewport.height());
    QPen colouredPen = painter->pen();
    colouredPen.setColor(gridColor);
    painter->setPen(colouredPen);
    computeParameters(painter, minX, minY, maxX, maxY);
    return savedWindow;
}

void LinearGrid::drawGrid(QPainter* painter, double minX, double minY, double maxX, double maxY)
{
    if (!painter)
        return;
    const QRect savedWindow = beginPass(painter, minX, minY, maxX, maxY);

    if (!gridLinesHidden && hasTicks()) {
        painter->save();
        QPen pen = painter->pen();
        pen.setWidth(getPlotRenderSettings()->lineWidth);
        painter->setPen(pen);
        const bool xAxis = orientation == VERTICAL;
        const double end = xAxis ? viewportWidth : viewportHeight;
        for (int i = 0; i < kMaxTicks; ++i) {
            const double p = tickOffset + i * tickSpacing;
            if (!(p <= end))
                break;
            const int pixel = truncatedPixel(p);
            if (xAxis)
                painter->drawLine(pixel, 0, pixel, viewportHeight);
            else // the y axis grows upwards
                painter->drawLine(0, viewportHeight - pixel, viewportWidth, viewportHeight - pixel);
        }
        painter->restore();
    }

    painter->setWindow(savedWindow);

    // Without labels drawLabels does nothing, so the scale gets its ticks here.
    if (labelType == LABEL_NONE && scale) {
        QList<QString> noLabels;
        scale->drawScale(tickSpacing, tickOffset, kMinorIntervals, &noLabels);
    }
}

void LinearGrid::drawLabels(QPainter* painter, double minX, double minY, double maxX, double maxY)
{
    if (labelType == LABEL_NONE || !painter)
        return;

    const QRect savedWindow = beginPass(painter, minX, minY, maxX, maxY);
    const QRect viewport = painter->viewport();
    painter->save();
    const QFontMetrics metrics = painter->fontMetrics();
    labels->clear();

    const bool xAxis = orientation == VERTICAL;
    const double axisMin = xAxis ? minX : minY;
    const double axisMax = xAxis ? maxX : maxY;
    const bool valid = hasTicks();

    if (valid) {
        // Decimals follow from the world step between ticks.  The step carries
        // rounding noise (0.0999999 for 0.1), so it is first rounded to a few
        // guard digits beyond its leading digit.
        const double axisPixels = xAxis ? viewportWidth : viewportHeight;
        const double step = std::fabs(axisMax - axisMin) * tickSpacing / axisPixels;
        const double guard = std::max(0.0, -std::floor(std::log10(step) - (step < 1.0 ? 3.0 : 0.0)));
        const double scaleFactor = std::pow(10.0, guard);
        const double rounded = std::floor(step * scaleFactor + 0.5) / scaleFactor;
        const double decimals = std::max(0.0, -std::floor(std::log10(rounded)));
        const int newDecimals = std::isfinite(decimals) ? int(std::min(decimals, 400.0)) : 0;
        if (!xAxis) {
            if (newDecimals != numberOfDecimals) {
                numberOfDecimals = newDecimals;
                emit numberOfDecimalsChanged();
            }
        } else {
            numberOfDecimals = newDecimals;
        }
    }

    if (xAxis) {
        // Turn the painter so that the x axis runs along the logical y
        // direction: the labels then read upwards and the walk below is the
        // same as for the y axis.
        std::swap(viewportWidth, viewportHeight);
        painter->rotate(-90.0);
        painter->translate(-viewport.height(), 0.0);
    }

    if (valid) {
        const double axisLength = viewportHeight;
        const int fontHeight = metrics.height();
        const bool inPlot = labelType == LABEL_IN_PLOT || labelType == LABEL_BOTH;
        // Labels continue one font height beyond the far end, so that the scale
        // can show a label whose tick lies just outside the viewport.
        for (int i = 0; i < kMaxTicks; ++i) {
            const double p = tickOffset + i * tickSpacing;
            if (!(p <= axisLength + fontHeight))
                break;
            const double value = p / axisLength * (axisMax - axisMin) + axisMin;
            const QString text = getLabel(value, numberOfDecimals);
            labels->append(text);
            if (!inPlot)
                continue;

            const QRect bounding = metrics.boundingRect(text);
            const int bottom = xAxis ? truncatedPixel(p + fontHeight / 2)
                                     : truncatedPixel(axisLength - p + fontHeight / 2);
            const int top = bottom - bounding.height() + 1;
            painter->fillRect(QRect(QPoint(-5, top), QPoint(bounding.width() + 9, bottom)), Qt::white);
            painter->drawText(QRectF(5, top, bounding.width(), bounding.height()), text, QTextOption());
        }
    }

    painter->restore();
    painter->setWindow(savedWindow);

    if (scale)
        scale->drawScale(tickSpacing, tickOffset, kMinorIntervals, labels);
}

QString LinearGrid::getLabel(double value, int decimals)
{
    if (decimals == -1)
        decimals = 1;
    // Other negative counts have no meaning; more than a few hundred decimals
    // cannot be represented and would only overflow the power of ten.
    decimals = std::clamp(decimals, 0, 300);

    const double factor = std::pow(10.0, decimals);
    double rounded = std::floor(value * factor + 0.5) / factor;
    if (!std::isfinite(rounded) && std::isfinite(value))
        rounded = value; // value * factor overflowed: nothing left to round
    QString text = QString("%L1").arg(rounded, 0, 'f', decimals, QLatin1Char(' '));
    if (text.length() >= 26)
        text = QString("%1").arg(rounded, 0, 'e', -1, QLatin1Char(' '));
    return text;
}
