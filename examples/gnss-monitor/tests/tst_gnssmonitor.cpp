// The monitor's data sources and the model that bounds its series.
#include "csvreplay.h"
#include "monitormodel.h"
#include "replaysource.h"
#include "simulatedreceiver.h"

#include <zebplot/zebplot.h>

#include <QtTest>

#include <cmath>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool same(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

double valueOf(Epoch const& epoch, QString const& name)
{
    for (auto const& value : epoch.values) {
        if (value.first == name)
            return value.second;
    }
    return -1e300;
}

// Feeds text in chunks of the given size; the epochs as "time name=value ...".
QStringList parse(CsvReplay& replay, QByteArray const& text, qsizetype chunk)
{
    for (qsizetype i = 0; i < text.size(); i += chunk)
        replay.feed(QByteArrayView(text).sliced(i, std::min(chunk, text.size() - i)));
    replay.finish();
    QStringList epochs;
    while (replay.hasEpoch()) {
        const Epoch epoch = replay.takeEpoch().toEpoch();
        QString text = QString::number(epoch.timeMs, 'f', 0);
        for (auto const& value : epoch.values)
            text += QLatin1Char(' ') + value.first + QLatin1Char('=') + QString::number(value.second);
        epochs.append(text);
    }
    return epochs;
}

} // namespace

class TestGnssMonitor : public QObject
{
    Q_OBJECT

private slots:
    void simulatorIsDeterministicAndPlausible();
    void lineReaderSplitsAnyChunking();
    void replayParsesAndCountsBrokenLines();
    void replayStreamsFromFifoAndGrowingFile();
    void replayTellsTheFormatOfAPipe();
    void modelRoutesSeriesOnSharedTimeArrays();
    void modelStaysBounded_data();
    void modelStaysBounded();
};

void TestGnssMonitor::simulatorIsDeterministicAndPlausible()
{
    SimulatedReceiver a(10.0, 7u), b(10.0, 7u), other(10.0, 8u);
    bool differs = false;
    int rises = 0, sets = 0, outageEpochs = 0;
    QSet<int> modes;
    QHash<QString, bool> wasTracked;
    for (int i = 0; i < 6000; ++i) {
        QCOMPARE(a.nextTime(), SimulatedReceiver::kDefaultStartMs + i * 100.0);
        if (i % 10 == 0) {
            // Refreshing the spectrum and correlation leaves the epochs alone.
            QVector<double> f, p, lag, bpsk, boc;
            double error = 0.0;
            a.spectrum(f, p);
            a.correlation(lag, bpsk, boc, error);
        }
        const ReceiverEpoch ra = a.next();
        const Epoch ea = ra.toEpoch();
        const Epoch eb = b.next().toEpoch();
        const Epoch eo = other.next().toEpoch();
        QCOMPARE(ea.values.size(), eb.values.size());
        for (int k = 0; k < ea.values.size(); ++k) {
            QCOMPARE(ea.values[k].first, eb.values[k].first);
            QVERIFY(same(ea.values[k].second, eb.values[k].second));
            differs = differs || k >= eo.values.size() || !same(ea.values[k].second, eo.values[k].second);
        }
        int tracked = 0;
        QSet<QString> trackedNow;
        for (SignalObservation const& o : ra.observations) {
            QVERIFY(o.elevation > 0.0f && o.signal == (o.system == GnssSystem::Glonass ? "L1OF" : o.system == GnssSystem::Galileo ? "E1" : "L1"));
            if (!std::isnan(o.cn0)) {
                ++tracked;
                trackedNow.insert(o.satellite);
                QVERIFY2(o.cn0 > 20.0f && o.cn0 < 60.0f, qPrintable(QString::number(o.cn0)));
            }
        }
        for (QString const& name : trackedNow + QSet<QString>(wasTracked.keyBegin(), wasTracked.keyEnd())) {
            const bool now = trackedNow.contains(name);
            if (i > 0 && now != wasTracked.value(name))
                ++(now ? rises : sets);
            wasTracked[name] = now;
        }
        QCOMPARE(valueOf(ea, QStringLiteral("nsat")), double(tracked));
        const int mode = int(valueOf(ea, QStringLiteral("fixmode")));
        modes.insert(mode);
        QCOMPARE(valueOf(ea, QStringLiteral("poserr")) == -1e300, mode == NoFix);
        // The geometry weakens with fewer satellites; none without four.
        QCOMPARE(std::isnan(ra.pdop), tracked < 4);
        if (a.inOutage()) {
            ++outageEpochs;
            QCOMPARE(tracked, 0);
        }
    }
    QVERIFY(differs);
    // Ten minutes see satellites come and go, an outage and every fix mode.
    QVERIFY(rises > 5 && sets > 5);
    QVERIFY(outageEpochs > 0);
    QCOMPARE(modes, (QSet<int>{NoFix, Autonomous, Dgnss, RtkFloat, RtkFixed}));
}

