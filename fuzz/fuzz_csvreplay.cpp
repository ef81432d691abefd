// The monitor's own recordings (time_ms,series,value), read for replay.
#include "fuzzsupport.h"

#include <csvreplay.h>

#include <QBuffer>

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

/// The only place that knows the reader's interface.
Replayed replay(QIODevice& device)
{
    CsvReplay reader;
    reader.read(device);
    Replayed result;
    while (!reader.atEnd()) {
        const double announced = reader.nextTime();
        result.epochs.append(reader.next());
        FUZZ_CHECK(result.epochs.last().timeMs == announced, "nextTime %g, epoch at %g", announced,
                   result.epochs.last().timeMs);
    }
    result.samplesCounted = reader.sampleCount();
    result.brokenLines = reader.brokenLineCount();
    result.brokenReports = reader.brokenLineReports().size();
    return result;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    silenceQtMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QBuffer device;
    device.setData(reinterpret_cast<const char*>(data), qsizetype(size));
    device.open(QIODevice::ReadOnly | QIODevice::Text);  // as the monitor opens replay files
    const Replayed replayed = replay(device);

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
