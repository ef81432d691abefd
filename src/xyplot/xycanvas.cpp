// XYCanvas: construction, view model (data bounds, view bounds, update
// policies, change signals) and navigation (zoom, drag, wheel, scroll bars,
// zoom buttons).  Drawing, markers and mouse handling live in their own files.
#include "xycanvas.h"

#include "blockminmaxcache.h"
#include "dataarray.h"
#include "dbg.h"
#include "extremesfold.h"
#include "memleaktracer.h"
#include "xyabstractgrid.h"
#include "xydataset.h"
#include "look.h"
#include "pixelrounding.h"
#include "plotrendersettings.h"
#include "vectoredgecutter.h"

#include <QAbstractButton>
#include <QPainter>
#include <QGuiApplication>
#include <QPixmap>
#include <QRubberBand>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kScrollRange = 1e9;

double& lowerOf(Bounds& b, Bounds::Direction d)
{
    return d == Bounds::Horizontal ? b.minX : b.minY;
}
double& upperOf(Bounds& b, Bounds::Direction d)
{
    return d == Bounds::Horizontal ? b.maxX : b.maxY;
}
double lowerOf(Bounds const& b, Bounds::Direction d)
{
    return d == Bounds::Horizontal ? b.minX : b.minY;
}
double upperOf(Bounds const& b, Bounds::Direction d)
{
    return d == Bounds::Horizontal ? b.maxX : b.maxY;
}
bool pairValid(Bounds const& b, Bounds::Direction d)
{
    return !std::isnan(lowerOf(b, d)) && !std::isnan(upperOf(b, d));
}
// Field-wise equality; NaN never compares equal, so bounds holding NaN always
// count as changed.
bool sameBounds(Bounds const& a, Bounds const& b)
{
    return a.minX == b.minX && a.maxX == b.maxX && a.minY == b.minY && a.maxY == b.maxY;
}

// How narrow a view may get at its position.  A double near x resolves 2^52
// steps per power of two; a view narrower than 1e-12 of its position (some
// 4500 of those steps) has no distinct positions left for its pixels, and
// one of zero width maps nothing at all (NaN factors).  Near zero the floor
// stays where pixels per unit remain finite.
constexpr double kRelativeResolution = 1e-12;
constexpr double kSmallestExtent = 1e-290;

double resolutionFloor(double lo, double hi)
{
    return std::max(std::max(std::fabs(lo), std::fabs(hi)) * kRelativeResolution, kSmallestExtent);
}

// The smallest extent zooming may leave in a direction.  A zoom limit of 0
// does not mean "down to zero width" here but "as far as doubles resolve at
// the view's position": otherwise some 54 zoom-ins (or a zoom to a single
// value) left a view of width 0, then NaN, which only "show all" could undo.
// A limit that is NaN keeps its effect (none).
double smallestZoomExtent(double limit, double lo, double hi)
{
    return std::isnan(limit) ? limit : std::max(limit, resolutionFloor(lo, hi));
}

// Widens a valid pair of a view that is narrower than its position can
// resolve, about its centre: a scroll bar or a drag may move a very narrow
// view far away from zero.
void keepResolvable(Bounds& view, Bounds::Direction d)
{
    double& lo = d == Bounds::Horizontal ? view.minX : view.minY;
    double& hi = d == Bounds::Horizontal ? view.maxX : view.maxY;
    if (std::isnan(lo) || std::isnan(hi))
        return;
    const double floor = resolutionFloor(lo, hi);
    if (hi - lo < floor) {
        const double centre = lo / 2 + hi / 2;
        lo = centre - floor / 2;
        hi = centre + floor / 2;
    }
}

// Index of a (direction, end) side into the four-value member arrays; -1 for
// selectors that name nothing.
int sideIndex(Bounds::Direction d, Bounds::End end)
{
    if ((d != Bounds::Horizontal && d != Bounds::Vertical) || (end != Bounds::Min && end != Bounds::Max))
        return -1;
    return int(d) * 2 + int(end);
}

} // namespace

XYCanvas::XYCanvas(QList<XYDataSet*>* dataSets, QList<Marker_t*>* markers, QList<EllipseMarker_t*>* ellipseMarkers,
                   QList<CrossMarker_t*>* crossMarkers, QList<BandMarker_t*>* bandMarkers, bool skipBackwardLines,
                   QWidget* parent)
    : QFrame(parent),
      dataSets(dataSets),
      markers(markers),
      ellipseMarkers(ellipseMarkers),
      crossMarkers(crossMarkers),
      bandMarkers(bandMarkers),
      skipBackwardLines(skipBackwardLines),
      horizontalDisconnectionThreshold(kNaN)
{
    MemLeakTracer::getInstance()->doAllocateObject("XYCanvas");
    // The hit record travels through queued connections of hosts.
    qRegisterMetaType<XYCanvas::datahit_t>("XYCanvas::datahit_t");
    setCursor(Qt::CrossCursor);
    backgroundPixmap = new QPixmap();
    initializeViewTransform();
    computeFactors();
    setLineWidth(0);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_MouseTracking);
}

XYCanvas::~XYCanvas()
{
    clearViewportMaps();
    qDeleteAll(extremaCaches);
    delete backgroundPixmap;
    delete rubberBand;
    delete horizontalMouseMarker;
    delete verticalMouseMarker;
    delete currentTimeMarker;
    delete intervalStartTimeMarker;
    delete intervalStopTimeMarker;
    if (overrideCursorActive)
        QGuiApplication::restoreOverrideCursor();
    MemLeakTracer::getInstance()->doDeallocateObject("XYCanvas");
}

// ---------------------------------------------------------------------------
// View model
// ---------------------------------------------------------------------------

void XYCanvas::initializeViewTransform()
{
    dataBounds = Bounds();
    strictDataBounds = Bounds();
    viewBounds = Bounds();
    previouslyEmittedViewBounds = Bounds();
    fixedDataBounds = false;
    initialDataBounds = Bounds(0, 30000, 0, 1);
    dataBoundsChangePending = false;
    viewBoundsChangePending = false;
    changeCausedByPolicy = false;
    for (int i = 0; i < 4; ++i) {
        extensionBufferAbsolute[i] = 0.0;
        extensionBufferRelative[i] = 0.1;
        viewportMargin[i] = 0.0;
    }
    customVerticalDataBoundsVectors.clear();
    customHorizontalDataBoundsVectors.clear();
    horizontalPolicy = FollowViewBounds;
    verticalPolicy = FullViewBounds;
    autoFollowMax[Bounds::Horizontal] = true;
    autoFollowMin[Bounds::Horizontal] = false;
    autoFollowMax[Bounds::Vertical] = false;
    autoFollowMin[Bounds::Vertical] = false;
    horizontalScrollBar = nullptr;
    verticalScrollBar = nullptr;
    settingScrollBarState = false;
    horizontalZoomLimit = 0.0;
    verticalZoomLimit = 0.0;
    configureZoomButtonsEnablement();
}

