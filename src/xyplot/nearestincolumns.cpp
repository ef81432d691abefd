#include "nearestincolumns.h"
#include "blockminmaxcache.h"
#include "candidatecolumns.h"

#include <algorithm>
#include <cmath>
#include <limits>

NearestInColumns::NearestInColumns(CandidateColumns const& columns, double const* yValues, double maxY,
                                   double yFactor, BlockMinMaxCache* cache, QPoint mouse, int maxDistance)
    : columns(columns), yValues(yValues), maxY(maxY), yFactor(yFactor), cache(cache), mouseX(mouse.x()),
      mouseY(mouse.y()), maxDistance(maxDistance), maxDistance2(qint64(maxDistance) * maxDistance)
{
}

int NearestInColumns::find()
{
    best = Nearest();
    visitOutwards();
    return best.position;
}

QPoint NearestInColumns::point() const
{
    return QPoint(columns.column(best.position), best.row);
}

double NearestInColumns::distance() const
{
    return std::sqrt(double(best.dx) * best.dx + double(best.dy) * best.dy);
}

void NearestInColumns::visitOutwards()
{
    const int count = columns.count();
    int right = columns.firstAtOrRightOf(mouseX);
    int left = right - 1;
    // The first columns are guessed as long as the average one.
    int rightLength = std::max(1, int(count / (qint64(columns.column(count - 1)) - columns.column(0) + 1)));
    int leftLength = rightLength;
    constexpr qint64 kNone = std::numeric_limits<qint64>::max();
    // Columns of the next positions on each side, read once.
    int rightColumn = right < count ? columns.column(right) : 0;
    int leftColumn = left >= 0 ? columns.column(left) : 0;
    while (true) {
        const qint64 dxRight = right < count ? qint64(rightColumn) - mouseX : kNone;
        const qint64 dxLeft = left >= 0 ? mouseX - qint64(leftColumn) : kNone;
        const qint64 dx = std::min(dxRight, dxLeft);
        // A column farther than the best point cannot hold a better one.
        if (dx == kNone || dx > maxDistance || (best.position >= 0 && dx * dx > best.distance2))
            return;
        if (dxRight <= dxLeft) {
            const int a = right;
            const int b = columns.columnEnd(a, 1, rightLength);
            rightLength = b - a + 1;
            right = b + 1;
            if (right < count)
                rightColumn = columns.column(right);
            scanColumn(a, b, int(dx));
        } else {
            const int b = left;
            const int a = columns.columnEnd(b, -1, leftLength);
            leftLength = b - a + 1;
            left = a - 1;
            if (left >= 0)
                leftColumn = columns.column(left);
            scanColumn(a, b, int(dx));
        }
    }
}

// The best point of the column at list positions a..b, dx away from the
// mouse: the smallest row distance, the earliest position on ties.
void NearestInColumns::scanColumn(int a, int b, int dx)
{
    const qint64 dx2 = qint64(dx) * dx;
    Nearest inColumn;
    if (columns.index(b) - columns.index(a) == b - a) {
        scanConsecutive(a, b, dx2, inColumn);
    } else {
        for (int k = a; k <= b; ++k)
            consider(k, columns.index(k), inColumn);
    }
    if (inColumn.position < 0)
        return;
    const qint64 d2 = dx2 + qint64(inColumn.dy) * inColumn.dy;
    if (d2 > maxDistance2)
        return;
    if (best.position < 0 || d2 < best.distance2 || (d2 == best.distance2 && inColumn.position < best.position)) {
        best = inColumn;
        best.dx = dx;
        best.distance2 = d2;
    }
}

// Consecutive indices: each block of values (or the part of it in the
// column) can be judged by the extremes of the whole block.
void NearestInColumns::scanConsecutive(int a, int b, qint64 dx2, Nearest& inColumn) const
{
    const int first = columns.index(a);
    const int last = columns.index(b);
    int i = first;
    while (i <= last) {
        const int end = std::min(cache->blockLast(i), last);
        double lo;
        double hi;
        if (cache->blockExtremes(i, lo, hi) && !worthLooking(inColumn, dx2, rowDistanceOfBlock(lo, hi))) {
            i = end + 1;
            continue;
        }
        for (; i <= end; ++i)
            consider(a + (i - first), i, inColumn);
    }
}

void NearestInColumns::consider(int k, int index, Nearest& inColumn) const
{
    const double py = yFactor * (yValues[index] - maxY);
    if (!(std::abs(py) < CandidateColumns::kFar))
        return; // unusable, or too far away to be hit
    const int row = qRound(py);
    const int dy = std::abs(row - mouseY);
    if (inColumn.position < 0 || dy < inColumn.dy) {
        inColumn.position = k;
        inColumn.dy = dy;
        inColumn.row = row;
    }
}

// Points at least lowerDy rows away cannot beat what is known.
bool NearestInColumns::worthLooking(Nearest const& inColumn, qint64 dx2, qint64 lowerDy) const
{
    if (inColumn.position >= 0 && lowerDy >= inColumn.dy)
        return false;
    const qint64 d2 = dx2 + lowerDy * lowerDy;
    return d2 <= maxDistance2 && (best.position < 0 || d2 <= best.distance2);
}

// The fewest rows between the mouse and any value in [lo, hi].
qint64 NearestInColumns::rowDistanceOfBlock(double lo, double hi) const
{
    double p1 = std::clamp(yFactor * (lo - maxY), -CandidateColumns::kFar, CandidateColumns::kFar);
    double p2 = std::clamp(yFactor * (hi - maxY), -CandidateColumns::kFar, CandidateColumns::kFar);
    if (p1 > p2)
        std::swap(p1, p2);
    const qint64 rowLo = qRound(p1);
    const qint64 rowHi = qRound(p2);
    return mouseY < rowLo ? rowLo - mouseY : (mouseY > rowHi ? mouseY - rowHi : 0);
}
