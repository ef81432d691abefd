// The monitor against real components, each started here and stopped at the
// end, on loopback only: gpsd fed by gpsfake, a serial line through a
// pseudo-terminal pair, and a TCP server that goes away and comes back.  The
// monitor runs as the user runs it (--render) and is checked by what it says
// it drew and by the colours in its images; the facts come from reading the
// recordings by eye.
#include "receiverdata.h"
#include <QtTest>

#include <QImage>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <csignal>
#include <cstdlib>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

/// Pixels within 12 per channel of `color`.
int pixels(QString const& file, QColor color)
{
    const QImage image = QImage(file).convertToFormat(QImage::Format_RGB32);
    int hits = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            hits += std::abs(qRed(p) - color.red()) <= 12 && std::abs(qGreen(p) - color.green()) <= 12
                    && std::abs(qBlue(p) - color.blue()) <= 12;
        }
    }
    return hits;
}

/// Runs the monitor headless with `source` for `seconds` of wall-clock time
/// while the event loop serves the test's side; its standard output.
QString runMonitor(QTemporaryDir const& dir, QStringList const& source, int seconds)
{
    QProcess monitor;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    monitor.setProcessEnvironment(environment);
    monitor.start(QStringLiteral(MONITOR_EXECUTABLE),
                  source + QStringList{"--duration", QString::number(seconds), "--size", "1200x700", "--render",
                                       dir.path()});
    if (!monitor.waitForStarted())
        return QStringLiteral("cannot start the monitor");
    QElapsedTimer clock;
    clock.start();
    while (monitor.state() != QProcess::NotRunning && clock.elapsed() < (seconds + 60) * 1000)
        QTest::qWait(50);
    if (monitor.state() != QProcess::NotRunning) {
        monitor.kill();
        monitor.waitForFinished();
    }
    const QString output = QString::fromLocal8Bit(monitor.readAllStandardOutput());
    qInfo().noquote() << output;
    return output;
}

/// The "plotted: C/N0 <band>: ..." line of the monitor's report.
QString curves(QString const& output, QString const& band)
{
    const QRegularExpression line(QStringLiteral("plotted: C/N0 %1: [^\n]*").arg(band));
    return line.match(output).captured();
}

/// Sends `data` to `socket` and closes it once it is written.
void sendAndClose(QTcpSocket* socket, QByteArray const& data)
{
    socket->write(data);
    QObject::connect(socket, &QTcpSocket::bytesWritten, socket, [socket] {
        if (socket->bytesToWrite() == 0)
            socket->disconnectFromHost();
    });
}

} // namespace

class TestMonitorSources : public QObject
{
    Q_OBJECT

private slots:
    void gpsdThroughGpsfake();
    void serialLineThroughPseudoTerminal();
    void tcpPeerClosesAndComesBack();
};

void TestMonitorSources::gpsdThroughGpsfake()
{
    QTemporaryDir dir;
    const quint16 port = freePort();
    // gpsfake starts a gpsd of its own on the port and feeds it the
    // recording through a pseudo-terminal once a client connects.  Both run
    // in a process group of their own, so that both can be stopped.
    QProcess gpsfake;
    gpsfake.setChildProcessModifier([] { ::setsid(); });
    gpsfake.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    gpsfake.start(QStringLiteral("gpsfake"), {"-1", "-q", "-P", QString::number(port), "-c", "0.01",
                                             QStringLiteral(RECEIVER_DATA_DIR "/ublox-8.log")});
    QVERIFY2(gpsfake.waitForStarted(), "gpsfake not found: scripts/deps.sh installs gpsd, gpsd-clients, python3-gps");
    const auto stop = qScopeGuard([&] {
        // gpsfake may not heed SIGTERM: a short grace, then SIGKILL.
        const pid_t group = pid_t(gpsfake.processId());
        if (group > 0) {
            ::kill(-group, SIGTERM);
            if (!gpsfake.waitForFinished(2000))
                ::kill(-group, SIGKILL);
            gpsfake.waitForFinished(5000);
            ::kill(-group, SIGKILL); // gpsd, if gpsfake went first
        }
    });
    auto listening = [port] {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port);
        return probe.waitForConnected(200);
    };
    QTRY_VERIFY_WITH_TIMEOUT(listening(), 15000);

    const QString output = runMonitor(dir, {"--gpsd", QStringLiteral("127.0.0.1:%1").arg(port)}, 6);
    // ublox-8.log from 00:09:41 (2017-01-10) on: $GPGSV,4,1,16 ... 4,4,16
    // track GPS 03 04 06 07 08 09 16 22 23 26 27 30 (02 and the SBAS 46 48 51
    // have no C/N0), $GLGSV 69 70 73 79 80 (R05 R06 R09 R15 R16; 71 only in
    // the first seven seconds); every $GNGGA has quality 1; gpsd decodes it
    // with its NMEA driver.
    const QString l1 = curves(output, QStringLiteral("L1"));
    for (const char* satellite : {"G03", "G04", "G06", "G07", "G08", "G09", "G16", "G22", "G23", "G26", "G27", "G30",
                                  "R05", "R06", "R09", "R15", "R16"})
        QVERIFY2(l1.contains(QLatin1String(satellite) + QLatin1String(" L1")), satellite);
    QVERIFY(!l1.contains(QLatin1String("G02")));
    QVERIFY(!l1.contains(QLatin1String("S3")));
    QVERIFY(output.contains(QRegularExpression(QStringLiteral("plotted: ([1-9][0-9]) epochs; fix modes: Autonomous \\1;"))));
    QVERIFY(output.contains(QStringLiteral("gpsd JSON")));
    // The fix-mode bar and the GPS symbols were drawn.
    QVERIFY(pixels(dir.filePath(QStringLiteral("fix-mode.png")), QColor(245, 150, 0)) >= 400);
    QVERIFY(pixels(dir.filePath(QStringLiteral("cn0-elevation.png")), QColor(31, 119, 180)) >= 400);
}

