#include "epochparser.h"

#include <cmath>
#include <limits>
#include <utility>

EpochParser::EpochParser(qsizetype maxLength) : lines(maxLength), maxLineLength(maxLength)
{
}

void EpochParser::feed(QByteArrayView data)
{
    lines.feed(data);
    LineReader::Line line;
    while (lines.next(line)) {
        if (!line.tooLong) {
            readLine(line.text, line.number);
            continue;
        }
        stats.lines = line.number;
        stats.countBroken(line.number, QStringLiteral("longer than %1 bytes without line end").arg(maxLineLength));
    }
}

void EpochParser::finish()
{
    lines.finish();
    feed(QByteArrayView());
    completeInput();
}

void EpochParser::setFallbackDate(QDate)
{
    // Formats whose times carry the date need none.
}

bool EpochParser::hasEpoch() const
{
    return head < queue.size();
}

double EpochParser::nextTime() const
{
    return hasEpoch() ? queue.at(head).timeMs : std::numeric_limits<double>::quiet_NaN();
}

ReceiverEpoch EpochParser::takeEpoch()
{
    if (!hasEpoch())
        return ReceiverEpoch();
    ReceiverEpoch epoch = std::move(queue[head++]);
    // Handing out from the front without shifting the list every time.
    if (head == queue.size()) {
        queue.clear();
        head = 0;
    }
    return epoch;
}

QList<ReceiverEpoch> EpochParser::takeEpochs()
{
    QList<ReceiverEpoch> epochs = std::exchange(queue, {});
    if (head > 0)
        epochs.remove(0, head);
    head = 0;
    return epochs;
}

void EpochParser::deliver(ReceiverEpoch&& epoch)
{
    if (std::isnan(epoch.timeMs))
        ++stats.undatedEpochs;
    ++stats.epochs;
    queue.append(std::move(epoch));
}
