#include "csvreplay.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace {

constexpr qsizetype kMaxNames = 4096;

// A decimal number in C notation, the whole field; "nan" in any case is a gap.
bool parseNumber(QByteArrayView text, double& value)
{
    text = text.trimmed();
    if (text.startsWith('+'))
        text = text.sliced(1);
    if (text.isEmpty())
        return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return false;
    if (std::isnan(value))
        value = std::numeric_limits<double>::quiet_NaN();
    return !std::isinf(value);
}

} // namespace

void CsvReplay::feed(QByteArrayView data)
{
    lines.feed(data);
    LineReader::Line line;
    while (lines.next(line))
        parse(line);
}

void CsvReplay::finish()
{
    lines.finish();
    LineReader::Line line;
    while (lines.next(line))
        parse(line);
    completeEpoch();
}

void CsvReplay::completeEpoch()
{
    if (collecting)
        deliver(std::move(current));
    current = Epoch{};
    collecting = false;
}

QString CsvReplay::seriesName(QByteArrayView text)
{
    const QByteArray key = QByteArray::fromRawData(text.data(), text.size());
    const auto known = names.constFind(key);
    if (known != names.constEnd())
        return *known;
    if (names.size() >= kMaxNames)
        names.clear();
    const QString name = QString::fromUtf8(text);
    names.insert(QByteArray(text.data(), text.size()), name);
    return name;
}

void CsvReplay::parse(LineReader::Line const& line)
{
    auto broken = [&](QString const& reason) { problem(QStringLiteral("line %1").arg(line.number), reason); };
    if (line.tooLong) {
        broken(QStringLiteral("longer than %1 bytes").arg(LineReader::kDefaultMaxLength));
        return;
    }
    const QByteArrayView text = line.text.trimmed();
    if (text.isEmpty() || text.startsWith('#'))
        return;
    const qsizetype commas = text.count(',');
    if (commas != 2) {
        broken(QStringLiteral("expected 3 fields, found %1").arg(commas + 1));
        return;
    }
    const qsizetype first = text.indexOf(',');
    const qsizetype second = text.indexOf(',', first + 1);
    const QByteArrayView timeField = text.first(first).trimmed();
    const QByteArrayView seriesField = text.sliced(first + 1, second - first - 1).trimmed();
    const QByteArrayView valueField = text.sliced(second + 1).trimmed();
    if (timeField == "time_ms" && seriesField == "series" && valueField == "value")
        return;

    double time = 0.0;
    double value = 0.0;
    if (!parseNumber(timeField, time) || std::isnan(time)) {
        broken(QStringLiteral("time is not a number"));
        return;
    }
    if (!(time >= 0.0 && time < kLatestTimeMs)) {
        broken(QStringLiteral("time out of range (1980 to 2299)"));
        return;
    }
    if (seriesField.isEmpty()) {
        broken(QStringLiteral("no series name"));
        return;
    }
    if (!parseNumber(valueField, value)) {
        broken(QStringLiteral("value is not a number"));
        return;
    }
    // The plots need non-decreasing time.
    if (time < lastTime) {
        broken(QStringLiteral("time goes backwards"));
        return;
    }
    if (collecting && (time != current.timeMs || current.values.size() >= kMaxValuesPerEpoch))
        completeEpoch();
    if (!collecting) {
        current.timeMs = time;
        collecting = true;
    }
    lastTime = time;
    current.values.append({seriesName(seriesField), value});
}
