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
        const Epoch epoch = replay.takeEpoch();
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
        const Epoch ea = a.next();
        const Epoch eb = b.next();
        const Epoch eo = other.next();
        QCOMPARE(ea.values.size(), eb.values.size());
        for (int k = 0; k < ea.values.size(); ++k) {
            QCOMPARE(ea.values[k].first, eb.values[k].first);
            QVERIFY(same(ea.values[k].second, eb.values[k].second));
            differs = differs || !same(ea.values[k].second, eo.values[k].second);
        }
        int tracked = 0;
        for (auto const& value : ea.values) {
            if (!value.first.startsWith(QLatin1String("cn0:")))
                continue;
            const bool now = !std::isnan(value.second);
            if (now) {
                ++tracked;
                QVERIFY2(value.second > 20.0 && value.second < 60.0, qPrintable(QString::number(value.second)));
            }
            if (i > 0 && now != wasTracked.value(value.first))
                ++(now ? rises : sets);
            wasTracked[value.first] = now;
        }
        QCOMPARE(valueOf(ea, QStringLiteral("nsat")), double(tracked));
        const int mode = int(valueOf(ea, QStringLiteral("fixmode")));
        modes.insert(mode);
        QCOMPARE(std::isnan(valueOf(ea, QStringLiteral("poserr"))), mode == NoFix);
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
                          "3000,poserr,0.02");
    const QStringList epochs{"1000 cn0:G01=40.5 fixmode=4", "2000 cn0:G01=nan nsat=7", "3000 poserr=0.02"};
    const QStringList reports{"line 6: expected 3 fields, found 1", "line 9: time goes backwards",
                              "line 10: value is not a number",    "line 11: no series name",
                              "line 12: time is not a number",     "line 13: time is not a number",
                              "line 14: time out of range (1980 to 2299)",
                              "line 15: time out of range (1980 to 2299)"};
    // In one piece or byte by byte, with LF, CR LF or CR line ends: the same.
    QByteArray crlf = text;
    crlf.replace("\n", "\r\n");
    QByteArray cr = text;
    cr.replace('\n', '\r');
    const QList<QPair<QByteArray, qsizetype>> inputs{{text, text.size()}, {text, 1}, {crlf, 1}, {cr, 5}};
    for (auto const& [input, chunk] : inputs) {
        CsvReplay replay;
        QCOMPARE(parse(replay, input, chunk), epochs);
        QCOMPARE(replay.problemReports(), reports);
        QCOMPARE(replay.sampleCount(), 5);
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
    QCOMPARE(::write(writer, "1000,a,1\n2000,a,2\n20", 20), 20);
    QCOMPARE(stream.poll(), State::Ready);
    QCOMPARE(stream.next().timeMs, 1000.0);
    QCOMPARE(stream.poll(), State::Waiting);
    QCOMPARE(::write(writer, "00,b,3\n", 7), 7);
    ::close(writer);
    QCOMPARE(stream.poll(), State::Ready);
    QCOMPARE(stream.next().values.size(), 2);
    QCOMPARE(stream.poll(), State::Finished);

    // A file ends at its end, unless it is followed while it grows.
    QFile file(dir.filePath(QStringLiteral("growing.csv")));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    file.write("1000,a,1\n2000,a,2\n");
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
    file.write("3000,a,3\n");
    QCOMPARE(followed.poll(), State::Ready);
    QCOMPARE(followed.next().timeMs, 2000.0);
    QCOMPARE(followed.poll(), State::Waiting);
}

void TestGnssMonitor::modelRoutesSeriesOnSharedTimeArrays()
{
    MonitorModel model;
    QList<XYDataSet*> announced;
    model.cn0DataSetAdded = [&](XYDataSet* dataSet) { announced.append(dataSet); };
    model.add(Epoch{1000, {{"cn0:G01", 40}, {"fixmode", 3}, {"poserr", 0.3}, {"nsat", 5}}});
    model.add(Epoch{2000, {{"cn0:G01", 41}, {"cn0:E11", 35}, {"poserr", 0.2}}});
    model.add(Epoch{3000, {{"agc", 12}, {"nsat", 6}}});

    const QList<XYDataSet*> cn0 = model.cn0DataSets();
    QCOMPARE(cn0, announced);
    QCOMPARE(cn0.size(), 3);
    QCOMPARE(cn0[0]->name, QStringLiteral("G01"));
    QCOMPARE(cn0[2]->name, QStringLiteral("agc"));
    // One time array for the plot; a late series starts with a gap, a missing
    // value is a gap.
    for (XYDataSet* dataSet : cn0) {
        QCOMPARE(dataSet->xData, model.timeArray(MonitorModel::Cn0Group));
        QCOMPARE(dataSet->yData->dataSize(), 3);
    }
    QVERIFY(std::isnan(cn0[1]->yData->getValue(0)));
    QCOMPARE(cn0[1]->yData->getValue(1), 35.0);
    QVERIFY(std::isnan(cn0[0]->yData->getValue(2)));
    QCOMPARE(model.timeArray(MonitorModel::Cn0Group)->dataSize(), 3);

    // The fix mode holds its value while only the position error arrives.
    QCOMPARE(model.pointCount(MonitorModel::FixGroup), 2);
    QCOMPARE(model.fixModeBar()->yData->getValue(1), 3.0);
    QVERIFY(model.fixModeBar()->getLook()->isColorBar());
    QCOMPARE(model.fixModeBar()->getLook()->getColor(1), MonitorModel::fixModeColor(RtkFloat));
    QCOMPARE(model.positionError()->yData->getValue(1), 0.2);
    QCOMPARE(model.pointCount(MonitorModel::SatelliteGroup), 2);
    QCOMPARE(model.satelliteCount()->yData->getValue(1), 6.0);
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
        const Epoch epoch = receiver.next();
        last = epoch.timeMs;
        model.add(epoch);
        if (i == 4999)
            memoryAfterWarmUp = DataArray::getTotalVectorMemoryConsumption();
    }
    QVERIFY(memoryAfterWarmUp > 0);
    QVERIFY(DataArray::getTotalVectorMemoryConsumption() <= memoryAfterWarmUp * 11 / 10);
    for (int group = 0; group < MonitorModel::GroupCount; ++group) {
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
    for (XYDataSet* dataSet : model.cn0DataSets() + QList<XYDataSet*>{model.fixModeBar(), model.positionError()})
        QCOMPARE(dataSet->yData->dataSize(), dataSet->xData->dataSize());
    // The bar's appearance follows its values after shifting or decimating.
    XYDataSet* bar = model.fixModeBar();
    for (int i = 0; i < bar->yData->dataSize(); i += 97)
        QCOMPARE(bar->getLook()->getColor(i), MonitorModel::fixModeColor(int(bar->yData->getValue(i))));
}

QTEST_MAIN(TestGnssMonitor)
#include "tst_gnssmonitor.moc"
