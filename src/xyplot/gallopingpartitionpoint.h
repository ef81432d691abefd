#ifndef ZEBPLOT_GALLOPINGPARTITIONPOINT_H
#define ZEBPLOT_GALLOPINGPARTITIONPOINT_H

#include <QtGlobal>

#include <algorithm>

/// Where a condition that holds on a leading run of the indices [first, last)
/// stops holding: the first index for which holds(index) is false, or last
/// if it holds everywhere.
///
/// Precondition: holds is true on [first, p) and false on [p, last) for some
/// p (the range is partitioned by it); it is called only with indices inside
/// [first, last), at most 2 log2(|p - guess| + 2) + 3 times.
///
/// The search starts at guess (clamped into the range), probes away from it
/// in doubling steps until the answer is bracketed, then halves the bracket.
/// Callers pass a guess from the data's density, so the probes stay close to
/// the answer: a long array costs a few cache misses instead of the one per
/// probe that halving the whole range would.
template <typename Holds>
inline qint64 gallopingPartitionPoint(qint64 first, qint64 last, qint64 guess, Holds&& holds)
{
    if (first >= last)
        return first;
    guess = std::clamp(guess, first, last - 1);
    qint64 lo; // every index before lo holds
    qint64 hi; // no index from hi on holds
    if (holds(guess)) {
        lo = guess + 1;
        hi = last;
        for (qint64 step = 1; guess + step < last; step *= 2) {
            if (!holds(guess + step)) {
                hi = guess + step;
                break;
            }
            lo = guess + step + 1;
        }
    } else {
        lo = first;
        hi = guess;
        for (qint64 step = 1; guess - step >= first; step *= 2) {
            if (holds(guess - step)) {
                lo = guess - step + 1;
                break;
            }
            hi = guess - step;
        }
    }
    while (lo < hi) {
        const qint64 mid = lo + (hi - lo) / 2;
        if (holds(mid))
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

#endif
