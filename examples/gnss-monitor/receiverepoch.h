#ifndef GNSSMONITOR_RECEIVEREPOCH_H
#define GNSSMONITOR_RECEIVEREPOCH_H

#include "epoch.h"
#include "gnssnaming.h"

#include <QDate>
#include <QList>
#include <QString>

#include <limits>

/// One signal of one satellite in an epoch: what the receiver said about it.
/// Elevation and azimuth belong to the satellite and repeat on each of its
/// signals, so that every observation can be drawn as C/N0 against elevation.
struct SignalObservation
{
    GnssSystem system = GnssSystem::Unknown;
    int number = 0;     ///< within the system: 5 for G05
    QString satellite;  ///< "G05"
    QString signal;     ///< "L1", "E5a", ...; empty when the receiver's signal id is unknown
    QString band;       ///< "L1", "L2", "L5", "E5b", "E5", "E6" or "S" (see GnssNaming)
    float cn0 = std::numeric_limits<float>::quiet_NaN();       ///< dB-Hz; NaN while not tracked
    float elevation = std::numeric_limits<float>::quiet_NaN(); ///< degrees
    float azimuth = std::numeric_limits<float>::quiet_NaN();   ///< degrees
    bool used = false;  ///< the satellite is used in the fix
};

/// Everything a receiver reported for one measurement epoch, whatever the
/// format it came in.  Missing values are NaN or -1.
struct ReceiverEpoch
{
    /// GNSS time in ms since 1980-01-06 00:00:00; NaN while no date is known.
    double timeMs = std::numeric_limits<double>::quiet_NaN();
    /// The UTC day; invalid while no date is known.
    QDate utcDate;
    /// UTC time of day in ms; 86 400 000 and above during a leap second.
    qint64 utcMsOfDay = -1;
    /// A FixMode value; -1 when the epoch reported none.
    int fixMode = -1;
    int satellitesUsed = -1;
    double pdop = std::numeric_limits<double>::quiet_NaN();
    double hdop = std::numeric_limits<double>::quiet_NaN();
    double vdop = std::numeric_limits<double>::quiet_NaN();
    /// Standard deviations of the position error in metres.
    double sigmaLatitude = std::numeric_limits<double>::quiet_NaN();
    double sigmaLongitude = std::numeric_limits<double>::quiet_NaN();
    double sigmaAltitude = std::numeric_limits<double>::quiet_NaN();
    /// A horizontal error in metres that the source estimated itself (gpsd's
    /// `eph`, the monitor's own "poserr"); used where the sigmas are missing.
    double reportedHorizontalError = std::numeric_limits<double>::quiet_NaN();
    /// One entry per satellite and signal, in the order the receiver listed them.
    QList<SignalObservation> observations;

    /// The horizontal position error: the root of the summed latitude and
    /// longitude variances, else the reported estimate; NaN when unknown.
    double horizontalError() const;
    /// The observation of `satellite` on `signal`; nullptr when there is none.
    SignalObservation const* find(QString const& satellite, QString const& signal) const;
    /// The epoch as named series, the monitor's own recording format:
    /// "cn0:<satellite> <signal>" for every tracked signal with a name,
    /// "elev:<satellite>" once per satellite with an elevation, "fixmode",
    /// "nsat", "poserr" (horizontal error), "pdop", "hdop" and "vdop", each
    /// only when known.
    Epoch toEpoch() const;
};

#endif
