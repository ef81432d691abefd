#ifndef GNSSMONITOR_EPOCHSOURCE_H
#define GNSSMONITOR_EPOCHSOURCE_H

#include "receiverepoch.h"

#include <QString>
#include <QStringList>

/// Where the monitor's epochs come from: a simulated receiver, a recording,
/// a receiver on a serial port, a TCP stream, gpsd.  The window pulls epochs
/// in time order; it paces recordings itself, while live sources deliver in
/// their own time.
///
/// poll() never blocks: it takes what input is available and answers Ready
/// (next() has an epoch), Waiting (none yet, more may come: a pipe, a file
/// that grows, a receiver between epochs, a connection being made again) or
/// Finished (no more will come).  waitForInput() is for headless runs, which
/// have nothing else to do.
class EpochSource
{
public:
    enum class State { Ready, Waiting, Finished };

    virtual ~EpochSource() = default;

    virtual State poll() = 0;
    /// Time of the epoch next() returns; valid after poll() said Ready.  NaN
    /// for an epoch whose date is not known.
    virtual double nextTime() const = 0;
    virtual ReceiverEpoch next() = 0;
    /// Blocks until input may have arrived, at most msecs.
    virtual void waitForInput(int msecs) = 0;

    /// A receiver running now rather than a recording: its epochs are shown
    /// as they come, never paced.
    virtual bool isLive() const { return false; }

    /// What the source is, for the status bar ("Replay of day1.csv").
    virtual QString description() const = 0;
    /// The state of the link of a live source, what went wrong last and when
    /// it is tried again ("connection refused, retrying at 10:42:07"); empty
    /// when there is nothing to say.
    virtual QString condition() const { return QString(); }
    /// What was read and skipped so far, one line; empty if nothing to say.
    virtual QString summary() const { return QString(); }
    /// Input that could not be used, and faults of the link: how much, and
    /// the first few reasons with their place ("line 12: time goes
    /// backwards").
    virtual qint64 problemCount() const { return 0; }
    virtual QStringList problemReports() const { return {}; }
    /// Epochs came with times of day but without any date.
    virtual bool needsDate() const { return false; }
};

#endif
