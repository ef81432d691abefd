#include "tcpsource.h"

#include "nmeaparser.h"

TcpSource::TcpSource(QString host, quint16 port, QDate fallbackDate)
    : TcpSource(std::move(host), port, std::make_unique<NmeaParser>(), fallbackDate)
{
}

TcpSource::TcpSource(QString peerHost, quint16 peerPort, std::unique_ptr<EpochParser> parser, QDate fallbackDate)
    : LiveSource(std::move(parser), fallbackDate)
    , host(std::move(peerHost))
    , port(peerPort)
{
    connect(&socket, &QTcpSocket::connected, this, [this] {
        greet(socket);
        linkUp(&socket);
    });
    // A refused or failed attempt and the loss of a working connection both
    // end here; a peer that closes normally also reports the remote close.
    connect(&socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        linkLost(error == QAbstractSocket::RemoteHostClosedError ? tr("closed by the peer") : socket.errorString());
    });
}

TcpSource::~TcpSource()
{
    socket.disconnect(this);
    socket.abort();
}

void TcpSource::openLink()
{
    socket.abort();
    socket.connectToHost(host, port);
}

void TcpSource::closeLink()
{
    // Deferred: closing inside the socket's own error signal is not safe.
    QMetaObject::invokeMethod(&socket, &QTcpSocket::abort, Qt::QueuedConnection);
}

void TcpSource::greet(QTcpSocket&)
{
    // NMEA servers talk without being asked.
}

QString TcpSource::where() const
{
    return QStringLiteral("%1:%2").arg(host).arg(port);
}

QString TcpSource::description() const
{
    return tr("TCP %1").arg(where());
}
