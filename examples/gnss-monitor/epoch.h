#ifndef GNSSMONITOR_EPOCH_H
#define GNSSMONITOR_EPOCH_H

#include <QList>
#include <QPair>
#include <QString>

/// One receiver epoch as the data sources deliver it: a time in milliseconds
/// since the GNSS time origin (1980-01-06 00:00:00) and the named values
/// measured at that time.  NaN values mark a gap in that series.
struct Epoch
{
    double timeMs = 0.0;
    QList<QPair<QString, double>> values;
};

/// Fix modes as the receiver reports them in the series "fixmode".  Dead
/// reckoning comes last: receivers with an inertial or odometer input report
/// it while they bridge a GNSS outage.
enum FixMode { NoFix = 0, Autonomous = 1, Dgnss = 2, RtkFloat = 3, RtkFixed = 4, DeadReckoning = 5 };

#endif
