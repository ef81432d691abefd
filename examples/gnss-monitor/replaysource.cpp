#include "replaysource.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

ReplaySource::ReplaySource(QString name, std::unique_ptr<EpochParser> parser, bool followFile, QDate fallbackDate)
    : ParsedSource(std::move(parser), fallbackDate)
    , fileName(std::move(name))
    , follow(followFile)
{
}

ReplaySource::~ReplaySource()
{
    if (fd >= 0)
        ::close(fd);
}

bool ReplaySource::open(QString* error)
{
    auto fail = [&](QString const& reason) {
        if (error)
            *error = reason;
        return false;
    };
    // A FIFO opens once a writer has opened it, like for any reader.
    fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return fail(systemError());
    struct stat status;
    if (::fstat(fd, &status) != 0)
        return fail(systemError());
    if (S_ISDIR(status.st_mode))
        return fail(QStringLiteral("is a directory"));
    regular = S_ISREG(status.st_mode);
    // Pipes, FIFOs and terminals: reads return what is there instead of
    // waiting for the writer.
    if (!regular && ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK) != 0)
        return fail(systemError());
    chunk.resize(kChunkSize);
    return true;
}

EpochSource::State ReplaySource::poll()
{
    qsizetype budget = kChunkSize;
    while (!hasEpoch()) {
        if (ended || fd < 0)
            return State::Finished;
        if (budget <= 0)
            return State::Waiting;
        const ssize_t n = ::read(fd, chunk.data(), chunk.size());
        atFileEnd = n == 0;
        if (n > 0) {
            input(QByteArrayView(chunk.constData(), n));
            budget -= n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            readError = systemError();
        else if (n < 0 || (regular && follow))
            return State::Waiting; // a pipe without data yet, or the end of a followed file
        endOfInput();
        ended = true;
    }
    return State::Ready;
}

void ReplaySource::waitForInput(int msecs)
{
    // A regular file has always something to read, unless it is followed at
    // its end: then only waiting helps.
    if (regular && !atFileEnd)
        return;
    struct pollfd watched = {fd, POLLIN, 0};
    ::poll(&watched, regular ? 0 : 1, msecs);
}

QString ReplaySource::description() const
{
    return QStringLiteral("Replay of %1").arg(QFileInfo(fileName).fileName());
}

QString ReplaySource::summary() const
{
    QString text = ParsedSource::summary();
    if (!readError.isEmpty())
        text += QStringLiteral("; reading stopped: ") + readError;
    return text;
}