void XYCanvas::computeFactors()
{
    const double width = viewport.width();
    const double height = viewport.height();
    const double xExtent = viewBounds.maxX - viewBounds.minX;
    const double yExtent = viewBounds.maxY - viewBounds.minY;
    // Besides a zero or NaN extent, an infinite one (a view set to infinite
    // limits) and one so small that the factor overflows map nothing: they
    // would put every point at NaN or at one edge.
    const double x = width / xExtent;
    if (xExtent == 0.0 || !std::isfinite(xExtent) || !std::isfinite(x)) {
        xFactor = kNaN;
        xInverseFactor = kNaN;
    } else {
        xFactor = x;
        xInverseFactor = 1.0 / xFactor;
    }
    const double y = -height / yExtent;
    if (yExtent == 0.0 || !std::isfinite(yExtent) || !std::isfinite(y)) {
        yFactor = kNaN;
        yInverseFactor = kNaN;
    } else {
        yFactor = y;
        yInverseFactor = 1.0 / yFactor;
    }
}

double XYCanvas::convertXWorldToViewport(double x) const
{
    return (x - viewBounds.minX) * xFactor;
}

double XYCanvas::convertXViewportToWorld(double px) const
{
    return px * xInverseFactor + viewBounds.minX;
}

double XYCanvas::convertYWorldToViewport(double y, bool upwards) const
{
    if (upwards)
        return yFactor * -(y - viewBounds.minY);
    return yFactor * (y - viewBounds.maxY);
}

double XYCanvas::convertYViewportToWorld(double py, bool upwards) const
{
    if (upwards)
        return viewBounds.minY - py * yInverseFactor;
    return py * yInverseFactor + viewBounds.maxY;
}

QPoint XYCanvas::convertDataPointToViewport(XYDataSet* dataSet, int index, bool& ok, bool upwards) const
{
    if (index < 0 || index >= dataSet->xData->dataSize() || index >= dataSet->yData->dataSize())
        ZEB_ASSERT("XYCanvas", "XYCanvas::convertDataElementToViewport: index out of bounds");
    const double px = convertXWorldToViewport(dataSet->xData->getValue(index));
    double py;
    Look* look = dataSet->getLook();
    if (look->hasFixedYPosition()) {
        const int height = viewport.height();
        py = look->getFixedYPosition(height);
        if (upwards)
            py = height - py;
    } else {
        py = convertYWorldToViewport(dataSet->yData->getValue(index), upwards);
    }
    ok = !std::isnan(px) && !std::isnan(py);
    if (!ok)
        return QPoint();
    return QPoint(roundClamped(px), roundClamped(py));
}

Bounds XYCanvas::getDataBounds() const
{
    return dataBounds;
}

Bounds XYCanvas::getStrictDataBounds() const
{
    return strictDataBounds;
}

Bounds XYCanvas::getInitialDataBounds() const
{
    return initialDataBounds;
}

void XYCanvas::setInitialDataBounds(Bounds const& bounds)
{
    initialDataBounds = bounds;
}

void XYCanvas::setFixedDataBounds(Bounds const& bounds)
{
    fixedDataBounds = true;
    Bounds view = viewBounds;
    calculateUpdatedViewBounds(Bounds::Horizontal, bounds, view);
    calculateUpdatedViewBounds(Bounds::Vertical, bounds, view);
    changeCausedByPolicy = true;
    setBounds(bounds, view, true);
    changeCausedByPolicy = false;
}

Bounds XYCanvas::calculateDataBounds(bool fromCurrent)
{
    Bounds strict;
    if (dataSets)
        for (XYDataSet* dataSet : *dataSets)
            dataSet->includeInBounds(strict);
    strictDataBounds = extendWithCustomDataBounds(strict);
    Bounds result = fromCurrent ? dataBounds : Bounds();
    if (!fixedDataBounds) {
        applyBufferingToDataBounds(Bounds::Horizontal, result);
        applyBufferingToDataBounds(Bounds::Vertical, result);
    }
    return result;
}

Bounds XYCanvas::calculateStrictDataBounds()
{
    Bounds strict;
    if (dataSets)
        for (XYDataSet* dataSet : *dataSets)
            dataSet->includeInBounds(strict);
    return strict;
}

Bounds XYCanvas::calculateLastDataPointsBounds()
{
    Bounds last;
    if (dataSets)
        for (XYDataSet* dataSet : *dataSets)
            dataSet->includeLastInBounds(last);
    return last;
}

Bounds XYCanvas::extendWithCustomDataBounds(Bounds const& bounds) const
{
    Bounds result = bounds;
    // A value that counts for no data set's bounds (NaN, an infinity, a
    // glitch such as 1e308) counts for none here either.
    for (QList<double>* values : customVerticalDataBoundsVectors)
        for (double v : *values)
            if (DataArray::countsForBounds(v))
                widenUnsetPair(result.minY, result.maxY, v);
    for (QList<double>* values : customHorizontalDataBoundsVectors)
        for (double v : *values)
            if (DataArray::countsForBounds(v))
                widenUnsetPair(result.minX, result.maxX, v);
    return result;
}

namespace {
// The margin kept free at a viewport's edge is converted to data units with
// the extent before the bounds are widened; widening makes a pixel worth more
// data, so the margin is taken 10% larger to keep the extreme points clear of
// it after the widening.
constexpr double kMarginAllowance = 1.1;
// Bounds at the initial extent are never shrunk; this much tolerance keeps an
// extent that equals the initial one up to rounding from counting as wider.
constexpr double kInitialExtentTolerance = 1.001;
// Shrunk bounds keep a quarter of the threshold beyond the data, so that the
// next samples do not widen them again at once.
constexpr double kShrinkRemainder = 0.25;
} // namespace

