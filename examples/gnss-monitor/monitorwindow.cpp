#include "monitorwindow.h"

#include "gnsstime.h"
#include "gpsdsource.h"
#include "monitormodel.h"
#include "monitortoolbar.h"
#include "replaysource.h"
#include "serialsource.h"
#include "simulatedreceiver.h"
#include "tcpsource.h"

#include <zebplot/zebplot.h>
#include "printsettings.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <limits>

namespace {

// GNSS minus UTC since 2017, for the UTC and local time axes until the data
// tell their date.
constexpr short kLeapSeconds = 18;
// Samples further apart than this are not joined by a line.
constexpr double kGapMs = 5000.0;
// The plots and the status bar are redrawn at most this often.
constexpr qint64 kRefreshMs = 250;
constexpr qint64 kStatusMs = 1000;
constexpr double kGnssOriginUnixMs = 315964800000.0;

void settle(int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

QString gnssTimeText(double ms)
{
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(qint64(ms + kGnssOriginUnixMs), Qt::UTC);
    return t.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

} // namespace

MonitorWindow::MonitorWindow(MonitorOptions const& opts, QWidget* parent)
    : QMainWindow(parent)
    , options(opts)
    , model(new MonitorModel(opts.maxPoints, opts.decimate))
{
    setWindowTitle(tr("GNSS Monitor"));
    setWindowIcon(QIcon(QStringLiteral(":/pic/timeplot_big.png")));
    using Source = MonitorOptions::Source;
    switch (options.source) {
    case Source::Simulator: {
        auto simulator = std::make_unique<SimulatedReceiver>(options.rateHz, options.seed);
        receiver = simulator.get();
        source = std::move(simulator);
        break;
    }
    case Source::Replay: {
        // The format is told from the content, whatever the file is called.
        auto file = std::make_unique<ReplaySource>(options.replayFile, nullptr, options.follow, options.date);
        replay = file.get();
        source = std::move(file);
        break;
    }
    case Source::Serial:
    case Source::Tcp:
    case Source::Gpsd: {
        std::unique_ptr<LiveSource> stream;
        if (options.source == Source::Serial)
            stream = std::make_unique<SerialSource>(options.device, options.baudRate, options.date);
        else if (options.source == Source::Tcp)
            stream = std::make_unique<TcpSource>(options.device, options.port, options.date);
        else
            stream = std::make_unique<GpsdSource>(options.device, options.port);
        // The status bar follows the link from the timer, a few times a second.
        live = stream.get();
        source = std::move(stream);
        break;
    }
    }

    toolBar = new MonitorToolBar(this);
    addToolBar(Qt::TopToolBarArea, toolBar);
    tabs = new QTabWidget(this);
    tabs->setDocumentMode(true);
    setCentralWidget(tabs);

    buildTimePlots();
    buildElevationPlot();
    if (receiver)
        buildSpectrumAndCorrelation();

    coordinatesLabel = new QLabel(this);
    coordinatesLabel->setMinimumWidth(320);
    sourceLabel = new QLabel(this);
    statusBar()->addWidget(coordinatesLabel, 1);
    statusBar()->addPermanentWidget(sourceLabel);
    connect(toolBar, &MonitorToolBar::mouseCoordinatesChanged, coordinatesLabel, &QLabel::setText);
    connect(toolBar, &MonitorToolBar::exportRequested, this, &MonitorWindow::exportCurrentPlot);
    connect(toolBar, &MonitorToolBar::printRequested, this, &MonitorWindow::printCurrentPlot);
    connect(toolBar, &MonitorToolBar::synchronizationOptionsRequested, this,
            &MonitorWindow::showSynchronizationOptions);
    connect(toolBar, &MonitorToolBar::bandChanged, this, &MonitorWindow::showBand);
    connect(toolBar, &MonitorToolBar::timeAxisChanged, this, [this](ETimeType type) {
        for (TimePlotWidget* plot : std::as_const(timePlots))
            plot->changeTimeAxis(type);
    });

    // The time plots move together in every scope; the organizer decides which
    // scope is live.  This window counts as one file.
    ViewSynchronizationOrganizer* organizer = ViewSynchronizationOrganizer::getInstance();
    windowSynchronizer = new ViewSynchronizer(this, ViewSynchronizer::WindowScope, true, false);
    for (TimePlotWidget* plot : std::as_const(timePlots)) {
        XYCanvas* canvas = plot->getXYPlot()->getCanvas();
        windowSynchronizer->addCanvas(canvas);
        organizer->getCurrentFileViewSynchronizer()->addCanvas(canvas);
        organizer->getApplicationViewSynchronizer()->addCanvas(canvas);
    }
    if (!options.settingsFile.isEmpty())
        organizer->readSettings(options.settingsFile);
    for (int scope = ViewSynchronizer::ApplicationScope; scope <= ViewSynchronizer::NoScope; ++scope) {
        connect(organizer->getEnablementAction(ViewSynchronizer::Scope(scope)), &QAction::triggered, this,
                &MonitorWindow::writeSettings);
    }

    auto* quit = new QAction(tr("Quit"), this);
    quit->setShortcut(QKeySequence::Quit);
    connect(quit, &QAction::triggered, this, &QWidget::close);
    addAction(quit);

    toolBar->announceState();
    auto* legendTimer = new QTimer(this);
    connect(legendTimer, &QTimer::timeout, this, &MonitorWindow::alignLegends);
    legendTimer->start(1000);
    timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &MonitorWindow::tick);
    updateStatus();
}

MonitorWindow::~MonitorWindow()
{
    // The plots refer to the data sets: they go first.
    timer->stop();
    delete tabs;
    tabs = nullptr;
    qDeleteAll(ownedDataSets);
    model.reset();
    delete elevationGrid;
    delete elevationCn0Grid;
}

void MonitorWindow::buildTimePlots()
{
    // The ready-made widgets take the tool bar as parent to find its signals;
    // the splitter then adopts them, the connections stay.
    // No plot titles: the y-axis titles say what is shown, and the stack has
    // little height to spare.  Renderings name the plot in their caption.
    cn0Plot = new TimePlotWidget(kLeapSeconds, QString(), 200, 500, QStringLiteral("C/N0 (dB-Hz)"),
                                 false, 1.0, toolBar);
    fixPlot = new TimePlotWidget(kLeapSeconds, QString(), 170, 500,
                                 QStringLiteral("Position error (m)"), false, 0.01, toolBar);
    satellitePlot = new TimePlotWidget(kLeapSeconds, QString(), 120, 500, QStringLiteral("Satellites used"),
                                       false, 1.0, toolBar);
    dopPlot = new TimePlotWidget(kLeapSeconds, QString(), 120, 500, QStringLiteral("DOP"), false, 0.01, toolBar);
    timePlots = {cn0Plot, fixPlot, satellitePlot, dopPlot};

    // One y-scale width for the stack, so that the time axes line up.
    QList<XYPlot*> group;
    for (TimePlotWidget* plot : std::as_const(timePlots))
        group.append(plot->getXYPlot());
    for (TimePlotWidget* plot : std::as_const(timePlots)) {
        XYPlot* xyPlot = plot->getXYPlot();
        xyPlot->setGroupOfPlots(group);
        xyPlot->getCanvas()->setHorizontalDisconnectionThreshold(kGapMs);
        xyPlot->getCanvas()->installEventFilter(this);
        plot->changeTimeAxis(toolBar->timeType());
    }

    // A few pixels around the curves, so that extremes do not sit on the
    // frame; more below the position error for the fix-mode bar.
    cn0Plot->getXYPlot()->getCanvas()->setViewportMargin(0, 0, 6, 6);
    satellitePlot->getXYPlot()->getCanvas()->setViewportMargin(0, 0, 6, 6);
    dopPlot->getXYPlot()->getCanvas()->setViewportMargin(0, 0, 6, 6);
    dopPlot->setDataSets(model->dopDataSets());
    fixPlot->getXYPlot()->getCanvas()->setViewportMargin(0, 0, 26, 6);
    fixPlot->setDataSets({model->fixModeBar(), model->positionError()});

    // A legend even for the single curve: all legends of the stack are kept
    // equally wide, so that the canvases end at the same x.
    model->satelliteCount()->setShowLegendEvenIfOnlyDataSet(true);
    satellitePlot->setDataSets({model->satelliteCount()});
    satellitePlot->addHorizMarkerTwo(tr("4: minimum for a fix"), Qt::DashLine, QColor(200, 0, 0));
    satellitePlot->updateHorizMarkerTwo(4.0, QString());
    satellitePlot->showHMarkerTwo(true);

    cn0Plot->addHorizMarkerTwo(tr("tracking threshold"), Qt::DashLine, QColor(200, 0, 0));
    cn0Plot->updateHorizMarkerTwo(30.0, QString());
    // The hidden marker one still counts for "show all"; keep it inside the data.
    cn0Plot->updateHorizMarkerOne(30.0, QString());
    cn0Plot->showHMarkerTwo(true);
    model->cn0DataSetAdded = [this](XYDataSet* dataSet, QString const& band) {
        if (band == shownBand) {
            cn0Plot->addDataSet(dataSet, {});
            cn0Plot->updateLegend();
        }
        // The first band seen is shown; later ones are offered.
        toolBar->setBands(model->bands());
    };

    timeSplitter = new QSplitter(Qt::Vertical);
    timeSplitter->setChildrenCollapsible(false);
    for (TimePlotWidget* plot : std::as_const(timePlots))
        timeSplitter->addWidget(plot);
    timeSplitter->setStretchFactor(0, 10);
    timeSplitter->setStretchFactor(1, 7);
    timeSplitter->setStretchFactor(2, 5);
    timeSplitter->setStretchFactor(3, 5);
    tabs->addTab(timeSplitter, tr("Time plots"));
}

void MonitorWindow::buildElevationPlot()
{
    // A plain plot: C/N0 against elevation shows an antenna's gain pattern
    // and multipath at a glance; every satellite of a system in one colour.
    elevationPlot = new XYPlot(true, false, false, nullptr);
    elevationPlot->setAxisTitle(HORIZONTAL, tr("Elevation (deg)"));
    elevationPlot->setAxisTitle(VERTICAL, tr("C/N0 (dB-Hz)"));
    elevationGrid = new LinearGrid(VERTICAL, nullptr);
    elevationCn0Grid = new LinearGrid(HORIZONTAL, nullptr);
    XYCanvas* canvas = elevationPlot->getCanvas();
    canvas->setGrid(VERTICAL, elevationGrid, false);
    canvas->setGrid(HORIZONTAL, elevationCn0Grid, false);
    // The whole sky and the usual C/N0 range, widened by what comes.
    canvas->setInitialDataBounds(Bounds(0, 90, 20, 50));
    canvas->setViewportMargin(6, 6, 6, 6);
    canvas->setHorizontalViewBoundsUpdatePolicy(XYCanvas::FullViewBounds, false);
    canvas->setVerticalViewBoundsUpdatePolicy(XYCanvas::FullViewBounds, false);
    canvas->installEventFilter(this);
    elevationPlot->addScale(VERTICAL, false);
    elevationPlot->addScale(HORIZONTAL, true);
    elevationPlot->setLabelType(VERTICAL, LABEL_ON_SCALE);
    elevationPlot->setLabelType(HORIZONTAL, LABEL_ON_SCALE);
    model->elevationDataSetAdded = [this](XYDataSet* dataSet, QString const& band) {
        if (band != shownBand)
            return;
        dataSet->setShowLegendEvenIfOnlyDataSet(true);
        elevationPlot->addDataSet(dataSet);
        elevationPlot->addLegend(true, LEGEND_RIGHT, nullptr);
    };
    tabs->addTab(elevationPlot, tr("C/N0 against elevation"));
}

void MonitorWindow::showBand(QString const& band)
{
    if (band == shownBand)
        return;
    shownBand = band;
    cn0Plot->setDataSets(model->cn0DataSets(band));
    cn0Plot->updateTimePlot();
    elevationPlot->removeAllDataSets();
    const QList<XYDataSet*> points = model->elevationDataSets(band);
    for (XYDataSet* dataSet : points) {
        dataSet->setShowLegendEvenIfOnlyDataSet(true);
        elevationPlot->addDataSet(dataSet);
    }
    if (!points.isEmpty())
        elevationPlot->addLegend(true, LEGEND_RIGHT, nullptr);
    elevationPlot->getCanvas()->updateBounds();
    elevationPlot->redrawCanvas();
    toolBar->selectBand(band);
}

void MonitorWindow::buildSpectrumAndCorrelation()
{
    QVector<double> frequency, power;
    receiver->spectrum(frequency, power);
    auto* frequencyArray = new DataArrayTemplate<double>();
    spectrumPower = new DataArrayTemplate<double>();
    for (int i = 0; i < frequency.size(); ++i) {
        frequencyArray->append(frequency[i]);
        spectrumPower->append(power[i]);
    }
    auto* spectrum = new XYDataSet(frequencyArray, spectrumPower, QStringLiteral("Antenna input"),
                                   QColor(20, 60, 150), SYMBOL_NONE, Qt::SolidLine, 1);
    ownedDataSets.append(spectrum);
    spectrumPlot = new SpectrumPlotWidget(toolBar);
    spectrumPlot->addDataSet(spectrum, 1150, 0, 1620, 60);
    // The legend was built empty with the widget; rebuild it for the spectrum.
    spectrumPlot->getXYPlot()->addLegend(true, LEGEND_RIGHT, nullptr);
    spectrumPlot->addSpectrumBands(SimulatedReceiver::interferenceLines());
    spectrumPlot->updatePlot(1575.42);
    spectrumPlot->getXYPlot()->getCanvas()->installEventFilter(this);
    tabs->addTab(spectrumPlot, tr("Spectrum"));

    QVector<double> lag, bpsk, boc;
    double trackingError = 0.0;
    receiver->correlation(lag, bpsk, boc, trackingError);
    auto* lagArray = new DataArrayTemplate<double>();
    bpskCorrelation = new DataArrayTemplate<double>();
    bocCorrelation = new DataArrayTemplate<double>();
    for (int i = 0; i < lag.size(); ++i) {
        lagArray->append(lag[i]);
        bpskCorrelation->append(bpsk[i]);
        bocCorrelation->append(boc[i]);
    }
    auto* first = new XYDataSet(lagArray, bpskCorrelation, QStringLiteral("GPS L1 C/A (BPSK)"),
                                QColor(31, 119, 180), SYMBOL_NONE, Qt::SolidLine, 2);
    auto* second = new XYDataSet(lagArray, bocCorrelation, QStringLiteral("Galileo E1 (BOC(1,1))"),
                                 QColor(214, 39, 40), SYMBOL_NONE, Qt::SolidLine, 2);
    ownedDataSets.append(first);
    ownedDataSets.append(second);
    correlationPlot = new CorrelationPlotWidget(first, second, toolBar);
    correlationPlot->updatePlot(trackingError);
    correlationPlot->getXYPlot()->getCanvas()->installEventFilter(this);
    tabs->addTab(correlationPlot, tr("Correlation"));
}

bool MonitorWindow::openSource(QString* error)
{
    if (replay && !replay->open(error))
        return false;
    if (live)
        live->start();
    updateStatus();
    return true;
}

QString MonitorWindow::dateAdvice() const
{
    if (!source->needsDate())
        return QString();
    return tr("the recording has times of day but no date (no RMC or ZDA sentence): "
              "give its UTC date with --date YYYY-MM-DD");
}

void MonitorWindow::reportSource() const
{
    const QString name = replay ? options.replayFile : source->description();
    const QString summary = source->summary();
    if (!summary.isEmpty())
        std::printf("source: %s: %s\n", qPrintable(name), qPrintable(summary));
    if (const qint64 problems = source->problemCount()) {
        const QStringList reports = source->problemReports();
        std::printf("source: %s: %lld problems, the first %d:\n", qPrintable(name), problems, int(reports.size()));
        for (QString const& report : reports)
            std::printf("  %s\n", qPrintable(report));
    }
    if (!dateAdvice().isEmpty())
        std::printf("source: %s: %s\n", qPrintable(name), qPrintable(dateAdvice()));
    // What the plots hold, by band: the satellites and signals drawn.
    for (QString const& band : model->bands()) {
        QStringList names;
        for (XYDataSet* dataSet : model->cn0DataSets(band))
            names.append(dataSet->name);
        std::printf("plotted: C/N0 %s: %d curves: %s\n", qPrintable(band), int(names.size()),
                    qPrintable(names.join(QLatin1Char(' '))));
    }
    const DataArray* fix = model->fixModeBar()->yData;
    QStringList modes;
    const QStringList modeNames = MonitorModel::fixModeNames();
    for (int mode = 0; mode < modeNames.size(); ++mode) {
        int count = 0;
        for (int i = 0; i < fix->dataSize(); ++i)
            count += int(fix->getValue(i)) == mode;
        if (count > 0)
            modes.append(QStringLiteral("%1 %2").arg(modeNames[mode]).arg(count));
    }
    const DataArray* used = model->satelliteCount()->yData;
    const QString usedRange = used->dataSize() == 0 ? QStringLiteral("none")
                                                    : QStringLiteral("%1 to %2").arg(used->getMinimum()).arg(used->getMaximum());
    std::printf("plotted: %d epochs; fix modes: %s; satellites used: %s\n", model->epochCount(),
                modes.isEmpty() ? "none" : qPrintable(modes.join(QStringLiteral(", "))), qPrintable(usedRange));
    std::fflush(stdout);
}

int MonitorWindow::brokenLineCount() const
{
    return int(std::min<qint64>(source->problemCount(), std::numeric_limits<int>::max()));
}

bool MonitorWindow::hasMoreData()
{
    sourceState = source->poll();
    return sourceState == EpochSource::State::Ready;
}

void MonitorWindow::feed(ReceiverEpoch const& epoch)
{
    model->add(epoch);
    if (std::isnan(epoch.timeMs))
        return;
    lastDataMs = epoch.timeMs;
    // The UTC and local time axes count the leap seconds of the data's own
    // date: a recording from 2008 is 14 s off GNSS time, not 18.
    if (!leapSecondsKnown) {
        const QDate date = epoch.utcDate.isValid()
                               ? epoch.utcDate
                               : QDateTime::fromMSecsSinceEpoch(qint64(epoch.timeMs + kGnssOriginUnixMs), Qt::UTC).date();
        const int leap = GnssTime::leapSeconds(date);
        if (leap != GnssTime::kUnknownLeapSeconds) {
            for (TimePlotWidget* plot : std::as_const(timePlots))
                plot->setDeltaLS(short(leap));
        }
        leapSecondsKnown = true;
    }
}

void MonitorWindow::startLive()
{
    paced = false;
    // A tick per simulated epoch, but not faster than 100 per second; ten a
    // second for recordings and receivers, which the plots show four times a
    // second anyway.
    const double interval = receiver ? 1000.0 / std::max(options.rateHz, 0.1) : 100.0;
    timer->start(int(std::clamp(interval, 10.0, 1000.0)));
}

void MonitorWindow::tick()
{
    // The pace counts from the first epoch with a time, which a pipe may
    // deliver late.  A live receiver paces itself.
    if (!paced && hasMoreData() && !std::isnan(source->nextTime())) {
        liveStartDataMs = source->nextTime();
        wallClock.start();
        paced = true;
    }
    const double target = options.speed > 0.0 && paced && !source->isLive()
        ? liveStartDataMs + double(wallClock.elapsed()) * options.speed
        : std::numeric_limits<double>::infinity();
    QElapsedTimer budget;
    budget.start();
    int fed = 0;
    // Feed what is due, but return to the event loop in time to stay responsive.
    while (budget.elapsed() < 80 && hasMoreData() && !(source->nextTime() > target)) {
        feed(source->next());
        ++fed;
    }
    unshown += fed;
    // Drawing costs far more than reading: four frames a second follow a
    // receiver closely enough for the eye, however fast it sends.
    const bool finished = sourceState == EpochSource::State::Finished;
    if (unshown > 0 && (finished || !lastRefresh.isValid() || lastRefresh.elapsed() >= kRefreshMs)) {
        refreshPlots();
        unshown = 0;
        lastRefresh.start();
    }
    if (finished)
        timer->stop();
    if (finished || !lastStatus.isValid() || lastStatus.elapsed() >= kStatusMs) {
        updateStatus();
        lastStatus.start();
    }
}

void MonitorWindow::runFor(double seconds)
{
    double end = std::numeric_limits<double>::quiet_NaN();
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        // A receiver may never stop sending, or never start: it is read for
        // the time given, by the clock on the wall.
        if (source->isLive() && clock.elapsed() >= seconds * 1000.0)
            break;
        sourceState = source->poll();
        if (sourceState == EpochSource::State::Finished)
            break;
        if (sourceState == EpochSource::State::Waiting) {
            source->waitForInput(100);
            continue;
        }
        const double time = source->nextTime();
        if (std::isnan(end) && !std::isnan(time) && !source->isLive())
            end = time + seconds * 1000.0;
        if (time >= end)
            break;
        feed(source->next());
    }
    if (receiver)
        refreshSpectrumAndCorrelation();
    refreshPlots();
    updateStatus();
}

