#include "formatdetector.h"

#include "nmeaparser.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

/// A '$' or '!' sentence whose checksum is right, anywhere in the line.
bool hasSentence(QByteArrayView line)
{
    for (qsizetype start = 0; start < line.size(); ++start) {
        if (line[start] != '$' && line[start] != '!')
            continue;
        int sum = 0;
        qsizetype i = start + 1;
        for (; i < line.size() && line[i] != '*' && line[i] != '$' && line[i] != '!'; ++i)
            sum ^= quint8(line[i]);
        if (i + 2 < line.size() && line[i] == '*' && i - start > 6 && NmeaParser::hexValue(line[i + 1]) >= 0
            && NmeaParser::hexValue(line[i + 2]) >= 0 && NmeaParser::hexValue(line[i + 1]) * 16 + NmeaParser::hexValue(line[i + 2]) == sum)
            return true;
    }
    return false;
}

bool isNumber(QByteArrayView text)
{
    bool ok = false;
    (void)text.trimmed().toDouble(&ok);
    return ok || text.trimmed().compare("nan", Qt::CaseInsensitive) == 0;
}

bool isCsvSample(QByteArrayView line)
{
    const qsizetype first = line.indexOf(',');
    const qsizetype second = first < 0 ? -1 : line.indexOf(',', first + 1);
    if (second < 0 || line.indexOf(',', second + 1) >= 0)
        return false;
    return isNumber(line.first(first)) && !line.sliced(first + 1, second - first - 1).trimmed().isEmpty()
           && isNumber(line.sliced(second + 1));
}

} // namespace

ReceiverFormat FormatDetector::detect(QByteArrayView head)
{
    int nmea = 0, csv = 0, json = 0;
    while (!head.isEmpty()) {
        qsizetype end = head.indexOf('\n');
        // A cut-off last line says nothing reliable unless it is all there is.
        if (end < 0 && nmea + csv + json > 0)
            break;
        const QByteArrayView line = (end < 0 ? head : head.first(end)).trimmed();
        head = end < 0 ? QByteArrayView() : head.sliced(end + 1);
        if (line.isEmpty() || line.front() == '#')
            continue;
        if (line.front() == '{') {
            const QJsonDocument document = QJsonDocument::fromJson(line.toByteArray());
            json += document.isObject() && document.object().value(QLatin1String("class")).isString();
        } else if (hasSentence(line)) {
            ++nmea;
        } else if (line.startsWith("time_ms") || isCsvSample(line)) {
            ++csv;
        }
    }
    if (nmea == 0 && csv == 0 && json == 0)
        return ReceiverFormat::Unknown;
    if (nmea >= csv && nmea >= json)
        return ReceiverFormat::Nmea;
    return json >= csv ? ReceiverFormat::GpsdJson : ReceiverFormat::MonitorCsv;
}

QString FormatDetector::name(ReceiverFormat format)
{
    switch (format) {
    case ReceiverFormat::Nmea:
        return QStringLiteral("NMEA 0183");
    case ReceiverFormat::MonitorCsv:
        return QStringLiteral("monitor CSV");
    case ReceiverFormat::GpsdJson:
        return QStringLiteral("gpsd JSON");
    default:
        return QStringLiteral("unknown");
    }
}
