#pragma once

#include <QByteArray>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>

// A one-page HTTP server on the loopback interface, answering every request with
// the configured status and body. It records each request line, so a test can
// tell a direct GET ("GET /path") from one sent through a proxy ("GET http://...").
class LocalUpdateServer : public QObject
{
    Q_OBJECT
public:
    LocalUpdateServer();

    quint16 port() const { return m_server.serverPort(); }
    QString address(const QString& pathAndQuery) const;

    void answer(int status, const QByteArray& body)
    {
        m_status = status;
        m_body = body;
        m_stall = false;
    }
    // Sends the headers and part of the body, then never another byte.
    void stall() { m_stall = true; }
    const QList<QByteArray>& requestLines() const { return m_requestLines; }

private:
    void serve(QTcpSocket* socket);

    QTcpServer m_server;
    int m_status = 200;
    QByteArray m_body;
    bool m_stall = false;
    QList<QByteArray> m_requestLines;
};