bool XYCanvas::bufferAroundStrictBounds(Bounds::Direction d, double& lo, double& hi) const
{
    const double sLo = lowerOf(strictDataBounds, d);
    const double sHi = upperOf(strictDataBounds, d);
    if (std::isnan(sLo) || std::isnan(sHi))
        return false;
    const bool valid = !std::isnan(lo) && !std::isnan(hi);
    const double extent = valid ? hi - lo : sHi - sLo;
    const double hiCand = sHi + kMarginAllowance * determineViewPortMarginInDataCoordinates(d, Bounds::Max, extent);
    const double loCand = sLo - kMarginAllowance * determineViewPortMarginInDataCoordinates(d, Bounds::Min, extent);
    if (std::isnan(hiCand) || std::isnan(loCand))
        return false;
    const double initExtent = upperOf(initialDataBounds, d) - lowerOf(initialDataBounds, d);
    if (!valid) {
        lo = loCand;
        hi = hiCand;
        if (hi - lo < initExtent) {
            if (d == Bounds::Horizontal) {
                hi = lo + initExtent;
            } else {
                const double centre = (lo + hi) / 2;
                lo = centre - initExtent / 2;
                hi = centre + initExtent / 2;
            }
        }
        return true;
    }
    // Jump ahead of growing data by a buffer instead of moving with every sample.
    if (hiCand > hi)
        hi = hiCand + getExtensionBuffer(d, Bounds::Max);
    if (loCand < lo)
        lo = loCand - getExtensionBuffer(d, Bounds::Min);
    // Shrink back only once the data have drawn away by more than the threshold.
    if (hi - lo > kInitialExtentTolerance * initExtent) {
        const double tMax = getShrinkThreshold(d, Bounds::Max);
        if (hiCand < hi - tMax)
            hi = hiCand + kShrinkRemainder * tMax;
        const double tMin = getShrinkThreshold(d, Bounds::Min);
        if (lo + tMin < loCand)
            lo = loCand - kShrinkRemainder * tMin;
    }
    return true;
}

void XYCanvas::applyBufferingToDataBounds(Bounds::Direction d, Bounds& b)
{
    double& lo = lowerOf(b, d);
    double& hi = upperOf(b, d);
    const double iLo = lowerOf(initialDataBounds, d);
    const double iHi = upperOf(initialDataBounds, d);
    if (!bufferAroundStrictBounds(d, lo, hi)) {
        lo = iLo;
        hi = iHi;
    }
    if (hi - lo == 0.0) {
        lo = iLo;
        hi = iHi;
    }
    if (!std::isnan(lo) && !std::isnan(hi)) {
        const double limit = smallestZoomExtent(getZoomLimitMinimumExtent(d), lo, hi);
        if (hi - lo < limit) {
            const double centre = (lo + hi) / 2;
            lo = centre - limit / 2;
            hi = centre + limit / 2;
        }
    }
}

void XYCanvas::addCustomVerticalDataBoundsVector(QList<double>* values)
{
    customVerticalDataBoundsVectors.append(values);
}

void XYCanvas::addCustomHorizontalDataBoundsVector(QList<double>* values)
{
    customHorizontalDataBoundsVectors.append(values);
}

void XYCanvas::setExtensionBufferParameters(double absHorizontalMin, double absHorizontalMax, double absVerticalMin,
                                            double absVerticalMax, double relHorizontalMin, double relHorizontalMax,
                                            double relVerticalMin, double relVerticalMax)
{
    extensionBufferAbsolute[0] = absHorizontalMin;
    extensionBufferAbsolute[1] = absHorizontalMax;
    extensionBufferAbsolute[2] = absVerticalMin;
    extensionBufferAbsolute[3] = absVerticalMax;
    extensionBufferRelative[0] = relHorizontalMin;
    extensionBufferRelative[1] = relHorizontalMax;
    extensionBufferRelative[2] = relVerticalMin;
    extensionBufferRelative[3] = relVerticalMax;
}

void XYCanvas::getExtensionBufferParameters(Bounds::Direction direction, Bounds::End end, double& absolute,
                                            double& relative) const
{
    const int i = sideIndex(direction, end);
    if (i < 0)
        return;
    absolute = extensionBufferAbsolute[i];
    relative = extensionBufferRelative[i];
}

double XYCanvas::getExtensionBuffer(Bounds::Direction direction, Bounds::End end) const
{
    const int i = sideIndex(direction, end);
    if (i < 0)
        return 0.0;
    const double strictExtent = upperOf(strictDataBounds, direction) - lowerOf(strictDataBounds, direction);
    const double relative = extensionBufferRelative[i] * strictExtent;
    if (std::isnan(relative))
        return extensionBufferAbsolute[i];
    return std::max(relative, extensionBufferAbsolute[i]);
}

double XYCanvas::getShrinkThreshold(Bounds::Direction direction, Bounds::End end) const
{
    return getExtensionBuffer(direction, end);
}

void XYCanvas::adaptExtensionBufferParametersAndInitialDataBoundForOfflineTimePlots()
{
    extensionBufferAbsolute[0] = extensionBufferAbsolute[1] = 0.0;
    extensionBufferRelative[0] = extensionBufferRelative[1] = 0.0;
    initialDataBounds.minX = 0;
    initialDataBounds.maxX = 1000;
}

void XYCanvas::setViewportMargin(int horizontalMin, int horizontalMax, int verticalMin, int verticalMax)
{
    viewportMargin[0] = horizontalMin;
    viewportMargin[1] = horizontalMax;
    viewportMargin[2] = verticalMin;
    viewportMargin[3] = verticalMax;
}

double XYCanvas::getViewportMargin(Bounds::Direction direction, Bounds::End end) const
{
    const int i = sideIndex(direction, end);
    return i < 0 ? 0.0 : viewportMargin[i];
}

double XYCanvas::determineViewPortMarginInDataCoordinates(Bounds::Direction d, Bounds::End end,
                                                          double dataExtent) const
{
    const int m = int(std::floor(getViewportMargin(d, end)));
    int size = d == Bounds::Horizontal ? viewport.width() : viewport.height();
    if (size == 0)
        size = 200; // no viewport yet: assume a typical plot size
    if (m <= 0 || size <= 0)
        return 0.0;
    double extent = dataExtent;
    if (pairValid(viewBounds, d) && getViewBoundsUpdatePolicy(d) != FullViewBounds)
        extent = upperOf(viewBounds, d) - lowerOf(viewBounds, d);
    if (std::isnan(extent))
        return 0.0;
    return m * (extent / size);
}

double XYCanvas::getZoomLimitMinimumExtent(Bounds::Direction direction) const
{
    return direction == Bounds::Horizontal ? horizontalZoomLimit : verticalZoomLimit;
}

void XYCanvas::setHorizontalZoomLimit(double limit)
{
    horizontalZoomLimit = limit;
}

void XYCanvas::setVerticalZoomLimit(double limit)
{
    verticalZoomLimit = limit;
}

void XYCanvas::setHorizontalDisconnectionThreshold(double threshold)
{
    horizontalDisconnectionThreshold = threshold;
}

double XYCanvas::getHorizontalDisconnectionThreshold() const
{
    return horizontalDisconnectionThreshold;
}

void XYCanvas::updateBounds()
{
    const Bounds newData = calculateDataBounds(true);
    Bounds view = viewBounds;
    calculateUpdatedViewBounds(Bounds::Horizontal, newData, view);
    calculateUpdatedViewBounds(Bounds::Vertical, newData, view);
    if (sameBounds(newData, dataBounds) && sameBounds(view, viewBounds))
        return;
    changeCausedByPolicy = true;
    setBounds(newData, view, true);
    changeCausedByPolicy = false;
}

