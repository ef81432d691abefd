#ifndef GNSSMONITOR_GPSDJSONREADER_H
#define GNSSMONITOR_GPSDJSONREADER_H

#include "epochparser.h"
#include "linereader.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>

/// Turns gpsd's JSON reports, one per line as a gpsd client receives them
/// (and as `gpspipe -w` writes them), into receiver epochs.
///
/// Read: SKY (satellites by gnssid, svid and sigid with C/N0 `ss`,
/// elevation, azimuth and `used`; `uSat`; the DOPs), TPV (`mode` and
/// `status` for the fix mode, `time`) and GST (position error sigmas).  Every
/// other class (VERSION, DEVICES, WATCH, DEVICE, PPS, ERROR, ...) is counted
/// by class and skipped, and so are the reports of any device but the first
/// one seen, so that two receivers on one gpsd do not mix.
///
/// Epochs.  gpsd sends one TPV at the end of each receiver cycle, after that
/// cycle's SKY and GST, so a TPV closes the epoch.  A report whose time differs
/// from the open epoch's closes it as well.  Each SKY is a complete picture of
/// the sky as gpsd knows it (gpsd repeats it, growing, while a receiver's
/// satellite messages come in), so the last SKY of an epoch replaces the ones
/// before.  A satellite signal listed twice keeps its measured C/N0; an
/// `ss` of 0 is gpsd's way of saying that the signal is not tracked.
/// gpsd's times carry the date; they are UTC and become GNSS time with the
/// leap seconds of that date.
///
/// Broken input - lines that are no JSON object, reports without class,
/// fields of the wrong type or out of range, times going backwards, lines
/// longer than kMaxLineLength - is counted with its line number and reason,
/// and the report is dropped as a whole.
class GpsdJsonReader : public EpochParser
{
public:
    /// A SKY of 200 signals takes about 20 000 characters.
    static constexpr int kMaxLineLength = 256 * 1024;

    GpsdJsonReader();

protected:
    void readLine(QByteArrayView line, qint64 number) override;
    /// Closes the open epoch: the end of the input, or of a connection.
    void completeInput() override;

private:
    QString report(QJsonObject const& object, QString const& kind);
    QString readTime(QJsonObject const& object, bool* hasTime, QDate* date, qint64* msOfDay) const;
    QString sky(QJsonObject const& object, QList<SignalObservation>& observations, int* used) const;
    QString acceptTime(QDate date, qint64 msOfDay);
    void closeEpoch();

    qint64 lineNumber = 0;
    QString device;

    ReceiverEpoch open;
    bool openHasData = false;
    bool openHasTime = false;
    double lastTimeMs = -1.0;
    QDateTime lastUtc;
};

#endif
