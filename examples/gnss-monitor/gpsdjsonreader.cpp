#include "gpsdjsonreader.h"

#include "gnsstime.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QTimeZone>

#include <cmath>

namespace {

/// A missing number is NaN; a present one must be a number within [low, high].
QString number(QJsonObject const& object, QString const& key, double low, double high, double& value)
{
    value = std::numeric_limits<double>::quiet_NaN();
    const QJsonValue v = object.value(key);
    if (v.isUndefined() || v.isNull())
        return QString();
    if (!v.isDouble())
        return QStringLiteral("%1 is no number").arg(key);
    value = v.toDouble();
    if (!(value >= low && value <= high))
        return QStringLiteral("%1 %2 out of range").arg(key).arg(value);
    return QString();
}

/// A missing integer is -1; a present one must lie within [low, high].
QString integer(QJsonObject const& object, QString const& key, int low, int high, int& value)
{
    double d = 0.0;
    QString error = number(object, key, low, high, d);
    if (!error.isEmpty())
        return error;
    if (std::isnan(d)) {
        value = -1;
        return QString();
    }
    if (d != std::floor(d))
        return QStringLiteral("%1 %2 is no integer").arg(key).arg(d);
    value = int(d);
    return QString();
}

/// gpsd's TPV mode (1 no fix, 2 2D, 3 3D) and status (2 DGPS, 3 RTK fixed,
/// 4 RTK float, 5 dead reckoning, 6 GNSS with dead reckoning, 7 surveyed
/// time-only, 8 simulated, 9 P(Y) code) as a fix mode; -1 for mode 0 (not
/// seen yet).
int fixMode(int mode, int status)
{
    if (mode <= 0)
        return -1;
    if (mode == 1)
        return NoFix;
    switch (status) {
    case 2:
        return Dgnss;
    case 3:
        return RtkFixed;
    case 4:
        return RtkFloat;
    case 5:
        return DeadReckoning;
    case 8:
        return NoFix;
    default:
        return Autonomous;
    }
}

} // namespace

GpsdJsonReader::GpsdJsonReader() : EpochParser(kMaxLineLength)
{
}

