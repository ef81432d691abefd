#include "blockminmaxcache.h"

#include "dataarray.h"
#include "dataarraytemplate.h"
#include "extremesfold.h"
#include "memleaktracer.h"
#include "prefetch.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// From this many values on, the blocks of a build are shared out between two
// threads: below it starting a thread costs more than it saves.
constexpr qint64 kParallelValues = qint64(4) << 20;

// Minimum and maximum of the n values at v; false when one of them is NaN.
// lo = v < lo ? v : lo keeps lo for NaN, and is exactly what the processor's
// packed minimum computes, so the loop runs two values per instruction
// without a branch; NaN is told by comparing a value with itself.
// Inlined: a full redraw scans two short runs at the ends of every pixel
// column, where the call cost about 4 % of a redraw of 10 M points.
Q_ALWAYS_INLINE bool scanValues(double const* v, qsizetype n, double& minimum, double& maximum)
{
    ExtremesFold fold;
    qsizetype i = 0;
#if defined(__SSE2__)
    if (n >= 4) {
        __m128d lo0 = _mm_set1_pd(kInf);
        __m128d lo1 = lo0;
        __m128d hi0 = _mm_set1_pd(-kInf);
        __m128d hi1 = hi0;
        __m128d nan = _mm_setzero_pd();
        for (; i + 4 <= n; i += 4) {
            const __m128d a = _mm_loadu_pd(v + i);
            const __m128d b = _mm_loadu_pd(v + i + 2);
            lo0 = _mm_min_pd(a, lo0);
            lo1 = _mm_min_pd(b, lo1);
            hi0 = _mm_max_pd(a, hi0);
            hi1 = _mm_max_pd(b, hi1);
            nan = _mm_or_pd(nan, _mm_cmpunord_pd(a, b));
        }
        // The lanes never hold NaN: fold them in any order.
        lo0 = _mm_min_pd(lo0, lo1);
        hi0 = _mm_max_pd(hi0, hi1);
        fold.lo = std::min(_mm_cvtsd_f64(lo0), _mm_cvtsd_f64(_mm_unpackhi_pd(lo0, lo0)));
        fold.hi = std::max(_mm_cvtsd_f64(hi0), _mm_cvtsd_f64(_mm_unpackhi_pd(hi0, hi0)));
        fold.gap = _mm_movemask_pd(nan) != 0;
    }
#endif
    for (; i < n; ++i)
        fold.add(v[i]);
    minimum = fold.lo;
    maximum = fold.hi;
    return !fold.gap;
}

// Extremes of consecutive whole blocks: values (count of them, starting at a
// block boundary) into out, two doubles per block, NaN for a block with a gap.
void buildBlocks(double const* values, qint64 count, int blockSize, double* out)
{
    for (qint64 start = 0; start < count; start += blockSize, out += 2) {
        double lo;
        double hi;
        const bool clean = scanValues(values + start, qsizetype(std::min<qint64>(blockSize, count - start)), lo, hi);
        out[0] = clean ? lo : kNaN;
        out[1] = clean ? hi : kNaN;
    }
}

// Folds count (minimum, maximum) pairs at e into fold; a pair with NaN (a
// block with a gap) sets fold.gap.
Q_ALWAYS_INLINE void foldPairs(double const* e, qsizetype count, ExtremesFold& fold)
{
    qsizetype k = 0;
#if defined(__SSE2__)
    if (count >= 2) {
        // One (minimum, maximum) pair per load: the minimum is folded in the
        // low lane of lo, the maximum in the high lane of hi.
        __m128d lo0 = _mm_set1_pd(fold.lo);
        __m128d lo1 = lo0;
        __m128d hi0 = _mm_set1_pd(fold.hi);
        __m128d hi1 = hi0;
        __m128d nan = _mm_setzero_pd();
        for (; k + 2 <= count; k += 2) {
            const __m128d a = _mm_loadu_pd(e + 2 * k);
            const __m128d b = _mm_loadu_pd(e + 2 * k + 2);
            lo0 = _mm_min_pd(a, lo0);
            lo1 = _mm_min_pd(b, lo1);
            hi0 = _mm_max_pd(a, hi0);
            hi1 = _mm_max_pd(b, hi1);
            nan = _mm_or_pd(nan, _mm_cmpunord_pd(a, b));
        }
        fold.lo = _mm_cvtsd_f64(_mm_min_pd(lo0, lo1));
        const __m128d highs = _mm_max_pd(hi0, hi1);
        fold.hi = _mm_cvtsd_f64(_mm_unpackhi_pd(highs, highs));
        fold.gap |= _mm_movemask_pd(nan) != 0;
    }
#endif
    for (; k < count; ++k) {
        const double a = e[2 * k];
        const double b = e[2 * k + 1];
        fold.lo = a < fold.lo ? a : fold.lo;
        fold.hi = b > fold.hi ? b : fold.hi;
        fold.gap |= a != a;
    }
}

} // namespace

