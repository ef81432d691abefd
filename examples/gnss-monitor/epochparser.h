#ifndef GNSSMONITOR_EPOCHPARSER_H
#define GNSSMONITOR_EPOCHPARSER_H

#include "linereader.h"
#include "readerstatistics.h"
#include "receiverepoch.h"

#include <QByteArrayView>
#include <QDate>
#include <QList>

/// Turns the bytes of a recording or a live stream into receiver epochs.
///
/// A format's reader derives from this: whoever holds the bytes (a file, a
/// pipe, a serial port, a socket, a test or a fuzzer) feeds them in chunks of
/// any size, and complete epochs queue up here in time order.  Nothing in a
/// parser blocks, waits or needs a GUI.  What the input held - lines, epochs,
/// skipped and broken input with the first few reasons and their place - is
/// counted in one ReaderStatistics for every format; broken input never stops
/// the parsing.
class EpochParser
{
public:
    virtual ~EpochParser() = default;

    /// Parses the next chunk of the input: every line it completes is read
    /// at once.  A line longer than the reader's limit is one broken line,
    /// whatever its length, and is never held in memory.
    void feed(QByteArrayView data);
    /// The input ended (or a live stream broke off): what is pending - an
    /// unterminated last line, the epoch being collected - is completed.
    /// Feeding may go on afterwards, as after a reconnection.
    void finish();
    /// A complete buffer, then finish().
    void parse(QByteArrayView buffer)
    {
        feed(buffer);
        finish();
    }
    /// The UTC date for input that carries times of day but no date.
    virtual void setFallbackDate(QDate date);

    bool hasEpoch() const;
    /// Time of the next queued epoch; NaN if there is none or it has no date.
    double nextTime() const;
    /// The next queued epoch; an empty one if there is none.
    ReceiverEpoch takeEpoch();
    /// Every queued epoch, oldest first; they are handed over once.
    QList<ReceiverEpoch> takeEpochs();

    ReaderStatistics const& statistics() const { return stats; }
    /// Some epochs went out without GNSS time because no date was known:
    /// the user has to give one.
    bool needsDate() const { return stats.undatedEpochs > 0; }

protected:
    /// Lines longer than maxLineLength bytes are counted as broken.
    explicit EpochParser(qsizetype maxLineLength = LineReader::kDefaultMaxLength);
    /// One line of the input without its line end; number counts from 1.
    virtual void readLine(QByteArrayView line, qint64 number) = 0;
    /// After the last line of the input: completes what is being collected.
    virtual void completeInput() = 0;
    void deliver(ReceiverEpoch&& epoch);

    ReaderStatistics stats;

private:
    LineReader lines;
    qsizetype maxLineLength;
    QList<ReceiverEpoch> queue;
    qsizetype head = 0; ///< first epoch not handed out yet
};

#endif
