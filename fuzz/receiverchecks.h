#ifndef ZEBPLOT_FUZZ_RECEIVERCHECKS_H
#define ZEBPLOT_FUZZ_RECEIVERCHECKS_H

// What every receiver-format reader promises about its output, whatever the
// input: values inside their physical ranges, epochs in time order, bounded
// statistics.

#include "fuzzsupport.h"

#include <epoch.h>
#include <readerstatistics.h>
#include <receiverepoch.h>

#include <cmath>

inline bool nanOrWithin(double value, double low, double high)
{
    return std::isnan(value) || (value >= low && value <= high);
}

/// `utcTimes`: the format carries UTC times of day (the receiver formats do;
/// the monitor's own recordings carry GNSS time only).
inline void checkReaderOutput(QList<ReceiverEpoch> const& epochs, ReaderStatistics const& stats, bool utcTimes = true)
{
    FUZZ_CHECK(stats.reports.size() <= ReaderStatistics::kMaxReports, "%lld reports kept",
               qint64(stats.reports.size()));
    FUZZ_CHECK(stats.skippedKinds.size() <= ReaderStatistics::kMaxSkippedKinds + 1, "%lld skipped kinds kept",
               qint64(stats.skippedKinds.size()));
    FUZZ_CHECK(stats.epochs == epochs.size(), "%lld epochs counted, %lld delivered", stats.epochs,
               qint64(epochs.size()));
    double previous = -INFINITY;
    for (ReceiverEpoch const& epoch : epochs) {
        FUZZ_CHECK(!std::isinf(epoch.timeMs), "infinite epoch time");
        if (!std::isnan(epoch.timeMs)) {
            FUZZ_CHECK(epoch.timeMs >= previous, "epoch time %.0f after %.0f", epoch.timeMs, previous);
            previous = epoch.timeMs;
        }
        FUZZ_CHECK(!utcTimes || (epoch.utcMsOfDay >= 0 && epoch.utcMsOfDay < 86401000), "time of day %lld", epoch.utcMsOfDay);
        FUZZ_CHECK(epoch.fixMode >= -1 && epoch.fixMode <= DeadReckoning, "fix mode %d", epoch.fixMode);
        for (SignalObservation const& o : epoch.observations) {
            FUZZ_CHECK(!o.satellite.isEmpty(), "observation without satellite name");
            FUZZ_CHECK(nanOrWithin(o.cn0, 0, 99), "C/N0 %g", double(o.cn0));
            FUZZ_CHECK(nanOrWithin(o.elevation, -90, 90), "elevation %g", double(o.elevation));
            FUZZ_CHECK(nanOrWithin(o.azimuth, 0, 360), "azimuth %g", double(o.azimuth));
        }
        // What the monitor's model receives.
        const Epoch plotted = epoch.toEpoch();
        for (auto const& value : plotted.values)
            FUZZ_CHECK(std::isfinite(value.second), "series %s is %g", qPrintable(value.first), value.second);
    }
    (void)stats.summary();
}

#endif