BlockMinMaxCache::BlockMinMaxCache(DataArray const* array) : array(array)
{
    MemLeakTracer::getInstance()->doAllocateObject(QStringLiteral("BlockMinMaxCache"));
}

BlockMinMaxCache::~BlockMinMaxCache()
{
    MemLeakTracer::getInstance()->doDeallocateObject(QStringLiteral("BlockMinMaxCache"));
}

DataArray const* BlockMinMaxCache::getArray() const
{
    return array.data();
}

void BlockMinMaxCache::clear()
{
    extrema.clear();
    levels.clear();
    firstBlock = 0;
    coveredBegin = 0;
    coveredEnd = 0;
}

void BlockMinMaxCache::update()
{
    DataArray const* a = array.data();
    raw = nullptr;
    if (!a) {
        clear();
        return;
    }
    // The storage may have moved since the last call.
    raw = plainDoubleValues(a);

    const int shift = a->getTotalPositionsLeftShifted();
    if (a->getRewriteCount() != seenRewriteCount || a->getCurrentDecimationFactor() != seenDecimationFactor
        || shift < seenLeftShift)
        clear();
    seenRewriteCount = a->getRewriteCount();
    seenDecimationFactor = a->getCurrentDecimationFactor();
    seenLeftShift = shift;

    const qint64 begin = shift;
    const qint64 end = begin + a->dataSize();
    // Values taken from the end other than by a counted rewrite: start over.
    if (coveredEnd > end)
        clear();

    bool frontCut = false;
    if (!extrema.isEmpty() && coveredBegin < begin) {
        if (coveredEnd <= begin) {
            clear();
        } else {
            const qint64 newFirstBlock = begin / blockSize;
            extrema.remove(0, qsizetype(2 * (newFirstBlock - firstBlock)));
            firstBlock = newFirstBlock;
            coveredBegin = begin;
            // The shift cut into this block: what is left decides its extremes.
            const qint64 blockEnd = std::min((firstBlock + 1) * blockSize, coveredEnd);
            double lo;
            double hi;
            const bool clean = scan(0, int(blockEnd - begin - 1), lo, hi);
            extrema[0] = clean ? lo : kNaN;
            extrema[1] = clean ? hi : kNaN;
            frontCut = true;
        }
    }
    if (extrema.isEmpty()) {
        firstBlock = begin / blockSize;
        coveredBegin = begin;
        coveredEnd = begin;
    }

    // The first block the appended values reach.
    const qint64 changedFrom = coveredEnd < end ? coveredEnd / blockSize : std::numeric_limits<qint64>::max();
    if (coveredEnd < end) {
        // Built in one go: exactly the blocks needed; while a stream grows:
        // an eighth more, so that appends reallocate rarely.
        const qsizetype needed = 2 * qsizetype((end - 1) / blockSize - firstBlock + 1);
        if (extrema.capacity() < needed)
            extrema.reserve(extrema.isEmpty() ? needed : needed + needed / 8);
    }
    // Values up to the next block boundary (a block partial since the last
    // update or cut by a shift), or all of them without plain storage.
    while (coveredEnd < end && (!raw || coveredEnd % blockSize != 0)) {
        const qint64 block = coveredEnd / blockSize;
        const qint64 blockEnd = std::min((block + 1) * blockSize, end);
        double lo;
        double hi;
        const bool clean = scan(int(coveredEnd - begin), int(blockEnd - begin - 1), lo, hi);
        const qsizetype slot = qsizetype(block - firstBlock);
        if (2 * slot == extrema.size()) {
            extrema.append(clean ? lo : kNaN);
            extrema.append(clean ? hi : kNaN);
        } else {
            // The last block was partial: fold the appended values into it.
            double& blockLo = extrema[2 * slot];
            double& blockHi = extrema[2 * slot + 1];
            if (!clean || std::isnan(blockLo)) {
                blockLo = kNaN;
                blockHi = kNaN;
            } else {
                blockLo = std::min(blockLo, lo);
                blockHi = std::max(blockHi, hi);
            }
        }
        coveredEnd = blockEnd;
    }
    // Whole blocks from a block boundary, straight from plain storage: one
    // pass without per-value calls, on two threads for a long array.
    if (coveredEnd < end) {
        const qint64 blocks = (end - coveredEnd + blockSize - 1) / blockSize;
        const qsizetype at = extrema.size();
        extrema.resize(at + 2 * qsizetype(blocks));
        double const* values = raw + (coveredEnd - begin);
        double* out = extrema.data() + at;
        const qint64 count = end - coveredEnd;
        if (count >= kParallelValues && std::thread::hardware_concurrency() > 1) {
            const qint64 half = blocks / 2 * blockSize;
            std::thread helper(buildBlocks, values + half, count - half, int(blockSize), out + 2 * (half / blockSize));
            buildBlocks(values, half, blockSize, out);
            helper.join();
        } else {
            buildBlocks(values, count, blockSize, out);
        }
        coveredEnd = end;
    }
    updateLevels(changedFrom, frontCut);
}

