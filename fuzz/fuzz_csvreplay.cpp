// The monitor's own recordings (time_ms,series,value), read for replay.
#include "fuzzsupport.h"

#include <csvreplay.h>


#include <cmath>

namespace {

/// What a replay hands to the plots, and what it says about the input.
struct Replayed
{
    QList<Epoch> epochs;
    qint64 samplesCounted = 0;
    qint64 brokenLines = 0;
    qint64 brokenReports = 0;
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
        reader.feed(bytes.mid(at, std::min(chunk, bytes.size() - at)));
        drain();
    }
    reader.finish();
    drain();
    result.samplesCounted = reader.sampleCount();
    result.brokenLines = reader.problemCount();
    result.brokenReports = reader.problemReports().size();
    return result;
}

bool sameEpochs(QList<Epoch> const& a, QList<Epoch> const& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].timeMs != b[i].timeMs || a[i].values.size() != b[i].values.size())
            return false;
        for (qsizetype j = 0; j < a[i].values.size(); ++j) {
            auto const& x = a[i].values[j];
            auto const& y = b[i].values[j];
            if (x.first != y.first || !(x.second == y.second || (std::isnan(x.second) && std::isnan(y.second))))
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
    FUZZ_CHECK(sameEpochs(replayed.epochs, inPieces.epochs) && replayed.brokenLines == inPieces.brokenLines,
               "whole: %lld epochs, %lld broken lines; in 7-byte reads: %lld epochs, %lld broken lines",
               qint64(replayed.epochs.size()), replayed.brokenLines, qint64(inPieces.epochs.size()),
               inPieces.brokenLines);

    // Epochs in time order with finite times, every sample counted once, a
    // bounded report of the broken lines.
    qint64 samples = 0;
    double previous = -INFINITY;
    for (Epoch const& epoch : replayed.epochs) {
        FUZZ_CHECK(std::isfinite(epoch.timeMs) && epoch.timeMs >= previous, "epoch at %g after %g", epoch.timeMs,
                   previous);
        FUZZ_CHECK(!epoch.values.isEmpty(), "empty epoch at %g", epoch.timeMs);
        for (auto const& value : epoch.values)
            FUZZ_CHECK(!value.first.isEmpty() && !std::isinf(value.second), "sample '%s' = %g",
                       qPrintable(value.first), value.second);
        previous = epoch.timeMs;
        samples += epoch.values.size();
    }
    FUZZ_CHECK(samples == replayed.samplesCounted, "%lld samples replayed, %lld counted", samples,
               replayed.samplesCounted);
    FUZZ_CHECK(replayed.brokenReports <= std::min<qint64>(replayed.brokenLines, 10),
               "%lld reports for %lld broken lines", replayed.brokenReports, replayed.brokenLines);
    return 0;
}
