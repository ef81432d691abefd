// The ready-made plots as a monitoring tool would show them, written to PNG:
//
//   timeplot_gnss.png, timeplot_utc.png, timeplot_local.png, timeplot_tow.png,
//   timeplot_seconds.png   one hour of C/N0 of five satellites above a fix-mode
//                          colour bar with a position-error series ("No fix"
//                          switched off, so the error is masked there), once
//                          per time-axis type
//   spectrum.png           a spectrum over the signal bands with two interference lines
//   correlation.png        early/late correlation curves in their fixed window
//
//   timeplotgallery [output-directory]
#include <zebplot/zebplot.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QVBoxLayout>

#include <cmath>
#include <cstdio>

namespace {

void settle(int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool save(QPixmap const& pixmap, QString const& path)
{
    bool const ok = pixmap.save(path);
    std::printf("%s %s (%dx%d)\n", ok ? "wrote" : "could not write", qPrintable(path), pixmap.width(),
                pixmap.height());
    return ok;
}

// GNSS week 2345, Tuesday 14:00 GNSS time, in milliseconds since the origin.
constexpr double kStartMs = (2345.0 * 7 * 86400 + 2 * 86400 + 14 * 3600) * 1000.0;

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Writes PNGs and exits: nobody is there to answer a message box.
    zebplotUserInteractionDisabled = true;
    QDir const directory(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    if (!directory.exists() && !QDir().mkpath(directory.path())) {
        std::printf("cannot create %s\n", qPrintable(directory.path()));
        return 1;
    }
    bool ok = true;

    // --- time plots -------------------------------------------------------
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* signal = new TimePlotWidget(18, QStringLiteral("Signal strength"), 260, 600, QStringLiteral("C/N0 (dB-Hz)"),
                                      false, 1.0, nullptr);
    auto* position = new TimePlotWidget(18, QStringLiteral("Position error"), 220, 600,
                                        QStringLiteral("Error (m)"), false, 0.1, nullptr);
    layout->addWidget(signal);
    layout->addWidget(position);
    signal->setUtcOffset(2.0f);
    position->setUtcOffset(2.0f);

    // One time array for all satellites: they are sampled together.
    auto* time = new DataArrayTemplate<double>();
    time->setReferenceCounted(true);
    char const* names[] = {"G05", "G12", "E24", "R07", "C21"};
    QColor const colours[] = {QColor(31, 119, 180), QColor(44, 160, 44), QColor(214, 39, 40),
                              QColor(148, 103, 189), QColor(140, 86, 75)};
    QList<XYDataSet*> satellites;
    QList<DataArrayTemplate<double>*> cn0;
    for (int k = 0; k < 5; ++k) {
        cn0.append(new DataArrayTemplate<double>());
        satellites.append(new XYDataSet(time, cn0[k], QString::fromLatin1(names[k]), colours[k], SYMBOL_NONE,
                                        Qt::SolidLine, 1));
    }

    auto* bar = new XYDataSet(new DataArrayTemplate<double>(), new DataArrayTemplate<double>(),
                              QStringLiteral("Fix mode Bar"), Qt::darkGreen, SYMBOL_NONE, Qt::SolidLine, 8);
    auto* fixLook = new ValueBasedLook(bar, Qt::darkGreen, SYMBOL_NONE, Qt::SolidLine, 8);
    fixLook->setColorBar(-14);
    fixLook->addTableEntry(0, QColor(0, 160, 0), QStringLiteral("RTK fixed"));
    fixLook->addTableEntry(1, QColor(240, 190, 0), QStringLiteral("DGNSS"));
    fixLook->addTableEntry(2, QColor(220, 40, 40), QStringLiteral("No fix"));
    auto* error = new XYDataSet(new DataArrayTemplate<double>(), new DataArrayTemplate<double>(),
                                QStringLiteral("3D error"), QColor(31, 119, 180), SYMBOL_NONE, Qt::SolidLine, 1);
    position->getXYPlot()->getCanvas()->setViewportMargin(0, 0, 30, 10);

    for (int i = 0; i <= 3600; ++i) {
        double const t = kStartMs + i * 1000.0;
        time->append(t);
        for (int k = 0; k < 5; ++k) {
            double const elevation = std::sin((i / 3600.0 + 0.2 * k) * 3.14159);
            // Below the mask angle the satellite is not tracked: a gap.
            double const value = elevation < 0.1 ? std::nan("")
                                                 : 30 + 18 * elevation + 0.8 * std::sin(i * 0.05 + k) * std::cos(i * 0.011);
            cn0[k]->append(value);
        }
        int const mode = (i / 300) % 6 == 4 ? 2 : ((i / 300) % 6 == 2 ? 1 : 0);
        bar->append(t, mode);
        double const base = mode == 0 ? 0.03 : (mode == 1 ? 0.6 : 8.0);
        error->append(t, base * (1.0 + 0.3 * std::sin(i * 0.21)));
    }
    signal->setDataSets(satellites);
    signal->showStatistics = true;
    signal->showHMarkerOne(true);
    position->setDataSets({bar, error});
    position->setColorBarFilter(bar, {QStringLiteral("No fix")});
    position->addHorizMarkerTwo(QStringLiteral("alarm limit"), Qt::DashLine, QColor(200, 0, 0));
    position->updateHorizMarkerTwo(5.0, QString());
    position->showHMarkerTwo(true);
    signal->updateTimePlot();
    position->updateTimePlot();

    window.resize(1100, 800);
    window.show();
    settle(600);

    struct AxisType
    {
        ETimeType type;
        char const* file;
    };
    AxisType const types[] = {{eSHOW_GNSS, "timeplot_gnss.png"},
                              {eSHOW_UTC, "timeplot_utc.png"},
                              {eSHOW_LOCAL, "timeplot_local.png"},
                              {eSHOW_TOW, "timeplot_tow.png"},
                              {eSHOW_SECONDS, "timeplot_seconds.png"}};
    for (AxisType const& axis : types) {
        signal->changeTimeAxis(axis.type);
        position->changeTimeAxis(axis.type);
        signal->getXYPlot()->showFullPlot();
        position->getXYPlot()->showFullPlot();
        settle(400);
        ok = save(window.grab(), directory.filePath(QString::fromLatin1(axis.file))) && ok;
    }

    // --- spectrum ---------------------------------------------------------
    SpectrumPlotWidget spectrum;
    auto* power = new XYDataSet(new DataArrayTemplate<double>(), new DataArrayTemplate<double>(),
                                QStringLiteral("Antenna 1"), QColor(31, 119, 180), SYMBOL_NONE, Qt::SolidLine, 1);
    for (int i = 0; i <= 5000; ++i) {
        double const f = 1150.0 + i * 0.1;
        double p = 20 + 0.8 * std::sin(f * 0.9) + 0.5 * std::sin(f * 7.3);
        for (double centre : {1176.45, 1207.14, 1227.6, 1246.0, 1268.52, 1278.75, 1561.098, 1575.42, 1602.0})
            p += 25 * std::exp(-std::pow((f - centre) / 6.0, 2));
        p += 40 * std::exp(-std::pow((f - 1590.3) / 0.15, 2)); // interference
        p += 30 * std::exp(-std::pow((f - 1219.0) / 0.15, 2));
        power->append(f, p);
    }
    spectrum.addDataSet(power, 1150, 0, 1650, 80);
    spectrum.addSpectrumBands({{1590.3, QStringLiteral("jammer")}, {1219.0, QStringLiteral("spur")}});
    spectrum.updatePlot(1575.42);
    spectrum.resize(1100, 500);
    spectrum.show();
    settle(500);
    ok = save(spectrum.grab(), directory.filePath(QStringLiteral("spectrum.png"))) && ok;

    // --- correlation ------------------------------------------------------
    auto correlationCurve = [](QString name, QColor colour, double shift) {
        auto* curve = new XYDataSet(new DataArrayTemplate<double>(), new DataArrayTemplate<double>(), name, colour,
                                    SYMBOL_CIRCLE, Qt::SolidLine, 1);
        for (int i = -30; i <= 30; ++i) {
            double const lag = i * 0.05;
            curve->append(lag, 100.0 * std::max(0.0, 1.0 - std::fabs(lag - shift)));
        }
        return curve;
    };
    XYDataSet* prompt = correlationCurve(QStringLiteral("Satellite G05"), QColor(31, 119, 180), 0.0);
    XYDataSet* multipath = correlationCurve(QStringLiteral("Satellite G12"), QColor(214, 39, 40), 0.15);
    {
        CorrelationPlotWidget correlation(prompt, multipath, nullptr);
        correlation.updatePlot(0.5);
        correlation.resize(900, 550);
        correlation.show();
        settle(500);
        ok = save(correlation.grab(), directory.filePath(QStringLiteral("correlation.png"))) && ok;
        correlation.getXYPlot()->removeAllDataSets();
    }
    delete prompt;
    delete multipath;
    spectrum.getXYPlot()->removeAllDataSets();
    delete power;
    signal->getXYPlot()->removeAllDataSets();
    position->getXYPlot()->removeAllDataSets();
    qDeleteAll(satellites);
    delete bar;
    delete error;
    return ok ? 0 : 1;
}
