#include "gnssnaming.h"

#include <array>
#include <string>

namespace {

constexpr int kSystemCount = int(GnssSystem::Unknown);

struct NumberRange
{
    char letter;
    int first, last;
};
/// Letter and satellite numbers of each system, in the order of GnssSystem.
/// SBAS satellites are numbered PRN - 100.
constexpr NumberRange kRanges[kSystemCount] = {
    {'G', 1, 32}, {'R', 1, 32}, {'E', 1, 36}, {'C', 1, 63}, {'J', 1, 10}, {'I', 1, 14}, {'S', 20, 58},
};

struct SignalEntry
{
    int id;
    const char16_t* name;
    const char16_t* band;
};

// NMEA 0183 4.10/4.11 signal ids, per system id of the sentence.  SBAS
// satellites come in GPS sentences and use the GPS table.
constexpr SignalEntry kNmeaGps[] = {{1, u"L1", u"L1"},  {2, u"L1P", u"L1"}, {3, u"L1M", u"L1"}, {4, u"L2P", u"L2"},
                                    {5, u"L2", u"L2"},  {6, u"L2", u"L2"},  {7, u"L5", u"L5"},  {8, u"L5", u"L5"}};
constexpr SignalEntry kNmeaGlonass[] = {{1, u"L1OF", u"L1"}, {2, u"L1P", u"L1"}, {3, u"L2OF", u"L2"}, {4, u"L2P", u"L2"}};
constexpr SignalEntry kNmeaGalileo[] = {{1, u"E5a", u"L5"}, {2, u"E5b", u"E5b"}, {3, u"E5", u"E5"},  {4, u"E6A", u"E6"},
                                        {5, u"E6", u"E6"},  {6, u"E1A", u"L1"},  {7, u"E1", u"L1"}};
constexpr SignalEntry kNmeaBeiDou[] = {{1, u"B1I", u"L1"},  {2, u"B1Q", u"L1"},  {3, u"B1C", u"L1"},  {4, u"B1A", u"L1"},
                                       {5, u"B2a", u"L5"},  {6, u"B2b", u"E5b"}, {7, u"B2", u"E5"},   {8, u"B3I", u"E6"},
                                       {9, u"B3Q", u"E6"},  {10, u"B3A", u"E6"}, {11, u"B2I", u"E5b"}, {12, u"B2Q", u"E5b"}};
constexpr SignalEntry kNmeaQzss[] = {{1, u"L1", u"L1"}, {2, u"L1C", u"L1"}, {3, u"L1C", u"L1"}, {4, u"L1S", u"L1"},
                                     {5, u"L2", u"L2"}, {6, u"L2", u"L2"},  {7, u"L5", u"L5"},  {8, u"L5", u"L5"},
                                     {9, u"L6", u"E6"}, {10, u"L6", u"E6"}};
constexpr SignalEntry kNmeaNavic[] = {{1, u"L5", u"L5"}, {2, u"S", u"S"}, {3, u"L5RS", u"L5"}, {4, u"SRS", u"S"}, {5, u"L1", u"L1"}};

/// The signal a sentence without signal id is about: the first civil signal
/// that receivers tracked before NMEA 4.10 named signals.
constexpr int kNmeaDefaultId[kSystemCount] = {1, 1, 7, 1, 1, 1, 1};

// gpsd's sigid (the receiver-independent numbering gpsd reports in SKY).
constexpr SignalEntry kGpsdGps[] = {{0, u"L1", u"L1"}, {3, u"L2", u"L2"}, {4, u"L2", u"L2"}, {6, u"L5", u"L5"}, {7, u"L5", u"L5"}};
constexpr SignalEntry kGpsdSbas[] = {{0, u"L1", u"L1"}};
constexpr SignalEntry kGpsdGalileo[] = {{0, u"E1", u"L1"},  {1, u"E1", u"L1"},  {3, u"E5a", u"L5"}, {4, u"E5a", u"L5"}, {5, u"E5b", u"E5b"},
                                        {6, u"E5b", u"E5b"}, {8, u"E6", u"E6"}, {9, u"E6", u"E6"},  {10, u"E6", u"E6"}};
constexpr SignalEntry kGpsdBeiDou[] = {{0, u"B1I", u"L1"}, {1, u"B1I", u"L1"}, {2, u"B2I", u"E5b"},
                                       {3, u"B2I", u"E5b"}, {5, u"B1C", u"L1"}, {7, u"B2a", u"L5"}};
constexpr SignalEntry kGpsdQzss[] = {{0, u"L1", u"L1"}, {1, u"L1S", u"L1"}, {4, u"L2", u"L2"},
                                     {5, u"L2", u"L2"}, {8, u"L5", u"L5"},  {9, u"L5", u"L5"}};
constexpr SignalEntry kGpsdGlonass[] = {{0, u"L1OF", u"L1"}, {2, u"L2OF", u"L2"}};
constexpr SignalEntry kGpsdNavic[] = {{0, u"L5", u"L5"}};

/// A string over the table's own characters: copies of it, one per
/// observation and epoch, cost neither an allocation nor a reference count.
QString rawString(const char16_t* text)
{
    return QString::fromRawData(reinterpret_cast<const QChar*>(text), qsizetype(std::char_traits<char16_t>::length(text)));
}

template <std::size_t N>
GnssNaming::Signal lookUp(SignalEntry const (&table)[N], int id)
{
    for (SignalEntry const& entry : table) {
        if (entry.id == id)
            return {rawString(entry.name), rawString(entry.band)};
    }
    return {};
}

/// Names built once, so that an epoch's observations share them instead of
/// formatting a string per satellite and epoch.
struct NameCache
{
    std::array<std::array<QString, 64>, kSystemCount> satellites;
    NameCache()
    {
        for (int s = 0; s < kSystemCount; ++s) {
            for (int n = kRanges[s].first; n <= kRanges[s].last; ++n)
                satellites[s][n] = QStringLiteral("%1%2").arg(QLatin1Char(kRanges[s].letter)).arg(n, 2, 10, QLatin1Char('0'));
        }
    }
};

GnssNaming::Satellite inRange(GnssSystem system, int number)
{
    NumberRange const& range = kRanges[int(system)];
    if (number < range.first || number > range.last)
        return {};
    return {system, number};
}

} // namespace

