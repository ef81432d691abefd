#ifndef ZEBPLOT_COMPRESSEDDATAARRAYTEMPLATE_H
#define ZEBPLOT_COMPRESSEDDATAARRAYTEMPLATE_H

#include "abstractdataarraytemplate.h"
#include "zebplot_export.h"

#include <QList>

/// Run-length storage for integer series that are piecewise constant or
/// piecewise arithmetic (counters, week numbers, modes, time tags in fixed
/// steps).  Each run (chunk) is an arithmetic progression with a non-negative
/// step, so a million evenly increasing values need a single chunk.
///
/// Instantiated (and exported) for int only.
template <typename T>
class ZEBPLOT_EXPORT CompressedDataArrayTemplate : public AbstractDataArrayTemplate<T>
{
public:
    /// One run of values: the value at start + k is firstValue + k * step.
    struct ZEBPLOT_EXPORT Chunk
    {
        int start;  ///< index of the chunk's first value in the array
        int length;  ///< number of values in the run
        T firstValue;  ///< value at start
        bool constant;  ///< step is 0: every value equals firstValue
        T step;  ///< difference between neighbours, never negative

        /// An empty, constant run at index 0.
        Chunk();
        /// A run of length values from firstValue in steps of step (constant when step is 0).
        Chunk(int start, int length, T firstValue, T step);
        /// Copies count as live chunks like any other (see liveChunks()).
        ///@{
        Chunk(Chunk const& other);
        Chunk& operator=(Chunk const& other) = default;
        ///@}
        /// Counted out of liveChunks().
        ~Chunk();

        /// Each of these returns whether the change was possible; on false the
        /// chunk is unchanged.
        ///@{
        bool appendIfPossible(T value);
        bool prependIfPossible(T value);
        bool appendIfPossible(Chunk const* other);
        ///@}

        /// Value at start + offset; offset is not range-checked.
        T getValue(int offset) const
        {
            // Wide arithmetic: offset * step may exceed T even when the
            // value itself fits.
            return constant ? firstValue : T((long long)firstValue + (long long)offset * (long long)step);
        }
        /// Value at the run's last index; the chunk must not be empty.
        T lastValue() const { return getValue(length - 1); }
        /// One past the run's last index.
        int end() const { return start + length; }

        /// Chunks alive in the process (diagnostics).
        static int liveChunks();

    private:
        static int sLiveChunks;
    };

    /// No marker: values are truncated to T, saturating at its limits, and an appended NaN is stored
    /// as the smallest T and reads back as that number, not as a gap.  Give a marker to series with gaps.
    CompressedDataArrayTemplate();
    /// The given value marks a gap; appended NaNs are stored as it and read back as NaN.
    explicit CompressedDataArrayTemplate(T const& doNotUseValue);
    ~CompressedDataArrayTemplate() override;

    double getValue(int index) const override;
    int dataSize() const override;
    void clearData() override;
    void appendData(double value) override;
    void replaceData(int index, double value) override;
    void removeData(int startIndex, int count) override;
    void removeOddIndexedData() override;
    int linearSearchIndexOf(double value) const override;
    void squeezeData() override;
    int getMemoryConsumption() const override;

    T getTypedValue(int index) const override;
    void appendTyped(T value) override;

    /// Stores a typed value without statistics or signals.
    void appendTypedData(T value);
    /// Position of the chunk holding index, -1 if none.  Tries the chunk of
    /// the previous lookup and its neighbours first, so sequential reads cost
    /// O(1).
    int getChunkIndex(int index) const;
    /// Checks the chunk list; writes a warning per violated rule.
    bool testRepresentationInvariant() const;

    /// Number of runs; a measure of how well the series compresses.
    int chunkCount() const { return int(chunks.size()); }
    /// Run at position (0 .. chunkCount()-1), owned by the array.
    Chunk const* chunkAt(int position) const { return chunks.at(position); }

protected:
    /// Runs in index order, owned by the array; size counts the values, lastChunkPosition
    /// caches the run of the last lookup for getChunkIndex().
    ///@{
    QList<Chunk*> chunks;
    int size = 0;
    mutable int lastChunkPosition = -1;
    ///@}

private:
    T toStored(double value) const;
    bool mergeWithNext(int position);
    void mergeAround(int from, int to);
};

extern template class CompressedDataArrayTemplate<int>;

#endif