void XYCanvas::setBounds(Bounds const& data, Bounds const& view, bool emitNow)
{
    bool boundsChanged = false;
    bool viewChanged = false;
    if (!sameBounds(data, dataBounds)) {
        dataBounds = data;
        dataBoundsChangePending = true;
        boundsChanged = true;
    }
    if (!sameBounds(view, viewBounds)) {
        viewBounds = view;
        computeFactors();
        mouseMarkerMouseLeave(false);
        viewBoundsChangePending = true;
        viewChanged = true;
        boundsChanged = true;
    }
    if (emitNow)
        emitPendingEmits();
    if (viewChanged) {
        fullRedrawNeeded = true;
        update();
    }
    if (boundsChanged) {
        configureZoomButtonsEnablement();
        setScrollBarStates();
    }
}

void XYCanvas::setViewBounds(Bounds const& view, bool emitNow)
{
    setBounds(dataBounds, view, emitNow);
}

Bounds XYCanvas::getViewBounds() const
{
    return viewBounds;
}

Bounds XYCanvas::getPreviouslyEmittedViewBounds() const
{
    return previouslyEmittedViewBounds;
}

bool XYCanvas::viewBoundsChangeCausedByPolicy() const
{
    return changeCausedByPolicy;
}

Bounds XYCanvas::calculateUpdatedViewBounds(Bounds const& newData)
{
    Bounds view = viewBounds;
    calculateUpdatedViewBounds(Bounds::Horizontal, newData, view);
    calculateUpdatedViewBounds(Bounds::Vertical, newData, view);
    return view;
}

void XYCanvas::calculateUpdatedViewBounds(Bounds::Direction d, Bounds const& newData, Bounds& view)
{
    double& vLo = lowerOf(view, d);
    double& vHi = upperOf(view, d);
    const double dLo = lowerOf(newData, d);
    const double dHi = upperOf(newData, d);
    const ViewBoundsUpdatePolicy policy = getViewBoundsUpdatePolicy(d);

    if (!pairValid(newData, d)) {
        vLo = vHi = kNaN;
        if (policy == ManualViewBounds)
            changePolicy(d, FullViewBounds);
        return;
    }
    switch (policy) {
    case LockedViewBounds:
        return;
    case FullViewBounds:
        vLo = dLo;
        vHi = dHi;
        return;
    case FollowViewBounds:
        calculateFollowPolicyUpdatedViewBounds(d, newData, view);
        return;
    case ManualViewBounds:
        if (dLo == lowerOf(dataBounds, d) && dHi == upperOf(dataBounds, d))
            return;
        if (!pairValid(view, d))
            return;
        if (dHi < vLo || dLo > vHi) {
            vLo = vHi = kNaN;
        } else {
            vLo = std::max(vLo, dLo);
            vHi = std::min(vHi, dHi);
        }
        if (!pairValid(view, d)) {
            vLo = dLo;
            vHi = dHi;
            changePolicy(d, FullViewBounds);
        }
        return;
    }
}

void XYCanvas::calculateFollowPolicyUpdatedViewBounds(Bounds::Direction d, Bounds const& newData, Bounds& view)
{
    double& vLo = lowerOf(view, d);
    double& vHi = upperOf(view, d);
    const double dLo = lowerOf(newData, d);
    const double dHi = upperOf(newData, d);
    const double oLo = lowerOf(dataBounds, d);
    const double oHi = upperOf(dataBounds, d);

    if (!pairValid(dataBounds, d) || !pairValid(view, d)) {
        vLo = dLo;
        vHi = dHi;
        return;
    }
    // New data beside the view, or data no wider than the view: show all data.
    if (dHi <= vLo || vHi <= dLo || dHi - dLo <= vHi - vLo) {
        vLo = dLo;
        vHi = dHi;
        return;
    }
    bool shiftedAtMin = false;
    bool shiftedAtMax = false;
    auto shift = [&](double s) {
        vLo += s;
        vHi += s;
    };
    if (!(dLo == oLo && dHi == oHi)) {
        if (dLo < oLo) {
            if (dHi > oHi) {
                vLo = dLo;
                vHi = dHi;
                return;
            }
            if (vLo > dLo) {
                shift(dLo - vLo);
                shiftedAtMin = true;
            }
        } else if (dHi > oHi && vHi < dHi) {
            shift(dHi - vHi);
            shiftedAtMax = true;
        }
    }
    // Keep the newest point of all data sets a tenth of the view inside its edge.
    const Bounds last = calculateLastDataPointsBounds();
    const double lLo = lowerOf(last, d);
    const double lHi = upperOf(last, d);
    const double margin = 0.1 * (vHi - vLo);
    if (lHi > vHi) {
        if (shiftedAtMin)
            vHi = lHi + margin;
        else
            shift(lHi + margin - vHi);
        shiftedAtMax = true;
    }
    if (lHi < vLo) {
        if (shiftedAtMax)
            vLo = lLo - margin;
        else
            shift(lLo - margin - vLo);
    }
    view.shiftAndClip(d, newData);
}

XYCanvas::ViewBoundsUpdatePolicy XYCanvas::getViewBoundsUpdatePolicy(Bounds::Direction direction) const
{
    return direction == Bounds::Horizontal ? horizontalPolicy : verticalPolicy;
}

XYCanvas::ViewBoundsUpdatePolicy XYCanvas::getHorizontalViewBoundsUpdatePolicy() const
{
    return horizontalPolicy;
}

XYCanvas::ViewBoundsUpdatePolicy XYCanvas::getVerticalViewBoundsUpdatePolicy() const
{
    return verticalPolicy;
}

void XYCanvas::changePolicy(Bounds::Direction direction, ViewBoundsUpdatePolicy policy)
{
    ViewBoundsUpdatePolicy& current = direction == Bounds::Horizontal ? horizontalPolicy : verticalPolicy;
    if (current == policy)
        return;
    current = policy;
    if (direction == Bounds::Horizontal)
        emit horizontalViewBoundsUpdatePolicyChanged();
    else
        emit verticalViewBoundsUpdatePolicyChanged();
}

void XYCanvas::setViewBoundsUpdatePolicy(Bounds::Direction direction, ViewBoundsUpdatePolicy policy, bool recalculate)
{
    if (direction != Bounds::Horizontal && direction != Bounds::Vertical)
        return;
    ViewBoundsUpdatePolicy& current = direction == Bounds::Horizontal ? horizontalPolicy : verticalPolicy;
    if (current == policy)
        return;
    current = policy;
    if (recalculate) {
        const Bounds view = calculateUpdatedViewBounds(dataBounds);
        changeCausedByPolicy = true;
        setBounds(dataBounds, view, true);
        changeCausedByPolicy = false;
    }
    if (direction == Bounds::Horizontal)
        emit horizontalViewBoundsUpdatePolicyChanged();
    else
        emit verticalViewBoundsUpdatePolicyChanged();
}

