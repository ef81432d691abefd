// Receiver formats: NMEA sentences and gpsd reports of real receivers, checked
// against what the recordings say when read by eye (quoted next to each check).
#include "receiverdata.h"
#include "formatdetector.h"
#include "gnsstime.h"
#include "gpsdjsonreader.h"
#include "nmeaparser.h"

#include <QFile>
#include <QtTest>

#include <cmath>

namespace {

/// "$<body>*<checksum>".
QByteArray sentence(QByteArray const& body, char start = '$')
{
    int sum = 0;
    for (char c : body)
        sum ^= quint8(c);
    return start + body + '*' + QByteArray::number(sum, 16).rightJustified(2, '0').toUpper();
}

/// Satellites in view per system letter.
QMap<QChar, int> inView(ReceiverEpoch const& epoch)
{
    QMap<QChar, QSet<QString>> satellites;
    for (SignalObservation const& o : epoch.observations)
        satellites[o.satellite[0]].insert(o.satellite);
    QMap<QChar, int> counts;
    for (auto it = satellites.cbegin(); it != satellites.cend(); ++it)
        counts[it.key()] = int(it.value().size());
    return counts;
}

float cn0(ReceiverEpoch const& epoch, const char* satellite, const char* signal)
{
    SignalObservation const* o = epoch.find(QLatin1String(satellite), QLatin1String(signal));
    return o ? o->cn0 : -1.0f;
}

QList<ReceiverEpoch> readNmea(QByteArray const& text, NmeaParser& parser)
{
    parser.parse(text);
    return parser.takeEpochs();
}

qint64 utcMs(int h, int m, double s)
{
    return (h * 60 + m) * 60000LL + std::llround(s * 1000.0);
}

} // namespace

class TestReceiverFormats : public QObject
{
    Q_OBJECT

private slots:
    void leapSecondsFollowTheTable();
    void satellitesAndSignalsAreNamedTheRinexWay();
    void dualFrequencyEpochOfZedF9p();
    void rtkFixModesOfTrimble();
    void vendorSentencesAndMixedSignalIdsOfQuectel();
    void brokenInputIsCountedAndNeighboursSurvive();
    void datesComeFromTheLogOrTheFallback();
    void gpsdReportsFromGpsfake();
    void formatIsDetectedByContent();
};

void TestReceiverFormats::leapSecondsFollowTheTable()
{
    const struct
    {
        QDate date;
        int leap;
    } cases[] = {{{1980, 1, 6}, 0},   {{1981, 7, 1}, 1},   {{2008, 12, 31}, 14}, {{2009, 1, 1}, 15},
                 {{2012, 6, 30}, 15}, {{2012, 7, 1}, 16},  {{2015, 6, 30}, 16},  {{2015, 7, 1}, 17},
                 {{2016, 12, 31}, 17}, {{2017, 1, 1}, 18}, {{2026, 3, 1}, 18},   {{1980, 1, 5}, -128}};
    for (auto const& c : cases)
        QVERIFY2(GnssTime::leapSeconds(c.date) == c.leap, qPrintable(c.date.toString(Qt::ISODate)));
    // date -u -d '2019-04-12 00:39:56' +%s gives 1555029596; minus 315964800
    // (the GNSS origin), plus 18 leap seconds.
    QCOMPARE(GnssTime::fromUtc(QDate(2019, 4, 12), qint64(utcMs(0, 39, 56))), 1239064814000.0);
    // The inserted second 23:59:60 lies between 23:59:59 and the next day.
    const double before = GnssTime::fromUtc(QDate(2016, 12, 31), qint64(utcMs(23, 59, 59)));
    QCOMPARE(GnssTime::fromUtc(QDate(2016, 12, 31), qint64(utcMs(23, 59, 60))), before + 1000);
    QCOMPARE(GnssTime::fromUtc(QDate(2017, 1, 1), 0), before + 2000);
    QVERIFY(std::isnan(GnssTime::fromUtc(QDate(1979, 12, 31), 0)));
}

