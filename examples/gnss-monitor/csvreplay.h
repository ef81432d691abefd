#ifndef GNSSMONITOR_CSVREPLAY_H
#define GNSSMONITOR_CSVREPLAY_H

#include "epochparser.h"
#include "linereader.h"

#include <QByteArray>
#include <QHash>

/// Reads the monitor's own recording format.
///
/// One sample per line: `time_ms,series,value`, time in milliseconds since
/// the GNSS time origin (1980-01-06 00:00:00), a series name and a number
/// ("nan" marks a gap).  Empty lines, lines starting with '#' and the header
/// line `time_ms,series,value` are skipped.  Consecutive lines with the same
/// time form one epoch.  A line that does not parse - wrong field count, a
/// time or value that is no number, a time before 1980 or after 2299, an
/// empty name, a time before the previous line's, a line over 64 KiB - is
/// skipped and counted; it never stops the replay.
class CsvReplay : public EpochParser
{
public:
    /// 2300-01-01 00:00:00 GNSS time: later times are taken for garbage.
    static constexpr double kLatestTimeMs = 10097827200000.0;
    /// An epoch is handed over at this size even if its time goes on, so
    /// that memory stays bounded whatever the input.
    static constexpr int kMaxValuesPerEpoch = 10000;

    void feed(QByteArrayView data) override;
    void finish() override;

private:
    void parse(LineReader::Line const& line);
    QString seriesName(QByteArrayView text);
    void completeEpoch();

    LineReader lines;
    Epoch current;
    bool collecting = false;
    double lastTime = -1.0;
    // Recent series names, so that the same name is not decoded and
    // allocated again on every line.
    QHash<QByteArray, QString> names;
};

#endif