void XYCanvas::setHorizontalViewBoundsUpdatePolicy(ViewBoundsUpdatePolicy policy, bool recalculate)
{
    setViewBoundsUpdatePolicy(Bounds::Horizontal, policy, recalculate);
}

void XYCanvas::setVerticalViewBoundsUpdatePolicy(ViewBoundsUpdatePolicy policy, bool recalculate)
{
    setViewBoundsUpdatePolicy(Bounds::Vertical, policy, recalculate);
}

bool XYCanvas::isAutoFollowMax(Bounds::Direction direction) const
{
    return (direction == Bounds::Horizontal || direction == Bounds::Vertical) && autoFollowMax[direction];
}

bool XYCanvas::isAutoFollowMin(Bounds::Direction direction) const
{
    return (direction == Bounds::Horizontal || direction == Bounds::Vertical) && autoFollowMin[direction];
}

void XYCanvas::emitPendingEmits()
{
    if (dataBoundsChangePending) {
        dataBoundsChangePending = false;
        emit dataBoundsChanged();
    }
    if (viewBoundsChangePending) {
        viewBoundsChangePending = false;
        emit viewBoundsChanged();
        previouslyEmittedViewBounds = viewBounds;
    }
}

void XYCanvas::forceEmitViewTransformSignals()
{
    emit dataBoundsChanged();
    emit horizontalViewBoundsUpdatePolicyChanged();
    emit verticalViewBoundsUpdatePolicyChanged();
    emit viewBoundsChanged();
}

// ---------------------------------------------------------------------------
// Navigation
// ---------------------------------------------------------------------------

void XYCanvas::zoomIn(Bounds::Direction d, bool emitNow)
{
    Bounds next = viewBounds;
    const double lo = lowerOf(viewBounds, d);
    const double hi = upperOf(viewBounds, d);
    const double extent = hi - lo;
    const bool valid = pairValid(viewBounds, d);
    // Half the extent, never below the zoom limit; a view that is already
    // narrower (zero wide, say) grows to it.
    double target = 0.5 * extent;
    if (valid) {
        const double smallest = smallestZoomExtent(getZoomLimitMinimumExtent(d), lo, hi);
        if (smallest > target)
            target = smallest;
    }

    const ViewBoundsUpdatePolicy policy = getViewBoundsUpdatePolicy(d);
    if (policy == FollowViewBounds) {
        // Zooming in at the followed end keeps following it.
        if (isAutoFollowMax(d) && hi == upperOf(dataBounds, d)) {
            lowerOf(next, d) = hi - target;
            setBounds(dataBounds, next, emitNow);
            return;
        }
        if (isAutoFollowMin(d) && lo == lowerOf(dataBounds, d)) {
            upperOf(next, d) = lo + target;
            setBounds(dataBounds, next, emitNow);
            return;
        }
    }
    if (valid) {
        const double s = (target - extent) * 0.5;
        upperOf(next, d) = hi + s;
        lowerOf(next, d) = lo - s;
    }
    if (policy != FollowViewBounds)
        changePolicy(d, ManualViewBounds);
    setBounds(dataBounds, next, emitNow);
}

void XYCanvas::zoomOut(Bounds::Direction d, bool emitNow)
{
    Bounds next = viewBounds;
    if (pairValid(viewBounds, d)) {
        // A view narrower than its position resolves (set explicitly) widens
        // from what it could be, so that zooming out always gets away from it.
        const double lo = lowerOf(viewBounds, d);
        const double hi = upperOf(viewBounds, d);
        const double extent = std::max(hi - lo, resolutionFloor(lo, hi));
        upperOf(next, d) += 0.5 * extent;
        lowerOf(next, d) -= 0.5 * extent;
    }
    next.shiftAndClip(d, dataBounds);
    if (upperOf(next, d) - lowerOf(next, d) == upperOf(dataBounds, d) - lowerOf(dataBounds, d))
        changePolicy(d, FullViewBounds);
    setBounds(dataBounds, next, emitNow);
}

void XYCanvas::zoomFull(Bounds::Direction d, bool emitNow)
{
    changePolicy(d, FullViewBounds);
    Bounds next = viewBounds;
    lowerOf(next, d) = lowerOf(dataBounds, d);
    upperOf(next, d) = upperOf(dataBounds, d);
    setBounds(dataBounds, next, emitNow);
}

void XYCanvas::zoomTo(Bounds::Direction d, double min, double max, bool emitNow)
{
    if (getViewBoundsUpdatePolicy(d) != LockedViewBounds) {
        Bounds next = viewBounds;
        double lo = min;
        double hi = max;
        if (std::isnan(lo) || std::isnan(hi))
            lo = hi = kNaN;
        const double limit = std::isnan(lo) ? kNaN : smallestZoomExtent(getZoomLimitMinimumExtent(d), lo, hi);
        if (!std::isnan(lo) && limit > hi - lo) {
            const double centre = (lo + hi) / 2;
            lo = centre - limit / 2;
            hi = centre + limit / 2;
        }
        if (!std::isnan(lo)) {
            const double dLo = lowerOf(dataBounds, d);
            const double dHi = upperOf(dataBounds, d);
            if (pairValid(dataBounds, d) && lo <= dHi && dLo <= hi) {
                lo = std::max(dLo, lo);
                hi = std::min(hi, dHi);
            } else {
                lo = hi = kNaN;
            }
        }
        lowerOf(next, d) = lo;
        upperOf(next, d) = hi;
        changePolicy(d, ManualViewBounds);
        setBounds(dataBounds, next, false);
    }
    if (emitNow)
        emitPendingEmits();
}

void XYCanvas::zoomToHorizontal(double min, double max)
{
    zoomTo(Bounds::Horizontal, min, max, true);
}

void XYCanvas::zoomToVertical(double min, double max)
{
    zoomTo(Bounds::Vertical, min, max, true);
}

void XYCanvas::zoomTo(Bounds const& bounds)
{
    zoomTo(Bounds::Horizontal, bounds.minX, bounds.maxX, false);
    zoomTo(Bounds::Vertical, bounds.minY, bounds.maxY, true);
}