void TestReceiverFormats::satellitesAndSignalsAreNamedTheRinexWay()
{
    using S = GnssSystem;
    const struct
    {
        S talker;
        int prn;
        const char* name;
    } nmea[] = {{S::Gps, 5, "G05"},      {S::Gps, 33, "S20"},      {S::Unknown, 65, "R01"}, {S::Glonass, 81, "R17"},
                {S::Galileo, 33, "E33"}, {S::Galileo, 102, "E02"}, {S::BeiDou, 219, "C19"}, {S::BeiDou, 63, "C63"},
                {S::Unknown, 408, "C08"}, {S::Qzss, 2, "J02"},     {S::Gps, 193, "J01"},    {S::Navic, 3, "I03"},
                {S::Gps, 150, ""},       {S::Galileo, 37, ""}};
    for (auto const& c : nmea)
        QCOMPARE(GnssNaming::satelliteName(GnssNaming::fromNmea(c.talker, c.prn)), QLatin1String(c.name));
    QCOMPARE(GnssNaming::satelliteName(GnssNaming::fromGpsd(1, 120)), QStringLiteral("S20"));
    QCOMPARE(GnssNaming::satelliteName(GnssNaming::fromGpsd(6, 17)), QStringLiteral("R17"));
    QVERIFY(!GnssNaming::fromGpsd(6, 255).isValid());

    const struct
    {
        S system;
        int id;
        const char* name;
        const char* band;
    } signal[] = {{S::Gps, 6, "L2", "L2"},       {S::Glonass, 3, "L2OF", "L2"}, {S::Galileo, 7, "E1", "L1"},
                  {S::Galileo, 2, "E5b", "E5b"}, {S::Galileo, -1, "E1", "L1"},  {S::BeiDou, 11, "B2I", "E5b"},
                  {S::BeiDou, 5, "B2a", "L5"},   {S::Qzss, 8, "L5", "L5"},      {S::Gps, 9, "", ""}};
    for (auto const& c : signal) {
        const GnssNaming::Signal s = GnssNaming::nmeaSignal(c.system, c.id);
        QCOMPARE(s.name + QLatin1Char('/') + s.band, QLatin1String(c.name) + QLatin1Char('/') + QLatin1String(c.band));
    }
    QCOMPARE(GnssNaming::gpsdSignal(S::Galileo, 5).name, QStringLiteral("E5b"));
    QCOMPARE(GnssNaming::gpsdSignal(S::Glonass, 2).name, QStringLiteral("L2OF"));
    QCOMPARE(GnssNaming::gpsdSignal(S::BeiDou, -1).name, QStringLiteral("B1I"));
}

