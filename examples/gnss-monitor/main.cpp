// GNSS Monitor: a small host application of the plotting library.  It shows
// the C/N0 of every tracked satellite and signal, the fix mode with the
// position error, the satellites used, the DOPs, C/N0 against elevation, and
// for the simulated receiver the RF spectrum and the code correlation.  It
// reads a simulated receiver, a recording (NMEA 0183, gpsd JSON or its own
// CSV), a serial port, a TCP stream or gpsd.
//
//   gnss-monitor [--replay FILE [--follow] | --serial DEV[:BAUD] | --tcp HOST:PORT | --gpsd [HOST[:PORT]]]
//                [--date YYYY-MM-DD] [--speed X] [--rate HZ] [--max-points N] [--decimate]
//                [--render DIR] [--format png,pdf,svg] [--duration SECONDS] [--size WxH] [--seed N]
//
// Without a display (no DISPLAY or WAYLAND_DISPLAY) it renders into
// gnss-monitor-output/ unless --render names another directory.
#include "monitorwindow.h"

#include <zebplot/zebplot.h>

#include "gpsdsource.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

bool haveDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char** argv)
{
    // Without a display the window can still be drawn and saved.
    if (!haveDisplay() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("ZebPlot"));
    QApplication::setApplicationName(QStringLiteral("gnss-monitor"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Monitors a GNSS receiver: C/N0 per satellite and signal, fix mode, position error, satellites used,\n"
        "DOP, C/N0 against elevation; spectrum and correlation of the simulated receiver (the default).\n"
        "Replays NMEA 0183, gpsd JSON (gpspipe -w) or the monitor's CSV, told apart by their content; the\n"
        "replay may be a file, a FIFO or a pipe (--replay /dev/stdin). Reads NMEA live from a serial port or\n"
        "a TCP port, or the reports of gpsd; live sources reconnect by themselves."));
    QCommandLineOption helpOption = parser.addHelpOption();
    QCommandLineOption replayOption(QStringLiteral("replay"),
                                    QStringLiteral("Replay a recording: NMEA 0183, gpsd JSON or the monitor's CSV."),
                                    QStringLiteral("file"));
    QCommandLineOption serialOption(QStringLiteral("serial"),
                                    QStringLiteral("Read NMEA from a serial port, 8N1, at BAUD (default 9600)."),
                                    QStringLiteral("device[:baud]"));
    QCommandLineOption tcpOption(QStringLiteral("tcp"), QStringLiteral("Read NMEA from a TCP port."),
                                 QStringLiteral("host:port"));
    QCommandLineOption gpsdOption(QStringLiteral("gpsd"),
                                  QStringLiteral("Watch the reports of gpsd (default localhost:2947)."),
                                  QStringLiteral("host[:port]"));
    QCommandLineOption dateOption(QStringLiteral("date"),
                                  QStringLiteral("UTC date of NMEA data without RMC or ZDA sentences."),
                                  QStringLiteral("yyyy-mm-dd"));
    QCommandLineOption followOption(QStringLiteral("follow"),
                                    QStringLiteral("At the end of the replay file, wait for more lines (a recording "
                                                   "still being written); in the window only."));
    QCommandLineOption speedOption(QStringLiteral("speed"),
                                   QStringLiteral("Data seconds per second in the window, up to 1e6 (0: as fast as "
                                                  "possible; default 1)."),
                                   QStringLiteral("x"), QStringLiteral("1"));
    QCommandLineOption rateOption(QStringLiteral("rate"),
                                  QStringLiteral("Epochs per second of the simulator, 0.1 to 1000 (default 10)."),
                                  QStringLiteral("hz"), QStringLiteral("10"));
    QCommandLineOption maxPointsOption(QStringLiteral("max-points"),
                                       QStringLiteral("Samples kept per plot, 100 to 100000000 (0: all; default 20000)."),
                                       QStringLiteral("n"), QStringLiteral("20000"));
    QCommandLineOption decimateOption(QStringLiteral("decimate"),
                                      QStringLiteral("Halve the sample density at the limit instead of "
                                                     "dropping the oldest samples."));
    QCommandLineOption renderOption(QStringLiteral("render"),
                                    QStringLiteral("Run without window and write PNG files into dir (the default without a display)."),
                                    QStringLiteral("dir"));
    QCommandLineOption durationOption(QStringLiteral("duration"),
                                      QStringLiteral("Data seconds to run before rendering, up to 366 days; the simulator "
                                                     "makes at most 1e8 epochs; a live source is read for this many "
                                                     "seconds of wall-clock time (default 600; a replay is read "
                                                     "to its end)."),
                                      QStringLiteral("seconds"), QStringLiteral("600"));
    QCommandLineOption sizeOption(QStringLiteral("size"),
                                  QStringLiteral("Size of the rendered plots, 200x150 to 10000x10000 (default 1600x900)."),
                                  QStringLiteral("WxH"), QStringLiteral("1600x900"));
    QCommandLineOption formatOption(QStringLiteral("format"),
                                    QStringLiteral("File types written by --render: png, pdf, svg, comma-separated "
                                                   "(default png)."),
                                    QStringLiteral("list"), QStringLiteral("png"));
    QCommandLineOption seedOption(QStringLiteral("seed"), QStringLiteral("Seed of the simulator, 0 to 4294967295."),
                                  QStringLiteral("n"), QStringLiteral("20240501"));
    parser.addOptions({replayOption, serialOption, tcpOption, gpsdOption, dateOption, followOption, speedOption,
                       rateOption, maxPointsOption, decimateOption, renderOption, durationOption, sizeOption,
                       formatOption, seedOption});

    // --gpsd alone (last, or before another option) means the local daemon.
    QStringList arguments = QCoreApplication::arguments();
    for (int i = 1; i < arguments.size(); ++i) {
        if ((arguments[i] == QLatin1String("--gpsd") || arguments[i] == QLatin1String("-gpsd"))
            && (i + 1 == arguments.size() || arguments[i + 1].startsWith(QLatin1Char('-'))))
            arguments.insert(i + 1, QStringLiteral("localhost"));
    }

    // Every mistake on the command line ends here, with exit code 2, before
    // anything runs: a value out of range would otherwise run forever or
    // silently show nothing.
    auto usageError = [](QString const& message) {
        std::fprintf(stderr, "gnss-monitor: %s\n", qPrintable(message));
        std::exit(2);
    };
    if (!parser.parse(arguments))
        usageError(parser.errorText());
    if (parser.isSet(helpOption))
        parser.showHelp(0);
    if (!parser.positionalArguments().isEmpty())
        usageError(QStringLiteral("unexpected argument \"%1\" (a replay file goes after --replay)")
                       .arg(parser.positionalArguments().first()));
    auto number = [&](QCommandLineOption const& option, double minimum, double maximum) {
        bool ok = false;
        const double value = parser.value(option).toDouble(&ok);
        // Written so that NaN fails too.
        if (!ok || !(value >= minimum && value <= maximum))
            usageError(QStringLiteral("--%1 needs a number from %2 to %3, not \"%4\"")
                           .arg(option.names().first())
                           .arg(minimum, 0, 'g', 10)
                           .arg(maximum, 0, 'g', 10)
                           .arg(parser.value(option)));
        return value;
    };
    auto whole = [&](QCommandLineOption const& option, qulonglong minimum, qulonglong maximum) {
        bool ok = false;
        const qulonglong value = parser.value(option).toULongLong(&ok);
        if (!ok || value < minimum || value > maximum)
            usageError(QStringLiteral("--%1 needs a whole number from %2 to %3, not \"%4\"")
                           .arg(option.names().first())
                           .arg(minimum)
                           .arg(maximum)
                           .arg(parser.value(option)));
        return value;
    };
    MonitorOptions options;
    using Source = MonitorOptions::Source;
    int sources = 0;
    for (QCommandLineOption const* option : {&replayOption, &serialOption, &tcpOption, &gpsdOption})
        sources += parser.isSet(*option);
    if (sources > 1)
        usageError(QStringLiteral("give one of --replay, --serial, --tcp and --gpsd"));
    // "host:port" or "device:baud"; the part after the last colon is a number
    // in [minimum, maximum], or the default when there is no colon.
    auto split = [&](QCommandLineOption const& option, qulonglong minimum, qulonglong maximum,
                     qulonglong fallback, bool numberRequired, QString& head) {
        const QString value = parser.value(option);
        qsizetype colon = value.lastIndexOf(QLatin1Char(':'));
        // Device paths may hold colons themselves (/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0).
        static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
        if (!numberRequired && colon >= 0 && !digits.match(value.mid(colon + 1)).hasMatch()
            && option.names().first() == QLatin1String("serial"))
            colon = -1;
        head = colon < 0 ? value : value.left(colon);
        bool ok = colon >= 0 || !numberRequired;
        qulonglong number = colon < 0 ? fallback : value.mid(colon + 1).toULongLong(&ok);
        if (head.isEmpty() || !ok || number < minimum || number > maximum)
            usageError(QStringLiteral("--%1 needs %2, not \"%3\"")
                           .arg(option.names().first(), option.valueName(), value));
        return number;
    };
    options.replayFile = parser.value(replayOption);
    if (parser.isSet(replayOption)) {
        if (options.replayFile.isEmpty())
            usageError(QStringLiteral("--replay needs a file name"));
        options.source = Source::Replay;
    } else if (parser.isSet(serialOption)) {
        options.source = Source::Serial;
        options.baudRate = qint32(split(serialOption, 50, 4000000, 9600, false, options.device));
    } else if (parser.isSet(tcpOption)) {
        options.source = Source::Tcp;
        options.port = quint16(split(tcpOption, 1, 65535, 0, true, options.device));
    } else if (parser.isSet(gpsdOption)) {
        options.source = Source::Gpsd;
        options.port = quint16(split(gpsdOption, 1, 65535, GpsdSource::kDefaultPort, false, options.device));
    }
    if (parser.isSet(dateOption)) {
        options.date = QDate::fromString(parser.value(dateOption), Qt::ISODate);
        if (!options.date.isValid() || options.date.year() < 1980 || options.date.year() > 2299)
            usageError(QStringLiteral("--date needs a date YYYY-MM-DD from 1980 to 2299, not \"%1\"")
                           .arg(parser.value(dateOption)));
    }
    options.follow = parser.isSet(followOption);
    if (options.follow && options.replayFile.isEmpty())
        usageError(QStringLiteral("--follow needs --replay"));
    options.speed = number(speedOption, 0.0, 1e6);
    options.rateHz = number(rateOption, 0.1, 1000.0);
    options.maxPoints = int(whole(maxPointsOption, 0, 100000000));
    if (options.maxPoints > 0 && options.maxPoints < 100)
        usageError(QStringLiteral("--max-points needs 0 (all) or at least 100"));
    options.decimate = parser.isSet(decimateOption);
    options.seed = unsigned(whole(seedOption, 0, 4294967295u));
    double duration = number(durationOption, 0.0, 366.0 * 86400.0);
    // A recording is rendered whole unless a duration is asked for: the
    // interesting part of a receiver log (an RTK fix, an outage) is often not
    // in its first ten minutes.
    if (options.source == Source::Replay && !parser.isSet(durationOption))
        duration = std::numeric_limits<double>::infinity();
    if (options.source == Source::Simulator && duration * options.rateHz > 1e8)
        usageError(QStringLiteral("--duration %1 at --rate %2 would simulate more than 1e8 epochs")
                       .arg(duration)
                       .arg(options.rateHz));
    const QStringList size = parser.value(sizeOption).split(QLatin1Char('x'));
    bool widthOk = false;
    bool heightOk = false;
    const QSize renderSize = size.size() == 2 ? QSize(size[0].toInt(&widthOk), size[1].toInt(&heightOk)) : QSize();
    if (!widthOk || !heightOk || renderSize.width() < 200 || renderSize.height() < 150
        || renderSize.width() > 10000 || renderSize.height() > 10000)
        usageError(QStringLiteral("--size needs WxH from 200x150 to 10000x10000, not \"%1\"")
                       .arg(parser.value(sizeOption)));
    if (parser.isSet(renderOption) && parser.value(renderOption).isEmpty())
        usageError(QStringLiteral("--render needs a directory"));

    const QString configDir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (!configDir.isEmpty() && QDir().mkpath(configDir))
        options.settingsFile = QDir(configDir).filePath(QStringLiteral("gnss-monitor.ini"));

    QStringList formats;
    for (QString const& format : parser.value(formatOption).toLower().split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString name = format.trimmed();
        if (name != QLatin1String("png") && name != QLatin1String("pdf") && name != QLatin1String("svg"))
            usageError(QStringLiteral("--format takes png, pdf and svg, not \"%1\"").arg(name));
        if (!formats.contains(name))
            formats.append(name);
    }
    if (formats.isEmpty())
        usageError(QStringLiteral("--format needs at least one of png, pdf, svg"));

    QString renderDir = parser.value(renderOption);
    const bool headless = QGuiApplication::platformName() == QLatin1String("offscreen")
        || QGuiApplication::platformName() == QLatin1String("minimal");
    if (renderDir.isEmpty() && headless)
        renderDir = QStringLiteral("gnss-monitor-output");

    // Nobody can answer a message box in a headless run: it would wait
    // forever, so the library is told not to show any.
    if (!renderDir.isEmpty())
        zebplotUserInteractionDisabled = true;
    // A followed file never ends; a headless run reads it to its current end.
    if (!renderDir.isEmpty())
        options.follow = false;

    MonitorWindow window(options);
    QString error;
    if (!window.openSource(&error)) {
        std::fprintf(stderr, "gnss-monitor: cannot read %s: %s\n", qPrintable(options.replayFile),
                     qPrintable(error));
        return 1;
    }
    window.resize(1500, 1000);

    if (!renderDir.isEmpty()) {
        window.runFor(duration);
        window.reportSource();
        if (!window.dateAdvice().isEmpty()) {
            std::fprintf(stderr, "gnss-monitor: %s: %s\n", qPrintable(options.replayFile),
                         qPrintable(window.dateAdvice()));
            return 1;
        }
        // Laid out and drawn like on screen, but not shown on a display.
        window.setAttribute(Qt::WA_DontShowOnScreen);
        window.show();
        return window.renderAll(renderDir, renderSize, formats) ? 0 : 1;
    }
    window.show();
    window.startLive();
    const int status = app.exec();
    window.reportSource();
    return status;
}
