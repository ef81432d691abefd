#ifndef ZEBPLOT_EXTREMESFOLD_H
#define ZEBPLOT_EXTREMESFOLD_H

#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <limits>

/// The smallest and largest of a run of values and whether one of them was
/// NaN (an unusable value, a gap).  The comparisons let a NaN pass without
/// touching lo and hi and carry no branch, so that loops over millions of
/// values vectorise; gap says whether lo and hi may be trusted.
struct ExtremesFold
{
    /// The smallest value so far; infinity before the first.
    double lo = std::numeric_limits<double>::infinity();
    /// The largest value so far; minus infinity before the first.
    double hi = -std::numeric_limits<double>::infinity();
    /// One of the values was NaN.
    bool gap = false;

    ExtremesFold() = default;
    /// A run that starts with first (which may itself be NaN: then so is lo and hi stays NaN).
    explicit ExtremesFold(double first) : lo(first), hi(first), gap(first != first) {}

    /// Folds in the next value.
    Q_ALWAYS_INLINE void add(double v)
    {
        lo = v < lo ? v : lo;
        hi = v > hi ? v : hi;
        gap |= v != v;
    }
};

/// Widens the pair lo..hi of a bounds direction to take in v.  NaN in either
/// limit means the pair is unset: then it starts afresh at v, since half a
/// pair has no meaning.  v itself must be a usable value; callers filter out
/// NaN and the values that count for no bounds.
inline void widenUnsetPair(double& lo, double& hi, double v)
{
    if (std::isnan(lo) || std::isnan(hi)) {
        lo = v;
        hi = v;
    } else {
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
}

#endif
