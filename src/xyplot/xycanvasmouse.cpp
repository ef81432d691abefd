// XYCanvas: mouse interaction (rubber-band zoom, panning, hit testing, mouse
// coordinates, cross-hair and time markers, cursor handling).
#include "xycanvas.h"

#include "blockminmaxcache.h"
#include "dataarray.h"
#include "dataarraytemplate.h"
#include "look.h"
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
    // The nearest acceptable candidate is the one with the smallest distance,
    // the earliest in the cell on ties.  When the cell lists its points in
    // index order and x never decreases, the candidates of one pixel column
    // are neighbours in the list: the columns are visited from the mouse
    // outwards until they are farther away than the best point found, and
    // within a column, blocks of values whose rows are all too far away are
    // passed over by their extremes.  Anything else takes the plain loop.
    if (viewportMapLastEntries.value(dataSet, kEntriesUnordered) == kEntriesUnordered)
        return false;
    Look* look = dataSet->getLook();
    if (look->isColorBar() || look->hasFixedYPosition() || !dataSet->xData->isNondecreasing())
        return false;
    auto plain = [](DataArray const* array) -> double const* {
        auto typed = dynamic_cast<DataArrayTemplate<double> const*>(array);
        return typed && !typed->hasDoNotUseValueConfigured() ? typed->constData() : nullptr;
    };
    double const* xr = plain(dataSet->xData);
    double const* yr = plain(dataSet->yData);
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
    // Pixel columns of all candidates lie between those of the first and the
    // last one; far outside the viewport the rounding is not meaningful.
    auto pixelX = [&](int k) { return (xr[cells[k]] - minX) * xFactor; };
    constexpr double kFar = 1e9;
    if (!(std::abs(pixelX(0)) < kFar && std::abs(pixelX(count - 1)) < kFar))
        return false;
    auto column = [&](int k) { return qRound(pixelX(k)); };
    // The row of index i (downwards, as the hit test converts); false when
    // the point is unusable or so far away that it cannot be hit.
    auto row = [&](int i, int& r) {
        const double py = yFactor * (yr[i] - maxY);
        if (!(std::abs(py) < kFar))
            return false;
        r = qRound(py);
        return true;
    };

    BlockMinMaxCache* cache = getExtremaCache(dataSet);
    const qint64 maxDistance2 = qint64(maxDistance) * maxDistance;
    int bestPosition = -1;
    qint64 bestDistance2 = 0;
    int bestDx = 0;
    int bestDy = 0;
    int bestRow = 0;

    // The best point of the column at list positions a..b, dx away from the
    // mouse: the smallest row distance, the earliest position on ties.
    auto scanColumn = [&](int a, int b, int dx) {
        const qint64 dx2 = qint64(dx) * dx;
        int columnPosition = -1;
        int columnDy = 0;
        int columnRow = 0;
        auto consider = [&](int k, int i) {
            int r;
            if (!row(i, r))
                return;
            const int dy = std::abs(r - y);
            if (columnPosition < 0 || dy < columnDy) {
                columnPosition = k;
                columnDy = dy;
                columnRow = r;
            }
        };
        // Points at least lowerDy rows away cannot beat what is known.
        auto worthLooking = [&](qint64 lowerDy) {
            if (columnPosition >= 0 && lowerDy >= columnDy)
                return false;
            const qint64 d2 = dx2 + lowerDy * lowerDy;
            return d2 <= maxDistance2 && (bestPosition < 0 || d2 <= bestDistance2);
        };
        const int first = cells[a];
        const int last = cells[b];
        if (last - first == b - a) {
            // Consecutive indices: each block of values (or the part of it in
            // the column) can be judged by the extremes of the whole block.
            int i = first;
            while (i <= last) {
                const int end = std::min(cache->blockLast(i), last);
                double lo;
                double hi;
                if (cache->blockExtremes(i, lo, hi)) {
                    double p1 = std::clamp(yFactor * (lo - maxY), -kFar, kFar);
                    double p2 = std::clamp(yFactor * (hi - maxY), -kFar, kFar);
                    if (p1 > p2)
                        std::swap(p1, p2);
                    const qint64 rowLo = qRound(p1);
                    const qint64 rowHi = qRound(p2);
                    const qint64 lowerDy = y < rowLo ? rowLo - y : (y > rowHi ? y - rowHi : 0);
                    if (!worthLooking(lowerDy)) {
                        i = end + 1;
                        continue;
                    }
                }
                for (; i <= end; ++i)
                    consider(a + (i - first), i);
            }
        } else {
            for (int k = a; k <= b; ++k)
                consider(k, cells[k]);
        }
        if (columnPosition < 0)
            return;
        const qint64 d2 = dx2 + qint64(columnDy) * columnDy;
        if (d2 > maxDistance2)
            return;
        if (bestPosition < 0 || d2 < bestDistance2 || (d2 == bestDistance2 && columnPosition < bestPosition)) {
            bestPosition = columnPosition;
            bestDistance2 = d2;
            bestDx = dx;
            bestDy = columnDy;
            bestRow = columnRow;
        }
    };

    // The first list position whose column is at or right of the mouse:
    // guessed from the columns of the list's ends (points are usually spread
    // evenly), corrected in growing steps, then halved.
    int right;
    {
        const int c0 = column(0);
        const int c1 = column(count - 1);
        int lo = 0;        // column(lo - 1) < x is known (lo = 0: nothing before)
        int hi = count;    // column(hi) >= x is known (hi = count: nothing after)
        if (x <= c0) {
            hi = 0;
        } else if (x > c1) {
            lo = count;
        } else {
            const int guess = std::clamp(int(double(x - c0) / double(c1 - c0) * (count - 1)), 1, count - 1);
            if (column(guess) < x) {
                lo = guess + 1;
                for (qint64 step = 1; guess + step < count; step *= 2) {
                    if (column(guess + int(step)) >= x) {
                        hi = guess + int(step);
                        break;
                    }
                    lo = guess + int(step) + 1;
                }
            } else {
                hi = guess;
                for (qint64 step = 1; guess - step >= 0; step *= 2) {
                    if (column(guess - int(step)) < x) {
                        lo = guess - int(step) + 1;
                        break;
                    }
                    hi = guess - int(step);
                }
            }
        }
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (column(mid) < x)
                lo = mid + 1;
            else
                hi = mid;
        }
        right = lo;
    }
    // The extent of the column holding list position k, searched from a
    // guess of its length (step 1 moves right, -1 left): correct the guess
    // in growing steps, then halve.  Probes stay near the answer, so a long
    // list costs few cache misses.
    auto columnEnd = [&](int k, int direction, int guessLength) {
        const int c = column(k);
        const int limit = direction > 0 ? count - 1 : 0;
        // Within a run of consecutive indices the index at a position is
        // known before the list is read: both loads go out together instead
        // of one after the other.
        const int anchor = cells[k];
        auto inColumn = [&](int position) {
            const qint64 predicted = qint64(anchor) + (position - k);
            if (predicted >= 0 && predicted < size) {
                const double value = xr[predicted];
                if (cells[position] == predicted)
                    return qRound((value - minX) * xFactor) == c;
            }
            return column(position) == c;
        };
        auto ahead = [&](int position, qint64 by) { return qint64(position) + direction * by; };
        int same = k;
        qint64 other = ahead(limit, 1); // past the end of the list
        const qint64 guess = ahead(k, std::max(guessLength - 1, 0));
        const int start = int(direction > 0 ? std::min<qint64>(guess, limit) : std::max<qint64>(guess, limit));
        if (inColumn(start)) {
            same = start;
            for (qint64 step = 1; direction * (ahead(same, step) - limit) <= 0; step *= 2) {
                if (!inColumn(int(ahead(same, step)))) {
                    other = ahead(same, step);
                    break;
                }
                same = int(ahead(same, step));
            }
        } else {
            other = start;
            for (qint64 step = 1; direction * (ahead(int(other), -step) - k) > 0; step *= 2) {
                if (inColumn(int(ahead(int(other), -step)))) {
                    same = int(ahead(int(other), -step));
                    break;
                }
                other = ahead(int(other), -step);
            }
        }
        while (std::abs(other - same) > 1) {
            const int mid = int(same + (other - same) / 2);
            if (inColumn(mid))
                same = mid;
            else
                other = mid;
        }
        return same;
    };

    int left = right - 1;
    const int c0 = column(0);
    const int c1 = column(count - 1);
    int rightLength = std::max(1, int(count / (qint64(c1) - c0 + 1)));
    int leftLength = rightLength;
    constexpr qint64 kNone = std::numeric_limits<qint64>::max();
    // Columns of the next positions on each side, read once.
    int rightColumn = right < count ? column(right) : 0;
    int leftColumn = left >= 0 ? column(left) : 0;
    while (true) {
        const qint64 dxRight = right < count ? qint64(rightColumn) - x : kNone;
        const qint64 dxLeft = left >= 0 ? x - qint64(leftColumn) : kNone;
        const qint64 dx = std::min(dxRight, dxLeft);
        // A column farther than the best point cannot hold a better one.
        if (dx == kNone || dx > maxDistance || (bestPosition >= 0 && dx * dx > bestDistance2))
            break;
        if (dxRight <= dxLeft) {
            const int a = right;
            const int b = columnEnd(a, 1, rightLength);
            rightLength = b - a + 1;
            right = b + 1;
            if (right < count)
                rightColumn = column(right);
            scanColumn(a, b, int(dx));
        } else {
            const int b = left;
            const int a = columnEnd(b, -1, leftLength);
            leftLength = b - a + 1;
            left = a - 1;
            if (left >= 0)
                leftColumn = column(left);
            scanColumn(a, b, int(dx));
        }
    }
    if (bestPosition < 0)
        return true;
    position = bestPosition;
    point = QPoint(column(bestPosition), bestRow);
    distance = std::sqrt(double(bestDx) * bestDx + double(bestDy) * bestDy);
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

