#ifndef ZEBPLOT_BLOCKMINMAXCACHE_H
#define ZEBPLOT_BLOCKMINMAXCACHE_H

#include "zebplot_export.h"

#include <QList>
#include <QPointer>

#include <vector>

class DataArray;

/// The smallest and largest value of each block of consecutive values of one
/// array, so that the extremes of a long index range cost a few block look-ups
/// instead of a pass over every value.  The canvas uses it to merge the points
/// of a pixel column without visiting them one by one.
///
/// Blocks are aligned to positions counted from the first value the array
/// ever held (index + getTotalPositionsLeftShifted()), so that a left shift
/// only drops whole blocks at the front and recomputes the one it cut.
/// update() brings the blocks in step with the array: appended values are
/// folded into the last blocks, left shifts drop blocks, and a replace,
/// decimation or reinit (seen through DataArray::getRewriteCount()) discards
/// everything, to be rebuilt from the values.  A block that holds an unusable
/// value (NaN) is marked, so that callers can tell a range with gaps.
///
/// Above the blocks lie coarser levels, each block of one summarising
/// levelFactor blocks of the level below, so that a range of many blocks (a
/// pixel column of a hundred million values) costs a few look-ups per level.
///
/// Memory: two doubles per block of blockSize values (0.125 bytes per value),
/// and a fifteenth of that for the levels above.
class ZEBPLOT_EXPORT BlockMinMaxCache
{
public:
    /// Values per block: larger blocks cost less memory, smaller ones fewer values to scan at a range's ends.
    static constexpr int blockSize = 128;
    /// Blocks of one level summarised by one block of the level above.
    static constexpr int levelFactor = 16;

    /// Summarises array, which it neither owns nor references: it notices the array's deletion
    /// and then summarises nothing.  Holds no blocks until the first update().
    explicit BlockMinMaxCache(DataArray const* array);
    /// Frees the blocks; the array stays.
    ~BlockMinMaxCache();

    BlockMinMaxCache(BlockMinMaxCache const&) = delete;
    BlockMinMaxCache& operator=(BlockMinMaxCache const&) = delete;

    /// The array summarised; null once it was destroyed.
    DataArray const* getArray() const;

    /// Brings the blocks in step with the array's current values.
    void update();

    /// Minimum and maximum of the values at indices first..last (inclusive,
    /// 0 <= first <= last < dataSize()).  False when one of them is unusable
    /// (NaN); minimum and maximum are then not set.  Valid only while the
    /// array has not changed since the last update().
    bool extremes(int first, int last, double& minimum, double& maximum) const;

    /// Starts fetching into the processor's caches what extremes() reads for
    /// a range that starts or ends at index: the values of its block and the
    /// blocks of each level around it.  Drawing calls it a column ahead, so
    /// that the reads of a long array do not wait for memory.
    void prefetch(int index) const;

    /// The last index of the block holding index (as of the last update()).
    int blockLast(int index) const;
    /// Minimum and maximum of the whole block holding index: bounds for any
    /// part of it, in one look-up.  False when the block holds an unusable
    /// value or index is not covered.
    bool blockExtremes(int index, double& minimum, double& maximum) const;

    /// Number of blocks held.
    int blockCount() const;
    /// Bytes held for the blocks.
    qsizetype getMemoryConsumption() const;

protected:
    /// Folds values first..last (array indices) into minimum and maximum;
    /// false when one of them is unusable.
    bool scan(int first, int last, double& minimum, double& maximum) const;
    /// Folds the extremes of count blocks from extrema's block slot into
    /// minimum and maximum, whole blocks of the levels above where they fit;
    /// false when one of them has a gap.
    bool foldBlocks(qsizetype slot, qsizetype count, double& minimum, double& maximum) const;
    /// Drops every block; the next update() rebuilds them from the values.
    void clear();
    /// Brings the levels above in step with the blocks: blocks from absolute
    /// block changedFrom on were recomputed or added, and with frontCut the
    /// first block changed (a left shift).
    void updateLevels(qint64 changedFrom, bool frontCut);

    /// One level above the blocks.
    struct Level
    {
        /// Absolute number of the level's first block.
        qint64 firstBlock = 0;
        /// Per block: minimum at 2 b, maximum at 2 b + 1; NaN when the blocks below have a gap.
        QList<double> extrema;
    };

    /// The array summarised; null once it was destroyed.
    QPointer<DataArray const> array;
    /// Per block: minimum at 2 b, maximum at 2 b + 1; NaN for a block with a gap.
    QList<double> extrema;
    /// Absolute block number of extrema's first block.
    qint64 firstBlock = 0;
    /// The levels above the blocks, finest first; a level is kept while the
    /// one below has more than levelFactor blocks.
    std::vector<Level> levels;
    /// Absolute positions [coveredBegin, coveredEnd) are folded into the blocks.
    ///@{
    qint64 coveredBegin = 0;
    qint64 coveredEnd = 0;
    ///@}
    /// Array state seen by the last update().
    ///@{
    quint64 seenRewriteCount = 0;
    int seenDecimationFactor = 1;
    int seenLeftShift = 0;
    ///@}
    /// Plain double storage without a marker value is read directly.
    double const* raw = nullptr;
};

#endif
