#pragma once

#include <QAbstractHttpServer>
#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QString>

#include <functional>

class QSslCertificate;
class QSslKey;
class QTcpSocket;

// A management server for tests and the bench: answers both protocols from a JSON
// state, records every request it gets, and injects faults per action.
// Thread-safe accessors: the server may serve on another thread than the test.
class MgmtServer : public QAbstractHttpServer
{
    Q_OBJECT
public:
    struct Received
    {
        int protocol = 0;
        QString action;
        QJsonObject header;
        // The request's "data" (protocol 2) or the XML document read as JSON (protocol 1).
        QJsonValue data;
        QMap<QString, QString> formFields;
        QByteArray body;
    };

    // "status": answer with `status`; "http500"; "malformed": a body that does not
    // parse; "hang": never answer; "close": close the connection without an answer;
    // "huge": a valid answer padded to 20,000 bytes; "trickle": a valid answer sent
    // a few bytes at a time.
    struct Fault
    {
        QString kind;
        int status = 0;
        // How many requests it hits; -1 for all.
        int count = -1;
    };

    explicit MgmtServer(QObject* parent = nullptr);

    // TLS listening on 127.0.0.1; the port actually taken, 0 on failure.
    quint16 listenTls(const QSslCertificate& certificate, const QSslKey& key, quint16 port = 0);

    // The state: {"version": ..., "versionReply": raw text, "replies": {ACTION: members}, "faults": {...}}.
    void setState(const QJsonObject& state);
    void setVersionReply(const QByteArray& reply);
    void setReply(const QString& action, const QJsonObject& members);
    // `action` "version" hits the version query.
    void setFault(const QString& action, const Fault& fault);
    void clearFaults();

    // Called on the server's thread with each request before it is answered.
    void setOnRequest(std::function<void(const Received&)> callback);

    QList<Received> received() const;
    int count(const QString& action) const;
    void clearReceived();
    // Requests answered so far (faults included).
    int requestCount() const;

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    static void writeResponse(QTcpSocket* socket, int code, const QByteArray& contentType,
                              const QByteArray& body);
    bool takeFault(const QString& action, Fault* fault);
    void answer(QTcpSocket* socket, int protocol, const QString& action, const QJsonObject& members);

    mutable QMutex m_mutex;
    QByteArray m_versionReply = "{\"version\":2}";
    QMap<QString, QJsonObject> m_replies;
    QMap<QString, Fault> m_faults;
    QList<Received> m_received;
    std::function<void(const Received&)> m_onRequest;
    int m_requests = 0;
};
