// GNSS Monitor: a small host application of the plotting library.  It shows
// the C/N0 of every tracked satellite, the fix mode with the position error,
// the number of satellites used, the RF spectrum and the code correlation of a
// simulated receiver, or replays a recording.
//
//   gnss-monitor [--replay FILE.csv [--follow]] [--speed X] [--rate HZ] [--max-points N]
//                [--decimate] [--render DIR] [--format png,pdf,svg] [--duration SECONDS] [--size WxH] [--seed N]
//
// Without a display (no DISPLAY or WAYLAND_DISPLAY) it renders into
// gnss-monitor-output/ unless --render names another directory.
#include "monitorwindow.h"

#include <zebplot/zebplot.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QStandardPaths>

#include <cstdio>
#include <cstdlib>

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
        "Monitors a GNSS receiver: C/N0, fix mode, position error, satellites, spectrum, correlation.\n"
        "Replay files hold one sample per line: time_ms,series,value (ms since 1980-01-06 00:00:00 GNSS);\n"
        "series cn0:<sat>, fixmode (0 no fix .. 4 RTK fixed), poserr (m), nsat; other names go to the C/N0 plot.\n"
        "The replay may be a file, a FIFO or a pipe (--replay /dev/stdin)."));
    QCommandLineOption helpOption = parser.addHelpOption();
    QCommandLineOption replayOption(QStringLiteral("replay"), QStringLiteral("Replay a CSV recording."),
                                    QStringLiteral("file"));
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
                                                     "makes at most 1e8 epochs (default 600)."),
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
    parser.addOptions({replayOption, followOption, speedOption, rateOption, maxPointsOption, decimateOption,
                       renderOption, durationOption, sizeOption, formatOption, seedOption});

    // Every mistake on the command line ends here, with exit code 2, before
    // anything runs: a value out of range would otherwise run forever or
    // silently show nothing.
    auto usageError = [](QString const& message) {
        std::fprintf(stderr, "gnss-monitor: %s\n", qPrintable(message));
        std::exit(2);
    };
    if (!parser.parse(QCoreApplication::arguments()))
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
    options.replayFile = parser.value(replayOption);
    if (parser.isSet(replayOption) && options.replayFile.isEmpty())
        usageError(QStringLiteral("--replay needs a file name"));
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
    const double duration = number(durationOption, 0.0, 366.0 * 86400.0);
    if (options.replayFile.isEmpty() && duration * options.rateHz > 1e8)
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