void MonitorWindow::refreshPlots()
{
    // Decimation spreads the stored samples: widen the gap threshold with it,
    // or a long decimated run would break into unconnected points.
    const MonitorModel::Group groups[] = {MonitorModel::Cn0Group, MonitorModel::FixGroup,
                                          MonitorModel::SatelliteGroup, MonitorModel::DopGroup};
    for (int k = 0; k < timePlots.size(); ++k) {
        XYCanvas* canvas = timePlots[k]->getXYPlot()->getCanvas();
        const double threshold = kGapMs * model->timeArray(groups[k])->getCurrentDecimationFactor();
        if (canvas->getHorizontalDisconnectionThreshold() != threshold)
            canvas->setHorizontalDisconnectionThreshold(threshold);
    }
    for (TimePlotWidget* plot : std::as_const(timePlots))
        plot->updateTimePlot();
    elevationPlot->getCanvas()->updateBounds();
    elevationPlot->drawNewPoints();
    if (receiver && lastDataMs - lastSpectrumUpdateMs >= 1000.0)
        refreshSpectrumAndCorrelation();
}

void MonitorWindow::refreshSpectrumAndCorrelation()
{
    lastSpectrumUpdateMs = lastDataMs;
    QVector<double> frequency, power;
    receiver->spectrum(frequency, power);
    for (int i = 0; i < power.size() && i < spectrumPower->dataSize(); ++i)
        spectrumPower->replace(i, power[i]);
    QVector<double> lag, bpsk, boc;
    double trackingError = 0.0;
    receiver->correlation(lag, bpsk, boc, trackingError);
    for (int i = 0; i < lag.size() && i < bpskCorrelation->dataSize(); ++i) {
        bpskCorrelation->replace(i, bpsk[i]);
        bocCorrelation->replace(i, boc[i]);
    }
    spectrumPlot->redrawCanvas();
    correlationPlot->updatePlot(trackingError);
}

