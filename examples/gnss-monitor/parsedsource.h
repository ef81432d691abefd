#ifndef GNSSMONITOR_PARSEDSOURCE_H
#define GNSSMONITOR_PARSEDSOURCE_H

#include "epochparser.h"
#include "epochsource.h"
#include "formatdetector.h"

#include <QByteArray>
#include <QDate>

#include <memory>

/// A source whose epochs come out of a parser fed with bytes: a recording,
/// a serial port, a TCP stream, gpsd.
///
/// The format is either given or told from the first bytes of the input
/// (NMEA 0183, gpsd JSON or the monitor's CSV), wherever they come from: the
/// head is kept until it holds a few complete lines with a verdict, or
/// FormatDetector::kHeadBytes, or the input ends.  Faults of the link itself
/// (a device that went away, a peer that closed) count as problems beside the
/// input the parser could not use.
class ParsedSource : public EpochSource
{
public:
    /// The parser to use; a null one: tell the format from the input.
    /// `fallbackDate` is given to the parser for logs without any date.
    explicit ParsedSource(std::unique_ptr<EpochParser> parser, QDate fallbackDate = QDate());

    double nextTime() const override;
    ReceiverEpoch next() override;

    QString summary() const override;
    qint64 problemCount() const override;
    QStringList problemReports() const override;
    bool needsDate() const override;

    /// The format read, once known.
    ReceiverFormat format() const { return detected; }
    static std::unique_ptr<EpochParser> makeParser(ReceiverFormat format);

protected:
    void input(QByteArrayView bytes);
    /// The input ended or broke off: what is pending is completed.
    void endOfInput();
    bool hasEpoch() const { return parser && parser->hasEpoch(); }
    /// A fault of the link, with the time or place it happened.
    void fault(QString const& report);
    qint64 faultCount() const { return faults; }

private:
    void decide(bool atEnd);

    std::unique_ptr<EpochParser> parser;
    ReceiverFormat detected = ReceiverFormat::Unknown;
    bool undecidable = false;
    QDate fallbackDate;
    QByteArray head;
    qint64 faults = 0;
    QStringList faultReports;
};

#endif