bool BlockMinMaxCache::scan(int first, int last, double& minimum, double& maximum) const
{
    if (raw && first <= last)
        return scanValues(raw + first, last - first + 1, minimum, maximum);
    ExtremesFold fold;
    if (DataArray const* a = raw ? nullptr : array.data()) {
        for (int i = first; i <= last; ++i)
            fold.add(a->getValue(i));
    }
    minimum = fold.lo;
    maximum = fold.hi;
    return !fold.gap;
}

bool BlockMinMaxCache::extremes(int first, int last, double& minimum, double& maximum) const
{
    const qint64 base = seenLeftShift;
    const qint64 from = base + first;
    const qint64 to = base + last + 1;
    if (from < coveredBegin || to > coveredEnd || first > last)
        return scan(first, last, minimum, maximum);
    // Blocks are clipped to the covered positions: the first one may start
    // after its boundary (a left shift cut it), the last one end before it.
    auto blockBegin = [&](qint64 block) { return std::max(block * blockSize, coveredBegin); };
    auto blockEnd = [&](qint64 block) { return std::min((block + 1) * blockSize, coveredEnd); };
    double lo = kInf;
    double hi = -kInf;
    qint64 pos = from;
    qint64 block = from / blockSize;
    // The part of a block before the range's first whole block, the whole
    // blocks, then the part of a block after them.
    if (from != blockBegin(block)) {
        const qint64 stop = std::min(blockEnd(block), to);
        if (!scan(int(pos - base), int(stop - 1 - base), lo, hi))
            return false;
        pos = stop;
        ++block;
    }
    const qint64 lastWhole = to == coveredEnd ? (coveredEnd - 1) / blockSize : to / blockSize - 1;
    if (pos < to && block <= lastWhole) {
        double blocksLo;
        double blocksHi;
        if (!foldBlocks(qsizetype(block - firstBlock), qsizetype(lastWhole - block + 1), blocksLo, blocksHi))
            return false;
        lo = std::min(lo, blocksLo);
        hi = std::max(hi, blocksHi);
        pos = blockEnd(lastWhole);
    }
    if (pos < to) {
        double tailLo;
        double tailHi;
        if (!scan(int(pos - base), int(to - 1 - base), tailLo, tailHi))
            return false;
        lo = std::min(lo, tailLo);
        hi = std::max(hi, tailHi);
    }
    minimum = lo;
    maximum = hi;
    return true;
}

bool BlockMinMaxCache::foldBlocks(qsizetype slot, qsizetype count, double& minimum, double& maximum) const
{
    ExtremesFold fold;
    // Absolute blocks [from, to) of the current level.
    qint64 from = firstBlock + slot;
    qint64 to = from + count;
    QList<double> const* level = &extrema;
    qint64 first = firstBlock;
    for (Level const& up : levels) {
        const qint64 end = first + level->size() / 2;
        // The blocks above that lie wholly in the range: a block above is
        // whole when every block of this level it summarises is in range,
        // also where this level starts or ends inside it.
        const qint64 upFrom = from <= first ? first / levelFactor : (from + levelFactor - 1) / levelFactor;
        const qint64 upTo = to >= end ? (end - 1) / levelFactor + 1 : to / levelFactor;
        if (upFrom >= upTo)
            break;
        // The blocks of this level before and after them.
        const qint64 headEnd = std::max(from, upFrom * levelFactor);
        const qint64 tailBegin = std::min(to, upTo * levelFactor);
        foldPairs(level->constData() + 2 * (from - first), headEnd - from, fold);
        foldPairs(level->constData() + 2 * (tailBegin - first), to - tailBegin, fold);
        from = upFrom;
        to = upTo;
        first = up.firstBlock;
        level = &up.extrema;
    }
    foldPairs(level->constData() + 2 * (from - first), to - from, fold);
    minimum = fold.lo;
    maximum = fold.hi;
    return !fold.gap;
}

