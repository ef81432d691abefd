#ifndef GNSSMONITOR_TESTS_RECEIVERDATA_H
#define GNSSMONITOR_TESTS_RECEIVERDATA_H

#include <QByteArray>
#include <QFile>

/// One of the real receiver recordings in tests/data, whole.
inline QByteArray recording(const char* name)
{
    QFile file(QStringLiteral(RECEIVER_DATA_DIR "/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing test data %s", name);
    return file.readAll();
}

#endif
