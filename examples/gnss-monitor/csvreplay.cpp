#include "csvreplay.h"

#include <QFile>
#include <QLocale>

#include <cmath>
#include <limits>

namespace {

constexpr int kMaxReports = 10;

bool parseNumber(QString text, double& value)
{
    text = text.trimmed();
    if (text.compare(QLatin1String("nan"), Qt::CaseInsensitive) == 0) {
        value = std::numeric_limits<double>::quiet_NaN();
        return true;
    }
    bool ok = false;
    value = QLocale::c().toDouble(text, &ok);
    return ok && std::isfinite(value);
}

} // namespace

bool CsvReplay::load(QString const& fileName, QString* error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    read(file);
    return true;
}

void CsvReplay::broken(int lineNumber, QString const& reason)
{
    ++brokenLines;
    if (reports.size() < kMaxReports)
        reports.append(QStringLiteral("line %1: %2").arg(lineNumber).arg(reason));
}

void CsvReplay::read(QIODevice& device)
{
    int lineNumber = 0;
    double lastTime = -std::numeric_limits<double>::infinity();
    while (!device.atEnd()) {
        const QString line = QString::fromUtf8(device.readLine()).trimmed();
        ++lineNumber;
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1String("time_ms")))
            continue;
        const QStringList fields = line.split(QLatin1Char(','));
        if (fields.size() != 3) {
            broken(lineNumber, QStringLiteral("expected 3 fields, found %1").arg(fields.size()));
            continue;
        }
        double time = 0.0;
        double value = 0.0;
        const QString series = fields[1].trimmed();
        if (!parseNumber(fields[0], time) || std::isnan(time)) {
            broken(lineNumber, QStringLiteral("time is not a number"));
            continue;
        }
        if (series.isEmpty()) {
            broken(lineNumber, QStringLiteral("no series name"));
            continue;
        }
        if (!parseNumber(fields[2], value)) {
            broken(lineNumber, QStringLiteral("value is not a number"));
            continue;
        }
        // The plots need non-decreasing time.
        if (time < lastTime) {
            broken(lineNumber, QStringLiteral("time goes backwards"));
            continue;
        }
        if (epochs.isEmpty() || time != lastTime) {
            epochs.append(Epoch{time, {}});
            lastTime = time;
        }
        epochs.last().values.append({series, value});
        ++samples;
    }
}

int CsvReplay::brokenLineCount() const
{
    return brokenLines;
}

QStringList const& CsvReplay::brokenLineReports() const
{
    return reports;
}

int CsvReplay::sampleCount() const
{
    return samples;
}

int CsvReplay::epochCount() const
{
    return epochs.size();
}

bool CsvReplay::atEnd() const
{
    return position >= epochs.size();
}

double CsvReplay::nextTime() const
{
    return atEnd() ? std::numeric_limits<double>::quiet_NaN() : epochs[position].timeMs;
}

Epoch CsvReplay::next()
{
    return atEnd() ? Epoch{} : epochs[position++];
}
