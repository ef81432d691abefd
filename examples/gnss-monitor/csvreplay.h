#ifndef GNSSMONITOR_CSVREPLAY_H
#define GNSSMONITOR_CSVREPLAY_H

#include "epoch.h"

#include <QList>
#include <QString>
#include <QStringList>

class QIODevice;

/// Reads a recording for replay.
///
/// One sample per line: `time_ms,series,value`, time in milliseconds since
/// the GNSS time origin (1980-01-06 00:00:00), a series name and a number
/// ("nan" marks a gap).  Empty lines, lines starting with '#' and a header line
/// starting with "time_ms" are skipped.  Consecutive lines with the same time
/// form one epoch.  A line that does not parse - wrong field count, a time or
/// value that is no number, an empty name, or a time before the previous
/// line's - is skipped and counted; it never stops the replay.
class CsvReplay
{
public:
    bool load(QString const& fileName, QString* error);
    void read(QIODevice& device);

    int brokenLineCount() const;
    /// "line N: reason" for the first few broken lines.
    QStringList const& brokenLineReports() const;
    int sampleCount() const;

    bool atEnd() const;
    double nextTime() const;
    Epoch next();
    int epochCount() const;

private:
    void broken(int lineNumber, QString const& reason);

    QList<Epoch> epochs;
    int position = 0;
    int samples = 0;
    int brokenLines = 0;
    QStringList reports;
};

#endif
