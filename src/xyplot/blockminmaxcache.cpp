#include "blockminmaxcache.h"

#include "dataarray.h"
#include "dataarraytemplate.h"
#include "extremesfold.h"
#include "memleaktracer.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

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
        }
    }
    if (extrema.isEmpty()) {
        firstBlock = begin / blockSize;
        coveredBegin = begin;
        coveredEnd = begin;
    }

    if (coveredEnd < end) {
        // Built in one go: exactly the blocks needed; while a stream grows:
        // an eighth more, so that appends reallocate rarely.
        const qsizetype needed = 2 * qsizetype((end - 1) / blockSize - firstBlock + 1);
        if (extrema.capacity() < needed)
            extrema.reserve(extrema.isEmpty() ? needed : needed + needed / 8);
    }
    while (coveredEnd < end) {
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
}

bool BlockMinMaxCache::scan(int first, int last, double& minimum, double& maximum) const
{
    ExtremesFold fold;
    if (raw) {
        for (int i = first; i <= last; ++i)
            fold.add(raw[i]);
    } else if (DataArray const* a = array.data()) {
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
    double lo = kInf;
    double hi = -kInf;
    qint64 pos = from;
    while (pos < to) {
        const qint64 block = pos / blockSize;
        const qint64 blockBegin = std::max(block * blockSize, coveredBegin);
        const qint64 blockEnd = std::min((block + 1) * blockSize, coveredEnd);
        double blockLo;
        double blockHi;
        if (pos == blockBegin && blockEnd <= to) {
            const qsizetype slot = qsizetype(block - firstBlock);
            blockLo = extrema[2 * slot];
            blockHi = extrema[2 * slot + 1];
            if (std::isnan(blockLo))
                return false;
            pos = blockEnd;
        } else {
            const qint64 stop = std::min(blockEnd, to);
            if (!scan(int(pos - base), int(stop - 1 - base), blockLo, blockHi))
                return false;
            pos = stop;
        }
        lo = std::min(lo, blockLo);
        hi = std::max(hi, blockHi);
    }
    minimum = lo;
    maximum = hi;
    return true;
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
    return extrema.capacity() * qsizetype(sizeof(double));
}
