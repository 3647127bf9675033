#pragma once

#include <QtNetwork/QTcpSocket>

namespace zvtest {

// A loopback port that refuses every connection: bound but never listening. It stays ours for the
// object's life, where the port of a stopped server may meanwhile be taken by another test's
// server.
class RefusingPort {
public:
    RefusingPort() {
        bound_ = socket_.bind(QHostAddress::LocalHost, 0, QAbstractSocket::DontShareAddress);
    }

    bool isBound() const { return bound_; }
    quint16 port() const { return socket_.localPort(); }
    // "http://127.0.0.1:<port>/"
    QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1/").arg(port()); }

private:
    QTcpSocket socket_;
    bool bound_ = false;
};

}  // namespace zvtest
