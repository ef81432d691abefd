#include "candidatecolumns.h"
#include "gallopingpartitionpoint.h"

#include <algorithm>
#include <cmath>

CandidateColumns::CandidateColumns(int const* cells, int count, int size, double const* xValues, double minX,
                                   double xFactor)
    : cells(cells), listed(count), size(size), xValues(xValues), minX(minX), xFactor(xFactor)
{
}

bool CandidateColumns::roundable() const
{
    // The columns of all candidates lie between those of the first and the last.
    return std::abs(pixelX(0)) < kFar && std::abs(pixelX(listed - 1)) < kFar;
}

int CandidateColumns::firstAtOrRightOf(int x) const
{
    const int c0 = column(0);
    const int c1 = column(listed - 1);
    if (x <= c0)
        return 0;
    if (x > c1)
        return listed;
    // Points are usually spread evenly: the ends' columns place the guess close.
    const int guess = std::clamp(int(double(x - c0) / double(c1 - c0) * (listed - 1)), 1, listed - 1);
    return int(gallopingPartitionPoint(0, listed, guess, [&](qint64 k) { return column(int(k)) < x; }));
}

int CandidateColumns::columnEnd(int k, int direction, int guessLength) const
{
    const int c = column(k);
    // Within a run of consecutive indices the index at a position is known
    // before the list is read: both loads go out together instead of one
    // after the other.
    const int anchor = cells[k];
    auto inColumn = [&](qint64 position) {
        const qint64 predicted = qint64(anchor) + (position - k);
        if (predicted >= 0 && predicted < size) {
            const double value = xValues[predicted];
            if (cells[position] == predicted)
                return qRound((value - minX) * xFactor) == c;
        }
        return column(int(position)) == c;
    };
    const qint64 reach = std::max(guessLength - 1, 0);
    if (direction > 0)
        return int(gallopingPartitionPoint(k, listed, k + reach, inColumn)) - 1;
    return int(gallopingPartitionPoint(0, qint64(k) + 1, k - reach, [&](qint64 p) { return !inColumn(p); }));
}
