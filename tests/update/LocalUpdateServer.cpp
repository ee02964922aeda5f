#include "tests/update/LocalUpdateServer.h"

#include <QHostAddress>

LocalUpdateServer::LocalUpdateServer()
{
    m_server.listen(QHostAddress::LocalHost);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* const socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
        }
    });
}

QString LocalUpdateServer::address(const QString& pathAndQuery) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(pathAndQuery);
}

void LocalUpdateServer::serve(QTcpSocket* socket)
{
    QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", request);
    if (!request.contains("\r\n\r\n"))
        return;
    m_requestLines.append(request.left(request.indexOf("\r\n")));
    socket->setProperty("request", QByteArray());

    const QByteArray reason = m_status == 200 ? "OK" : "Error";
    QByteArray head =
        "HTTP/1.1 " + QByteArray::number(m_status) + ' ' + reason +
        "\r\nContent-Type: text/xml\r\nContent-Length: " + QByteArray::number(m_body.size() + 100) +
        "\r\n\r\n";
    if (m_stall) {
        socket->write(head + m_body.left(3));
        return;
    }
    head.replace("Content-Length: " + QByteArray::number(m_body.size() + 100),
                 "Content-Length: " + QByteArray::number(m_body.size()));
    socket->write(head + m_body);
    socket->disconnectFromHost();
}