void XYCanvas::dragViewBounds(Bounds::Direction d, double delta, bool emitNow)
{
    const ViewBoundsUpdatePolicy policy = getViewBoundsUpdatePolicy(d);
    if (pairValid(viewBounds, d) && (policy == ManualViewBounds || policy == FollowViewBounds)) {
        Bounds next = viewBounds;
        lowerOf(next, d) += delta;
        upperOf(next, d) += delta;
        next.shiftAndClip(d, dataBounds);
        keepResolvable(next, d);
        // Dragging back to the newest data resumes following it.
        if ((upperOf(next, d) == upperOf(dataBounds, d) && isAutoFollowMax(d))
            || (lowerOf(next, d) == lowerOf(dataBounds, d) && isAutoFollowMin(d)))
            changePolicy(d, FollowViewBounds);
        else
            changePolicy(d, ManualViewBounds);
        setBounds(dataBounds, next, false);
    }
    if (emitNow)
        emitPendingEmits();
}

void XYCanvas::dragViewBounds(double dx, double dy)
{
    dragViewBounds(Bounds::Horizontal, dx, false);
    dragViewBounds(Bounds::Vertical, dy, true);
}

void XYCanvas::zoomInBoth()
{
    zoomIn(Bounds::Horizontal, false);
    zoomIn(Bounds::Vertical, true);
}

void XYCanvas::zoomInHorizontal()
{
    zoomIn(Bounds::Horizontal, true);
}

void XYCanvas::zoomInVertical()
{
    zoomIn(Bounds::Vertical, true);
}

void XYCanvas::zoomOutBoth()
{
    zoomOut(Bounds::Horizontal, false);
    zoomOut(Bounds::Vertical, true);
}

void XYCanvas::zoomOutHorizontal()
{
    zoomOut(Bounds::Horizontal, true);
}

void XYCanvas::zoomOutVertical()
{
    zoomOut(Bounds::Vertical, true);
}

void XYCanvas::zoomFull()
{
    changePolicy(Bounds::Horizontal, FullViewBounds);
    Bounds next = viewBounds;
    next.minX = dataBounds.minX;
    next.maxX = dataBounds.maxX;
    setBounds(dataBounds, next, false);
    changePolicy(Bounds::Vertical, FullViewBounds);
    next = viewBounds;
    next.minY = dataBounds.minY;
    next.maxY = dataBounds.maxY;
    setBounds(dataBounds, next, true);
}

void XYCanvas::zoomFullHorizontal()
{
    zoomFull(Bounds::Horizontal, true);
}

void XYCanvas::zoomFullVertical()
{
    zoomFull(Bounds::Vertical, true);
}

void XYCanvas::wheelEvent(QWheelEvent* event)
{
    const int delta = event->angleDelta().y();
    const QPointF p = event->position();
    const double beforeX = p.x() * xInverseFactor + viewBounds.minX;
    const double beforeY = p.y() * yInverseFactor + viewBounds.maxY;
    if (std::abs(delta) >= 120) {
        const int steps = std::abs(delta) / 120;
        for (int i = 0; i < steps; ++i) {
            if (delta > 0) {
                zoomIn(Bounds::Horizontal, false);
                zoomIn(Bounds::Vertical, true);
            } else {
                zoomOut(Bounds::Horizontal, false);
                zoomOut(Bounds::Vertical, true);
            }
        }
    }
    // Keep the world point under the mouse where it was.
    const double afterX = p.x() * xInverseFactor + viewBounds.minX;
    const double afterY = p.y() * yInverseFactor + viewBounds.maxY;
    dragViewBounds(Bounds::Horizontal, beforeX - afterX, false);
    dragViewBounds(Bounds::Vertical, beforeY - afterY, true);
    QWidget::wheelEvent(event);
}

void XYCanvas::setHorizontalScrollBar(QScrollBar* scrollBar)
{
    if (horizontalScrollBar)
        ZEB_ASSERT("XYCanvas", "Only set horizontal scroll bar once");
    horizontalScrollBar = scrollBar;
    connect(scrollBar, &QScrollBar::valueChanged, this, qOverload<>(&XYCanvas::reflectScrollBarState));
    setScrollBarState(Bounds::Horizontal);
}

void XYCanvas::setVerticalScrollBar(QScrollBar* scrollBar)
{
    if (verticalScrollBar)
        ZEB_ASSERT("XYCanvas", "Only set vertical scroll bar once");
    verticalScrollBar = scrollBar;
    connect(scrollBar, &QScrollBar::valueChanged, this, qOverload<>(&XYCanvas::reflectScrollBarState));
    setScrollBarState(Bounds::Vertical);
}

QScrollBar* XYCanvas::getHorizontalScrollBar()
{
    return horizontalScrollBar;
}

QScrollBar* XYCanvas::getVerticalScrollBar()
{
    return verticalScrollBar;
}

QScrollBar* XYCanvas::getScrollBar(Bounds::Direction direction)
{
    if (direction == Bounds::Horizontal)
        return horizontalScrollBar;
    if (direction == Bounds::Vertical)
        return verticalScrollBar;
    return nullptr;
}

void XYCanvas::setScrollBarState(Bounds::Direction d)
{
    QScrollBar* scrollBar = getScrollBar(d);
    if (!scrollBar)
        return;
    settingScrollBarState = true;
    const double vLo = lowerOf(viewBounds, d);
    const double vHi = upperOf(viewBounds, d);
    const double dLo = lowerOf(dataBounds, d);
    const double dHi = upperOf(dataBounds, d);
    if (pairValid(viewBounds, d) && pairValid(dataBounds, d) && (vLo != dLo || vHi != dHi) && dHi - dLo != 0.0) {
        const double dataExtent = dHi - dLo;
        const double page = (vHi - vLo) / dataExtent * kScrollRange;
        const double value = (vLo - dLo) / dataExtent * kScrollRange;
        // Clamp into int range: a view far outside the data must not overflow.
        auto toInt = [](double v) {
            if (!(v > -2e9))
                return std::numeric_limits<int>::min() / 2;
            if (!(v < 2e9))
                return std::numeric_limits<int>::max() / 2;
            return int(v);
        };
        scrollBar->setEnabled(getViewBoundsUpdatePolicy(d) != LockedViewBounds);
        scrollBar->setRange(0, std::max(0, toInt(kScrollRange - page)));
        scrollBar->setValue(toInt(value));
        scrollBar->setPageStep(std::max(0, toInt(page)));
        scrollBar->setSingleStep(std::max(0, toInt(page / 25)));
    } else {
        scrollBar->setValue(0);
        scrollBar->setRange(0, 0);
        scrollBar->setPageStep(1);
        scrollBar->setEnabled(false);
    }
    settingScrollBarState = false;
}

void XYCanvas::setScrollBarStates()
{
    if (horizontalScrollBar)
        setScrollBarState(Bounds::Horizontal);
    if (verticalScrollBar)
        setScrollBarState(Bounds::Vertical);
}

