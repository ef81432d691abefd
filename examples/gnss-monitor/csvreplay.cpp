#include "csvreplay.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace {

constexpr qsizetype kMaxNames = 4096;

// A decimal number in C notation, the whole field; "nan" in any case is a gap.
bool parseNumber(QByteArrayView text, double& value)
{
    text = text.trimmed();
    if (text.startsWith('+'))
        text = text.sliced(1);
    if (text.isEmpty())
        return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return false;
    if (std::isnan(value))
        value = std::numeric_limits<double>::quiet_NaN();
    return !std::isinf(value);
}

} // namespace

void CsvReplay::completeInput()
{
    completeEpoch();
}

void CsvReplay::completeEpoch()
{
    if (collecting) {
        // Elevation lines may come before or after the C/N0 of their
        // satellite; each signal of the satellite has its elevation.
        for (SignalObservation& o : current.observations) {
            if (std::isnan(o.elevation)) {
                for (SignalObservation const& other : std::as_const(current.observations)) {
                    if (other.number == o.number && other.system == o.system && !std::isnan(other.elevation)) {
                        o.elevation = other.elevation;
                        break;
                    }
                }
            }
        }
        deliver(std::move(current));
    }
    current = ReceiverEpoch();
    values = 0;
    collecting = false;
}

CsvReplay::Series const& CsvReplay::series(QByteArrayView text)
{
    const QByteArray key = QByteArray::fromRawData(text.data(), text.size());
    const auto known = names.constFind(key);
    if (known != names.constEnd())
        return *known;
    if (names.size() >= kMaxNames)
        names.clear();
    Series s;
    s.name = text.toByteArray();
    const QString name = QString::fromUtf8(text);
    static const QPair<const char*, Kind> plain[] = {{"fixmode", Kind::FixMode}, {"nsat", Kind::Satellites},
                                                     {"poserr", Kind::PositionError}, {"pdop", Kind::Pdop},
                                                     {"hdop", Kind::Hdop}, {"vdop", Kind::Vdop}};
    for (auto const& p : plain) {
        if (name == QLatin1String(p.first))
            s.kind = p.second;
    }
    const bool cn0 = name.startsWith(QLatin1String("cn0:"));
    if (cn0 || name.startsWith(QLatin1String("elev:"))) {
        const QStringView rest = QStringView(name).sliced(cn0 ? 4 : 5);
        const qsizetype space = rest.indexOf(QLatin1Char(' '));
        const QStringView satellite = space < 0 ? rest : rest.first(space);
        const QStringView signal = space < 0 ? QStringView() : rest.sliced(space + 1);
        s.satellite = GnssNaming::fromName(satellite);
        if (s.satellite.isValid())
            s.signal = GnssNaming::signalNamed(s.satellite.system, signal);
        // Elevation belongs to the satellite, not to a signal.
        if (s.satellite.isValid() && s.signal.isValid() && (cn0 || space < 0)) {
            s.kind = cn0 ? Kind::Cn0 : Kind::Elevation;
            s.satelliteName = GnssNaming::satelliteName(s.satellite);
        }
    }
    return *names.insert(s.name, s);
}

SignalObservation& CsvReplay::observation(Series const& s)
{
    for (SignalObservation& o : current.observations) {
        if (o.number == s.satellite.number && o.system == s.satellite.system && o.signal == s.signal.name)
            return o;
    }
    SignalObservation o;
    o.system = s.satellite.system;
    o.number = s.satellite.number;
    o.satellite = s.satelliteName;
    o.signal = s.signal.name;
    o.band = s.signal.band;
    current.observations.append(o);
    return current.observations.back();
}

/// Puts a value into the epoch; empty when it went in, else why it is broken.
QString CsvReplay::apply(Series const& s, double value)
{
    auto outside = [&](double low, double high) { return !std::isnan(value) && !(value >= low && value <= high); };
    auto outOfRange = [&] { return QStringLiteral("%1 %2 out of range").arg(QString::fromUtf8(s.name)).arg(value); };
    switch (s.kind) {
    case Kind::Skipped:
        stats.countSkipped(s.name.left(40));
        return QString();
    case Kind::Cn0:
        if (outside(0, 99))
            return outOfRange();
        observation(s).cn0 = float(value);
        break;
    case Kind::Elevation: {
        if (outside(-90, 90))
            return outOfRange();
        // The satellite's signals take it when the epoch is complete.
        bool found = false;
        for (SignalObservation& o : current.observations) {
            if (o.number == s.satellite.number && o.system == s.satellite.system) {
                o.elevation = float(value);
                found = true;
            }
        }
        if (!found)
            observation(s).elevation = float(value);
        break;
    }
    case Kind::FixMode:
        if (outside(NoFix, DeadReckoning) || value != std::round(value))
            return outOfRange();
        current.fixMode = std::isnan(value) ? -1 : int(value);
        break;
    case Kind::Satellites:
        if (outside(0, 999))
            return outOfRange();
        current.satellitesUsed = std::isnan(value) ? -1 : int(std::lround(value));
        break;
    case Kind::PositionError:
        if (outside(0, 1e7))
            return outOfRange();
        current.reportedHorizontalError = value;
        break;
    case Kind::Pdop:
    case Kind::Hdop:
    case Kind::Vdop:
        if (outside(0, 999))
            return outOfRange();
        (s.kind == Kind::Pdop ? current.pdop : s.kind == Kind::Hdop ? current.hdop : current.vdop) = value;
        break;
    }
    ++stats.used;
    return QString();
}

void CsvReplay::readLine(QByteArrayView line, qint64 number)
{
    stats.lines = number;
    auto broken = [&](QString const& reason) { stats.countBroken(number, reason); };
    const QByteArrayView text = line.trimmed();
    if (text.isEmpty() || text.startsWith('#'))
        return;
    const qsizetype commas = text.count(',');
    if (commas != 2) {
        broken(QStringLiteral("expected 3 fields, found %1").arg(commas + 1));
        return;
    }
    const qsizetype first = text.indexOf(',');
    const qsizetype second = text.indexOf(',', first + 1);
    const QByteArrayView timeField = text.first(first).trimmed();
    const QByteArrayView seriesField = text.sliced(first + 1, second - first - 1).trimmed();
    const QByteArrayView valueField = text.sliced(second + 1).trimmed();
    if (timeField == "time_ms" && seriesField == "series" && valueField == "value")
        return;

    double time = 0.0;
    double value = 0.0;
    if (!parseNumber(timeField, time) || std::isnan(time)) {
        broken(QStringLiteral("time is not a number"));
        return;
    }
    if (!(time >= 0.0 && time < kLatestTimeMs)) {
        broken(QStringLiteral("time out of range (1980 to 2299)"));
        return;
    }
    if (seriesField.isEmpty()) {
        broken(QStringLiteral("no series name"));
        return;
    }
    if (!parseNumber(valueField, value)) {
        broken(QStringLiteral("value is not a number"));
        return;
    }
    // The plots need non-decreasing time.
    if (time < lastTime) {
        broken(QStringLiteral("time goes backwards"));
        return;
    }
    if (collecting && (time != current.timeMs || values >= kMaxValuesPerEpoch))
        completeEpoch();
    lastTime = time;
    Series const& s = series(seriesField);
    const QString error = apply(s, value);
    if (!error.isEmpty()) {
        broken(error);
        return;
    }
    if (s.kind == Kind::Skipped)
        return;
    if (!collecting) {
        current.timeMs = time;
        collecting = true;
    }
    ++values;
}
