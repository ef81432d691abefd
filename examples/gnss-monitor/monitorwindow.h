#ifndef GNSSMONITOR_MONITORWINDOW_H
#define GNSSMONITOR_MONITORWINDOW_H

#include <QElapsedTimer>
#include <QList>
#include <QMainWindow>
#include <QString>
#include <QVector>

#include <memory>

class CorrelationPlotWidget;
class CsvReplay;
class DataArray;
class MonitorModel;
class MonitorToolBar;
class QLabel;
class QSplitter;
class QTabWidget;
class QTimer;
class SimulatedReceiver;
class SpectrumPlotWidget;
class TimePlotWidget;
class ViewSynchronizer;
class XYDataSet;
class XYPlot;
struct Epoch;

struct MonitorOptions
{
    QString replayFile;      ///< empty: simulated receiver
    double rateHz = 10.0;    ///< simulated epochs per second
    double speed = 1.0;      ///< data seconds per wall-clock second; 0: as fast as possible
    int maxPoints = 20000;   ///< per plot; 0: unbounded
    bool decimate = false;   ///< halve the density instead of dropping old samples
    unsigned int seed = 20240501u;
    QString settingsFile;    ///< where the synchronization scope is kept
};

class MonitorWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MonitorWindow(MonitorOptions const& options, QWidget* parent = nullptr);
    ~MonitorWindow() override;

    /// Loads the replay file, if any; false with a message if it cannot be read.
    bool openSource(QString* error);
    /// Feeds the plots in real time (scaled by the speed) from a timer.
    void startLive();
    /// Feeds `seconds` of data time at once, without drawing in between.
    void runFor(double seconds);
    /// Writes every plot (renderToPixmap at print settings) and a grab of the
    /// window into directory; prints one line per file.  False if one failed.
    bool renderAll(QString const& directory, QSize size);

    int brokenLineCount() const;
    QList<XYPlot*> plots() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildTimePlots();
    void buildSpectrumAndCorrelation();
    bool feed(Epoch const& epoch);
    bool hasMoreData() const;
    double nextDataTime() const;
    Epoch nextEpoch();
    void tick();
    void refreshPlots();
    void refreshSpectrumAndCorrelation();
    void updateStatus();
    void alignLegends();
    XYPlot* currentPlot() const;
    void exportCurrentPlot();
    QString sourceName() const;
    /// The source and the time span of the data, for renderings.
    QString caption() const;
    void showSynchronizationOptions();
    void writeSettings();

    MonitorOptions options;
    std::unique_ptr<MonitorModel> model;
    std::unique_ptr<SimulatedReceiver> receiver;
    std::unique_ptr<CsvReplay> replay;

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
    double liveStartDataMs = 0.0;
    double lastDataMs = 0.0;
    QLabel* coordinatesLabel;
    QLabel* sourceLabel;
};

#endif