void TestReceiverFormats::dualFrequencyEpochOfZedF9p()
{
    NmeaParser parser;
    const QList<ReceiverEpoch> epochs = readNmea(recording("ublox-zed-f9p-nmea.log"), parser);
    // 29 RMC, from 003956.00 to 004024.00, all of them valid.
    QCOMPARE(epochs.size(), 29);
    QCOMPARE(parser.statistics().broken, 0);
    QCOMPARE(parser.statistics().skippedKinds,
             (QMap<QString, qint64>{{QStringLiteral("GNGBS"), 29}, {QStringLiteral("GNVTG"), 29}}));
    const ReceiverEpoch& e = epochs.first();
    // $GNZDA,003956.00,12,04,2019,00,00*7C
    QCOMPARE(e.utcDate, QDate(2019, 4, 12));
    QCOMPARE(e.timeMs, 1239064814000.0);
    // $GPGSV,3,1,12,...  $GLGSV,3,1,10,...  $GAGSV,3,1,09,...  $GBGSV,3,1,10,...
    QCOMPARE(inView(e), (QMap<QChar, int>{{'G', 12}, {'R', 10}, {'E', 9}, {'C', 10}}));
    // $GPGSV,3,3,12,26,04,276,,27,15,218,31,29,24,004,13,30,00,159,,1*69
    // $GPGSV,3,3,12,26,04,276,,27,15,218,29,29,24,004,,30,00,159,,6*65
    QCOMPARE(cn0(e, "G27", "L1"), 31.0f);
    QCOMPARE(cn0(e, "G27", "L2"), 29.0f);
    QCOMPARE(e.find(QStringLiteral("G27"), QStringLiteral("L2"))->elevation, 15.0f);
    // $GAGSV,3,2,09,12,61,237,31,...,7*7B and $GAGSV,3,2,09,12,61,237,35,...,2*79
    QCOMPARE(cn0(e, "E12", "E1"), 31.0f);
    QCOMPARE(cn0(e, "E12", "E5b"), 35.0f);
    QCOMPARE(e.find(QStringLiteral("E12"), QStringLiteral("E5b"))->band, QStringLiteral("E5b"));
    // $GLGSV,3,2,10,...,82,13,214,33,1*7F and ...,82,13,214,34,3*7A
    QCOMPARE(cn0(e, "R18", "L1OF"), 33.0f);
    QCOMPARE(cn0(e, "R18", "L2OF"), 34.0f);
    // $GAGSV,3,3,09,33,62,034,08,7*41: Galileo 33, not an SBAS satellite.
    QCOMPARE(cn0(e, "E33", "E1"), 8.0f);
    // $GBGSV,3,1,10,...,08,49,229,27,1*7D, then the same satellites again
    // with an empty signal id and no C/N0: B1I keeps its value.
    QCOMPARE(cn0(e, "C08", "B1I"), 27.0f);
    // Four GSA list 8 + 3 + 3 + 6 satellites, while GGA says 12.
    QCOMPARE(e.satellitesUsed, 20);
    QVERIFY(e.find(QStringLiteral("G27"), QStringLiteral("L2"))->used);
    QVERIFY(!e.find(QStringLiteral("G05"), QStringLiteral("L1"))->used);
    QCOMPARE(e.fixMode, int(Autonomous));
    // $GNGSA,A,3,...,1.05,0.64,0.83,1*03 and $GNGST,003956.00,235111,,,,2.3,3.5,4.0*46
    QCOMPARE(e.pdop, 1.05);
    QCOMPARE(e.vdop, 0.83);
    QCOMPARE(e.sigmaAltitude, 4.0);
    // The named series for the monitor's model.
    const Epoch series = e.toEpoch();
    QCOMPARE(series.timeMs, e.timeMs);
    QVERIFY(series.values.contains(qMakePair(QStringLiteral("cn0:G27 L2"), 29.0)));
    QVERIFY(series.values.contains(qMakePair(QStringLiteral("nsat"), 20.0)));
    for (auto const& value : series.values) {
        if (value.first == QLatin1String("poserr"))
            QVERIFY(std::abs(value.second - 4.18808) < 1e-5); // sqrt(2.3^2 + 3.5^2)
    }
    // $GNRMC,004024.00,... closes the recording, 28 s later.
    QCOMPARE(epochs.last().timeMs - e.timeMs, 28000.0);
}

void TestReceiverFormats::rtkFixModesOfTrimble()
{
    NmeaParser parser;
    const QList<ReceiverEpoch> epochs = readNmea(recording("nmea-rtk.log"), parser);
    // 122 GGA/RMC pairs, GN and GP talkers alike.
    QCOMPARE(epochs.size(), 122);
    // $GNGGA,132819.60,...,W,2,10,0.9,...  with $GNRMC,...,180320,...
    QCOMPARE(epochs.first().timeMs, 1268573317600.0);
    QCOMPARE(epochs.first().fixMode, int(Dgnss));
    QCOMPARE(epochs.first().satellitesUsed, 10);
    // DGNSS up to $GPGGA,132829.90 (quality 2), RTK fixed from
    // $GNGGA,133859.80 (quality 4, 19 satellites) to the end.  The recording
    // has no RTK float (quality 5).
    QMap<int, int> modes;
    for (ReceiverEpoch const& e : epochs) {
        ++modes[e.fixMode];
        QCOMPARE(e.fixMode, e.utcMsOfDay <= utcMs(13, 28, 29.9) ? int(Dgnss) : int(RtkFixed));
    }
    QCOMPARE(modes, (QMap<int, int>{{Dgnss, 104}, {RtkFixed, 18}}));
    QCOMPARE(epochs[104].utcMsOfDay, utcMs(13, 38, 59.8));

    // The qualities the recording lacks, and RMC's mode when GGA is absent.
    NmeaParser other;
    const QList<ReceiverEpoch> more = readNmea(sentence("GPGGA,120000.00,,,,,5,07,1.1,,M,,M,,") + '\n'
                                                   + sentence("GPGGA,120001.00,,,,,6,00,,,M,,M,,") + '\n'
                                                   + sentence("GNRMC,120002.00,A,,,,,,,010120,,,F") + '\n',
                                               other);
    QCOMPARE(more.size(), 3);
    QCOMPARE(more[0].fixMode, int(RtkFloat));
    QCOMPARE(more[1].fixMode, int(DeadReckoning));
    QCOMPARE(more[2].fixMode, int(RtkFloat));
}

