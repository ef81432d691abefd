#ifndef GNSSMONITOR_TCPSOURCE_H
#define GNSSMONITOR_TCPSOURCE_H

#include "livesource.h"

#include <QTcpSocket>

/// A receiver's stream from a TCP port: receivers that serve NMEA 0183 on the
/// network, serial-to-network bridges.  A peer that closes, refuses or cannot
/// be reached is connected to again until it answers.
class TcpSource : public LiveSource
{
    Q_OBJECT

public:
    TcpSource(QString host, quint16 port, QDate fallbackDate = QDate());
    ~TcpSource() override;

    QString description() const override;

protected:
    TcpSource(QString host, quint16 port, std::unique_ptr<EpochParser> parser, QDate fallbackDate);
    void openLink() override;
    void closeLink() override;
    QString where() const override;
    /// The connection is made: what the peer must be told first.
    virtual void greet(QTcpSocket& socket);

    QString host;
    quint16 port;

private:
    QTcpSocket socket;
};

#endif
