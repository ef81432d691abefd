// The monitor's own recordings (time_ms,series,value), read for replay.
#include "receiverchecks.h"

#include <csvreplay.h>


#include <cmath>

namespace {

/// What a replay hands to the plots, and what it says about the input.
struct Replayed
{
    QList<ReceiverEpoch> epochs;
    ReaderStatistics stats;
};

/// The only place that knows the reader's interface.  The bytes arrive in
/// chunks of `chunk` bytes, as a pipe or a growing file hands them over.
Replayed replay(QByteArrayView bytes, qsizetype chunk)
{
    CsvReplay reader;
    Replayed result;
    auto drain = [&] {
        while (reader.hasEpoch()) {
            const double announced = reader.nextTime();
            result.epochs.append(reader.takeEpoch());
            FUZZ_CHECK(result.epochs.last().timeMs == announced, "nextTime %g, epoch at %g", announced,
                       result.epochs.last().timeMs);
        }
    };
    for (qsizetype at = 0; at < bytes.size(); at += chunk) {
        reader.feed(bytes.sliced(at, std::min(chunk, bytes.size() - at)));
        drain();
    }
    reader.finish();
    drain();
    result.stats = reader.statistics();
    return result;
}

/// The same series with the same values (NaN equal to NaN) in every epoch.
bool sameEpochs(QList<ReceiverEpoch> const& a, QList<ReceiverEpoch> const& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const Epoch x = a[i].toEpoch();
        const Epoch y = b[i].toEpoch();
        if (!(x.timeMs == y.timeMs || (std::isnan(x.timeMs) && std::isnan(y.timeMs)))
            || x.values.size() != y.values.size())
            return false;
        for (qsizetype j = 0; j < x.values.size(); ++j) {
            auto const& u = x.values[j];
            auto const& v = y.values[j];
            if (u.first != v.first || !(u.second == v.second || (std::isnan(u.second) && std::isnan(v.second))))
                return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    silenceQtMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const Replayed replayed = replay(bytes, std::max<qsizetype>(bytes.size(), 1));
    // How the bytes are cut into reads must not change what is replayed.
    const Replayed inPieces = replay(bytes, 7);
    FUZZ_CHECK(sameEpochs(replayed.epochs, inPieces.epochs) && replayed.stats.broken == inPieces.stats.broken,
               "whole: %lld epochs, %lld broken lines; in 7-byte reads: %lld epochs, %lld broken lines",
               qint64(replayed.epochs.size()), replayed.stats.broken, qint64(inPieces.epochs.size()),
               inPieces.stats.broken);

    // Epochs in time order with finite times and values in their ranges.
    for (ReceiverEpoch const& epoch : replayed.epochs)
        FUZZ_CHECK(std::isfinite(epoch.timeMs), "epoch at %g", epoch.timeMs);
    checkReaderOutput(replayed.epochs, replayed.stats, /*utcTimes=*/false);
    return 0;
}
