#ifndef GNSSMONITOR_NMEAPARSER_H
#define GNSSMONITOR_NMEAPARSER_H

#include "epochparser.h"
#include "linereader.h"

#include <QByteArrayView>
#include <QDate>
#include <QList>

#include <limits>
#include <optional>

/// Turns NMEA 0183 sentences, fed one line at a time as they come from a
/// file, a serial port or a socket, into receiver epochs.
///
/// Read: GSV (satellites in view with elevation, azimuth and C/N0 per signal,
/// NMEA 4.10/4.11 signal ids), GGA (fix quality, satellites used, HDOP), GSA
/// (satellites used, DOPs, the 4.10 system id), RMC (date, mode), ZDA (date),
/// GST (position error sigmas) and GLL (time only), from the talkers GP, GL,
/// GA, GB/BD, GQ/QZ, GI and GN.  Vendor sentences ($P...), AIS and other
/// encapsulated sentences (!...), other talkers and other sentence types are
/// counted by kind and skipped.
///
/// Epochs.  NMEA has no epoch marker, so sentences are grouped by their UTC
/// time: a sentence with a time different from the open epoch's closes it.
/// Sentences without time (GSV, GSA, or GGA and RMC whose time field is
/// empty) belong to the open epoch, unless they repeat what it already has (a
/// GSV group of the same talker and signal starting again, a second GGA or
/// RMC): then the open epoch is closed and they start the next one, which the
/// next time it sees names.  This puts satellites right whether a receiver
/// writes GSV before or after GGA and RMC.  Epochs that never get a time are
/// dropped and counted.
///
/// Dates.  NMEA times are UTC times of day; the date comes from RMC or ZDA.
/// A time of day more than 12 hours earlier than the previous one is the
/// next day.  Epochs are held back until the first date arrives (at most
/// kMaxHeldEpochs of them), so that a receiver writing ZDA once a second
/// after ten GGA does not lose its first second.  With no date in sight, the
/// date given to setFallbackDate() is used; without one, epochs go out
/// with a NaN GNSS time and needsDate() says so.
///
/// Broken input - checksum failures, sentences without checksum (truncated),
/// binary bytes, fields out of range (C/N0 above 99, elevation beyond 90, an
/// hour of 25, a PRN no numbering knows), times going backwards - is counted
/// with its line number and reason.  A broken sentence is dropped as a whole;
/// sentences before and after it on the same line or the next are read as
/// usual, since every '$' and '!' starts a new sentence.  After a time going
/// backwards, the sentences without time that follow are skipped until a
/// valid time comes.  Memory stays bounded whatever the input.
class NmeaParser : public EpochParser
{
public:
    static constexpr int kMaxHeldEpochs = 64;
    /// Longer sentences are broken; real ones have at most 82 characters.
    static constexpr int kMaxSentenceLength = 1024;

    /// The date for a log that carries none (no RMC with date, no ZDA).
    void setFallbackDate(QDate date) override;

    /// One line of input, with or without its line end; any bytes.  It is
    /// counted as the line after the last one read.
    void addLine(QByteArrayView line);

    /// A sentence's hex digit; -1 for any other character.
    static int hexValue(char c);

protected:
    void readLine(QByteArrayView line, qint64 number) override;
    /// Closes the open epoch and releases held ones.
    void completeInput() override;

private:
    struct Held
    {
        ReceiverEpoch epoch;
        qint64 day;
    };

    void sentence(QByteArrayView text);
    QString dispatch(QByteArrayView address, QByteArrayView const* fields, int count);
    QString gsv(GnssSystem talker, QByteArrayView talkerName, QByteArrayView const* f, int n);
    QString gga(QByteArrayView const* f, int n);
    QString gsa(GnssSystem talker, QByteArrayView const* f, int n);
    QString rmc(QByteArrayView const* f, int n);
    QString zda(QByteArrayView const* f, int n);
    QString gst(QByteArrayView const* f, int n);
    QString gll(QByteArrayView const* f, int n);

    qint64 dayOf(qint64 msOfDay) const;
    QString acceptTime(qint64 msOfDay, QDate date);
    bool acceptUntimed(bool repeats);
    std::optional<QString> place(bool hasTime, qint64 msOfDay, QDate date, bool repeats);
    void closeEpoch();
    void release(ReceiverEpoch epoch, qint64 day);
    void releaseHeld();
    SignalObservation& observation(GnssNaming::Satellite satellite, GnssNaming::Signal const& signal);

    qint64 lineNumber = 0;

    // The epoch being assembled.
    ReceiverEpoch open;
    bool openHasData = false;
    bool openHasTime = false;
    qint64 openDay = 0;
    bool openHasGga = false;
    bool openHasRmc = false;
    bool openHasGsa = false;
    int ggaFix = -1;
    int rmcFix = -1;
    int gsaFix = -1;
    int ggaSatellites = -1;
    double ggaHdop = std::numeric_limits<double>::quiet_NaN();
    QList<QByteArray> gsvGroups;
    QList<quint32> usedSatellites;

    // Time and date.
    bool discarding = false;
    bool haveLast = false;
    qint64 lastDay = 0;
    qint64 lastMs = 0;
    /// The UTC date of day 0, the day of the first time seen.
    QDate anchor;
    QDate fallback;
    bool waitedForDate = false;
    QList<Held> held;
};

#endif
