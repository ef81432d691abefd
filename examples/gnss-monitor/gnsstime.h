#ifndef GNSSMONITOR_GNSSTIME_H
#define GNSSMONITOR_GNSSTIME_H

#include <QDate>

/// UTC to GNSS time, the time scale of the monitor's plots: milliseconds since
/// 1980-01-06 00:00:00 without leap seconds.
///
/// Receivers report UTC, which has had leap seconds inserted since 1980; GNSS
/// time has not.  The difference depends on the date, so it comes from a table
/// of every leap second inserted, not from a constant: a recording from 2008
/// is 14 s off UTC, one from today 18 s.
class GnssTime
{
public:
    /// The value of leapSeconds() for dates it cannot answer.
    static constexpr int kUnknownLeapSeconds = -128;

    /// GNSS time minus UTC, in seconds, in force during the UTC day `date`;
    /// kUnknownLeapSeconds before 1980-01-06 or for an invalid date.
    static int leapSeconds(QDate date);

    /// The last day in the table on which a leap second was inserted
    /// (2016-12-31).  Later dates use the last known value.
    static QDate lastLeapSecondDay();

    /// GNSS time of UTC `msOfDay` milliseconds into the UTC day `date`;
    /// NaN for dates leapSeconds() cannot answer.  A time of day from
    /// 86 400 000 to 86 400 999 is the inserted leap second 23:59:60 itself.
    static double fromUtc(QDate date, qint64 msOfDay);
};

#endif
