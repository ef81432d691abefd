#ifndef GNSSMONITOR_GPSDSOURCE_H
#define GNSSMONITOR_GPSDSOURCE_H

#include "tcpsource.h"

/// The reports of a gpsd daemon, which decodes whatever protocol its
/// receiver speaks (u-blox binary, SiRF, NMEA, ...).  The monitor talks gpsd's
/// documented JSON protocol itself: on every connection it asks for the
/// reports with ?WATCH={"enable":true,"json":true} and reads the SKY, TPV and
/// GST lines with GpsdJsonReader; after a restart of gpsd it connects and
/// asks again.
class GpsdSource : public TcpSource
{
    Q_OBJECT

public:
    static constexpr quint16 kDefaultPort = 2947;

    GpsdSource(QString host, quint16 port);
    QString description() const override;

protected:
    void greet(QTcpSocket& socket) override;
};

#endif
