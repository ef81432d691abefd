#include "gnsstime.h"

#include <limits>

namespace {

const QDate kGnssOrigin(1980, 1, 6);

/// The first UTC day on which each leap second is in force (the day after the
/// insertion), with GNSS minus UTC from then on.
struct LeapSecond
{
    int year, month, day, seconds;
};
constexpr LeapSecond kLeapSeconds[] = {
    {1981, 7, 1, 1},  {1982, 7, 1, 2},  {1983, 7, 1, 3},  {1985, 7, 1, 4},  {1988, 1, 1, 5},
    {1990, 1, 1, 6},  {1991, 1, 1, 7},  {1992, 7, 1, 8},  {1993, 7, 1, 9},  {1994, 7, 1, 10},
    {1996, 1, 1, 11}, {1997, 7, 1, 12}, {1999, 1, 1, 13}, {2006, 1, 1, 14}, {2009, 1, 1, 15},
    {2012, 7, 1, 16}, {2015, 7, 1, 17}, {2017, 1, 1, 18},
};

} // namespace

int GnssTime::leapSeconds(QDate date)
{
    if (!date.isValid() || date < kGnssOrigin)
        return kUnknownLeapSeconds;
    int seconds = 0;
    for (LeapSecond const& leap : kLeapSeconds) {
        if (date < QDate(leap.year, leap.month, leap.day))
            break;
        seconds = leap.seconds;
    }
    return seconds;
}

QDate GnssTime::lastLeapSecondDay()
{
    LeapSecond const& last = kLeapSeconds[std::size(kLeapSeconds) - 1];
    return QDate(last.year, last.month, last.day).addDays(-1);
}

double GnssTime::fromUtc(QDate date, qint64 msOfDay)
{
    const int leap = leapSeconds(date);
    if (leap == kUnknownLeapSeconds)
        return std::numeric_limits<double>::quiet_NaN();
    // The leap second 23:59:60 counts with the day it ends, whose leap
    // seconds do not include it yet, so GNSS time runs on through it.
    return double(kGnssOrigin.daysTo(date)) * 86400000.0 + double(msOfDay) + leap * 1000.0;
}
