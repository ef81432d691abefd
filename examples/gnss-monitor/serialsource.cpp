#include "serialsource.h"

#include "nmeaparser.h"

SerialSource::SerialSource(QString device, qint32 baudRate, QDate fallbackDate)
    : LiveSource(std::make_unique<NmeaParser>(), fallbackDate)
    , deviceName(std::move(device))
    , baud(baudRate)
{
    connect(&port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
        // Errors while open that end the link: the device is gone or broken.
        if (isUp() && (error == QSerialPort::ResourceError || error == QSerialPort::PermissionError
                       || error == QSerialPort::ReadError))
            linkLost(port.errorString());
    });
}

SerialSource::~SerialSource()
{
    // No fault reports from a port that is going away with its source.
    port.disconnect(this);
    port.close();
}

void SerialSource::openLink()
{
    port.close();
    port.setPortName(deviceName);
    if (!port.open(QIODevice::ReadOnly)) {
        linkLost(tr("cannot open: %1").arg(port.errorString()));
        return;
    }
    // Settings after opening: a pseudo-terminal or an adapter takes them
    // from the open device.
    if (!port.setBaudRate(baud) || !port.setDataBits(QSerialPort::Data8) || !port.setParity(QSerialPort::NoParity)
        || !port.setStopBits(QSerialPort::OneStop) || !port.setFlowControl(QSerialPort::NoFlowControl)) {
        linkLost(tr("cannot set %1 baud 8N1: %2").arg(baud).arg(port.errorString()));
        return;
    }
    linkUp(&port);
}

void SerialSource::closeLink()
{
    port.close();
}

QString SerialSource::where() const
{
    return deviceName;
}

QString SerialSource::description() const
{
    return tr("Serial %1 at %2 baud").arg(deviceName).arg(baud);
}