void GpsdJsonReader::readLine(QByteArrayView line, qint64 number)
{
    lineNumber = stats.lines = number;
    line = line.trimmed();
    if (line.isEmpty() || line.front() == '#')
        return;
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(line.toByteArray(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        stats.countBroken(lineNumber, parseError.error != QJsonParseError::NoError
                                          ? QStringLiteral("no JSON: %1 at %2").arg(parseError.errorString()).arg(parseError.offset)
                                          : QStringLiteral("no JSON object"));
        return;
    }
    const QJsonObject object = document.object();
    const QString kind = object.value(QLatin1String("class")).toString();
    if (kind.isEmpty()) {
        stats.countBroken(lineNumber, QStringLiteral("no class"));
        return;
    }
    if (kind != QLatin1String("SKY") && kind != QLatin1String("TPV") && kind != QLatin1String("GST")) {
        stats.countSkipped(kind.toLatin1());
        return;
    }
    const QString from = object.value(QLatin1String("device")).toString();
    if (device.isEmpty())
        device = from;
    else if (!from.isEmpty() && from != device) {
        stats.countSkipped("other device");
        return;
    }
    const QString error = report(object, kind);
    if (error.isEmpty())
        ++stats.used;
    else
        stats.countBroken(lineNumber, kind + QLatin1String(": ") + error);
}

QString GpsdJsonReader::readTime(QJsonObject const& object, bool* hasTime, QDate* date, qint64* msOfDay) const
{
    const QJsonValue time = object.value(QLatin1String("time"));
    *hasTime = false;
    QDateTime utc;
    if (time.isUndefined())
        return QString();
    if (time.isString()) {
        utc = QDateTime::fromString(time.toString(), Qt::ISODateWithMs);
    } else if (time.isDouble()) {
        // Protocol versions before 3.5 sent seconds since 1970.
        const double seconds = time.toDouble();
        if (seconds > 0 && seconds < 1e11)
            utc = QDateTime::fromMSecsSinceEpoch(qint64(std::llround(seconds * 1000.0)), QTimeZone::utc());
    }
    if (!utc.isValid())
        return QStringLiteral("time '%1' is no time").arg(time.toVariant().toString().left(40));
    utc = utc.toUTC();
    *date = utc.date();
    *msOfDay = utc.time().msecsSinceStartOfDay();
    if (GnssTime::leapSeconds(*date) == GnssTime::kUnknownLeapSeconds)
        return QStringLiteral("time %1 before the GNSS origin").arg(date->toString(Qt::ISODate));
    *hasTime = true;
    return QString();
}

QString GpsdJsonReader::sky(QJsonObject const& object, QList<SignalObservation>& observations, int* used) const
{
    const QJsonValue satellites = object.value(QLatin1String("satellites"));
    if (!satellites.isUndefined() && !satellites.isArray())
        return QStringLiteral("satellites is no list");
    int usedCount = 0;
    QList<quint32> usedKeys;
    for (QJsonValue const& value : satellites.toArray()) {
        if (!value.isObject())
            return QStringLiteral("satellite is no object");
        const QJsonObject s = value.toObject();
        int gnssid = -1, svid = -1, sigid = -1, prn = -1;
        double ss = 0, el = 0, az = 0;
        // Systems gpsd may learn later are skipped below, not broken.
        QString error = integer(s, QStringLiteral("gnssid"), 0, 255, gnssid);
        if (error.isEmpty())
            error = integer(s, QStringLiteral("svid"), 0, 255, svid);
        if (error.isEmpty())
            error = integer(s, QStringLiteral("sigid"), 0, 15, sigid);
        if (error.isEmpty())
            error = integer(s, QStringLiteral("PRN"), 0, 999, prn);
        if (error.isEmpty())
            error = number(s, QStringLiteral("ss"), 0, 99, ss);
        if (error.isEmpty())
            error = number(s, QStringLiteral("el"), -90, 90, el);
        if (error.isEmpty())
            error = number(s, QStringLiteral("az"), 0, 360, az);
        if (!error.isEmpty())
            return error;
        // Older gpsd names satellites by its PRN alone, numbered like NMEA.
        const GnssNaming::Satellite satellite = gnssid >= 0 && svid >= 0 ? GnssNaming::fromGpsd(gnssid, svid)
                                                                           : GnssNaming::fromNmea(GnssSystem::Unknown, prn);
        // gpsd lists satellites it cannot number (a GLONASS satellite before
        // its slot is known, IMES): nothing to name them by.
        if (!satellite.isValid())
            continue;
        const GnssNaming::Signal signal = GnssNaming::gpsdSignal(satellite.system, sigid);
        const float cn0 = ss > 0 ? float(ss) : std::numeric_limits<float>::quiet_NaN();
        SignalObservation* o = nullptr;
        for (SignalObservation& existing : observations) {
            if (existing.number == satellite.number && existing.system == satellite.system && existing.signal == signal.name)
                o = &existing;
        }
        if (!o) {
            observations.append(SignalObservation());
            o = &observations.back();
            o->system = satellite.system;
            o->number = satellite.number;
            o->satellite = GnssNaming::satelliteName(satellite);
            o->signal = signal.name;
            o->band = signal.band;
        }
        if (!std::isnan(cn0) || std::isnan(o->cn0))
            o->cn0 = cn0;
        if (!std::isnan(el))
            o->elevation = float(el);
        if (!std::isnan(az))
            o->azimuth = float(az);
        if (s.value(QLatin1String("used")).toBool()) {
            o->used = true;
            const quint32 key = quint32(satellite.system) << 16 | quint32(satellite.number);
            if (!usedKeys.contains(key)) {
                usedKeys.append(key);
                ++usedCount;
            }
        }
    }
    // A satellite is used with all its signals, whichever of them gpsd flagged.
    for (SignalObservation& o : observations)
        o.used = o.used || usedKeys.contains(quint32(o.system) << 16 | quint32(o.number));
    int uSat = -1;
    const QString error = integer(object, QStringLiteral("uSat"), 0, 999, uSat);
    if (!error.isEmpty())
        return error;
    *used = uSat >= 0 ? uSat : satellites.isArray() ? usedCount : -1;
    return QString();
}

QString GpsdJsonReader::report(QJsonObject const& object, QString const& kind)
{
    bool hasTime = false;
    QDate date;
    qint64 msOfDay = 0;
    QString error = readTime(object, &hasTime, &date, &msOfDay);
    if (!error.isEmpty())
        return error;

    // Everything is checked before the epochs change.
    int mode = -1, status = -1, used = -1;
    double values[3];
    QList<SignalObservation> observations;
    if (kind == QLatin1String("TPV")) {
        error = integer(object, QStringLiteral("mode"), 0, 3, mode);
        if (error.isEmpty())
            error = integer(object, QStringLiteral("status"), 0, 9, status);
        // gpsd's estimate of the horizontal error, for receivers without GST.
        if (error.isEmpty())
            error = number(object, QStringLiteral("eph"), 0, 1e7, values[0]);
    } else if (kind == QLatin1String("SKY")) {
        error = sky(object, observations, &used);
        const char* keys[] = {"pdop", "hdop", "vdop"};
        for (int i = 0; i < 3 && error.isEmpty(); ++i)
            error = number(object, QString::fromLatin1(keys[i]), 0, 999, values[i]);
    } else {
        const char* keys[] = {"lat", "lon", "alt"};
        for (int i = 0; i < 3 && error.isEmpty(); ++i)
            error = number(object, QString::fromLatin1(keys[i]), 0, 1e7, values[i]);
    }
    if (!error.isEmpty())
        return error;
    if (hasTime) {
        error = acceptTime(date, msOfDay);
        if (!error.isEmpty())
            return error;
    }

    openHasData = true;
    if (kind == QLatin1String("TPV")) {
        open.fixMode = fixMode(mode, status);
        open.reportedHorizontalError = values[0];
        closeEpoch();
    } else if (kind == QLatin1String("SKY")) {
        open.observations = std::move(observations);
        open.satellitesUsed = used;
        double* targets[] = {&open.pdop, &open.hdop, &open.vdop};
        for (int i = 0; i < 3; ++i)
            *targets[i] = values[i];
    } else {
        open.sigmaLatitude = values[0];
        open.sigmaLongitude = values[1];
        open.sigmaAltitude = values[2];
    }
    return QString();
}

QString GpsdJsonReader::acceptTime(QDate date, qint64 msOfDay)
{
    const double timeMs = GnssTime::fromUtc(date, msOfDay);
    const QDateTime utc(date, QTime::fromMSecsSinceStartOfDay(int(msOfDay)), Qt::UTC);
    if (timeMs < lastTimeMs) {
        return QStringLiteral("time goes backwards (%1 after %2)")
            .arg(utc.toString(Qt::ISODateWithMs), lastUtc.toString(Qt::ISODateWithMs));
    }
    if (openHasTime && timeMs != open.timeMs)
        closeEpoch();
    openHasTime = true;
    open.timeMs = timeMs;
    open.utcDate = date;
    open.utcMsOfDay = msOfDay;
    lastTimeMs = timeMs;
    lastUtc = utc;
    return QString();
}

void GpsdJsonReader::closeEpoch()
{
    if (openHasData) {
        if (openHasTime) {
            deliver(std::move(open));
        } else {
            ++stats.untimedEpochs;
        }
    }
    open = ReceiverEpoch();
    openHasData = openHasTime = false;
}

void GpsdJsonReader::completeInput()
{
    closeEpoch();
}