void XYCanvas::reflectScrollBarState()
{
    if (settingScrollBarState)
        return;
    QObject* source = sender();
    if (!source)
        return;
    if (source == horizontalScrollBar)
        reflectScrollBarState(Bounds::Horizontal);
    else if (source == verticalScrollBar)
        reflectScrollBarState(Bounds::Vertical);
}

void XYCanvas::reflectScrollBarState(Bounds::Direction d)
{
    QScrollBar* scrollBar = getScrollBar(d);
    if (!scrollBar)
        return;
    const int value = scrollBar->value();
    const int minimum = scrollBar->minimum();
    const int maximum = scrollBar->maximum();
    const double f = maximum == minimum ? 0.0 : double(value - minimum) / double(maximum - minimum);
    const double extent = upperOf(viewBounds, d) - lowerOf(viewBounds, d);
    Bounds next = viewBounds;
    const double newLo = f * (upperOf(dataBounds, d) - extent) + (1 - f) * lowerOf(dataBounds, d);
    lowerOf(next, d) = newLo;
    upperOf(next, d) = newLo + extent;

    auto include = [&](double v) { widenUnsetPair(lowerOf(next, d), upperOf(next, d), v); };
    const ViewBoundsUpdatePolicy policy = getViewBoundsUpdatePolicy(d);
    if (value == maximum && isAutoFollowMax(d) && policy == ManualViewBounds) {
        changePolicy(d, FollowViewBounds);
        const double lastHi = upperOf(calculateLastDataPointsBounds(), d);
        if (!std::isnan(lastHi))
            include(lastHi);
    }
    if (value == minimum && isAutoFollowMin(d) && getViewBoundsUpdatePolicy(d) == ManualViewBounds) {
        changePolicy(d, FollowViewBounds);
        const double lastLo = lowerOf(calculateLastDataPointsBounds(), d);
        if (!std::isnan(lastLo))
            include(lastLo);
    }
    if (value != minimum && value != maximum && getViewBoundsUpdatePolicy(d) == FollowViewBounds)
        changePolicy(d, ManualViewBounds);
    keepResolvable(next, d);
    setBounds(dataBounds, next, true);
}

void XYCanvas::determineZoomButtonsEnablement(Bounds::Direction d, bool& zoomIn, bool& zoomOut, bool& zoomFull)
{
    if (pairValid(dataBounds, d) && pairValid(viewBounds, d) && getViewBoundsUpdatePolicy(d) != LockedViewBounds) {
        const double viewExtent = upperOf(viewBounds, d) - lowerOf(viewBounds, d);
        const double dataExtent = upperOf(dataBounds, d) - lowerOf(dataBounds, d);
        zoomIn = viewExtent
            > 1.01 * smallestZoomExtent(getZoomLimitMinimumExtent(d), lowerOf(viewBounds, d), upperOf(viewBounds, d));
        zoomOut = zoomFull = dataExtent > viewExtent;
    } else {
        zoomIn = zoomOut = zoomFull = false;
    }
}

void XYCanvas::configureZoomButtonsEnablement()
{
    bool inH, outH, fullH, inV, outV, fullV;
    determineZoomButtonsEnablement(Bounds::Horizontal, inH, outH, fullH);
    determineZoomButtonsEnablement(Bounds::Vertical, inV, outV, fullV);
    emit zoomInHorizontalEnabled(inH);
    emit zoomInVerticalEnabled(inV);
    emit zoomOutHorizontalEnabled(outH);
    emit zoomOutVerticalEnabled(outV);
    emit zoomFullHorizontalEnabled(fullH);
    emit zoomFullVerticalEnabled(fullV);
    emit zoomFullBothEnabled(fullH || fullV);
}

void XYCanvas::connectAsZoomInHorizontalButton(QAbstractButton* button)
{
    connect(button, &QAbstractButton::pressed, this, &XYCanvas::zoomInHorizontal);
    connect(this, &XYCanvas::zoomInHorizontalEnabled, button, &QWidget::setEnabled);
}

void XYCanvas::connectAsZoomInVerticalButton(QAbstractButton* button)
{
    connect(button, &QAbstractButton::pressed, this, &XYCanvas::zoomInVertical);
    connect(this, &XYCanvas::zoomInVerticalEnabled, button, &QWidget::setEnabled);
}

void XYCanvas::connectAsZoomOutHorizontalButton(QAbstractButton* button)
{
    connect(button, &QAbstractButton::pressed, this, &XYCanvas::zoomOutHorizontal);
    connect(this, &XYCanvas::zoomOutHorizontalEnabled, button, &QWidget::setEnabled);
}

void XYCanvas::connectAsZoomOutVerticalButton(QAbstractButton* button)
{
    connect(button, &QAbstractButton::pressed, this, &XYCanvas::zoomOutVertical);
    connect(this, &XYCanvas::zoomOutVerticalEnabled, button, &QWidget::setEnabled);
}

void XYCanvas::connectAsZoomFullHorizontalButton(QAbstractButton* button)
{
    connect(button, &QAbstractButton::pressed, this, &XYCanvas::zoomFullHorizontal);
    connect(this, &XYCanvas::zoomFullHorizontalEnabled, button, &QWidget::setEnabled);
}

void XYCanvas::connectAsZoomFullVerticalButton(QAbstractButton* button)
{
    connect(button, &QAbstractButton::pressed, this, &XYCanvas::zoomFullVertical);
    connect(this, &XYCanvas::zoomFullVerticalEnabled, button, &QWidget::setEnabled);
}

void XYCanvas::connectAsZoomFullBothButton(QAbstractButton* button)
{
    connect(button, &QAbstractButton::pressed, this, qOverload<>(&XYCanvas::zoomFull));
    connect(this, &XYCanvas::zoomFullBothEnabled, button, &QWidget::setEnabled);
}

// ---------------------------------------------------------------------------
// Drawing onto a foreign device

void XYCanvas::drawCanvasOnto(QPainter* painter, QRect target, qreal columnsPerPixel)
{
    if (!painter || !painter->isActive() || target.width() <= 0 || target.height() <= 0)
        return;
    // The drawing code works in a viewport of its own size from (0, 0):
    // the painter is given exactly that, placed at target.
    const QRect onScreenViewport = viewport;
    const bool wasUntilFinished = continueBackgroundDrawingUntilFinished;
    viewport = QRect(QPoint(0, 0), target.size());
    computeFactors();
    dataSetMarkers.clear();
    clearDataSetFilterCaches();
    clearViewportMaps();
    continueBackgroundDrawingUntilFinished = true;
    outputColumnsPerPixel = columnsPerPixel > 0 && std::isfinite(columnsPerPixel) ? columnsPerPixel : 0;

    painter->save();
    painter->resetTransform();
    painter->setViewport(target);
    painter->setWindow(viewport);
    paintBackground(painter);
    // A vector device may have no clipping: markers are cut at the edges.
    VectorEdgeCutter::drawCutOnVectorDevice(painter, QRectF(viewport), viewport.size(), [this](QPainter* onto) {
        drawBandMarkers(MARKER_FOREGROUND, onto);
        drawMarkers(MARKER_FOREGROUND, onto);
        drawEllipsoidalMarkers(onto);
        drawCrossMarkers(onto);
    });
    painter->restore();

    // The hit-test maps, generated markers and drawn indices now describe
    // this drawing, not the cached image: the widget starts afresh.
    continueBackgroundDrawingUntilFinished = wasUntilFinished;
    outputColumnsPerPixel = 0;
    viewport = onScreenViewport;
    computeFactors();
    fullRedrawNeeded = true;
}

