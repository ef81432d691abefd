#ifndef GNSSMONITOR_GNSSNAMING_H
#define GNSSMONITOR_GNSSNAMING_H

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

/// The satellite systems.  The order is the one the monitor lists them in.
enum class GnssSystem : quint8 { Gps, Glonass, Galileo, BeiDou, Qzss, Navic, Sbas, Unknown };

/// Names of satellites and signals as receiver engineers write them, whatever
/// numbering the receiver used.
///
/// Satellites are named the RINEX 3 way: a system letter and the number within
/// the system (G05, R17, E11, C08, J02, I03, and S20 for the SBAS satellite
/// with PRN 120).  NMEA receivers number satellites by talker and by ranges:
/// GLONASS 65-96, SBAS 33-64 (PRN 120-151) and 152-158, QZSS 193-202 in any
/// GPS or mixed talker; Galileo also as 101-136 or 301-336 and BeiDou as
/// 201-263 or 401-463 in the extended numberings of some receivers.  gpsd
/// numbers them by gnssid and svid.
///
/// Signals are named by the band and code a plot legend needs (L1, L2, L5,
/// L1OF, L2OF, E1, E5a, E5b, E6, B1I, B1C, B2a, B2I, B3I, ...), from the NMEA
/// 4.10/4.11 signal id of the sentence's system or from gpsd's sigid.  Each
/// signal also belongs to a frequency band, so that the 60 to 90 curves of a
/// dual-frequency receiver can be looked at one band at a time: "L1" (1575 MHz:
/// L1, E1, B1I, B1C, L1OF), "L2" (1227/1246 MHz), "L5" (1176 MHz: L5, E5a,
/// B2a), "E5b" (1207 MHz: E5b, B2I, B2b), "E5" (Galileo AltBOC, BeiDou B2a+b),
/// "E6" (1268-1279 MHz: E6, B3I, L6) and "S" (NavIC S band).
class GnssNaming
{
public:
    struct Satellite
    {
        GnssSystem system = GnssSystem::Unknown;
        int number = 0;
        bool isValid() const { return system != GnssSystem::Unknown; }
    };
    struct Signal
    {
        QString name; ///< empty when the id is not known
        QString band;
        bool isValid() const { return !name.isEmpty(); }
    };

    /// "G05"; an empty string for a number the system does not have.
    static QString satelliteName(GnssSystem system, int number);
    static QString satelliteName(Satellite satellite) { return satelliteName(satellite.system, satellite.number); }
    /// "GPS", "GLONASS", "Galileo", "BeiDou", "QZSS", "NavIC", "SBAS".
    static QString systemName(GnssSystem system);

    /// The system of an NMEA talker (GP, GL, GA, GB and BD, GQ and QZ, GI).
    /// The mixed talker GN gives GnssSystem::Unknown with `known` set;
    /// any other talker leaves `known` false.
    static GnssSystem talkerSystem(QByteArrayView talker, bool* known);
    /// The system of an NMEA 4.10/4.11 system id (GSA, GSV): 1 GPS,
    /// 2 GLONASS, 3 Galileo, 4 BeiDou, 5 QZSS, 6 NavIC.
    static GnssSystem nmeaSystemId(int id);
    /// The satellite an NMEA PRN of a talker of `talker`'s system stands for
    /// (GnssSystem::Unknown for the mixed talker); invalid when the
    /// numbering does not know the PRN.
    static Satellite fromNmea(GnssSystem talker, int prn);
    /// The signal of NMEA signal id `id` (0x1 to 0xF) in the signal table of
    /// `table`, the sentence's system; `id` -1 means the sentence carries no
    /// signal id, which older receivers use for the system's first civil
    /// signal.  Invalid for an id the table does not have.
    static Signal nmeaSignal(GnssSystem table, int id);

    /// The satellite of a gpsd gnssid/svid pair.
    static Satellite fromGpsd(int gnssid, int svid);
    /// The signal of a gpsd sigid for `system`; -1 (no sigid) is the
    /// system's first civil signal.
    static Signal gpsdSignal(GnssSystem system, int sigid);

    /// The satellite of a name written the RINEX 3 way ("G05", "S20");
    /// invalid for any other text.
    static Satellite fromName(QStringView name);
    /// The signal `name` ("L2", "E5b", "B1I") of `system` with its band, as
    /// nmeaSignal() and gpsdSignal() name it; an empty name is the system's
    /// first civil signal.  Invalid for a name the system has no signal of.
    static Signal signalNamed(GnssSystem system, QStringView name);
    /// The bands in the order the monitor offers them: L1, L2, L5, E5b, E5, E6, S.
    static QStringList bands();
};

#endif