void TestReceiverFormats::vendorSentencesAndMixedSignalIdsOfQuectel()
{
    NmeaParser parser;
    const QList<ReceiverEpoch> epochs = readNmea(recording("quectelLC79D.log"), parser);
    // 284 lines start with $PGLOR; 30 GGA times from 115033.00 to 115102.00.
    QCOMPARE(parser.statistics().skippedKinds.value(QStringLiteral("PGLOR")), 284);
    QCOMPARE(parser.statistics().broken, 0);
    QCOMPARE(epochs.size(), 30);
    const ReceiverEpoch& e = epochs.first();
    QCOMPARE(e.utcDate, QDate(2020, 11, 30));
    // $GAGSV,2,1,04,102,28,167,40,103,69,097,33*61 (no signal id: E1)
    // $GAGSV,2,2,04,102,,,40,103,,,29,1*7F (signal 1: E5a)
    QCOMPARE(cn0(e, "E02", "E1"), 40.0f);
    QCOMPARE(cn0(e, "E02", "E5a"), 40.0f);
    QCOMPARE(cn0(e, "E03", "E1"), 33.0f);
    QCOMPARE(cn0(e, "E03", "E5a"), 29.0f);
    // $GPGSV,3,1,10,...,06,12,215,45*4D and $GPGSV,3,3,10,06,,,40,...,8*6B: the
    // L5 entry has no elevation of its own and takes the satellite's.
    QCOMPARE(cn0(e, "G06", "L1"), 45.0f);
    QCOMPARE(cn0(e, "G06", "L5"), 40.0f);
    QCOMPARE(e.find(QStringLiteral("G06"), QStringLiteral("L5"))->elevation, 12.0f);
    // $BDGSV,1,1,01,219,,,47*50 and $QZGSV,1,1,01,02,05,042,29*5E
    QCOMPARE(cn0(e, "C19", "B1I"), 47.0f);
    QCOMPARE(cn0(e, "J02", "L1"), 29.0f);
    QCOMPARE(inView(e), (QMap<QChar, int>{{'G', 7}, {'R', 6}, {'J', 1}, {'C', 1}, {'E', 2}}));
    // $GPGGA,...,1,20,0.4,... says 20; the GSA list 11 distinct satellites.
    QCOMPARE(e.satellitesUsed, 20);
    QVERIFY(e.find(QStringLiteral("R10"), QStringLiteral("L1OF"))->used);
}

