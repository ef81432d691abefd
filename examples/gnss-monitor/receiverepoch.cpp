#include "receiverepoch.h"

#include <QStringList>

#include <cmath>

double ReceiverEpoch::horizontalError() const
{
    const double fromSigmas = std::sqrt(sigmaLatitude * sigmaLatitude + sigmaLongitude * sigmaLongitude);
    return std::isnan(fromSigmas) ? reportedHorizontalError : fromSigmas;
}

SignalObservation const* ReceiverEpoch::find(QString const& satellite, QString const& signal) const
{
    for (SignalObservation const& observation : observations) {
        if (observation.satellite == satellite && observation.signal == signal)
            return &observation;
    }
    return nullptr;
}

Epoch ReceiverEpoch::toEpoch() const
{
    Epoch epoch;
    epoch.timeMs = timeMs;
    epoch.values.reserve(observations.size() + 6);
    for (SignalObservation const& observation : observations) {
        if (!std::isnan(observation.cn0) && !observation.signal.isEmpty())
            epoch.values.append({QLatin1String("cn0:") + observation.satellite + QLatin1Char(' ') + observation.signal,
                                 double(observation.cn0)});
    }
    // A satellite's signals share its elevation: once per satellite.
    QStringList withElevation;
    for (SignalObservation const& observation : observations) {
        if (!std::isnan(observation.elevation) && !withElevation.contains(observation.satellite)) {
            withElevation.append(observation.satellite);
            epoch.values.append({QLatin1String("elev:") + observation.satellite, double(observation.elevation)});
        }
    }
    if (fixMode >= 0)
        epoch.values.append({QStringLiteral("fixmode"), double(fixMode)});
    if (satellitesUsed >= 0)
        epoch.values.append({QStringLiteral("nsat"), double(satellitesUsed)});
    const double error = horizontalError();
    if (!std::isnan(error))
        epoch.values.append({QStringLiteral("poserr"), error});
    const QPair<const char*, double> dops[] = {{"pdop", pdop}, {"hdop", hdop}, {"vdop", vdop}};
    for (auto const& dop : dops) {
        if (!std::isnan(dop.second))
            epoch.values.append({QString::fromLatin1(dop.first), dop.second});
    }
    return epoch;
}