void TestGnssMonitor::lineReaderSplitsAnyChunking()
{
    // LF, CR LF, CR, CR followed by CR LF, a line at the limit, one beyond
    // it, and a last line without line end.
    const QByteArray input("\xEF\xBB\xBF"
                           "a\nb\r\nc\rd\r\r\n01234567\n0123456789ABCDEF\ne\nf");
    const QStringList expected{"1:a", "2:b", "3:c", "4:d", "5:", "6:01234567", "7!", "8:e", "9:f"};
    for (qsizetype chunk = 1; chunk <= input.size(); ++chunk) {
        LineReader reader(8);
        QStringList lines;
        LineReader::Line line;
        for (qsizetype i = 0; i < input.size() + chunk; i += chunk) {
            if (i < input.size())
                reader.feed(QByteArrayView(input).sliced(i, std::min(chunk, input.size() - i)));
            else
                reader.finish();
            while (reader.next(line))
                lines.append(QString::number(line.number) + (line.tooLong ? "!" : ":") + line.text.toByteArray());
        }
        QCOMPARE(lines.join(QLatin1Char(' ')), expected.join(QLatin1Char(' ')));
    }
}

void TestGnssMonitor::replayParsesAndCountsBrokenLines()
{
    const QByteArray text("\xEF\xBB\xBF# comment, with a comma\n"
                          "time_ms,series,value\n"
                          "1000,cn0:G01,40.5\n"
                          "1000,fixmode,4\n"
                          "\n"
                          "oops\n"
                          "2000,cn0:G01,nan\n"
                          "2000, nsat ,7\n"
                          "1500,cn0:G01,41\n"
                          "3000,cn0:G01,4x\n"
                          "3000,,1\n"
                          "inf,cn0:G01,1\n"
                          "time_ms_utc,series,value\n"
                          "1e308,cn0:G01,1\n"
                          "-5,cn0:G01,1\n"
                          "3000,poserr,0.02\n"
                          // A receiver's other outputs are not C/N0: skipped by name.
                          "3000,clock_bias_m,812345.5\n"
                          "3000,cn0:X01,30\n"
                          "3000,cn0:G01 E5b,30\n"
                          "3000,cn0:G01,255\n"
                          "3000,fixmode,6\n"
                          "4000,elev:E11,45\n"
                          "4000,cn0:E11 E5b,38\n"
                          "4000,cn0:E11,41\n"
                          "4000,pdop,1.5");
    const QStringList epochs{"1000 cn0:G01 L1=40.5 fixmode=4", "2000 nsat=7", "3000 poserr=0.02",
                             "4000 cn0:E11 E1=41 cn0:E11 E5b=38 elev:E11=45 pdop=1.5"};
    const QStringList reports{"line 6: expected 3 fields, found 1", "line 9: time goes backwards",
                              "line 10: value is not a number",    "line 11: no series name",
                              "line 12: time is not a number",     "line 13: time is not a number",
                              "line 14: time out of range (1980 to 2299)",
                              "line 15: time out of range (1980 to 2299)",
                              "line 20: cn0:G01 255 out of range", "line 21: fixmode 6 out of range"};
    // In one piece or byte by byte, with LF, CR LF or CR line ends: the same.
    QByteArray crlf = text;
    crlf.replace("\n", "\r\n");
    QByteArray cr = text;
    cr.replace('\n', '\r');
    const QList<QPair<QByteArray, qsizetype>> inputs{{text, text.size()}, {text, 1}, {crlf, 1}, {cr, 5}};
    for (auto const& [input, chunk] : inputs) {
        CsvReplay replay;
        QCOMPARE(parse(replay, input, chunk), epochs);
        QCOMPARE(replay.statistics().reports, reports);
        QCOMPARE(replay.statistics().used, 9);
        QCOMPARE(replay.statistics().skippedKinds,
                 (QMap<QString, qint64>{{"clock_bias_m", 1}, {"cn0:X01", 1}, {"cn0:G01 E5b", 1}}));
    }
}