QString GnssNaming::satelliteName(GnssSystem system, int number)
{
    static const NameCache cache;
    if (system == GnssSystem::Unknown || !inRange(system, number).isValid())
        return QString();
    return cache.satellites[int(system)][number];
}

QString GnssNaming::systemName(GnssSystem system)
{
    static const char* const names[] = {"GPS", "GLONASS", "Galileo", "BeiDou", "QZSS", "NavIC", "SBAS", "unknown"};
    return QString::fromLatin1(names[int(system)]);
}

GnssSystem GnssNaming::talkerSystem(QByteArrayView talker, bool* known)
{
    struct Talker
    {
        const char* name;
        GnssSystem system;
    };
    static constexpr Talker talkers[] = {
        {"GP", GnssSystem::Gps},    {"GL", GnssSystem::Glonass}, {"GA", GnssSystem::Galileo},
        {"GB", GnssSystem::BeiDou}, {"BD", GnssSystem::BeiDou},  {"GQ", GnssSystem::Qzss},
        {"QZ", GnssSystem::Qzss},   {"GI", GnssSystem::Navic},   {"GN", GnssSystem::Unknown},
    };
    for (Talker const& t : talkers) {
        if (talker == QByteArrayView(t.name)) {
            *known = true;
            return t.system;
        }
    }
    *known = false;
    return GnssSystem::Unknown;
}

GnssSystem GnssNaming::nmeaSystemId(int id)
{
    static constexpr GnssSystem systems[] = {GnssSystem::Gps,    GnssSystem::Glonass, GnssSystem::Galileo,
                                             GnssSystem::BeiDou, GnssSystem::Qzss,    GnssSystem::Navic};
    return id >= 1 && id <= 6 ? systems[id - 1] : GnssSystem::Unknown;
}

GnssNaming::Satellite GnssNaming::fromNmea(GnssSystem talker, int prn)
{
    const bool gpsOrMixed = talker == GnssSystem::Gps || talker == GnssSystem::Unknown;
    // Ranges that GPS and mixed talkers share by convention.
    if (gpsOrMixed) {
        if (prn >= 1 && prn <= 32)
            return {GnssSystem::Gps, prn};
        if (prn >= 33 && prn <= 64)
            return inRange(GnssSystem::Sbas, prn + 87 - 100);
        if (prn >= 152 && prn <= 158)
            return inRange(GnssSystem::Sbas, prn - 100);
        if (prn >= 193 && prn <= 202)
            return inRange(GnssSystem::Qzss, prn - 192);
    }
    if ((gpsOrMixed || talker == GnssSystem::Glonass) && prn >= 65 && prn <= 96)
        return inRange(GnssSystem::Glonass, prn - 64);
    switch (talker) {
    case GnssSystem::Glonass:
        // Some receivers give the slot number itself.
        return inRange(GnssSystem::Glonass, prn);
    case GnssSystem::Galileo:
        if (prn > 300)
            return inRange(GnssSystem::Galileo, prn - 300);
        return inRange(GnssSystem::Galileo, prn > 100 ? prn - 100 : prn);
    case GnssSystem::BeiDou:
        if (prn > 400)
            return inRange(GnssSystem::BeiDou, prn - 400);
        return inRange(GnssSystem::BeiDou, prn > 200 ? prn - 200 : prn);
    case GnssSystem::Qzss:
        return inRange(GnssSystem::Qzss, prn > 192 ? prn - 192 : prn);
    case GnssSystem::Navic:
        return inRange(GnssSystem::Navic, prn);
    case GnssSystem::Unknown:
        if (prn >= 101 && prn <= 136)
            return inRange(GnssSystem::Galileo, prn - 100);
        if (prn >= 201 && prn <= 263)
            return inRange(GnssSystem::BeiDou, prn - 200);
        if (prn >= 301 && prn <= 336)
            return inRange(GnssSystem::Galileo, prn - 300);
        if (prn >= 401 && prn <= 463)
            return inRange(GnssSystem::BeiDou, prn - 400);
        return {};
    default:
        return {};
    }
}