void TestMonitorSources::serialLineThroughPseudoTerminal()
{
    int master = -1, slave = -1;
    char name[128] = {};
    QVERIFY(::openpty(&master, &slave, name, nullptr, nullptr) == 0);
    // The line starts at 9600 baud; the monitor must set what it is told.
    termios settings;
    ::tcgetattr(slave, &settings);
    ::cfmakeraw(&settings);
    ::cfsetspeed(&settings, B9600);
    ::tcsetattr(slave, TCSANOW, &settings);
    ::fcntl(master, F_SETFL, O_NONBLOCK);
    // The monitor must not inherit the master: closing it here is the
    // device going away.
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);

    // The ZED-F9P recording at 115 200 baud: 11 520 bytes a second, 230 every
    // 20 ms; then the device goes away.
    const QByteArray data = recording("ublox-zed-f9p-nmea.log");
    qsizetype sent = 0;
    bool sawBaud = false;
    QTimer line;
    connect(&line, &QTimer::timeout, this, [&] {
        termios now;
        if (slave >= 0 && ::tcgetattr(slave, &now) == 0 && ::cfgetospeed(&now) == B115200)
            sawBaud = true;
        if (sent < data.size() && sawBaud) {
            const ssize_t n = ::write(master, data.constData() + sent, std::min<qsizetype>(230, data.size() - sent));
            sent += std::max<ssize_t>(n, 0);
        } else if (sent == data.size() && master >= 0) {
            ::close(master);
            ::close(slave);
            master = slave = -1;
        }
    });
    line.start(20);
    const QString output =
        runMonitor(QTemporaryDir(), {"--serial", QString::fromLatin1(name) + QStringLiteral(":115200")}, 12);
    line.stop();
    if (master >= 0) {
        ::close(master);
        ::close(slave);
    }
    QVERIFY(sawBaud);
    QCOMPARE(sent, data.size());
    // The first epoch by eye: GPS L1 05 10 13 15 16 20 21 27 29, L2 27; every
    // epoch of the recording arrived.
    QVERIFY(curves(output, QStringLiteral("L1")).startsWith(
        QStringLiteral("plotted: C/N0 L1: 23 curves: G05 L1 G10 L1 G13 L1 G15 L1 G16 L1 G20 L1 G21 L1 G27 L1 G29 L1")));
    QVERIFY(output.contains(QStringLiteral("plotted: 29 epochs; fix modes: Autonomous 29;")));
    // The vanished device is a fault with its time.
    QVERIFY(output.contains(QRegularExpression(QStringLiteral("\n  [0-9:]{8} %1: ").arg(QLatin1String(name)))));
}

void TestMonitorSources::tcpPeerClosesAndComesBack()
{
    // The ZED-F9P recording in two parts, cut between the epochs of 00:40:09
    // and 00:40:10: the first connection gets the first part, then the server
    // closes and refuses for a while, then it listens again and sends the rest.
    const QByteArray data = recording("ublox-zed-f9p-nmea.log");
    const qsizetype cut = data.indexOf("$GNRMC,004010.00");
    QVERIFY(cut > 0);
    const quint16 port = freePort();
    QTcpServer server;
    int connections = 0;
    connect(&server, &QTcpServer::newConnection, this, [&] {
        while (QTcpSocket* socket = server.nextPendingConnection()) {
            ++connections;
            sendAndClose(socket, connections == 1 ? data.first(cut) : data.sliced(cut));
            server.close();
            if (connections == 1)
                QTimer::singleShot(2500, &server, [&] { server.listen(QHostAddress::LocalHost, port); });
        }
    });
    QVERIFY(server.listen(QHostAddress::LocalHost, port));
    const QString output = runMonitor(QTemporaryDir(), {"--tcp", QStringLiteral("127.0.0.1:%1").arg(port)}, 8);
    QCOMPARE(connections, 2);
    // Both parts arrived and every epoch is drawn once.
    QVERIFY(output.contains(QStringLiteral("plotted: 29 epochs; fix modes: Autonomous 29;")));
    QVERIFY(output.contains(QStringLiteral("NMEA 0183: 1027 lines, 29 epochs")));
    // The close and at least one refused attempt were counted; 2 connections.
    QVERIFY(output.contains(QRegularExpression(QStringLiteral("[2-9] link faults, 2 connections made"))));
    QVERIFY(output.contains(QStringLiteral("127.0.0.1:%1: closed by the peer").arg(port)));
    QVERIFY(output.contains(QStringLiteral("127.0.0.1:%1: Connection refused").arg(port)));
}

QTEST_GUILESS_MAIN(TestMonitorSources)
#include "tst_monitorsources.moc"
