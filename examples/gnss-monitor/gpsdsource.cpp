#include "gpsdsource.h"

#include "gpsdjsonreader.h"

GpsdSource::GpsdSource(QString host, quint16 port)
    : TcpSource(std::move(host), port, std::make_unique<GpsdJsonReader>(), QDate())
{
}

void GpsdSource::greet(QTcpSocket& socket)
{
    socket.write("?WATCH={\"enable\":true,\"json\":true}\n");
}

QString GpsdSource::description() const
{
    return tr("gpsd at %1").arg(where());
}