void BlockMinMaxCache::updateLevels(qint64 changedFrom, bool frontCut)
{
    qint64 belowFirst = firstBlock;
    std::size_t k = 0;
    // The level below, looked up again after a level was added.
    auto below = [&] { return k == 0 ? &extrema : &levels[k - 1].extrema; };
    for (; below()->size() / 2 > levelFactor; ++k) {
        if (k == levels.size())
            levels.emplace_back();
        QList<double> const& blocksBelow = *below();
        const qint64 belowEnd = belowFirst + blocksBelow.size() / 2;
        const qint64 first = belowFirst / levelFactor;
        const qint64 last = (belowEnd - 1) / levelFactor;
        Level& up = levels[k];
        qint64 from = first;
        if (!up.extrema.isEmpty() && first >= up.firstBlock) {
            // Blocks before the new first one are gone; the ones held stay
            // unless the blocks below them changed.
            const qsizetype dropped = std::min(up.extrema.size(), qsizetype(2 * (first - up.firstBlock)));
            up.extrema.remove(0, dropped);
            from = std::clamp(changedFrom / levelFactor, first, first + up.extrema.size() / 2);
        } else {
            up.extrema.clear();
        }
        up.firstBlock = first;
        const qsizetype needed = 2 * qsizetype(last - first + 1);
        if (up.extrema.capacity() < needed)
            up.extrema.reserve(up.extrema.isEmpty() ? needed : needed + needed / 8);
        up.extrema.resize(needed);
        auto recompute = [&](qint64 block) {
            const qint64 childFrom = std::max(block * levelFactor, belowFirst);
            const qint64 childTo = std::min((block + 1) * levelFactor, belowEnd);
            ExtremesFold fold;
            foldPairs(blocksBelow.constData() + 2 * (childFrom - belowFirst), childTo - childFrom, fold);
            double* out = up.extrema.data() + 2 * (block - first);
            out[0] = fold.gap ? kNaN : fold.lo;
            out[1] = fold.gap ? kNaN : fold.hi;
        };
        if (frontCut && from > first)
            recompute(first);
        for (qint64 block = from; block <= last; ++block)
            recompute(block);
        changedFrom = from;
        belowFirst = first;
    }
    levels.resize(k);
}

void BlockMinMaxCache::prefetch(int index) const
{
    const qint64 absolute = qint64(index) + seenLeftShift;
    if (absolute < coveredBegin || absolute >= coveredEnd)
        return;
    if (raw) {
        // The values of the block, read at a range's end.
        const qint64 from = std::max(absolute / blockSize * blockSize, coveredBegin);
        const qint64 to = std::min(from + blockSize, coveredEnd);
        for (qint64 k = from; k < to; k += 8)
            prefetchForRead(raw + (k - seenLeftShift));
    }
    // At each level the group of blocks the next level up summarises as one:
    // a range's end folds the part of it on its side.
    qint64 block = absolute / blockSize;
    QList<double> const* level = &extrema;
    qint64 first = firstBlock;
    for (std::size_t k = 0;; ++k) {
        const qint64 group = std::max(block / levelFactor * levelFactor, first);
        const qint64 end = std::min(group + levelFactor, first + level->size() / 2);
        for (qint64 b = group; b < end; b += 4)
            prefetchForRead(level->constData() + 2 * (b - first));
        if (k == levels.size())
            break;
        block /= levelFactor;
        first = levels[k].firstBlock;
        level = &levels[k].extrema;
    }
}

int BlockMinMaxCache::blockLast(int index) const
{
    const qint64 absolute = qint64(index) + seenLeftShift;
    return int((absolute / blockSize + 1) * blockSize - 1 - seenLeftShift);
}

bool BlockMinMaxCache::blockExtremes(int index, double& minimum, double& maximum) const
{
    const qint64 absolute = qint64(index) + seenLeftShift;
    if (absolute < coveredBegin || absolute >= coveredEnd)
        return false;
    const qsizetype slot = qsizetype(absolute / blockSize - firstBlock);
    minimum = extrema[2 * slot];
    maximum = extrema[2 * slot + 1];
    return !std::isnan(minimum);
}

int BlockMinMaxCache::blockCount() const
{
    return int(extrema.size() / 2);
}

qsizetype BlockMinMaxCache::getMemoryConsumption() const
{
    qsizetype doubles = extrema.capacity();
    for (Level const& up : levels)
        doubles += up.extrema.capacity();
    return doubles * qsizetype(sizeof(double));
}
