// XYCanvas: mouse interaction (rubber-band zoom, panning, hit testing, mouse
// coordinates, cross-hair and time markers, cursor handling).
#include "xycanvas.h"

#include "blockminmaxcache.h"
#include "candidatecolumns.h"
#include "dataarray.h"
#include "dataarraytemplate.h"
#include "look.h"
#include "nearestincolumns.h"
#include "plotrendersettings.h"
#include "xyabstractgrid.h"
#include "xydataset.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QRubberBand>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The least span, in pixels between its left and right (top and bottom)
// columns, with which a zoom rectangle zooms in that direction.
constexpr int kMinimumZoomPixels = 3;

Marker_t* newForegroundMarker(int orientation, QColor const& color, int width)
{
    Marker_t* marker = new Marker_t;
    marker->type = MARKER_FOREGROUND;
    marker->orientation = orientation;
    marker->position = 0.0;
    marker->color = color;
    marker->penStyle = Qt::SolidLine;
    marker->width = width;
    return marker;
}

QPoint rounded(QPointF const& p)
{
    return QPoint(qRound(p.x()), qRound(p.y()));
}

} // namespace

bool XYCanvas::event(QEvent* event)
{
    // Mouse, wheel and paint events are dispatched here rather than left to the
    // generic widget handling, so that a disabled canvas still reacts to them.
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        mousePressEvent(static_cast<QMouseEvent*>(event));
        return true;
    case QEvent::MouseButtonRelease:
        mouseReleaseEvent(static_cast<QMouseEvent*>(event));
        return true;
    case QEvent::MouseMove:
        mouseMoveEvent(static_cast<QMouseEvent*>(event));
        return true;
    case QEvent::Enter:
        enterEvent(static_cast<QEnterEvent*>(event));
        return true;
    case QEvent::Leave:
        leaveEvent(event);
        return true;
    case QEvent::Paint:
        paintEvent(static_cast<QPaintEvent*>(event));
        return true;
    case QEvent::Wheel:
        wheelEvent(static_cast<QWheelEvent*>(event));
        return true;
    case QEvent::CursorChange:
        cursorChangeEvent(event);
        return true;
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
    case QEvent::DevicePixelRatioChange:
#endif
    case QEvent::ScreenChangeInternal:
        // On a screen of another resolution the background is made again, in
        // that screen's device pixels, when the canvas is next painted.
        if (devicePixelRatioF() != backgroundRatio)
            update();
        return QFrame::event(event);
    default:
        return QFrame::event(event);
    }
}

void XYCanvas::cursorChangeEvent(QEvent* event)
{
    if (overrideCursorActive)
        QGuiApplication::changeOverrideCursor(cursor());
    QFrame::event(event);
}

void XYCanvas::changeCursor(Qt::CursorShape cursor)
{
    setCursor(cursor);
}

void XYCanvas::enableSendingMouseCoords(bool enable)
{
    sendMouseCoords = enable;
}

void XYCanvas::enableSendingTextualMouseCoords(bool enable)
{
    sendTextualMouseCoords = enable;
}

void XYCanvas::setConnectFirstLast(bool connect)
{
    connectFirstLast = connect;
}

void XYCanvas::mousePressEvent(QMouseEvent* event)
{
    movedSincePress = false;
    if (event->buttons() == Qt::LeftButton) {
        if (cursor().shape() != Qt::OpenHandCursor) {
            rubberBandOrigin = rounded(event->position());
            delete rubberBand;
            rubberBand = new QRubberBand(QRubberBand::Rectangle, this);
            rubberBand->setGeometry(QRect(rubberBandOrigin, QSize()));
            rubberBand->show();
        } else {
            setCursor(Qt::ClosedHandCursor);
            panPosition = rounded(event->position());
        }
    } else {
        delete rubberBand;
        rubberBand = nullptr;
    }
    dataHitTestAndEmit(event);
    QWidget::mousePressEvent(event);
}