void TestReceiverFormats::brokenInputIsCountedAndNeighboursSurvive()
{
    const QByteArray gga = sentence("GPGGA,100000.00,4552.65403,S,17030.00668,E,1,08,0.9,14.2,M,1.8,M,,");
    const QByteArray rmc = sentence("GPRMC,100000.00,A,4552.65403,S,17030.00668,E,0.0,,120419,,,A");
    const QByteArray gsv = sentence("GPGSV,1,1,02,05,06,110,19,10,24,284,34,1");
    QByteArray badChecksum = sentence("GPGSV,1,1,01,13,37,124,29,1");
    badChecksum[badChecksum.size() - 1] = badChecksum.endsWith('0') ? '1' : '0';
    const QByteArray text = gga + '\n'                                                          // line 1
                            + rmc.left(30) + gsv + '\n'                                         // 2: truncated, then whole
                            + badChecksum + '\n'                                                // 3
                            + QByteArray("\xb5\x62\x01\x07\x5c\x00garbage", 13) + '\n'          // 4
                            + sentence("GPGSV,1,1,01,15,63,083,255,1") + '\n'                   // 5: C/N0 255
                            + sentence("GPGSV,1,1,01,16,95,248,10,6") + '\n'                    // 6: elevation 95
                            + sentence("AIVDM,1,1,,A,13aEOK?P00PD2wVMdLDRhgvL289?,0", '!') + "\r\n"  // 7: AIS
                            + sentence("GPGGA,250000.00,,,,,1,08,0.9,,M,,M,,") + '\n'           // 8: hour 25
                            + rmc + '\n'                                                        // 9
                            + sentence("GPGGA,100001.00,,,,,1,08,0.9,,M,,M,,") + '\n'           // 10
                            + sentence("GPGGA,095959.00,,,,,1,08,0.9,,M,,M,,") + '\n'           // 11: backwards
                            + sentence("GPGSV,1,1,01,20,52,273,34,1") + '\n'                    // 12: after it
                            + sentence("GPGGA,100002.00,,,,,1,07,0.9,,M,,M,,") + '\n';          // 13
    NmeaParser parser;
    const QList<ReceiverEpoch> epochs = readNmea(text, parser);
    ReaderStatistics const& stats = parser.statistics();
    QCOMPARE(stats.reports,
             (QStringList{QStringLiteral("line 2: GPRMC: no checksum (truncated?)"),
                          QStringLiteral("line 3: GPGSV: checksum ") + badChecksum.right(2) + QStringLiteral(", computed ")
                              + sentence("GPGSV,1,1,01,13,37,124,29,1").right(2),
                          QStringLiteral("line 4: 13 bytes outside sentences"),
                          QStringLiteral("line 5: GPGSV: C/N0 255 out of range"),
                          QStringLiteral("line 6: GPGSV: elevation 95 out of range"),
                          QStringLiteral("line 8: GPGGA: time '250000.00' out of range"),
                          QStringLiteral("line 11: GPGGA: time goes backwards (09:59:59.000 after 10:00:01.000)")}));
    QCOMPARE(stats.skippedKinds.value(QStringLiteral("AIVDM")), 1);
    QCOMPARE(stats.skippedKinds.value(QStringLiteral("after a backward time")), 1);
    // The sentences around the broken ones all count: the GSV behind the
    // truncated RMC on line 2 included.
    QCOMPARE(epochs.size(), 3);
    QCOMPARE(inView(epochs[0]), (QMap<QChar, int>{{'G', 2}}));
    QCOMPARE(cn0(epochs[0], "G10", "L1"), 34.0f);
    QCOMPARE(epochs[1].observations.size(), 0);
    QCOMPARE(epochs[2].timeMs - epochs[0].timeMs, 2000.0);
    QCOMPARE(epochs[2].satellitesUsed, 7);

    // A real receiver's clock stepping back: telit-he910.log line 265
    // $GPRMC,105153.71,... then line 267 $GPGGA,105153.408,...
    NmeaParser telit;
    readNmea(recording("telit-he910.log"), telit);
    QVERIFY(telit.statistics().reports.contains(
        QStringLiteral("line 267: GPGGA: time goes backwards (10:51:53.408 after 10:51:53.710)")));
    // ublox-8.log line 10: binary bytes, then $GNRMC,000941.00,...,100117,...
    NmeaParser ublox;
    const QList<ReceiverEpoch> ubloxEpochs = readNmea(recording("ublox-8.log"), ublox);
    QVERIFY(ublox.statistics().reports.first().startsWith(QLatin1String("line 10: ")));
    QCOMPARE(ubloxEpochs.first().utcMsOfDay, qint64(utcMs(0, 9, 41)));
    QCOMPARE(ubloxEpochs.first().utcDate, QDate(2017, 1, 10));
    // Its last line, cut off: $GNRMC,001053.00,A,4404.14083,N,12118.85886,W,0.
    QCOMPARE(ublox.statistics().reports.last(), QStringLiteral("line 1018: GNRMC: no checksum (truncated?)"));

    // 10 MB without a line end, as a serial port or socket delivers it, costs
    // one broken line; the sentences after it are read.
    NmeaParser stream;
    const QByteArray junk(1 << 20, 'x');
    for (int i = 0; i < 10; ++i)
        stream.feed(junk);
    stream.feed('\n' + gga + "\r\n" + rmc + "\r\n");
    stream.finish();
    QCOMPARE(stream.statistics().reports, QStringList{QStringLiteral("line 1: longer than 65536 bytes without line end")});
    QCOMPARE(stream.takeEpochs().size(), 1);

    // A flood of broken lines and a long line without line end stay bounded.
    NmeaParser flood;
    for (int i = 0; i < 1000; ++i)
        flood.addLine(badChecksum);
    flood.addLine(QByteArray(4 << 20, '$'));
    flood.finish();
    QCOMPARE(flood.statistics().broken, 1001);
    QCOMPARE(flood.statistics().reports.size(), ReaderStatistics::kMaxReports);
}

