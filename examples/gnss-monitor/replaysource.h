#ifndef GNSSMONITOR_REPLAYSOURCE_H
#define GNSSMONITOR_REPLAYSOURCE_H

#include "parsedsource.h"

#include <QByteArray>

#include <memory>

/// Replays a recording from a file, a FIFO, a pipe or /dev/stdin, in any
/// format ParsedSource knows, reading it as the epochs are needed: memory holds one chunk of input and the
/// epochs parsed from it, whatever the size of the recording, and the first
/// epochs are there at once.
///
/// A pipe or FIFO is read until its writer closes it.  A regular file is read
/// to its end, or, when followed, watched for more lines like a log that is
/// still being written.  Reading never blocks the caller except in
/// waitForInput() and, for a FIFO without writer, in open().
class ReplaySource : public ParsedSource
{
public:
    /// Bytes read at a time; also the most that poll() reads when the
    /// input holds no complete epoch, to keep the caller responsive.
    static constexpr qsizetype kChunkSize = 64 * 1024;

    /// A null parser: the format is told from the content.
    ReplaySource(QString fileName, std::unique_ptr<EpochParser> parser, bool follow = false,
                 QDate fallbackDate = QDate());
    ~ReplaySource() override;
    ReplaySource(ReplaySource const&) = delete;
    ReplaySource& operator=(ReplaySource const&) = delete;

    bool open(QString* error);

    State poll() override;
    void waitForInput(int msecs) override;

    QString description() const override;
    QString summary() const override;

private:
    QString fileName;
    bool follow;
    int fd = -1;
    bool regular = false;
    bool ended = false;
    bool atFileEnd = false;
    QString readError;
    QByteArray chunk;
};

#endif