void XYCanvas::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF p = event->position();
    const double w = viewport.width();
    const double h = viewport.height();
    const double minX = viewBounds.minX;
    const double maxX = viewBounds.maxX;
    const double minY = viewBounds.minY;
    const double maxY = viewBounds.maxY;
    const double wx = (maxX - minX) * p.x() / w + minX;
    const double wy = (maxY - minY) * (h - p.y()) / h + minY;
    const Qt::CursorShape shape = cursor().shape();

    if (sendTextualMouseCoords || shape == Qt::ClosedHandCursor) {
        const int xDecimals = getDecimalPlaces(maxX - minX);
        const int yDecimals = getDecimalPlaces(maxY - minY);
        // Without grids the numbers are written plainly with the same decimals.
        const QString xLabel = verticalGrid ? verticalGrid->getLabel(wx, xDecimals) : QString::number(wx, 'f', xDecimals);
        const QString yLabel =
            horizontalGrid ? horizontalGrid->getLabel(wy, yDecimals) : QString::number(wy, 'f', yDecimals);
        emit mouseMoved(xLabel, yLabel);
    }
    if (sendMouseCoords)
        emit mouseCoords(wx, wy);

    if (shape == Qt::ClosedHandCursor) {
        // The data follow the mouse.
        dragViewBounds(Bounds::Horizontal, -(p.x() - panPosition.x()) * (maxX - minX) / w, false);
        dragViewBounds(Bounds::Vertical, (p.y() - panPosition.y()) * (maxY - minY) / h, true);
        panPosition = rounded(p);
    } else if (shape == Qt::CrossCursor && rubberBand) {
        rubberBand->setGeometry(QRect(rubberBandOrigin, rounded(p)).normalized());
    }
    dataHitTestAndEmit(event);
    updateMouseMarkers(wx, wy, false);
    movedSincePress = true;
    QWidget::mouseMoveEvent(event);
}

void XYCanvas::mouseReleaseEvent(QMouseEvent* event)
{
    if (cursor().shape() == Qt::ClosedHandCursor) {
        setCursor(Qt::OpenHandCursor);
    } else if (rubberBand) {
        // A click without movement does not zoom.  Nor does a rectangle in a
        // direction in which it spans fewer than kMinimumZoomPixels: a click
        // that slipped, or a rectangle dragged out and back to where it
        // started, would zoom that direction to a sliver or to zero width.
        if (movedSincePress) {
            rubberBand->hide();
            const QRect r = rubberBand->geometry().normalized();
            if (r.right() - r.left() >= kMinimumZoomPixels) {
                const double x1 = r.left() * xInverseFactor + viewBounds.minX;
                const double x2 = r.right() * xInverseFactor + viewBounds.minX;
                zoomTo(Bounds::Horizontal, std::min(x1, x2), std::max(x1, x2), false);
            }
            if (r.bottom() - r.top() >= kMinimumZoomPixels) {
                const double y1 = r.top() * yInverseFactor + viewBounds.maxY;
                const double y2 = r.bottom() * yInverseFactor + viewBounds.maxY;
                zoomTo(Bounds::Vertical, std::min(y1, y2), std::max(y1, y2), false);
            }
            emitPendingEmits();
            movedSincePress = false;
        }
        delete rubberBand;
        rubberBand = nullptr;
    }
    dataHitTestAndEmit(event);
    QWidget::mouseReleaseEvent(event);
}

void XYCanvas::enterEvent(QEnterEvent* event)
{
    // The canvas cursor wins over whatever the host shows while the mouse is here.
    if (!overrideCursorActive) {
        QGuiApplication::setOverrideCursor(cursor());
        overrideCursorActive = true;
    }
    QWidget::enterEvent(event);
}

void XYCanvas::leaveEvent(QEvent* event)
{
    if (overrideCursorActive) {
        QGuiApplication::restoreOverrideCursor();
        overrideCursorActive = false;
    }
    dataHitTestAndEmit(event);
    mouseMarkerMouseLeave(false);
    if (sendTextualMouseCoords)
        emit mouseMoved(QString(), QString());
    QWidget::leaveEvent(event);
}

int XYCanvas::getDecimalPlaces(double extent)
{
    if (std::isnan(extent))
        return 0;
    if (extent > 100)
        return 0;
    if (extent > 10)
        return 1;
    if (extent > 1)
        return 2;
    return 3;
}

XYCanvas::datahit_t XYCanvas::getLastDataHit() const
{
    return lastDataHit;
}

bool XYCanvas::areMouseMarkersHidden() const
{
    return mouseMarkersHidden;
}