void MonitorWindow::updateStatus()
{
    QString origin = source->description();
    const QString condition = source->condition();
    if (!condition.isEmpty())
        origin += QStringLiteral(" (%1)").arg(condition);
    else if (sourceState == EpochSource::State::Finished)
        origin += tr(" (finished)");
    else if (sourceState == EpochSource::State::Waiting)
        origin += tr(" (waiting for data)");
    if (const qint64 problems = source->problemCount()) {
        const QStringList reports = source->problemReports();
        origin += tr(", %1 problems").arg(problems);
        sourceLabel->setToolTip(reports.join(QLatin1Char('\n')));
    }
    if (!dateAdvice().isEmpty())
        statusBar()->showMessage(dateAdvice());
    const DataArray* satellites = model->satelliteCount()->yData;
    const DataArray* fix = model->fixModeBar()->yData;
    QString state;
    if (satellites->dataSize() > 0 && fix->dataSize() > 0) {
        const int mode = int(fix->getLastValue());
        const QStringList names = MonitorModel::fixModeNames();
        state = tr("%1 satellites, %2 | ")
                    .arg(int(satellites->getLastValue()))
                    .arg(mode >= 0 && mode < names.size() ? names[mode] : QStringLiteral("?"));
    }
    const QString text = tr("%1%2 | %3 epochs | %4 kB in arrays")
                             .arg(state, origin)
                             .arg(model->epochCount())
                             .arg(DataArray::getTotalVectorMemoryConsumption() / 1024);
    // Laying out the status bar again costs more than comparing.
    if (text != sourceLabel->text())
        sourceLabel->setText(text);
}

