#ifndef GNSSMONITOR_EPOCHSOURCE_H
#define GNSSMONITOR_EPOCHSOURCE_H

#include "epoch.h"

#include <QString>
#include <QStringList>

/// Where the monitor's epochs come from: a simulated receiver, a recording,
/// a live stream.  The window pulls epochs in time order and paces them
/// itself; a source only says whether one is ready.
///
/// poll() never blocks: it reads what input is available and answers Ready
/// (next() has an epoch), Waiting (none yet, more may come: a pipe, a file
/// that grows, a receiver between epochs) or Finished (no more will come).
/// waitForInput() is for headless runs, which have nothing else to do.
class EpochSource
{
public:
    enum class State { Ready, Waiting, Finished };

    virtual ~EpochSource() = default;

    virtual State poll() = 0;
    /// Time of the epoch next() returns; valid after poll() said Ready.
    virtual double nextTime() const = 0;
    virtual Epoch next() = 0;
    /// Blocks until input may have arrived, at most msecs.
    virtual void waitForInput(int msecs) = 0;

    /// What the source is, for the status bar ("Replay of day1.csv").
    virtual QString description() const = 0;
    /// What was read and skipped so far, one line; empty if nothing to say.
    virtual QString summary() const { return QString(); }
    /// Input that could not be used: how much, and the first few reasons
    /// with their place ("line 12: time goes backwards").
    virtual qint64 problemCount() const { return 0; }
    virtual QStringList problemReports() const { return {}; }
};

#endif
