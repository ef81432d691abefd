#ifndef GNSSMONITOR_MONITORWINDOW_H
#define GNSSMONITOR_MONITORWINDOW_H

#include "epochsource.h"

#include <QElapsedTimer>
#include <QList>
#include <QMainWindow>
#include <QString>
#include <QVector>

#include <memory>

class CorrelationPlotWidget;
class DataArray;
class MonitorModel;
class MonitorToolBar;
class QLabel;
class QSplitter;
class QTabWidget;
class QTimer;
class ReplaySource;
class SimulatedReceiver;
class SpectrumPlotWidget;
class TimePlotWidget;
class ViewSynchronizer;
class XYDataSet;
class XYPlot;

struct MonitorOptions
{
    QString replayFile;      ///< empty: simulated receiver
    double rateHz = 10.0;    ///< simulated epochs per second
    double speed = 1.0;      ///< data seconds per wall-clock second; 0: as fast as possible
    int maxPoints = 20000;   ///< per plot; 0: unbounded
    bool decimate = false;   ///< halve the density instead of dropping old samples
    bool follow = false;     ///< at the end of the replay file, wait for it to grow
    unsigned int seed = 20240501u;
    QString settingsFile;    ///< where the synchronization scope is kept
};

class MonitorWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MonitorWindow(MonitorOptions const& options, QWidget* parent = nullptr);
    ~MonitorWindow() override;

    /// Opens the replay file, if any; false with a message if it cannot be read.
    bool openSource(QString* error);
    /// Feeds the plots in real time (scaled by the speed) from a timer.
    void startLive();
    /// Feeds `seconds` of data time at once, without drawing in between;
    /// waits for input that has not arrived yet.
    void runFor(double seconds);
    /// Prints what the source read and skipped (stdout) and the first
    /// reasons (stderr).
    void reportSource() const;
    /// Writes every plot (renderToPixmap at print settings) and a grab of the
    /// window into directory; prints one line per file.  False if one failed.
    bool renderAll(QString const& directory, QSize size, QStringList const& formats = {QStringLiteral("png")});

    int brokenLineCount() const;
    QList<XYPlot*> plots() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildTimePlots();
    void buildSpectrumAndCorrelation();
    void feed(Epoch const& epoch);
    bool hasMoreData();
    void tick();
    void refreshPlots();
    void refreshSpectrumAndCorrelation();
    void updateStatus();
    void alignLegends();
    XYPlot* currentPlot() const;
    void exportCurrentPlot();
    void printCurrentPlot();
    QString sourceName() const;
    /// The source and the time span of the data, for renderings.
    QString caption() const;
    void showSynchronizationOptions();
    void writeSettings();

    MonitorOptions options;
    std::unique_ptr<MonitorModel> model;
    std::unique_ptr<EpochSource> source;
    EpochSource::State sourceState = EpochSource::State::Waiting;
    // The source again when it is one of these; null otherwise.
    SimulatedReceiver* receiver = nullptr;
    ReplaySource* replay = nullptr;

    MonitorToolBar* toolBar;
    QTabWidget* tabs;
    QSplitter* timeSplitter;
    TimePlotWidget* cn0Plot;
    TimePlotWidget* fixPlot;
    TimePlotWidget* satellitePlot;
    QList<TimePlotWidget*> timePlots;
    SpectrumPlotWidget* spectrumPlot = nullptr;
    CorrelationPlotWidget* correlationPlot = nullptr;
    XYPlot* lastUsedPlot = nullptr;
    ViewSynchronizer* windowSynchronizer;

    // Spectrum and correlation curves of the simulated receiver.
    DataArray* spectrumPower = nullptr;
    DataArray* bpskCorrelation = nullptr;
    DataArray* bocCorrelation = nullptr;
    QList<XYDataSet*> ownedDataSets;
    double lastSpectrumUpdateMs = -1e300;

    QTimer* timer;
    QElapsedTimer wallClock;
    bool paced = false; ///< wallClock and liveStartDataMs are set
    double liveStartDataMs = 0.0;
    double lastDataMs = 0.0;
    QLabel* coordinatesLabel;
    QLabel* sourceLabel;
};

#endif