GnssNaming::Signal GnssNaming::nmeaSignal(GnssSystem table, int id)
{
    if (table == GnssSystem::Unknown)
        return {};
    if (id == -1)
        id = kNmeaDefaultId[int(table)];
    switch (table) {
    case GnssSystem::Gps:
    case GnssSystem::Sbas:
        return lookUp(kNmeaGps, id);
    case GnssSystem::Glonass:
        return lookUp(kNmeaGlonass, id);
    case GnssSystem::Galileo:
        return lookUp(kNmeaGalileo, id);
    case GnssSystem::BeiDou:
        return lookUp(kNmeaBeiDou, id);
    case GnssSystem::Qzss:
        return lookUp(kNmeaQzss, id);
    case GnssSystem::Navic:
        return lookUp(kNmeaNavic, id);
    default:
        return {};
    }
}

GnssNaming::Satellite GnssNaming::fromGpsd(int gnssid, int svid)
{
    switch (gnssid) {
    case 0:
        return inRange(GnssSystem::Gps, svid);
    case 1:
        return inRange(GnssSystem::Sbas, svid - 100);
    case 2:
        return inRange(GnssSystem::Galileo, svid);
    case 3:
        return inRange(GnssSystem::BeiDou, svid);
    case 5:
        // QZSS as 1-10 or, from some drivers, as its PRN 193-202.
        return inRange(GnssSystem::Qzss, svid > 192 ? svid - 192 : svid);
    case 6:
        // 255: a GLONASS satellite whose slot is not known yet.
        return inRange(GnssSystem::Glonass, svid);
    case 7:
        return inRange(GnssSystem::Navic, svid);
    default:
        // 4 is IMES, indoor transmitters that are no satellites.
        return {};
    }
}

GnssNaming::Signal GnssNaming::gpsdSignal(GnssSystem system, int sigid)
{
    if (sigid == -1)
        sigid = 0;
    switch (system) {
    case GnssSystem::Gps:
        return lookUp(kGpsdGps, sigid);
    case GnssSystem::Sbas:
        return lookUp(kGpsdSbas, sigid);
    case GnssSystem::Galileo:
        return lookUp(kGpsdGalileo, sigid);
    case GnssSystem::BeiDou:
        return lookUp(kGpsdBeiDou, sigid);
    case GnssSystem::Qzss:
        return lookUp(kGpsdQzss, sigid);
    case GnssSystem::Glonass:
        return lookUp(kGpsdGlonass, sigid);
    case GnssSystem::Navic:
        return lookUp(kGpsdNavic, sigid);
    default:
        return {};
    }
}

GnssNaming::Satellite GnssNaming::fromName(QStringView name)
{
    if (name.size() < 2 || name.size() > 3)
        return {};
    for (int s = 0; s < kSystemCount; ++s) {
        if (name[0] != QLatin1Char(kRanges[s].letter))
            continue;
        int number = 0;
        for (QChar c : name.sliced(1)) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return {};
            number = number * 10 + (c.unicode() - '0');
        }
        return inRange(GnssSystem(s), number);
    }
    return {};
}

namespace {

template <std::size_t N>
GnssNaming::Signal named(SignalEntry const (&table)[N], QStringView name)
{
    for (SignalEntry const& entry : table) {
        if (name == QStringView(entry.name))
            return {rawString(entry.name), rawString(entry.band)};
    }
    return {};
}

} // namespace

GnssNaming::Signal GnssNaming::signalNamed(GnssSystem system, QStringView name)
{
    if (name.isEmpty())
        return nmeaSignal(system, -1);
    // The NMEA tables name every signal the gpsd tables do.
    switch (system) {
    case GnssSystem::Gps:
    case GnssSystem::Sbas:
        return named(kNmeaGps, name);
    case GnssSystem::Glonass:
        return named(kNmeaGlonass, name);
    case GnssSystem::Galileo:
        return named(kNmeaGalileo, name);
    case GnssSystem::BeiDou:
        return named(kNmeaBeiDou, name);
    case GnssSystem::Qzss:
        return named(kNmeaQzss, name);
    case GnssSystem::Navic:
        return named(kNmeaNavic, name);
    default:
        return {};
    }
}

QStringList GnssNaming::bands()
{
    return {QStringLiteral("L1"), QStringLiteral("L2"), QStringLiteral("L5"), QStringLiteral("E5b"),
            QStringLiteral("E5"), QStringLiteral("E6"), QStringLiteral("S")};
}
