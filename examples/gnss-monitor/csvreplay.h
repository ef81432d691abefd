#ifndef GNSSMONITOR_CSVREPLAY_H
#define GNSSMONITOR_CSVREPLAY_H

#include "epochparser.h"
#include "gnssnaming.h"
#include "linereader.h"

#include <QByteArray>
#include <QHash>

/// Reads the monitor's own recording format.
///
/// One sample per line: `time_ms,series,value`, time in milliseconds since
/// the GNSS time origin (1980-01-06 00:00:00), a series name and a number
/// ("nan" marks a gap).  Consecutive lines with the same time form one epoch.
/// The series are those of ReceiverEpoch::toEpoch(): "cn0:<sat>" (the
/// satellite's first civil signal) or "cn0:<sat> <signal>", "elev:<sat>",
/// "fixmode", "nsat", "poserr", "pdop", "hdop" and "vdop".  Any other name
/// (a clock bias, a position component, a satellite or signal no system has)
/// is valid input the monitor cannot show: it is counted by name and skipped.
///
/// Empty lines, lines starting with '#' and the header line
/// `time_ms,series,value` are skipped.  A line that does not parse - wrong
/// field count, a time or value that is no number, a time before 1980 or
/// after 2299, an empty name, a value out of its range (C/N0 beyond 0-99 dB-Hz,
/// elevation beyond ±90°, an unknown fix mode), a time before the previous
/// line's, a line over 64 KiB - is counted as broken and skipped; it never
/// stops the replay.
class CsvReplay : public EpochParser
{
public:
    /// 2300-01-01 00:00:00 GNSS time: later times are taken for garbage.
    static constexpr double kLatestTimeMs = 10097827200000.0;
    /// An epoch is handed over at this size even if its time goes on, so
    /// that memory stays bounded whatever the input.
    static constexpr int kMaxValuesPerEpoch = 10000;

protected:
    void readLine(QByteArrayView line, qint64 number) override;
    void completeInput() override;

private:
    enum class Kind { Skipped, Cn0, Elevation, FixMode, Satellites, PositionError, Pdop, Hdop, Vdop };
    struct Series
    {
        Kind kind = Kind::Skipped;
        GnssNaming::Satellite satellite;
        GnssNaming::Signal signal;
        QString satelliteName;
        QByteArray name;
    };

    Series const& series(QByteArrayView name);
    QString apply(Series const& series, double value);
    SignalObservation& observation(Series const& series);
    void completeEpoch();

    ReceiverEpoch current;
    int values = 0;
    bool collecting = false;
    double lastTime = -1.0;
    // Recent series names, so that a name is not decoded again on every line.
    QHash<QByteArray, Series> names;
};

#endif