void MonitorWindow::alignLegends()
{
    // Legends are rebuilt in the background as series appear; equal widths
    // keep the time axes of the stack aligned.
    int widest = 0;
    QList<XYLegend*> legends;
    for (TimePlotWidget* plot : std::as_const(timePlots)) {
        if (XYLegend* legend = plot->getXYPlot()->getLegend()) {
            legends.append(legend);
            widest = std::max(widest, legend->sizeHint().width());
        }
    }
    for (XYLegend* legend : std::as_const(legends)) {
        if (legend->minimumWidth() != widest)
            legend->setMinimumWidth(widest);
    }
}

QList<XYPlot*> MonitorWindow::plots() const
{
    QList<XYPlot*> result;
    for (TimePlotWidget* plot : timePlots)
        result.append(plot->getXYPlot());
    result.append(elevationPlot);
    if (spectrumPlot)
        result.append(spectrumPlot->getXYPlot());
    if (correlationPlot)
        result.append(correlationPlot->getXYPlot());
    return result;
}

bool MonitorWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::Enter) {
        for (XYPlot* plot : plots()) {
            if (plot->getCanvas() == watched)
                lastUsedPlot = plot;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

XYPlot* MonitorWindow::currentPlot() const
{
    QWidget* page = tabs->currentWidget();
    if (lastUsedPlot && page && page->isAncestorOf(lastUsedPlot))
        return lastUsedPlot;
    if (page == spectrumPlot)
        return spectrumPlot->getXYPlot();
    if (page == correlationPlot)
        return correlationPlot->getXYPlot();
    if (page == elevationPlot)
        return elevationPlot;
    return cn0Plot->getXYPlot();
}

QString MonitorWindow::sourceName() const
{
    if (replay)
        return QFileInfo(options.replayFile).fileName();
    return source->description();
}

QString MonitorWindow::caption() const
{
    const DataArray* time = model->timeArray(MonitorModel::FixGroup);
    if (time->dataSize() == 0)
        return sourceName();
    return tr("%1, %2 to %3 GNSS time")
        .arg(sourceName(), gnssTimeText(time->getFirstValue()), gnssTimeText(time->getLastValue()));
}

void MonitorWindow::exportCurrentPlot()
{
    XYPlot* plot = currentPlot();
    QString filter = tr("PNG images (*.png)");
    QString path = QFileDialog::getSaveFileName(
        this, tr("Export plot"), QDir::home().filePath(QStringLiteral("plot.png")),
        tr("PNG images (*.png);;PDF documents (*.pdf);;SVG drawings (*.svg)"), &filter);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += filter.contains(QStringLiteral("*.pdf")) ? QStringLiteral(".pdf")
            : filter.contains(QStringLiteral("*.svg"))   ? QStringLiteral(".svg")
                                                          : QStringLiteral(".png");
    QString error;
    if (plot->saveToFile(path, QSize(1600, 900), 96, printSettings(1, 11), true, true, caption(), &error))
        statusBar()->showMessage(tr("Wrote %1").arg(QDir::toNativeSeparators(path)), 5000);
    else
        statusBar()->showMessage(error, 5000);
}

void MonitorWindow::printCurrentPlot()
{
    // Counted in screen pixels, the unit the plot is laid out in; the page
    // is filled at the printer's own sharpness all the same.
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setDocName(caption());
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    QPainter painter;
    if (!painter.begin(&printer)) {
        statusBar()->showMessage(tr("Could not start printing"), 5000);
        return;
    }
    const QRect page(QPoint(0, 0), printer.pageRect(QPrinter::DevicePixel).size().toSize());
    currentPlot()->renderOnto(&painter, page, printSettings(1, 11), true, true, caption());
    painter.end();
    statusBar()->showMessage(tr("Printed %1").arg(caption()), 5000);
}

void MonitorWindow::showSynchronizationOptions()
{
    auto* page = new ViewSynchronizationOptionsWidget(nullptr, true);
    QDialog* dialog = page->turnIntoDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, &MonitorWindow::writeSettings);
    dialog->open();
}

void MonitorWindow::writeSettings()
{
    if (!options.settingsFile.isEmpty())
        ViewSynchronizationOrganizer::getInstance()->writeSettings(options.settingsFile);
}

void MonitorWindow::closeEvent(QCloseEvent* event)
{
    writeSettings();
    event->accept();
}

bool MonitorWindow::renderAll(QString const& directory, QSize size, QStringList const& formats)
{
    const QDir dir(directory);
    if (!dir.exists() && !QDir().mkpath(directory)) {
        std::printf("cannot create %s\n", qPrintable(directory));
        return false;
    }
    // Everything in view: the whole run, not the followed end of it.
    for (TimePlotWidget* plot : std::as_const(timePlots))
        plot->updateTimePlot();
    emit toolBar->showFullPlot();
    settle(400);
    alignLegends();
    settle(300);
    for (XYPlot* plot : plots())
        plot->redrawCanvasWithoutInterruption();
    settle(300);

    bool ok = true;
    auto save = [&](QPixmap const& pixmap, QString const& name) {
        const QString path = dir.filePath(name);
        const bool saved = pixmap.save(path);
        std::printf("%s %s (%dx%d)\n", saved ? "wrote" : "could not write", qPrintable(path), pixmap.width(),
                    pixmap.height());
        ok = ok && saved;
    };
    // A plot in every format asked for; the PNG is the pixmap rendering.
    auto savePlot = [&](XYPlot* plot, QString const& title, QString const& baseName) {
        for (QString const& format : formats) {
            const QString name = baseName + QLatin1Char('.') + format;
            if (format == QLatin1String("png")) {
                save(plot->renderToPixmap(size, printSettings(1, 11), true, true, title), name);
                continue;
            }
            const QString path = dir.filePath(name);
            QString error;
            const bool saved = plot->saveToFile(path, size, 96, printSettings(1, 11), true, true, title, &error);
            if (saved)
                std::printf("wrote %s (%dx%d)\n", qPrintable(path), size.width(), size.height());
            else
                std::printf("could not write %s: %s\n", qPrintable(path), qPrintable(error));
            ok = ok && saved;
        }
    };
    tabs->setCurrentIndex(0);
    settle(200);
    save(grab(), QStringLiteral("window.png"));

    const QString source = sourceName();
    auto render = [&](XYPlot* plot, QString const& title, QString const& baseName) {
        savePlot(plot, title + QStringLiteral(" - ") + caption(), baseName);
    };
    // The band in view, then every other band on its own.
    const QString firstBand = shownBand;
    QStringList bands = model->bands();
    bands.removeAll(firstBand);
    bands.prepend(firstBand);
    for (QString const& band : std::as_const(bands)) {
        showBand(band);
        cn0Plot->updateTimePlot();
        settle(200);
        const QString suffix = band == firstBand ? QString() : QLatin1Char('-') + band;
        const QString label = band.isEmpty() ? QString() : QStringLiteral(" %1").arg(band);
        render(cn0Plot->getXYPlot(), tr("Signal strength%1").arg(label), QStringLiteral("signal-strength%1").arg(suffix));
        render(elevationPlot, tr("C/N0%1 against elevation").arg(label), QStringLiteral("cn0-elevation%1").arg(suffix));
    }
    showBand(firstBand);
    render(fixPlot->getXYPlot(), tr("Fix mode and position error"), QStringLiteral("fix-mode"));
    render(satellitePlot->getXYPlot(), tr("Satellites used"), QStringLiteral("satellites"));
    render(dopPlot->getXYPlot(), tr("Dilution of precision"), QStringLiteral("dop"));
    if (spectrumPlot)
        savePlot(spectrumPlot->getXYPlot(), tr("RF spectrum - %1").arg(source), QStringLiteral("spectrum"));
    if (correlationPlot)
        savePlot(correlationPlot->getXYPlot(), tr("Code correlation - %1").arg(source), QStringLiteral("correlation"));
    std::fflush(stdout);
    return ok;
}
