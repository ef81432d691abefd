#ifndef GNSSMONITOR_FORMATDETECTOR_H
#define GNSSMONITOR_FORMATDETECTOR_H

#include <QByteArrayView>
#include <QString>

/// The recording formats the monitor replays.
enum class ReceiverFormat { Unknown, Nmea, MonitorCsv, GpsdJson };

/// Tells the format of a recording from its first bytes, whatever the file
/// is called.
///
/// Each line of the head votes: a sentence with a valid checksum anywhere in
/// it (receivers and serial captures put binary bytes and partial sentences
/// around them) for NMEA, a JSON object with a "class" for gpsd JSON, a
/// "time_ms" header or a `number,name,number` line for the monitor's CSV.
/// Empty lines and '#' comments do not vote.  The format with most votes
/// wins; without any vote the format is unknown.
class FormatDetector
{
public:
    /// How much of a file detect() needs.
    static constexpr int kHeadBytes = 8192;

    static ReceiverFormat detect(QByteArrayView head);
    /// "NMEA 0183", "monitor CSV", "gpsd JSON" or "unknown".
    static QString name(ReceiverFormat format);
};

#endif
