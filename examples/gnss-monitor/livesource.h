#ifndef GNSSMONITOR_LIVESOURCE_H
#define GNSSMONITOR_LIVESOURCE_H

#include "parsedsource.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>

class QIODevice;

/// A receiver streaming now, through a device the event loop watches: a
/// serial port, a TCP connection, gpsd.
///
/// Nothing here blocks the GUI thread: the device is opened or connected
/// asynchronously, its bytes are parsed as the event loop reports them, and
/// poll() only hands over what is parsed.  When the link fails or goes away
/// (a device unplugged, a peer that closes, a daemon restarting) the loss is
/// counted and reported with its time, what was pending is completed, and
/// the link is tried again after 1 s, then 2, 4 and at most 8 s, until it
/// works.  condition() says what happened and when the next try is.
class LiveSource : public QObject, public ParsedSource
{
    Q_OBJECT

public:
    static constexpr int kFirstRetryMs = 1000;
    static constexpr int kLongestRetryMs = 8000;

    LiveSource(std::unique_ptr<EpochParser> parser, QDate fallbackDate);
    ~LiveSource() override;

    /// The first attempt to open the link; later ones follow by themselves.
    void start();

    State poll() override;
    void waitForInput(int msecs) override;
    bool isLive() const override { return true; }
    QString condition() const override;
    QString summary() const override;

    bool isUp() const { return up; }
    /// Links made so far, the first one included.
    int connectionCount() const { return connections; }

signals:
    /// Bytes came in or the link changed.
    void activity();

protected:
    /// Starts opening the link; it reports back through linkUp() or linkLost().
    virtual void openLink() = 0;
    /// Closes the link, quietly.
    virtual void closeLink() = 0;
    /// Where the link is ("/dev/ttyUSB0 at 9600 baud", "localhost:2947").
    virtual QString where() const = 0;

    /// The link works; `device` delivers its bytes from now on.
    void linkUp(QIODevice* device);
    void linkLost(QString const& reason);

private:
    void readAvailable();
    void retry();

    QIODevice* device = nullptr;
    QTimer retryTimer;
    int retryDelayMs = kFirstRetryMs;
    bool up = false;
    bool receivedSinceUp = false;
    int connections = 0;
    QString lastProblem;
    QDateTime lastProblemTime;
    QDateTime since;
};

#endif
