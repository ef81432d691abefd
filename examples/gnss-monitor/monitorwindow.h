#ifndef GNSSMONITOR_MONITORWINDOW_H
#define GNSSMONITOR_MONITORWINDOW_H

#include "epochsource.h"

#include <QDate>
#include <QElapsedTimer>
#include <QList>
#include <QMainWindow>
#include <QString>
#include <QVector>

#include <memory>

class CorrelationPlotWidget;
class DataArray;
class LinearGrid;
class LiveSource;
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
    enum class Source { Simulator, Replay, Serial, Tcp, Gpsd };
    Source source = Source::Simulator;
    QString replayFile;      ///< Replay: a file, FIFO or pipe
    QString device;          ///< Serial: the device; Tcp, Gpsd: the host
    qint32 baudRate = 9600;  ///< Serial
    quint16 port = 0;        ///< Tcp, Gpsd
    QDate date;              ///< the UTC date of a log that has none
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

    /// Opens the replay file or starts connecting a live source; false with
    /// a message if a replay file cannot be read.
    bool openSource(QString* error);
    /// Feeds the plots in real time (scaled by the speed) from a timer.
    void startLive();
    /// Feeds `seconds` of data time at once, without drawing in between;
    /// waits for input that has not arrived yet.  A live source is read for
    /// `seconds` of wall-clock time.
    void runFor(double seconds);
    /// Prints what the source read and skipped, the first reasons with their
    /// place, and what the plots show (stdout).
    void reportSource() const;
    /// Epochs came without date: what the user has to do, or empty.
    QString dateAdvice() const;
    /// Writes every plot (renderToPixmap at print settings) and a grab of the
    /// window into directory; prints one line per file.  False if one failed.
    bool renderAll(QString const& directory, QSize size, QStringList const& formats = {QStringLiteral("png")});

    int brokenLineCount() const;
    QList<XYPlot*> plots() const;
    /// Shows one band in the C/N0 plots.
    void showBand(QString const& band);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildTimePlots();
    void buildElevationPlot();
    void buildSpectrumAndCorrelation();
    void feed(ReceiverEpoch const& epoch);
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
    LiveSource* live = nullptr;

    MonitorToolBar* toolBar;
    QTabWidget* tabs;
    QSplitter* timeSplitter;
    TimePlotWidget* cn0Plot;
    TimePlotWidget* fixPlot;
    TimePlotWidget* satellitePlot;
    TimePlotWidget* dopPlot;
    QList<TimePlotWidget*> timePlots;
    XYPlot* elevationPlot = nullptr;
    LinearGrid* elevationGrid = nullptr;
    LinearGrid* elevationCn0Grid = nullptr;
    QString shownBand;
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
    bool leapSecondsKnown = false;
    int unshown = 0;              ///< epochs fed since the plots were drawn
    QElapsedTimer lastRefresh;
    QElapsedTimer lastStatus;
    QLabel* coordinatesLabel;
    QLabel* sourceLabel;
};

#endif