bool XYCanvas::dataHitTest(XYDataSet* dataSet, int x, int y, XYCanvas::datahit_t& hit, int maxDistance)
{
    if (!isMouseOverDataTrackingEnabled(dataSet))
        return false;
    ViewportMap<int>* map = getViewportMap(dataSet);
    if (map->getCellWidth() == 0 || map->getCellHeight() == 0 || x < 0 || y < 0 || x >= map->getWidth()
        || y >= map->getHeight())
        return false;
    const QList<int>& candidates = map->cell(x / map->getCellWidth(), y / map->getCellHeight());
    if (candidates.isEmpty())
        return false;
    auto take = [&](int i, QPoint q, double d) {
        hit.dataSet = dataSet;
        hit.index = i;
        hit.fractionalIndex = i;
        hit.distance = d;
        hit.mouseX = x;
        hit.mouseY = y;
        hit.pointX = q.x();
        hit.pointY = q.y();
        hit.canvas = this;
    };
    int position = -1;
    QPoint point;
    double distance = 0.0;
    if (nearestCandidateByColumns(dataSet, candidates, x, y, maxDistance, position, point, distance)) {
        if (position < 0)
            return false;
        take(candidates.at(position), point, distance);
        return true;
    }

    Look* look = dataSet->getLook();
    const bool colorBar = look->isColorBar();
    const int size = std::min(dataSet->yData->dataSize(), dataSet->xData->dataSize());
    bool found = false;
    for (int i : candidates) {
        if (i < 0 || i >= size)
            continue;
        bool ok = false;
        const QPoint q = convertDataPointToViewport(dataSet, i, ok, false);
        if (!ok)
            continue;
        const int dx = std::abs(x - q.x());
        const int dy = std::abs(q.y() - y);
        const double d = std::sqrt(double(dx) * dx + double(dy) * dy);
        bool acceptable;
        if (colorBar) {
            // A band along the bar, as thick as the bar is drawn.
            const int halfBar = (look->getLineThickness(i) * getPlotRenderSettings()->colorBarWidthFactor) / 2 + 1;
            acceptable = dx <= maxDistance && dy <= halfBar;
        } else {
            acceptable = d <= maxDistance;
        }
        if (acceptable && (!found || d < hit.distance)) {
            found = true;
            take(i, q, d);
        }
    }
    return found;
}

bool XYCanvas::nearestCandidateByColumns(XYDataSet* dataSet, QList<int> const& candidates, int x, int y,
                                         int maxDistance, int& position, QPoint& point, double& distance)
{
    // When the cell lists its points in index order and x never decreases,
    // the candidates of one pixel column are neighbours in the list and the
    // columns can be visited from the mouse outwards.  Anything else takes
    // the plain loop.
    if (viewportMapLastEntries.value(dataSet, kEntriesUnordered) == kEntriesUnordered)
        return false;
    Look* look = dataSet->getLook();
    if (look->isColorBar() || look->hasFixedYPosition() || !dataSet->xData->isNondecreasing())
        return false;
    double const* xr = plainDoubleValues(dataSet->xData);
    double const* yr = plainDoubleValues(dataSet->yData);
    const double minX = viewBounds.minX;
    const double maxY = viewBounds.maxY;
    if (!xr || !yr || !(xFactor > 0) || !std::isfinite(xFactor) || !std::isfinite(yFactor) || !std::isfinite(minX)
        || !std::isfinite(maxY))
        return false;
    position = -1;
    if (maxDistance < 0)
        return true;
    int const* cells = candidates.constData();
    const int size = std::min(dataSet->yData->dataSize(), dataSet->xData->dataSize());
    if (cells[0] < 0)
        return false;
    // Indices beyond the arrays are skipped; in a sorted list they come last.
    const int listed = int(candidates.size());
    const int count = cells[listed - 1] < size ? listed : int(std::lower_bound(cells, cells + listed, size) - cells);
    if (count == 0)
        return true;
    const CandidateColumns columns(cells, count, size, xr, minX, xFactor);
    if (!columns.roundable())
        return false;
    NearestInColumns nearest(columns, yr, maxY, yFactor, getExtremaCache(dataSet), QPoint(x, y), maxDistance);
    position = nearest.find();
    if (position >= 0) {
        point = nearest.point();
        distance = nearest.distance();
    }
    return true;
}

bool XYCanvas::dataHitTest(int x, int y, XYCanvas::datahit_t& hit, int maxDistance)
{
    hit.dataSet = nullptr;
    if (!dataSets)
        return false;
    bool found = false;
    for (XYDataSet* dataSet : std::as_const(*dataSets)) {
        if (!isMouseOverDataTrackingEnabled(dataSet))
            continue;
        datahit_t candidate;
        if (dataHitTest(dataSet, x, y, candidate, maxDistance) && (!found || hit.distance > candidate.distance)) {
            hit = candidate;
            found = true;
        }
    }
    return found;
}

void XYCanvas::dataHitTestAndEmit(QEvent* event)
{
    auto markLeft = [this](int x, int y) {
        lastDataHit.dataSet = nullptr;
        lastDataHit.mouseX = x;
        lastDataHit.mouseY = y;
        lastDataHit.fractionalIndex = -1;
        lastDataHit.distance = kNaN;
        lastDataHit.pointX = kNaN;
        lastDataHit.pointY = kNaN;
    };
    if (QMouseEvent* mouseEvent = dynamic_cast<QMouseEvent*>(event)) {
        const QPoint p = rounded(mouseEvent->position());
        datahit_t hit;
        if (dataHitTest(p.x(), p.y(), hit, 10)) {
            lastDataHit = hit;
            emit mouseOverData(hit, mouseEvent);
            return;
        }
        if (!lastDataHit.dataSet)
            return;
        // The mouse left the last point hit: say so once.
        markLeft(p.x(), p.y());
        emit mouseOverData(lastDataHit, mouseEvent);
        return;
    }
    if (lastDataHit.dataSet) {
        markLeft(-1, -1);
        emit mouseOverData(lastDataHit, nullptr);
    }
}