void TestGnssMonitor::replayStreamsFromFifoAndGrowingFile()
{
    using State = EpochSource::State;
    QTemporaryDir dir;
    // A FIFO delivers each epoch as soon as the next one begins, and the last
    // when its writer closes.
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const int writer = ::open(QFile::encodeName(fifo).constData(), O_RDWR);
    QVERIFY(writer >= 0);
    ReplaySource stream(fifo, std::make_unique<CsvReplay>());
    QVERIFY(stream.open(nullptr));
    QCOMPARE(stream.poll(), State::Waiting);
    QCOMPARE(::write(writer, "1000,nsat,1\n2000,nsat,2\n20", 26), 26);
    QCOMPARE(stream.poll(), State::Ready);
    QCOMPARE(stream.next().timeMs, 1000.0);
    QCOMPARE(stream.poll(), State::Waiting);
    QCOMPARE(::write(writer, "00,pdop,3\n", 10), 10);
    ::close(writer);
    QCOMPARE(stream.poll(), State::Ready);
    const ReceiverEpoch second = stream.next();
    QCOMPARE(second.satellitesUsed, 2);
    QCOMPARE(second.pdop, 3.0);
    QCOMPARE(stream.poll(), State::Finished);

    // A file ends at its end, unless it is followed while it grows.
    QFile file(dir.filePath(QStringLiteral("growing.csv")));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    file.write("1000,nsat,1\n2000,nsat,2\n");
    ReplaySource once(file.fileName(), std::make_unique<CsvReplay>());
    ReplaySource followed(file.fileName(), std::make_unique<CsvReplay>(), true);
    QVERIFY(once.open(nullptr) && followed.open(nullptr));
    for (double time : {1000.0, 2000.0}) {
        QCOMPARE(once.poll(), State::Ready);
        QCOMPARE(once.next().timeMs, time);
    }
    QCOMPARE(once.poll(), State::Finished);
    QCOMPARE(followed.poll(), State::Ready);
    followed.next();
    QCOMPARE(followed.poll(), State::Waiting);
    file.write("3000,nsat,3\n");
    QCOMPARE(followed.poll(), State::Ready);
    QCOMPARE(followed.next().timeMs, 2000.0);
    QCOMPARE(followed.poll(), State::Waiting);
}