void TestReceiverFormats::datesComeFromTheLogOrTheFallback()
{
    // The Trimble log without its RMC: times but no date.
    QByteArray ggaOnly;
    for (QByteArray const& line : recording("nmea-rtk.log").split('\n')) {
        if (line.contains("GGA"))
            ggaOnly += line + '\n';
    }
    NmeaParser undated;
    QList<ReceiverEpoch> epochs = readNmea(ggaOnly, undated);
    QCOMPARE(epochs.size(), 122);
    QVERIFY(undated.needsDate());
    QVERIFY(std::isnan(epochs.first().timeMs));
    NmeaParser dated;
    dated.setFallbackDate(QDate(2020, 3, 18));
    epochs = readNmea(ggaOnly, dated);
    QVERIFY(!dated.needsDate());
    QCOMPARE(epochs.first().timeMs, 1268573317600.0);

    // Epochs before the first date wait for it; midnight rolls the date on.
    const QByteArray text = sentence("GPGGA,235959.00,,,,,1,08,,,M,,M,,") + '\n'
                            + sentence("GPGGA,000000.00,,,,,1,08,,,M,,M,,") + '\n'
                            + sentence("GPZDA,000000.00,01,01,2017,00,00") + '\n'
                            + sentence("GPGGA,000001.00,,,,,1,08,,,M,,M,,") + '\n';
    NmeaParser parser;
    parser.setFallbackDate(QDate(2000, 1, 1));
    parser.addLine(text.left(text.indexOf('\n')));
    QVERIFY(parser.takeEpochs().isEmpty());
    epochs = readNmea(text.mid(text.indexOf('\n') + 1), parser);
    QCOMPARE(epochs.size(), 3);
    QCOMPARE(epochs[0].utcDate, QDate(2016, 12, 31));
    // 2016-12-31 23:59:59 UTC, the leap second 23:59:60, then 2017-01-01 00:00:00.
    QCOMPARE(epochs[1].timeMs - epochs[0].timeMs, 2000.0);
    QCOMPARE(epochs[2].timeMs - epochs[1].timeMs, 1000.0);
}

