#include "epochparser.h"

#include <limits>

namespace {

constexpr int kMaxReports = 10;

} // namespace

bool EpochParser::hasEpoch() const
{
    return !queue.isEmpty();
}

double EpochParser::nextTime() const
{
    return queue.isEmpty() ? std::numeric_limits<double>::quiet_NaN() : queue.first().timeMs;
}

Epoch EpochParser::takeEpoch()
{
    return queue.isEmpty() ? Epoch{} : queue.takeFirst();
}

qint64 EpochParser::epochCount() const
{
    return epochs;
}

qint64 EpochParser::sampleCount() const
{
    return samples;
}

qint64 EpochParser::problemCount() const
{
    return problems;
}

QStringList const& EpochParser::problemReports() const
{
    return reports;
}

void EpochParser::deliver(Epoch&& epoch)
{
    ++epochs;
    samples += epoch.values.size();
    queue.append(std::move(epoch));
}

void EpochParser::problem(QString const& where, QString const& reason)
{
    ++problems;
    if (reports.size() < kMaxReports)
        reports.append(where + QStringLiteral(": ") + reason);
}
