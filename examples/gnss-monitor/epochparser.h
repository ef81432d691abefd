#ifndef GNSSMONITOR_EPOCHPARSER_H
#define GNSSMONITOR_EPOCHPARSER_H

#include "epoch.h"

#include <QList>
#include <QString>
#include <QStringList>

/// Turns the bytes of a recording or a live stream into epochs.
///
/// A format's reader derives from this: whoever holds the bytes (a file, a
/// pipe, a socket, a test or a fuzzer) feeds them in chunks of any size, and
/// complete epochs queue up here in time order.  Nothing in a parser blocks,
/// waits or needs a GUI.  Input that does not parse is counted and the first
/// few reasons are kept with their place; it never stops the parsing.
class EpochParser
{
public:
    virtual ~EpochParser() = default;

    /// Parses the next chunk of the input.
    virtual void feed(QByteArrayView data) = 0;
    /// The input ended: what is pending (an unterminated last line, the
    /// epoch being collected) is completed.
    virtual void finish() = 0;

    bool hasEpoch() const;
    /// Time of the next queued epoch; NaN if there is none.
    double nextTime() const;
    /// The next queued epoch; an empty one if there is none.
    Epoch takeEpoch();

    qint64 epochCount() const;  ///< completed so far
    qint64 sampleCount() const; ///< values in those epochs
    qint64 problemCount() const;
    /// "line N: reason" (or another place) for the first few problems.
    QStringList const& problemReports() const;

protected:
    void deliver(Epoch&& epoch);
    void problem(QString const& where, QString const& reason);

private:
    QList<Epoch> queue;
    qint64 epochs = 0;
    qint64 samples = 0;
    qint64 problems = 0;
    QStringList reports;
};

#endif