// ---------------------------------------------------------------------------
// Partial repaints of streamed points

std::optional<QRegion> XYCanvas::newPointsArea()
{
    // Beyond this many new points a pass over them costs more than it saves;
    // such a batch usually covers much of the canvas anyway.
    constexpr qint64 kMaxPoints = 1 << 16;
    // A closing line runs from the first point to the last, anywhere.
    if (!dataSets || connectFirstLast || !(std::isfinite(xFactor) && std::isfinite(yFactor)))
        return std::nullopt;
    const double width = viewport.width();
    const double height = viewport.height();
    PlotRenderSettings_t const* settings = getPlotRenderSettings();
    constexpr double kInf = std::numeric_limits<double>::infinity();
    QRegion area;
    qint64 points = 0;
    for (XYDataSet* dataSet : std::as_const(*dataSets)) {
        if (!dataSet->visible || !dataSet->yData->hasValidValues())
            continue;
        int first = 0;
        int last = -1;
        getPointsToBeDrawn(dataSet, first, last);
        if (first > last)
            continue;
        // The first new point is joined to the one drawn last.
        const int from = std::max(first - 1, 0);
        points += last - from + 1;
        if (points > kMaxPoints)
            return std::nullopt;
        Look* look = dataSet->getLook();
        DataArray const* xs = dataSet->xData;
        DataArray const* ys = dataSet->yData;
        double x0 = kInf;
        double x1 = -kInf;
        double y0 = kInf;
        double y1 = -kInf;
        int thickness = 1;
        for (int i = from; i <= last; ++i) {
            // Comparisons leave the extremes alone for NaN, which is not drawn.
            const double x = xs->getValue(i);
            const double y = ys->getValue(i);
            x0 = x < x0 ? x : x0;
            x1 = x > x1 ? x : x1;
            y0 = y < y0 ? y : y0;
            y1 = y > y1 ? y : y1;
            thickness = std::max(thickness, look->getLineThickness(i));
        }
        const bool fixedY = look->hasFixedYPosition();
        if (!(x0 <= x1) || (!fixedY && !(y0 <= y1)))
            continue;
        // Pen (square caps and bevel joins reach half its width beyond a
        // point, diagonally a little more), symbols with their outline, the
        // parallel lines of a multi-line look, and antialiasing and rounding
        // to device pixels.
        const bool colorBar = look->isColorBar();
        const double pen = thickness * double(colorBar ? settings->colorBarWidthFactor : settings->lineWidthFactor);
        const double margin = 2 * pen + look->getSymbolSize()
            + (look->getMultiLineCount() - 1) * 0.5 * look->getDefaultLineThickness() + 3;
        // A colour bar reaches right of its last point: its minimum length,
        // the mark of a single point, the dash of an isolated one.
        const double right = colorBar ? std::max({double(look->getMinBarEntryPixelLength()), 10.0, 2.0}) : 0.0;
        auto clampX = [&](double v) { return std::clamp(v, -margin - 1, width + margin + right + 1); };
        auto clampY = [&](double v) { return std::clamp(v, -margin - 1, height + margin + 1); };
        const double left = clampX((x0 - viewBounds.minX) * xFactor) - margin;
        const double rightEdge = clampX((x1 - viewBounds.minX) * xFactor) + margin + right;
        // A look at a fixed height is given its whole column strip.
        const double top = fixedY ? 0 : clampY(height + (y1 - viewBounds.minY) * yFactor) - margin;
        const double bottom = fixedY ? height : clampY(height + (y0 - viewBounds.minY) * yFactor) + margin;
        if (!(left <= rightEdge && top <= bottom))
            return std::nullopt;
        area += QRectF(QPointF(left, top), QPointF(rightEdge, bottom)).toAlignedRect() & rect();
    }
    return area;
}

namespace {

// Adds the fields of markers to a running hash.
struct ForegroundHash
{
    size_t h = 0;
    template <typename... T>
    void add(T const&... values)
    {
        h = qHashMulti(h, values...);
    }
    void color(QColor const& c) { add(quint64(c.rgba64()), c.isValid()); }
    void marker(Marker_t const* m)
    {
        add(m != nullptr);
        if (!m)
            return;
        add(m->type, m->orientation, m->position, m->penStyle, m->width, m->label);
        color(m->color);
    }
};

} // namespace

size_t XYCanvas::foregroundFingerprint() const
{
    ForegroundHash f;
    f.add(viewBounds.minX, viewBounds.maxX, viewBounds.minY, viewBounds.maxY);
    if (markers)
        for (Marker_t const* m : std::as_const(*markers))
            f.marker(m);
    f.add(dataSetMarkers.size());
    for (Marker_t const& m : dataSetMarkers)
        f.marker(&m);
    f.add(mouseMarkersHidden, mouseMarkersFromOtherCanvas, int(mouseMarkerOrientations),
          int(interplotMouseMarkerOrientations), currentTimeMarkerEnabled, intervalTimeMarkerEnabled);
    for (Marker_t const* m : {horizontalMouseMarker, verticalMouseMarker, currentTimeMarker, intervalStartTimeMarker,
                              intervalStopTimeMarker})
        f.marker(m);
    if (bandMarkers)
        for (BandMarker_t const* b : std::as_const(*bandMarkers)) {
            f.add(b != nullptr);
            if (b) {
                f.add(b->type, b->orientation, b->start, b->end, b->label);
                f.color(b->color);
            }
        }
    if (ellipseMarkers)
        for (EllipseMarker_t const* e : std::as_const(*ellipseMarkers)) {
            f.add(e != nullptr);
            if (e) {
                f.add(e->x, e->y, e->axisA, e->axisB, e->angle, e->penStyle, e->width);
                f.color(e->color);
            }
        }
    if (crossMarkers)
        for (CrossMarker_t const* c : std::as_const(*crossMarkers)) {
            f.add(c != nullptr);
            if (c) {
                f.add(c->x, c->y, c->size, c->penStyle, c->width);
                f.color(c->color);
            }
        }
    return f.h;
}