void XYCanvas::setDefaultMouseOverDataTrackingEnabled(bool enabled)
{
    defaultMouseOverDataTracking = enabled;
}

void XYCanvas::setMouseOverDataTrackingEnabled(XYDataSet* dataSet, bool enabled)
{
    mouseOverDataTracking.insert(dataSet, enabled);
}

void XYCanvas::enableMouseMarkers(QFlags<XYCanvas::Orientation> orientations)
{
    mouseMarkerOrientations = orientations;
    update();
}

void XYCanvas::disableMouseMarkers()
{
    mouseMarkerOrientations = QFlags<Orientation>();
    update();
}

void XYCanvas::enableInterplotMouseMarkers(QFlags<XYCanvas::Orientation> orientations)
{
    interplotMouseMarkerOrientations = orientations;
    update();
}

void XYCanvas::disableInterplotMouseMarkers()
{
    interplotMouseMarkerOrientations = QFlags<Orientation>();
    update();
}

void XYCanvas::setXYCanvassesForInterplotMouseMarkers(QList<XYCanvas*> canvases)
{
    interplotCanvases = canvases;
}

void XYCanvas::ensureMouseMarkers()
{
    if (!horizontalMouseMarker)
        horizontalMouseMarker = newForegroundMarker(HORIZONTAL, Qt::gray, 0);
    if (!verticalMouseMarker)
        verticalMouseMarker = newForegroundMarker(VERTICAL, Qt::gray, 0);
}

void XYCanvas::updateMouseMarkers(double x, double y, bool fromOtherCanvas)
{
    ensureMouseMarkers();
    mouseMarkersHidden = false;
    horizontalMouseMarker->position = y;
    verticalMouseMarker->position = x;
    mouseMarkersFromOtherCanvas = fromOtherCanvas;
    if (fromOtherCanvas) {
        if (interplotMouseMarkerOrientations)
            update();
        return;
    }
    if (mouseMarkerOrientations)
        update();
    for (XYCanvas* other : std::as_const(interplotCanvases))
        if (other && other != this)
            other->updateMouseMarkers(x, y, true);
}

void XYCanvas::mouseMarkerMouseLeave(bool fromOtherCanvas)
{
    mouseMarkersHidden = true;
    if (fromOtherCanvas) {
        if (interplotMouseMarkerOrientations)
            update();
        return;
    }
    if (mouseMarkerOrientations)
        update();
    for (XYCanvas* other : std::as_const(interplotCanvases))
        if (other && other != this)
            other->mouseMarkerMouseLeave(true);
}

// Time markers are created on first use and then only moved; they are drawn
// while enabled.
void XYCanvas::ensureTimeMarker(Marker_t*& marker, QColor const& color)
{
    if (!marker)
        marker = newForegroundMarker(VERTICAL, color, 2);
}

void XYCanvas::setTimeMarkerEnabled(bool& flag, bool enabled)
{
    flag = enabled;
    update();
}

void XYCanvas::moveTimeMarker(Marker_t* marker, double x)
{
    marker->position = x;
    update();
}

void XYCanvas::enableCurrentTimeMarker()
{
    ensureCurrentTimeMarker();
    setTimeMarkerEnabled(currentTimeMarkerEnabled, true);
}

void XYCanvas::disableCurrentTimeMarker()
{
    setTimeMarkerEnabled(currentTimeMarkerEnabled, false);
}

void XYCanvas::ensureCurrentTimeMarker()
{
    ensureTimeMarker(currentTimeMarker, Qt::red);
}

void XYCanvas::updateCurrentTimeMarker(double x)
{
    ensureCurrentTimeMarker();
    moveTimeMarker(currentTimeMarker, x);
}

void XYCanvas::enableIntervalTimeMarker()
{
    ensureIntervalTimeMarker();
    setTimeMarkerEnabled(intervalTimeMarkerEnabled, true);
}

void XYCanvas::disableIntervalTimeMarker()
{
    setTimeMarkerEnabled(intervalTimeMarkerEnabled, false);
}

void XYCanvas::ensureIntervalTimeMarker()
{
    ensureTimeMarker(intervalStartTimeMarker, Qt::blue);
    ensureTimeMarker(intervalStopTimeMarker, Qt::blue);
}

void XYCanvas::updateIntervalStartTimeMarker(double x)
{
    ensureIntervalTimeMarker();
    moveTimeMarker(intervalStartTimeMarker, x);
}

void XYCanvas::updateIntervalStopTimeMarker(double x)
{
    ensureIntervalTimeMarker();
    moveTimeMarker(intervalStopTimeMarker, x);
}
