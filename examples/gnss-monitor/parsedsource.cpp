#include "parsedsource.h"

#include "csvreplay.h"
#include "gpsdjsonreader.h"
#include "nmeaparser.h"

#include <limits>

namespace {

/// Lines that make a verdict on the head reliable enough to go on with.
constexpr int kLinesForVerdict = 8;

} // namespace

ParsedSource::ParsedSource(std::unique_ptr<EpochParser> given, QDate date)
    : parser(std::move(given))
    , fallbackDate(date)
{
    if (parser && fallbackDate.isValid())
        parser->setFallbackDate(fallbackDate);
    if (parser)
        detected = dynamic_cast<NmeaParser*>(parser.get())       ? ReceiverFormat::Nmea
                   : dynamic_cast<GpsdJsonReader*>(parser.get()) ? ReceiverFormat::GpsdJson
                                                                 : ReceiverFormat::MonitorCsv;
}

std::unique_ptr<EpochParser> ParsedSource::makeParser(ReceiverFormat format)
{
    switch (format) {
    case ReceiverFormat::Nmea:
        return std::make_unique<NmeaParser>();
    case ReceiverFormat::GpsdJson:
        return std::make_unique<GpsdJsonReader>();
    case ReceiverFormat::MonitorCsv:
        return std::make_unique<CsvReplay>();
    default:
        return nullptr;
    }
}

void ParsedSource::decide(bool atEnd)
{
    if (parser || undecidable)
        return;
    const ReceiverFormat format = FormatDetector::detect(head);
    const bool full = head.size() >= FormatDetector::kHeadBytes;
    if (format == ReceiverFormat::Unknown) {
        if (full || atEnd) {
            undecidable = true;
            fault(QStringLiteral("the input is neither NMEA 0183, gpsd JSON nor the monitor's CSV"));
            head.clear();
        }
        return;
    }
    if (!full && !atEnd && head.count('\n') < kLinesForVerdict)
        return;
    detected = format;
    parser = makeParser(format);
    if (fallbackDate.isValid())
        parser->setFallbackDate(fallbackDate);
    parser->feed(head);
    head.clear();
    head.squeeze();
}

void ParsedSource::input(QByteArrayView bytes)
{
    if (parser) {
        parser->feed(bytes);
        return;
    }
    if (undecidable)
        return;
    head.append(bytes.data(), bytes.size());
    decide(false);
}

void ParsedSource::endOfInput()
{
    decide(true);
    if (parser)
        parser->finish();
}

double ParsedSource::nextTime() const
{
    return parser ? parser->nextTime() : std::numeric_limits<double>::quiet_NaN();
}

ReceiverEpoch ParsedSource::next()
{
    return parser ? parser->takeEpoch() : ReceiverEpoch();
}

void ParsedSource::fault(QString const& report)
{
    ++faults;
    if (faultReports.size() < ReaderStatistics::kMaxReports)
        faultReports.append(report);
}

QString ParsedSource::summary() const
{
    if (!parser)
        return faults > 0 ? faultReports.first() : QString();
    return FormatDetector::name(detected) + QStringLiteral(": ") + parser->statistics().summary();
}

qint64 ParsedSource::problemCount() const
{
    return faults + (parser ? parser->statistics().broken : 0);
}

QStringList ParsedSource::problemReports() const
{
    QStringList reports = faultReports;
    if (parser)
        reports += parser->statistics().reports;
    return reports;
}

bool ParsedSource::needsDate() const
{
    return parser && parser->needsDate();
}
