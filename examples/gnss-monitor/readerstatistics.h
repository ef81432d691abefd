#ifndef GNSSMONITOR_READERSTATISTICS_H
#define GNSSMONITOR_READERSTATISTICS_H

#include <QByteArrayView>
#include <QMap>
#include <QString>
#include <QStringList>

/// What a receiver-format reader made of its input, for the status bar and
/// the summary of a rendered replay.
///
/// Input the monitor cannot use is of two kinds.  Skipped input is valid but
/// carries nothing to plot (vendor sentences, AIS, course over ground, unknown
/// gpsd classes): it is counted by kind.  Broken input is damaged or
/// implausible (checksum failures, truncated sentences, binary bytes, fields
/// out of range, times going backwards): it is counted, and the first few
/// cases are kept with their line number and reason.  Both are bounded
/// however long the input runs.
struct ReaderStatistics
{
    static constexpr int kMaxReports = 10;
    static constexpr int kMaxSkippedKinds = 32;

    qint64 lines = 0;
    /// Sentences or reports that went into epochs.
    qint64 used = 0;
    qint64 skipped = 0;
    /// Skipped input per kind ("PGLOR", "GNVTG", "AIVDM", "DEVICE", a CSV
    /// series name, ...);
    /// kinds beyond the first kMaxSkippedKinds count as "other".
    QMap<QString, qint64> skippedKinds;
    qint64 broken = 0;
    /// "line N: reason" for the first kMaxReports broken inputs.
    QStringList reports;
    qint64 epochs = 0;
    /// Epochs dropped because no sentence gave them a time of day (a
    /// receiver without fix that leaves the time fields empty).
    qint64 untimedEpochs = 0;
    /// Epochs delivered without GNSS time because no date was known.
    qint64 undatedEpochs = 0;

    void countBroken(qint64 line, QString const& reason);
    void countSkipped(QByteArrayView kind);
    /// One line: counts and skipped kinds; the reports go separately.
    QString summary() const;
};

#endif
