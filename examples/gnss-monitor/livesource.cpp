#include "livesource.h"

#include <QEventLoop>
#include <QIODevice>

namespace {

QString clock(QDateTime const& time)
{
    return time.toString(QStringLiteral("HH:mm:ss"));
}

} // namespace

LiveSource::LiveSource(std::unique_ptr<EpochParser> parser, QDate fallbackDate)
    : ParsedSource(std::move(parser), fallbackDate)
{
    retryTimer.setSingleShot(true);
    connect(&retryTimer, &QTimer::timeout, this, &LiveSource::retry);
}

LiveSource::~LiveSource() = default;

void LiveSource::start()
{
    if (!up && !retryTimer.isActive())
        openLink();
}

void LiveSource::retry()
{
    openLink();
    emit activity();
}

void LiveSource::linkUp(QIODevice* linked)
{
    device = linked;
    up = true;
    receivedSinceUp = false;
    ++connections;
    since = QDateTime::currentDateTime();
    connect(device, &QIODevice::readyRead, this, &LiveSource::readAvailable, Qt::UniqueConnection);
    readAvailable();
    emit activity();
}

void LiveSource::linkLost(QString const& reason)
{
    if (up)
        readAvailable();
    if (device)
        disconnect(device, &QIODevice::readyRead, this, &LiveSource::readAvailable);
    device = nullptr;
    const bool wasUp = up;
    up = false;
    lastProblem = reason;
    lastProblemTime = QDateTime::currentDateTime();
    fault(QStringLiteral("%1 %2: %3").arg(clock(lastProblemTime), where(), reason));
    // What was under way belongs to the old link: an unterminated line, the
    // epoch being collected.
    if (wasUp)
        endOfInput();
    closeLink();
    // A link that worked and delivered is worth trying again soon; one that
    // keeps failing is tried less often.
    if (wasUp && receivedSinceUp)
        retryDelayMs = kFirstRetryMs;
    retryTimer.start(retryDelayMs);
    retryDelayMs = std::min(2 * retryDelayMs, kLongestRetryMs);
    emit activity();
}

void LiveSource::readAvailable()
{
    if (!device)
        return;
    const QByteArray bytes = device->readAll();
    if (bytes.isEmpty())
        return;
    receivedSinceUp = true;
    input(bytes);
    emit activity();
}

EpochSource::State LiveSource::poll()
{
    readAvailable();
    return hasEpoch() ? State::Ready : State::Waiting;
}

void LiveSource::waitForInput(int msecs)
{
    if (hasEpoch())
        return;
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(this, &LiveSource::activity, &loop, &QEventLoop::quit);
    timeout.start(msecs);
    loop.exec();
}

QString LiveSource::condition() const
{
    if (up)
        return tr("connected since %1").arg(clock(since));
    if (retryTimer.isActive()) {
        const QDateTime next = QDateTime::currentDateTime().addMSecs(retryTimer.remainingTime());
        return tr("%1 at %2, retrying at %3").arg(lastProblem, clock(lastProblemTime), clock(next));
    }
    return tr("connecting");
}

QString LiveSource::summary() const
{
    QString text = ParsedSource::summary();
    if (faultCount() > 0) {
        text += (text.isEmpty() ? QString() : QStringLiteral("; "))
                + tr("%1 link faults, %2 connections made").arg(faultCount()).arg(connections);
    }
    return text;
}
