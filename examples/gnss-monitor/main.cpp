// GNSS Monitor: a small host application of the plotting library.  It shows
// the C/N0 of every tracked satellite, the fix mode with the position error,
// the number of satellites used, the RF spectrum and the code correlation of a
// simulated receiver, or replays a recording.
//
//   gnss-monitor [--replay FILE.csv] [--speed X] [--rate HZ] [--max-points N]
//                [--decimate] [--render DIR] [--duration SECONDS] [--size WxH]
//
// Without a display (no DISPLAY or WAYLAND_DISPLAY) it renders into
// gnss-monitor-output/ unless --render names another directory.
#include "monitorwindow.h"

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
        "series cn0:<sat>, fixmode (0 no fix .. 4 RTK fixed), poserr (m), nsat; other names go to the C/N0 plot."));
    parser.addHelpOption();
    QCommandLineOption replayOption(QStringLiteral("replay"), QStringLiteral("Replay a CSV recording."),
                                    QStringLiteral("file"));
    QCommandLineOption speedOption(QStringLiteral("speed"),
                                   QStringLiteral("Data seconds per second in the window (0: as fast as possible; default 1)."),
                                   QStringLiteral("x"), QStringLiteral("1"));
    QCommandLineOption rateOption(QStringLiteral("rate"), QStringLiteral("Epochs per second of the simulator (default 10)."),
                                  QStringLiteral("hz"), QStringLiteral("10"));
    QCommandLineOption maxPointsOption(QStringLiteral("max-points"),
                                       QStringLiteral("Samples kept per plot (0: all; default 20000)."), QStringLiteral("n"),
                                       QStringLiteral("20000"));
    QCommandLineOption decimateOption(QStringLiteral("decimate"),
                                      QStringLiteral("Halve the sample density at the limit instead of "
                                                     "dropping the oldest samples."));
    QCommandLineOption renderOption(QStringLiteral("render"),
                                    QStringLiteral("Run without window and write PNG files into dir (the default without a display)."),
                                    QStringLiteral("dir"));
    QCommandLineOption durationOption(QStringLiteral("duration"),
                                      QStringLiteral("Data seconds to run before rendering (default 600)."),
                                      QStringLiteral("seconds"), QStringLiteral("600"));
    QCommandLineOption sizeOption(QStringLiteral("size"), QStringLiteral("Size of the rendered plots (default 1600x900)."),
                                  QStringLiteral("WxH"), QStringLiteral("1600x900"));
    QCommandLineOption seedOption(QStringLiteral("seed"), QStringLiteral("Seed of the simulator."),
                                  QStringLiteral("n"), QStringLiteral("20240501"));
    parser.addOptions({replayOption, speedOption, rateOption, maxPointsOption, decimateOption, renderOption,
                       durationOption, sizeOption, seedOption});
    parser.process(app);

    auto number = [&](QCommandLineOption const& option, double minimum) {
        bool ok = false;
        const double value = parser.value(option).toDouble(&ok);
        if (!ok || value < minimum) {
            std::fprintf(stderr, "gnss-monitor: --%s needs a number >= %g\n",
                         qPrintable(option.names().first()), minimum);
            std::exit(2);
        }
        return value;
    };
    MonitorOptions options;
    options.replayFile = parser.value(replayOption);
    options.speed = number(speedOption, 0.0);
    options.rateHz = number(rateOption, 0.1);
    options.maxPoints = int(number(maxPointsOption, 0.0));
    options.decimate = parser.isSet(decimateOption);
    options.seed = unsigned(number(seedOption, 0.0));
    const double duration = number(durationOption, 0.0);
    const QStringList size = parser.value(sizeOption).split(QLatin1Char('x'));
    const QSize renderSize = size.size() == 2 ? QSize(size[0].toInt(), size[1].toInt()) : QSize();
    if (!renderSize.isValid() || renderSize.width() < 200 || renderSize.height() < 150) {
        std::fprintf(stderr, "gnss-monitor: --size needs WxH, at least 200x150\n");
        return 2;
    }

    const QString configDir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (!configDir.isEmpty() && QDir().mkpath(configDir))
        options.settingsFile = QDir(configDir).filePath(QStringLiteral("gnss-monitor.ini"));

    QString renderDir = parser.value(renderOption);
    const bool headless = QGuiApplication::platformName() == QLatin1String("offscreen")
        || QGuiApplication::platformName() == QLatin1String("minimal");
    if (renderDir.isEmpty() && headless)
        renderDir = QStringLiteral("gnss-monitor-output");

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
        // Laid out and drawn like on screen, but not shown on a display.
        window.setAttribute(Qt::WA_DontShowOnScreen);
        window.show();
        return window.renderAll(renderDir, renderSize) ? 0 : 1;
    }
    window.show();
    window.startLive();
    return app.exec();
}