void TestGnssMonitor::replayTellsTheFormatOfAPipe()
{
    // NMEA down a FIFO, a few lines at a time: the format is decided once
    // enough lines are there, and nothing read before is lost.
    QFile log(QStringLiteral(RECEIVER_DATA_DIR "/ublox-zed-f9p-nmea.log"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = log.readAll().split('\n');
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const int writer = ::open(QFile::encodeName(fifo).constData(), O_RDWR);
    ReplaySource stream(fifo, nullptr);
    QVERIFY(stream.open(nullptr));
    int epochs = 0;
    for (qsizetype i = 0; i < lines.size(); i += 5) {
        const QByteArray piece = lines.mid(i, 5).join('\n') + (i + 5 < lines.size() ? "\n" : "");
        QCOMPARE(::write(writer, piece.constData(), piece.size()), piece.size());
        if (i == 0)
            QCOMPARE(stream.poll(), EpochSource::State::Waiting); // comment lines only: no verdict yet
        while (stream.poll() == EpochSource::State::Ready)
            epochs += !stream.next().observations.isEmpty();
    }
    ::close(writer);
    while (stream.poll() == EpochSource::State::Ready)
        epochs += !stream.next().observations.isEmpty();
    QCOMPARE(stream.format(), ReceiverFormat::Nmea);
    QCOMPARE(epochs, 29);
    QCOMPARE(stream.problemCount(), 0);
}

void TestGnssMonitor::modelRoutesSeriesOnSharedTimeArrays()
{
    CsvReplay replay;
    replay.feed("1000,cn0:G01,40\n1000,cn0:G01 L2,35\n1000,elev:G01,30\n1000,fixmode,3\n1000,poserr,0.3\n"
                "1000,nsat,5\n1000,pdop,1.2\n"
                "2000,cn0:G01,41\n2000,cn0:E11,35\n2000,elev:E11,60\n2000,poserr,0.2\n2000,clock_bias,812345\n"
                "3000,nsat,6\n3000,fixmode,5\n");
    replay.finish();
    MonitorModel model;
    QStringList announced;
    model.cn0DataSetAdded = [&](XYDataSet* dataSet, QString const& band) { announced.append(band + ":" + dataSet->name); };
    for (ReceiverEpoch const& epoch : replay.takeEpochs())
        model.add(epoch);

    // One curve per satellite and signal, by band; the clock bias is no curve.
    QCOMPARE(announced, (QStringList{"L1:G01 L1", "L2:G01 L2", "L1:E11 E1"}));
    QCOMPARE(model.bands(), (QStringList{"L1", "L2"}));
    const QList<XYDataSet*> l1 = model.cn0DataSets(QStringLiteral("L1"));
    const QList<XYDataSet*> l2 = model.cn0DataSets(QStringLiteral("L2"));
    QCOMPARE(l1.size(), 2);
    QCOMPARE(l2.size(), 1);
    QCOMPARE(l2[0]->getLook()->getColor(0), l1[0]->getLook()->getColor(0));
    QVERIFY(l1[1]->getLook()->getColor(0) != l1[0]->getLook()->getColor(0));
    // One time array for the C/N0 plots; a late series starts with a gap, a
    // missing value is a gap; the epoch without satellites adds nothing.
    for (XYDataSet* dataSet : l1 + l2) {
        QCOMPARE(dataSet->xData, model.timeArray(MonitorModel::Cn0Group));
        QCOMPARE(dataSet->yData->dataSize(), 2);
        QVERIFY(dataSet->yData->getMaximum() < 100.0);
    }
    QVERIFY(std::isnan(l1[1]->yData->getValue(0)));
    QCOMPARE(l1[1]->yData->getValue(1), 35.0);
    QVERIFY(std::isnan(l2[0]->yData->getValue(1)));

    // C/N0 against elevation, per band and system: only signals with both.
    const QList<XYDataSet*> points = model.elevationDataSets(QStringLiteral("L1"));
    QCOMPARE(points.size(), 2);
    QCOMPARE(points[0]->name, QStringLiteral("GPS"));
    QCOMPARE(points[0]->xData->dataSize(), 1);
    QCOMPARE(points[1]->xData->getValue(0), 60.0);
    QCOMPARE(points[1]->yData->getValue(0), 35.0);
    QCOMPARE(model.elevationDataSets(QStringLiteral("L2"))[0]->yData->getValue(0), 35.0);

    // The fix mode holds its value while only the position error arrives;
    // dead reckoning has its own colour.
    QCOMPARE(model.pointCount(MonitorModel::FixGroup), 3);
    QCOMPARE(model.fixModeBar()->yData->getValue(1), 3.0);
    QVERIFY(model.fixModeBar()->getLook()->isColorBar());
    QCOMPARE(model.fixModeBar()->getLook()->getColor(2), MonitorModel::fixModeColor(DeadReckoning));
    QCOMPARE(model.positionError()->yData->getValue(1), 0.2);
    QCOMPARE(model.pointCount(MonitorModel::SatelliteGroup), 2);
    QCOMPARE(model.satelliteCount()->yData->getValue(1), 6.0);
    QCOMPARE(model.pointCount(MonitorModel::DopGroup), 1);
    QVERIFY(std::isnan(model.dopDataSets()[1]->yData->getValue(0)));
}

void TestGnssMonitor::modelStaysBounded_data()
{
    QTest::addColumn<bool>("decimate");
    QTest::newRow("left shift") << false;
    QTest::newRow("decimation") << true;
}

void TestGnssMonitor::modelStaysBounded()
{
    QFETCH(bool, decimate);
    const int limit = 1000;
    MonitorModel model(limit, decimate);
    SimulatedReceiver receiver(10.0, 3u);
    const double first = receiver.nextTime();
    int memoryAfterWarmUp = 0;
    double last = 0.0;
    for (int i = 0; i < 20000; ++i) {
        const ReceiverEpoch epoch = receiver.next();
        last = epoch.timeMs;
        model.add(epoch);
        if (i == 4999)
            memoryAfterWarmUp = DataArray::getTotalVectorMemoryConsumption();
    }
    QVERIFY(memoryAfterWarmUp > 0);
    QVERIFY(DataArray::getTotalVectorMemoryConsumption() <= memoryAfterWarmUp * 11 / 10);
    // Every simulated epoch has satellites, a fix mode and a count; DOPs only
    // with four satellites.
    for (int group : {MonitorModel::Cn0Group, MonitorModel::FixGroup, MonitorModel::SatelliteGroup}) {
        const DataArray* time = model.timeArray(MonitorModel::Group(group));
        QVERIFY(time->dataSize() <= limit);
        QVERIFY(time->dataSize() >= limit / 2);
        QVERIFY(time->isNondecreasing());
        if (decimate) {
            // The whole run at a lower density.
            QCOMPARE(time->getFirstValue(), first);
            QVERIFY(last - time->getLastValue() < 100.0 * time->getCurrentDecimationFactor());
        } else {
            QCOMPARE(time->getLastValue(), last);
            QCOMPARE(time->getTotalPositionsLeftShifted(), 20000 - time->dataSize());
        }
    }
    for (XYDataSet* dataSet : model.cn0DataSets() + model.elevationDataSets(QStringLiteral("L1"))
                                  + QList<XYDataSet*>{model.fixModeBar(), model.positionError()}) {
        QCOMPARE(dataSet->yData->dataSize(), dataSet->xData->dataSize());
        QVERIFY(dataSet->xData->dataSize() <= limit * MonitorModel::kElevationPointsPerLimit);
    }
    // The bar's appearance follows its values after shifting or decimating.
    XYDataSet* bar = model.fixModeBar();
    for (int i = 0; i < bar->yData->dataSize(); i += 97)
        QCOMPARE(bar->getLook()->getColor(i), MonitorModel::fixModeColor(int(bar->yData->getValue(i))));
}

QTEST_MAIN(TestGnssMonitor)
#include "tst_gnssmonitor.moc"
