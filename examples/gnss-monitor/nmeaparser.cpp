#include "nmeaparser.h"

#include "gnsstime.h"

#include <QVarLengthArray>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr qint64 kDayMs = 86400000;
constexpr int kMaxFields = 64;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

QString text(QByteArrayView field)
{
    return QString::fromLatin1(field.first(std::min<qsizetype>(field.size(), 20)));
}

/// Digits only, at most nine of them.
bool parseInt(QByteArrayView field, int& value)
{
    if (field.isEmpty() || field.size() > 9)
        return false;
    value = 0;
    for (char c : field) {
        if (!isDigit(c))
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

/// [-]digits[.digits], as NMEA writes numbers; no exponents, no locale.
bool parseDecimal(QByteArrayView field, double& value)
{
    qsizetype i = 0;
    const bool negative = !field.isEmpty() && field[0] == '-';
    if (negative)
        ++i;
    double result = 0.0;
    double scale = 0.0;
    int digits = 0;
    for (; i < field.size(); ++i) {
        const char c = field[i];
        if (c == '.' && scale == 0.0) {
            scale = 1.0;
        } else if (isDigit(c) && digits < 18) {
            ++digits;
            result = result * 10.0 + (c - '0');
            scale *= 10.0;
        } else {
            return false;
        }
    }
    if (digits == 0)
        return false;
    if (scale > 0.0)
        result /= scale;
    value = negative ? -result : result;
    return true;
}

/// An empty field is NaN; anything else must be a number within [low, high].
QString optional(QByteArrayView field, double low, double high, const char* what, double& value)
{
    value = kNaN;
    if (field.isEmpty())
        return QString();
    if (!parseDecimal(field, value))
        return QStringLiteral("%1 '%2' is no number").arg(QLatin1String(what), text(field));
    if (value < low || value > high)
        return QStringLiteral("%1 %2 out of range").arg(QLatin1String(what), text(field));
    return QString();
}

enum class TimeField { Empty, Valid, Invalid };

/// hhmmss[.fff]: the UTC time of day in ms.  Second 60 is the leap second,
/// which exists only at 23:59.
TimeField parseTime(QByteArrayView field, qint64& ms)
{
    if (field.isEmpty())
        return TimeField::Empty;
    if (field.size() < 6 || field.size() > 16)
        return TimeField::Invalid;
    for (int i = 0; i < 6; ++i) {
        if (!isDigit(field[i]))
            return TimeField::Invalid;
    }
    const int hour = (field[0] - '0') * 10 + field[1] - '0';
    const int minute = (field[2] - '0') * 10 + field[3] - '0';
    const int second = (field[4] - '0') * 10 + field[5] - '0';
    if (hour > 23 || minute > 59 || second > 60 || (second == 60 && (hour != 23 || minute != 59)))
        return TimeField::Invalid;
    int fraction = 0;
    if (field.size() > 6) {
        if (field[6] != '.')
            return TimeField::Invalid;
        int scale = 100;
        for (qsizetype i = 7; i < field.size(); ++i) {
            if (!isDigit(field[i]))
                return TimeField::Invalid;
            fraction += (field[i] - '0') * scale;
            scale /= 10;
        }
    }
    ms = ((hour * 60 + minute) * 60 + second) * 1000LL + fraction;
    return TimeField::Valid;
}

QString timeError(QByteArrayView field)
{
    return QStringLiteral("time '%1' out of range").arg(text(field));
}

/// The sentence has at least `fewest` fields and field `timeField` is
/// empty or a time: empty if so, otherwise why not.
QString timedSentence(QByteArrayView const* f, int n, int fewest, int timeField, TimeField& time, qint64& ms)
{
    if (n < fewest)
        return QStringLiteral("%1 fields are too few").arg(n);
    time = parseTime(f[timeField], ms);
    return time == TimeField::Invalid ? timeError(f[timeField]) : QString();
}

QString formatTime(qint64 ms)
{
    return QStringLiteral("%1:%2:%3.%4")
        .arg(ms / 3600000, 2, 10, QLatin1Char('0'))
        .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

/// Fix modes of the GGA quality indicator: 3 is the precise (P code)
/// service, 6 dead reckoning, 7 a position typed in, 8 a simulator, and 9
/// an SBAS-corrected fix on some receivers.
constexpr int kGgaFix[] = {NoFix,    Autonomous,    Dgnss, Autonomous, RtkFixed,
                           RtkFloat, DeadReckoning, NoFix, NoFix,      Dgnss};

/// Fix mode of the RMC mode indicator (NMEA 2.3 and later); -1 for none.
int rmcMode(char mode)
{
    switch (mode) {
    case 'A':
    case 'P':
        return Autonomous;
    case 'D':
        return Dgnss;
    case 'E':
        return DeadReckoning;
    case 'F':
        return RtkFloat;
    case 'R':
        return RtkFixed;
    case 'N':
    case 'M':
    case 'S':
        return NoFix;
    default:
        return -1;
    }
}

quint32 satelliteKey(GnssNaming::Satellite satellite)
{
    return quint32(satellite.system) << 16 | quint32(satellite.number);
}

/// A candidate sentence: '$' or '!', an address of 2 to 6 letters and digits,
/// then ',' or '*'.  Anything else between sentences is noise.
bool looksLikeSentence(QByteArrayView piece)
{
    qsizetype i = 1;
    while (i < piece.size() && i <= 7 && ((piece[i] >= 'A' && piece[i] <= 'Z') || isDigit(piece[i])))
        ++i;
    return i >= 3 && i <= 7 && i < piece.size() && (piece[i] == ',' || piece[i] == '*');
}

} // namespace

void NmeaParser::setFallbackDate(QDate date)
{
    fallback = date;
}

int NmeaParser::hexValue(char c)
{
    if (isDigit(c))
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

void NmeaParser::addLine(QByteArrayView line)
{
    readLine(line, stats.lines + 1);
}

void NmeaParser::readLine(QByteArrayView line, qint64 number)
{
    lineNumber = stats.lines = number;
    while (!line.isEmpty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
        line.chop(1);
    // The recordings' own comments.
    if (line.isEmpty() || line.front() == '#')
        return;
    qsizetype noise = 0;
    qsizetype pos = 0;
    while (pos < line.size()) {
        qsizetype start = pos;
        while (start < line.size() && line[start] != '$' && line[start] != '!')
            ++start;
        noise += start - pos;
        if (start == line.size())
            break;
        qsizetype end = start + 1;
        while (end < line.size() && line[end] != '$' && line[end] != '!')
            ++end;
        const QByteArrayView piece = line.sliced(start, end - start);
        if (looksLikeSentence(piece))
            sentence(piece);
        else
            noise += piece.size();
        pos = end;
    }
    if (noise > 0)
        stats.countBroken(lineNumber, QStringLiteral("%1 bytes outside sentences").arg(noise));
}

void NmeaParser::sentence(QByteArrayView piece)
{
    const qsizetype star = piece.lastIndexOf('*');
    qsizetype addressEnd = 1;
    while (addressEnd < piece.size() && piece[addressEnd] != ',' && piece[addressEnd] != '*')
        ++addressEnd;
    const QByteArrayView address = piece.sliced(1, addressEnd - 1);
    auto broken = [&](QString const& reason) {
        stats.countBroken(lineNumber, QString::fromLatin1(address) + QLatin1String(": ") + reason);
    };
    if (piece.size() > kMaxSentenceLength)
        return broken(QStringLiteral("longer than %1 characters").arg(kMaxSentenceLength));
    if (star < 0)
        return broken(QStringLiteral("no checksum (truncated?)"));
    QByteArrayView tail = piece.sliced(star + 1);
    while (!tail.isEmpty() && (tail.back() == ' ' || tail.back() == '\t'))
        tail.chop(1);
    if (tail.size() != 2 || hexValue(tail[0]) < 0 || hexValue(tail[1]) < 0)
        return broken(QStringLiteral("no checksum (truncated?)"));
    const QByteArrayView body = piece.sliced(1, star - 1);
    int sum = 0;
    for (char c : body) {
        if (c < 0x20 || c > 0x7e)
            return broken(QStringLiteral("binary bytes in the sentence"));
        sum ^= quint8(c);
    }
    const int expected = hexValue(tail[0]) * 16 + hexValue(tail[1]);
    if (sum != expected) {
        return broken(QStringLiteral("checksum %1, computed %2")
                          .arg(QString::number(expected, 16).rightJustified(2, QLatin1Char('0')).toUpper(),
                               QString::number(sum, 16).rightJustified(2, QLatin1Char('0')).toUpper()));
    }

    QVarLengthArray<QByteArrayView, 32> fields;
    qsizetype from = 0;
    while (true) {
        const qsizetype comma = body.indexOf(',', from);
        if (fields.size() == kMaxFields)
            return broken(QStringLiteral("more than %1 fields").arg(kMaxFields));
        fields.append(body.sliced(from, (comma < 0 ? body.size() : comma) - from));
        if (comma < 0)
            break;
        from = comma + 1;
    }
    // Encapsulated sentences (AIS) and vendor sentences are no concern of ours.
    if (piece.front() == '!' || address.front() == 'P') {
        stats.countSkipped(address);
        return;
    }
    const qint64 skippedBefore = stats.skipped;
    const QString error = dispatch(address, fields.constData() + 1, int(fields.size()) - 1);
    if (!error.isEmpty())
        broken(error);
    else if (stats.skipped == skippedBefore)
        ++stats.used;
}

/// Reads one checked sentence into the open epoch: empty when it went in or
/// was skipped, otherwise why it is broken.
QString NmeaParser::dispatch(QByteArrayView address, QByteArrayView const* f, int n)
{
    bool known = false;
    const GnssSystem talker = address.size() == 5 ? GnssNaming::talkerSystem(address.first(2), &known) : GnssSystem::Unknown;
    const QByteArrayView type = address.sliced(std::min<qsizetype>(2, address.size()));
    if (known) {
        if (type == "GSV")
            return gsv(talker, address.first(2), f, n);
        if (type == "GGA")
            return gga(f, n);
        if (type == "GSA")
            return gsa(talker, f, n);
        if (type == "RMC")
            return rmc(f, n);
        if (type == "ZDA")
            return zda(f, n);
        if (type == "GST")
            return gst(f, n);
        if (type == "GLL")
            return gll(f, n);
    }
    stats.countSkipped(address);
    return QString();
}

// --- epochs ---------------------------------------------------------------

qint64 NmeaParser::dayOf(qint64 msOfDay) const
{
    if (!haveLast)
        return 0;
    return msOfDay < lastMs - kDayMs / 2 ? lastDay + 1 : lastDay;
}

/// Places a sentence with a time (and a date, when it has one) into the
/// epochs: empty when accepted, otherwise why not.
QString NmeaParser::acceptTime(qint64 msOfDay, QDate date)
{
    const qint64 day = dayOf(msOfDay);
    if (haveLast && (day < lastDay || (day == lastDay && msOfDay < lastMs))) {
        const QString error = QStringLiteral("time goes backwards (%1 after %2)").arg(formatTime(msOfDay), formatTime(lastMs));
        closeEpoch();
        discarding = true;
        return error;
    }
    if (date.isValid() && anchor.isValid() && date.addDays(-day) < anchor)
        return QStringLiteral("date %1 goes backwards").arg(date.toString(Qt::ISODate));
    discarding = false;
    if (openHasTime && (day != openDay || msOfDay != open.utcMsOfDay))
        closeEpoch();
    openHasTime = true;
    openHasData = true;
    openDay = day;
    open.utcMsOfDay = msOfDay;
    haveLast = true;
    lastDay = day;
    lastMs = msOfDay;
    if (date.isValid()) {
        const QDate dayZero = date.addDays(-day);
        const bool first = !anchor.isValid();
        // A later date than the days counted so far: the receiver was off
        // for longer than the time of day can tell.
        if (first || dayZero > anchor)
            anchor = dayZero;
        if (first)
            releaseHeld();
    }
    return QString();
}

/// Places a sentence without time; false when it is to be skipped.
/// `repeats` says that the open epoch already has what it brings.
bool NmeaParser::acceptUntimed(bool repeats)
{
    if (discarding) {
        stats.countSkipped("after a backward time");
        return false;
    }
    if (repeats)
        closeEpoch();
    openHasData = true;
    return true;
}

/// Places a sentence by its time field: with a time into the epoch of that
/// time, without one into the open epoch (`repeats` as for acceptUntimed()).
/// Nothing when the sentence's values go on into the epoch; otherwise what
/// the sentence returns: why it is broken, or empty when it is skipped.
std::optional<QString> NmeaParser::place(bool hasTime, qint64 msOfDay, QDate date, bool repeats)
{
    if (hasTime) {
        QString error = acceptTime(msOfDay, date);
        if (!error.isEmpty())
            return error;
    } else if (!acceptUntimed(repeats)) {
        return QString();
    }
    return std::nullopt;
}

void NmeaParser::closeEpoch()
{
    if (openHasData) {
        if (!openHasTime) {
            ++stats.untimedEpochs;
        } else {
            open.fixMode = ggaFix >= 0 ? ggaFix : rmcFix >= 0 ? rmcFix : gsaFix;
            // GGA's count stops at 12 on many receivers, while GSA lists
            // every used satellite; some receivers count signals in GGA.
            // The larger count is the receiver's own claim.
            if (openHasGsa || ggaSatellites >= 0)
                open.satellitesUsed = std::max<int>(ggaSatellites, int(usedSatellites.size()));
            if (std::isnan(open.hdop))
                open.hdop = ggaHdop;
            for (SignalObservation& observation : open.observations) {
                observation.used = usedSatellites.contains(satelliteKey({observation.system, observation.number}));
                // Receivers often leave elevation and azimuth empty on a
                // satellite's second signal; they are the satellite's.
                if (std::isnan(observation.elevation)) {
                    for (SignalObservation const& other : std::as_const(open.observations)) {
                        if (other.number == observation.number && other.system == observation.system
                            && !std::isnan(other.elevation)) {
                            observation.elevation = other.elevation;
                            observation.azimuth = other.azimuth;
                            break;
                        }
                    }
                }
            }
            if (anchor.isValid() || waitedForDate)
                release(std::move(open), openDay);
            else
                held.append({std::move(open), openDay});
            if (held.size() > kMaxHeldEpochs) {
                waitedForDate = true;
                if (fallback.isValid())
                    anchor = fallback;
                releaseHeld();
            }
        }
    }
    open = ReceiverEpoch();
    openHasData = openHasTime = openHasGga = openHasRmc = openHasGsa = false;
    ggaFix = rmcFix = gsaFix = ggaSatellites = -1;
    ggaHdop = kNaN;
    gsvGroups.clear();
    usedSatellites.clear();
}

void NmeaParser::release(ReceiverEpoch epoch, qint64 day)
{
    const QDate dayZero = anchor.isValid() ? anchor : fallback;
    if (dayZero.isValid()) {
        epoch.utcDate = dayZero.addDays(day);
        epoch.timeMs = GnssTime::fromUtc(epoch.utcDate, epoch.utcMsOfDay);
    }
    deliver(std::move(epoch));
}

void NmeaParser::releaseHeld()
{
    for (Held& h : held)
        release(std::move(h.epoch), h.day);
    held.clear();
}

void NmeaParser::completeInput()
{
    closeEpoch();
    if (!anchor.isValid() && fallback.isValid())
        anchor = fallback;
    releaseHeld();
}

SignalObservation& NmeaParser::observation(GnssNaming::Satellite satellite, GnssNaming::Signal const& signal)
{
    for (SignalObservation& o : open.observations) {
        if (o.number == satellite.number && o.system == satellite.system && o.signal == signal.name)
            return o;
    }
    SignalObservation o;
    o.system = satellite.system;
    o.number = satellite.number;
    o.satellite = GnssNaming::satelliteName(satellite);
    o.signal = signal.name;
    o.band = signal.band;
    open.observations.append(o);
    return open.observations.back();
}

// --- sentences ------------------------------------------------------------
// Each checks all its fields before it touches the epochs, so that a broken
// sentence changes nothing.

QString NmeaParser::gsv(GnssSystem talker, QByteArrayView talkerName, QByteArrayView const* f, int n)
{
    // total, number, in view, then per satellite PRN, elevation, azimuth and
    // C/N0, then from NMEA 4.10 on the signal id.
    if (n < 3 || (n - 3) % 4 > 1)
        return QStringLiteral("%1 fields do not make satellites").arg(n);
    int total = 0, number = 0, inView = 0;
    if (!parseInt(f[0], total) || !parseInt(f[1], number) || !parseInt(f[2], inView) || total < 1 || total > 99
        || number < 1 || number > total || inView > 999)
        return QStringLiteral("sentence %1 of %2 does not count").arg(text(f[1]), text(f[0]));
    const bool hasSignalId = (n - 3) % 4 == 1;
    int signalId = -1;
    if (hasSignalId) {
        const QByteArrayView id = f[n - 1];
        // An empty id names a signal the receiver did not know an id for.
        signalId = id.isEmpty() ? 0 : id.size() == 1 ? hexValue(id[0]) : -2;
        if (signalId < 0)
            return QStringLiteral("signal id '%1' out of range").arg(text(id));
    }
    struct Entry
    {
        GnssNaming::Satellite satellite;
        double elevation, azimuth, cn0;
    };
    QVarLengthArray<Entry, 4> entries;
    const int groups = (n - 3) / 4;
    for (int g = 0; g < groups; ++g) {
        QByteArrayView const* s = f + 3 + 4 * g;
        // Receivers pad the last sentence with empty satellites.
        if (s[0].isEmpty())
            continue;
        Entry e;
        int prn = 0;
        if (!parseInt(s[0], prn))
            return QStringLiteral("PRN '%1' is no number").arg(text(s[0]));
        e.satellite = GnssNaming::fromNmea(talker, prn);
        if (!e.satellite.isValid())
            return QStringLiteral("PRN %1 is no satellite of this talker").arg(prn);
        QString error = optional(s[1], -90, 90, "elevation", e.elevation);
        if (error.isEmpty())
            error = optional(s[2], 0, 360, "azimuth", e.azimuth);
        if (error.isEmpty())
            error = optional(s[3], 0, 99, "C/N0", e.cn0);
        if (!error.isEmpty())
            return error;
        entries.append(e);
    }
    QByteArray group = talkerName.toByteArray();
    if (hasSignalId)
        group += f[n - 1].toByteArray();
    if (!acceptUntimed(number == 1 && gsvGroups.contains(group)))
        return QString();
    if (number == 1 && !gsvGroups.contains(group) && gsvGroups.size() < 64)
        gsvGroups.append(group);
    for (Entry const& e : entries) {
        const GnssSystem table = talker == GnssSystem::Unknown ? e.satellite.system : talker;
        const GnssNaming::Signal signal = signalId == 0 ? GnssNaming::Signal() : GnssNaming::nmeaSignal(table, signalId);
        SignalObservation& o = observation(e.satellite, signal);
        // A signal listed twice keeps its measurement.
        if (!std::isnan(e.cn0) || std::isnan(o.cn0))
            o.cn0 = float(e.cn0);
        if (!std::isnan(e.elevation))
            o.elevation = float(e.elevation);
        if (!std::isnan(e.azimuth))
            o.azimuth = float(e.azimuth);
    }
    return QString();
}

QString NmeaParser::gga(QByteArrayView const* f, int n)
{
    // time, latitude, N/S, longitude, E/W, quality, satellites, HDOP, ...
    qint64 ms = 0;
    TimeField time = TimeField::Empty;
    if (const QString error = timedSentence(f, n, 8, 0, time, ms); !error.isEmpty())
        return error;
    int quality = -1, satellites = -1;
    if (!f[5].isEmpty() && (!parseInt(f[5], quality) || quality > 9))
        return QStringLiteral("quality '%1' out of range").arg(text(f[5]));
    if (!f[6].isEmpty() && (!parseInt(f[6], satellites) || satellites > 999))
        return QStringLiteral("satellite count '%1' out of range").arg(text(f[6]));
    double hdop = kNaN;
    const QString error = optional(f[7], 0, 999, "HDOP", hdop);
    if (!error.isEmpty())
        return error;
    if (auto done = place(time == TimeField::Valid, ms, QDate(), openHasGga))
        return *done;
    openHasGga = true;
    if (quality >= 0)
        ggaFix = kGgaFix[quality];
    ggaSatellites = satellites;
    ggaHdop = hdop;
    return QString();
}

QString NmeaParser::gsa(GnssSystem talker, QByteArrayView const* f, int n)
{
    // mode, fix type, 12 PRNs, PDOP, HDOP, VDOP, from NMEA 4.10 on the system id
    if (n != 17 && n != 18)
        return QStringLiteral("%1 fields instead of 17 or 18").arg(n);
    int fixType = 0;
    if (!f[1].isEmpty() && (!parseInt(f[1], fixType) || fixType < 1 || fixType > 3))
        return QStringLiteral("fix type '%1' out of range").arg(text(f[1]));
    GnssSystem system = talker;
    if (n == 18 && !f[17].isEmpty()) {
        int id = 0;
        if (!parseInt(f[17], id) || GnssNaming::nmeaSystemId(id) == GnssSystem::Unknown)
            return QStringLiteral("system id '%1' out of range").arg(text(f[17]));
        system = GnssNaming::nmeaSystemId(id);
    }
    QVarLengthArray<quint32, 12> used;
    for (int i = 2; i < 14; ++i) {
        if (f[i].isEmpty())
            continue;
        int prn = 0;
        if (!parseInt(f[i], prn))
            return QStringLiteral("PRN '%1' is no number").arg(text(f[i]));
        const GnssNaming::Satellite satellite = GnssNaming::fromNmea(system, prn);
        if (!satellite.isValid())
            return QStringLiteral("PRN %1 is no satellite of this talker").arg(prn);
        used.append(satelliteKey(satellite));
    }
    double dops[3];
    const char* names[] = {"PDOP", "HDOP", "VDOP"};
    for (int i = 0; i < 3; ++i) {
        const QString error = optional(f[14 + i], 0, 999, names[i], dops[i]);
        if (!error.isEmpty())
            return error;
    }
    if (!acceptUntimed(false))
        return QString();
    openHasGsa = true;
    for (quint32 key : used) {
        if (!usedSatellites.contains(key))
            usedSatellites.append(key);
    }
    if (fixType > 0)
        gsaFix = fixType == 1 ? NoFix : Autonomous;
    double* targets[] = {&open.pdop, &open.hdop, &open.vdop};
    for (int i = 0; i < 3; ++i) {
        if (!std::isnan(dops[i]))
            *targets[i] = dops[i];
    }
    return QString();
}

QString NmeaParser::rmc(QByteArrayView const* f, int n)
{
    // time, status, latitude, N/S, longitude, E/W, speed, course, date,
    // variation, E/W, from NMEA 2.3 on the mode
    qint64 ms = 0;
    TimeField time = TimeField::Empty;
    if (const QString error = timedSentence(f, n, 9, 0, time, ms); !error.isEmpty())
        return error;
    QDate date;
    if (!f[8].isEmpty()) {
        int ddmmyy = 0;
        if (f[8].size() == 6 && parseInt(f[8], ddmmyy)) {
            const int yy = ddmmyy % 100;
            date = QDate(yy < 80 ? 2000 + yy : 1900 + yy, ddmmyy / 100 % 100, ddmmyy / 10000);
        }
        if (!date.isValid())
            return QStringLiteral("date '%1' out of range").arg(text(f[8]));
    }
    int fix = n > 11 && f[11].size() == 1 ? rmcMode(f[11][0]) : -1;
    if (fix < 0 && f[1].size() == 1)
        fix = f[1][0] == 'A' ? Autonomous : f[1][0] == 'V' ? NoFix : -1;
    if (auto done = place(time == TimeField::Valid, ms, date, openHasRmc))
        return *done;
    openHasRmc = true;
    rmcFix = fix;
    return QString();
}

QString NmeaParser::zda(QByteArrayView const* f, int n)
{
    // time, day, month, year, zone hours, zone minutes
    qint64 ms = 0;
    TimeField time = TimeField::Empty;
    if (const QString error = timedSentence(f, n, 4, 0, time, ms); !error.isEmpty())
        return error;
    QDate date;
    int day = 0, month = 0, year = 0;
    if (!f[1].isEmpty() || !f[2].isEmpty() || !f[3].isEmpty()) {
        if (parseInt(f[1], day) && parseInt(f[2], month) && parseInt(f[3], year) && f[3].size() == 4)
            date = QDate(year, month, day);
        if (!date.isValid())
            return QStringLiteral("date '%1-%2-%3' out of range").arg(text(f[3]), text(f[2]), text(f[1]));
    }
    return place(time == TimeField::Valid, ms, date, false).value_or(QString());
}

QString NmeaParser::gst(QByteArrayView const* f, int n)
{
    // time, range RMS, error ellipse (major, minor, orientation), then the
    // sigmas of latitude, longitude and altitude
    qint64 ms = 0;
    TimeField time = TimeField::Empty;
    if (const QString error = timedSentence(f, n, 8, 0, time, ms); !error.isEmpty())
        return error;
    double sigmas[3];
    const char* names[] = {"latitude sigma", "longitude sigma", "altitude sigma"};
    for (int i = 0; i < 3; ++i) {
        const QString error = optional(f[5 + i], 0, 1e7, names[i], sigmas[i]);
        if (!error.isEmpty())
            return error;
    }
    if (auto done = place(time == TimeField::Valid, ms, QDate(), false))
        return *done;
    open.sigmaLatitude = sigmas[0];
    open.sigmaLongitude = sigmas[1];
    open.sigmaAltitude = sigmas[2];
    return QString();
}

QString NmeaParser::gll(QByteArrayView const* f, int n)
{
    // latitude, N/S, longitude, E/W, time, status, mode: only the time counts
    qint64 ms = 0;
    TimeField time = TimeField::Empty;
    if (const QString error = timedSentence(f, n, 5, 4, time, ms); !error.isEmpty())
        return error;
    return place(time == TimeField::Valid, ms, QDate(), false).value_or(QString());
}