void XYCanvas::enableCurrentTimeMarker()
{
    currentTimeMarkerEnabled = true;
    ensureCurrentTimeMarker();
    update();
}

void XYCanvas::disableCurrentTimeMarker()
{
    currentTimeMarkerEnabled = false;
    update();
}

void XYCanvas::ensureCurrentTimeMarker()
{
    if (!currentTimeMarker)
        currentTimeMarker = newForegroundMarker(VERTICAL, Qt::red, 2);
}

void XYCanvas::updateCurrentTimeMarker(double x)
{
    ensureCurrentTimeMarker();
    currentTimeMarker->position = x;
    update();
}

void XYCanvas::enableIntervalTimeMarker()
{
    intervalTimeMarkerEnabled = true;
    ensureIntervalTimeMarker();
    update();
}

void XYCanvas::disableIntervalTimeMarker()
{
    intervalTimeMarkerEnabled = false;
    update();
}

void XYCanvas::ensureIntervalTimeMarker()
{
    if (!intervalStartTimeMarker)
        intervalStartTimeMarker = newForegroundMarker(VERTICAL, Qt::blue, 2);
    if (!intervalStopTimeMarker)
        intervalStopTimeMarker = newForegroundMarker(VERTICAL, Qt::blue, 2);
}

void XYCanvas::updateIntervalStartTimeMarker(double x)
{
    ensureIntervalTimeMarker();
    intervalStartTimeMarker->position = x;
    update();
}

void XYCanvas::updateIntervalStopTimeMarker(double x)
{
    ensureIntervalTimeMarker();
    intervalStopTimeMarker->position = x;
    update();
}