void TestReceiverFormats::gpsdReportsFromGpsfake()
{
    // gpspipe -w of gpsfake replaying ublox-zed-f9p-nmea.log through gpsd 3.22.
    GpsdJsonReader reader;
    reader.parse(recording("ublox-zed-f9p-gpsd.json"));
    const QList<ReceiverEpoch> epochs = reader.takeEpochs();
    ReaderStatistics const& stats = reader.statistics();
    QCOMPARE(stats.broken, 0);
    QCOMPARE(stats.skippedKinds, (QMap<QString, qint64>{{QStringLiteral("DEVICE"), 1},
                                                         {QStringLiteral("DEVICES"), 1},
                                                         {QStringLiteral("VERSION"), 1},
                                                         {QStringLiteral("WATCH"), 1}}));
    // Line 7 is a TPV without time; lines 16 and 24 are the TPV of
    // 2019-04-12T00:40:01.000Z and ...02.000Z, mode 3 without status.
    QCOMPARE(stats.untimedEpochs, 1);
    QCOMPARE(epochs.size(), 2);
    const ReceiverEpoch& e = epochs.first();
    QCOMPARE(e.timeMs, 1239064814000.0 + 5000.0);
    QCOMPARE(e.fixMode, int(Autonomous));
    // Line 14, the last SKY before it: "pdop":1.10, "hdop":0.66, "vdop":0.88,
    // "uSat":16; 12 GPS, 8 Galileo, 10 BeiDou and 10 GLONASS satellites, and
    // gpsd's SBAS 120 that the NMEA calls Galileo 33.
    QCOMPARE(e.pdop, 1.10);
    QCOMPARE(e.vdop, 0.88);
    QCOMPARE(e.satellitesUsed, 16);
    QCOMPARE(inView(e), (QMap<QChar, int>{{'G', 12}, {'E', 8}, {'C', 10}, {'R', 10}, {'S', 1}}));
    // {"PRN":27,...,"ss":31.0,"used":true,"gnssid":0,"svid":27} and the same with "ss":29.0, "sigid":3
    QCOMPARE(cn0(e, "G27", "L1"), 31.0f);
    QCOMPARE(cn0(e, "G27", "L2"), 29.0f);
    QVERIFY(e.find(QStringLiteral("G27"), QStringLiteral("L2"))->used);
    // {"PRN":312,...,"ss":31.0,...,"gnssid":2,"svid":12} and "ss":35.0 with "sigid":5
    QCOMPARE(cn0(e, "E12", "E1"), 31.0f);
    QCOMPARE(cn0(e, "E12", "E5b"), 35.0f);
    // {"PRN":408,...,"ss":27.0,...} and again with "ss":0.0 (not tracked).
    QCOMPARE(cn0(e, "C08", "B1I"), 27.0f);
    // {"PRN":72,...,"ss":0.0,...,"gnssid":6,"svid":8,"sigid":2}
    QVERIFY(std::isnan(cn0(e, "R08", "L2OF")));
    // Line 15: {"class":"GST",...,"lat":2.300,"lon":3.500,"alt":4.100}
    QCOMPARE(e.sigmaLongitude, 3.5);
    QCOMPARE(epochs[1].pdop, 1.14);

    GpsdJsonReader broken;
    broken.parse("{\"class\":\"TPV\",\"device\":\"/dev/a\",\"mode\":3,\"time\":\"2019-04-12T00:40:01.000Z\"}\n"
                 "not json\n"
                 "{\"mode\":3}\n"
                 "{\"class\":\"SKY\",\"device\":\"/dev/a\",\"satellites\":[{\"gnssid\":0,\"svid\":3,\"ss\":255}]}\n"
                 "{\"class\":\"TPV\",\"device\":\"/dev/b\",\"mode\":3,\"time\":\"2019-04-12T00:40:03.000Z\"}\n"
                 "{\"class\":\"TPV\",\"device\":\"/dev/a\",\"mode\":3,\"status\":4,\"time\":\"2019-04-12T00:40:00.000Z\"}\n"
                 "{\"class\":\"NEWTHING\"}\n"
                 "{\"class\":\"TPV\",\"device\":\"/dev/a\",\"mode\":3,\"status\":4,\"time\":\"2019-04-12T00:40:02.000Z\"}\n");
    QCOMPARE(broken.statistics().reports,
             (QStringList{QStringLiteral("line 2: no JSON: illegal value at 1"), QStringLiteral("line 3: no class"),
                          QStringLiteral("line 4: SKY: ss 255 out of range"),
                          QStringLiteral("line 6: TPV: time goes backwards (2019-04-12T00:40:00.000Z after "
                                         "2019-04-12T00:40:01.000Z)")}));
    QCOMPARE(broken.statistics().skippedKinds.value(QStringLiteral("other device")), 1);
    QCOMPARE(broken.statistics().skippedKinds.value(QStringLiteral("NEWTHING")), 1);
    const QList<ReceiverEpoch> brokenEpochs = broken.takeEpochs();
    QCOMPARE(brokenEpochs.size(), 2);
    QCOMPARE(brokenEpochs[1].fixMode, int(RtkFloat));
}

void TestReceiverFormats::formatIsDetectedByContent()
{
    for (const char* name : {"ublox-zed-f9p-nmea.log", "nmea-rtk.log", "quectelLC79D.log", "telit-he910.log", "ublox-8.log"})
        QVERIFY2(FormatDetector::detect(recording(name).left(FormatDetector::kHeadBytes)) == ReceiverFormat::Nmea, name);
    QCOMPARE(FormatDetector::detect(recording("ublox-zed-f9p-gpsd.json").left(FormatDetector::kHeadBytes)),
             ReceiverFormat::GpsdJson);
    QFile csv(QStringLiteral(RECEIVER_DATA_DIR "/../replay-sample.csv"));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    QCOMPARE(FormatDetector::detect(csv.read(FormatDetector::kHeadBytes)), ReceiverFormat::MonitorCsv);
    QCOMPARE(FormatDetector::detect(QByteArray("\xb5\x62\x01\x07\x5c\x00 $GPGGA,1*00\nhello\n", 25)), ReceiverFormat::Unknown);
}

QTEST_GUILESS_MAIN(TestReceiverFormats)
#include "tst_receiverformats.moc"
