#ifndef GNSSMONITOR_SERIALSOURCE_H
#define GNSSMONITOR_SERIALSOURCE_H

#include "livesource.h"

#include <QSerialPort>

/// NMEA 0183 from a receiver on a serial port (8 data bits, no parity, one
/// stop bit, no flow control), as USB receivers and serial adapters offer it.
/// A device that disappears (unplugged, a pseudo-terminal whose other end
/// closed) is opened again once it is back.
class SerialSource : public LiveSource
{
    Q_OBJECT

public:
    SerialSource(QString device, qint32 baudRate, QDate fallbackDate = QDate());
    ~SerialSource() override;

    QString description() const override;
    qint32 baudRate() const { return baud; }

protected:
    void openLink() override;
    void closeLink() override;
    QString where() const override;

private:
    QString deviceName;
    qint32 baud;
    QSerialPort port;
};

#endif
