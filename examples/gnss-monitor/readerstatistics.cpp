#include "readerstatistics.h"

void ReaderStatistics::countBroken(qint64 line, QString const& reason)
{
    ++broken;
    if (reports.size() < kMaxReports)
        reports.append(QStringLiteral("line %1: %2").arg(line).arg(reason));
}

void ReaderStatistics::countSkipped(QByteArrayView kind)
{
    ++skipped;
    const QString name = QString::fromLatin1(kind);
    auto it = skippedKinds.find(name);
    if (it != skippedKinds.end())
        ++*it;
    else if (skippedKinds.size() < kMaxSkippedKinds)
        skippedKinds.insert(name, 1);
    else
        ++skippedKinds[QStringLiteral("other")];
}

QString ReaderStatistics::summary() const
{
    QString text = QStringLiteral("%1 lines, %2 epochs").arg(lines).arg(epochs);
    if (undatedEpochs > 0)
        text += QStringLiteral(", %1 without date (give the date)").arg(undatedEpochs);
    if (untimedEpochs > 0)
        text += QStringLiteral(", %1 without time dropped").arg(untimedEpochs);
    if (skipped > 0) {
        QStringList kinds;
        for (auto it = skippedKinds.cbegin(); it != skippedKinds.cend(); ++it)
            kinds.append(QStringLiteral("%1 %2").arg(it.value()).arg(it.key()));
        text += QStringLiteral("; skipped %1 (%2)").arg(skipped).arg(kinds.join(QStringLiteral(", ")));
    }
    if (broken > 0)
        text += QStringLiteral("; %1 broken").arg(broken);
    return text;
}
