#include "tools/mgmtserver/MgmtServer.h"

#include "sync/SyncXml.h"

#include <QDomDocument>
#include <QHttpServerRequest>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>
#include <QSslCertificate>
#include <QSslKey>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace {

// The parts of a multipart/form-data body: name -> (file name, content).
QMap<QString, QPair<QString, QByteArray>> formParts(const QByteArray& contentType, const QByteArray& body)
{
    QMap<QString, QPair<QString, QByteArray>> parts;
    const int at = contentType.indexOf("boundary=");
    if (at < 0)
        return parts;
    const QByteArray boundary = "--" + contentType.mid(at + 9).trimmed();
    qsizetype pos = body.indexOf(boundary);
    while (pos >= 0) {
        pos += boundary.size();
        if (body.mid(pos, 2) == "--")
            break;
        const qsizetype headerEnd = body.indexOf("\r\n\r\n", pos);
        const qsizetype next = body.indexOf(boundary, pos);
        if (headerEnd < 0 || next < 0)
            break;
        const QByteArray headers = body.mid(pos, headerEnd - pos);
        QByteArray content = body.mid(headerEnd + 4, next - headerEnd - 4);
        if (content.endsWith("\r\n"))
            content.chop(2);
        const auto quoted = [&headers](const QByteArray& key) {
            const qsizetype k = headers.indexOf(key + "=\"");
            if (k < 0)
                return QByteArray();
            const qsizetype start = k + key.size() + 2;
            return headers.mid(start, headers.indexOf('"', start) - start);
        };
        parts.insert(QString::fromUtf8(quoted("name")), {QString::fromUtf8(quoted("filename")), content});
        pos = next;
    }
    return parts;
}

} // namespace

MgmtServer::MgmtServer(QObject* parent) : QAbstractHttpServer(parent) {}

quint16 MgmtServer::listenTls(const QSslCertificate& certificate, const QSslKey& key, quint16 port)
{
    sslSetup(certificate, key);
    return listen(QHostAddress::LocalHost, port);
}

void MgmtServer::setState(const QJsonObject& state)
{
    QMutexLocker lock(&m_mutex);
    if (state.contains(QStringLiteral("versionReply")))
        m_versionReply = state.value(QStringLiteral("versionReply")).toString().toUtf8();
    else if (state.contains(QStringLiteral("version")))
        m_versionReply =
            QJsonDocument(QJsonObject{{QStringLiteral("version"), state.value(QStringLiteral("version"))}})
                .toJson(QJsonDocument::Compact);
    const QJsonObject replies = state.value(QStringLiteral("replies")).toObject();
    for (auto it = replies.begin(); it != replies.end(); ++it)
        m_replies.insert(it.key(), it.value().toObject());
    const QJsonObject faults = state.value(QStringLiteral("faults")).toObject();
    for (auto it = faults.begin(); it != faults.end(); ++it) {
        const QJsonObject f = it.value().toObject();
        m_faults.insert(it.key(), {f.value(QStringLiteral("kind")).toString(),
                                   f.value(QStringLiteral("status")).toInt(),
                                   f.value(QStringLiteral("count")).toInt(-1)});
    }
}

void MgmtServer::setVersionReply(const QByteArray& reply)
{
    QMutexLocker lock(&m_mutex);
    m_versionReply = reply;
}

void MgmtServer::setReply(const QString& action, const QJsonObject& members)
{
    QMutexLocker lock(&m_mutex);
    m_replies.insert(action, members);
}

void MgmtServer::setFault(const QString& action, const Fault& fault)
{
    QMutexLocker lock(&m_mutex);
    m_faults.insert(action, fault);
}

void MgmtServer::clearFaults()
{
    QMutexLocker lock(&m_mutex);
    m_faults.clear();
}

void MgmtServer::setOnRequest(std::function<void(const Received&)> callback)
{
    QMutexLocker lock(&m_mutex);
    m_onRequest = std::move(callback);
}

QList<MgmtServer::Received> MgmtServer::received() const
{
    QMutexLocker lock(&m_mutex);
    return m_received;
}

int MgmtServer::count(const QString& action) const
{
    QMutexLocker lock(&m_mutex);
    int n = 0;
    for (const Received& r : m_received)
        n += r.action == action ? 1 : 0;
    return n;
}

void MgmtServer::clearReceived()
{
    QMutexLocker lock(&m_mutex);
    m_received.clear();
}

int MgmtServer::requestCount() const
{
    QMutexLocker lock(&m_mutex);
    return m_requests;
}

bool MgmtServer::takeFault(const QString& action, Fault* fault)
{
    QMutexLocker lock(&m_mutex);
    ++m_requests;
    auto it = m_faults.find(action);
    if (it == m_faults.end() || it->count == 0)
        return false;
    *fault = *it;
    if (it->count > 0)
        --it->count;
    return true;
}

void MgmtServer::writeResponse(QTcpSocket* socket, int code, const QByteArray& contentType,
                               const QByteArray& body)
{
    QByteArray response = "HTTP/1.1 " + QByteArray::number(code) + (code == 200 ? " OK" : " Error") + "\r\n";
    response += "Content-Type: " + contentType + "\r\n";
    response += "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n";
    socket->write(response + body);
}

void MgmtServer::missingHandler(const QHttpServerRequest&, QTcpSocket* socket)
{
    writeResponse(socket, 404, "text/plain", "not found");
}

bool MgmtServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket)
{
    // Exact paths: a client that doubles the "/" after the base address gets a 404.
    const QString path = request.url().path();
    Fault fault;
    if (path == QLatin1String("/version")) {
        if (takeFault(QStringLiteral("version"), &fault)) {
            if (fault.kind == QLatin1String("hang"))
                return true;
            if (fault.kind == QLatin1String("close")) {
                socket->disconnectFromHost();
                return true;
            }
            writeResponse(socket, fault.kind == QLatin1String("http500") ? 500 : 200, "text/plain",
                          "garbage");
            return true;
        }
        QMutexLocker lock(&m_mutex);
        writeResponse(socket, 200, "application/json", m_versionReply);
        return true;
    }

    Received received;
    received.body = request.body();
    if (path == QLatin1String("/api/sync")) {
        received.protocol = 2;
        const QJsonObject body = QJsonDocument::fromJson(request.body()).object();
        received.header = body.value(QStringLiteral("header")).toObject();
        received.action = received.header.value(QStringLiteral("action")).toString();
        received.data = body.value(QStringLiteral("data"));
    } else if (path == QLatin1String("/synchronize2.php")) {
        received.protocol = 1;
        const auto parts = formParts(request.value("Content-Type"), request.body());
        for (auto it = parts.begin(); it != parts.end(); ++it) {
            if (it.value().first.isEmpty()) {
                received.formFields.insert(it.key(), QString::fromUtf8(it.value().second));
            } else {
                QJsonObject document;
                SyncXml::toJson(QString::fromUtf8(it.value().second), &document, nullptr);
                received.data = document.value(QStringLiteral("data"));
            }
        }
        received.action = received.formFields.value(QStringLiteral("action"));
    } else {
        return false;
    }
    const int protocol = received.protocol;
    const QString action = received.action;
    std::function<void(const Received&)> onRequest;
    {
        QMutexLocker lock(&m_mutex);
        m_received << received;
        onRequest = m_onRequest;
    }
    if (onRequest)
        onRequest(received);

    QJsonObject members;
    {
        QMutexLocker lock(&m_mutex);
        members = m_replies.value(action);
    }
    if (!takeFault(action, &fault)) {
        answer(socket, protocol, action, members);
        return true;
    }
    if (fault.kind == QLatin1String("status")) {
        QJsonObject header{{QStringLiteral("result"), fault.status}};
        members = {};
        members.insert(QStringLiteral("header"), header);
        answer(socket, protocol, action, members);
    } else if (fault.kind == QLatin1String("http500")) {
        writeResponse(socket, 500, "text/plain", "internal error");
    } else if (fault.kind == QLatin1String("malformed")) {
        writeResponse(socket, 200, protocol == 2 ? "application/json" : "text/xml",
                      protocol == 2 ? "{\"header\": {\"result\": 4" : "<reply><result>4</result");
    } else if (fault.kind == QLatin1String("close")) {
        socket->disconnectFromHost();
    } else if (fault.kind == QLatin1String("huge")) {
        members.insert(QStringLiteral("padding"), QString(20000, QLatin1Char('x')));
        answer(socket, protocol, action, members);
    } else if (fault.kind == QLatin1String("trickle")) {
        // Headers at once, then the body a few bytes at a time (blanks are allowed in both forms).
        const QByteArray padding(120, ' ');
        const QByteArray reply = protocol == 2
                                     ? QByteArray("{\"header\":{\"result\":4}" + padding + "}")
                                     : QByteArray("<reply><result>4</result>" + padding + "</reply>");
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                      QByteArray::number(reply.size()) + "\r\n\r\n");
        const QByteArray response = reply;
        auto rest = std::make_shared<QByteArray>(response);
        auto timer = new QTimer(socket);
        QPointer<QTcpSocket> guard(socket);
        connect(timer, &QTimer::timeout, socket, [guard, rest, timer] {
            if (!guard || rest->isEmpty()) {
                timer->deleteLater();
                return;
            }
            guard->write(rest->left(4));
            rest->remove(0, 4);
        });
        timer->start(100);
    }
    // "hang": the request stays unanswered.
    return true;
}

void MgmtServer::answer(QTcpSocket* socket, int protocol, const QString&, const QJsonObject& members)
{
    QJsonObject reply = members;
    if (!reply.contains(QStringLiteral("header")))
        reply.insert(QStringLiteral("header"), QJsonObject{{QStringLiteral("result"), 4}});
    if (protocol == 2) {
        writeResponse(socket, 200, "application/json", QJsonDocument(reply).toJson(QJsonDocument::Compact));
        return;
    }
    QDomDocument document;
    QDomElement root = document.createElement(QStringLiteral("reply"));
    document.appendChild(root);
    SyncXml::appendValue(document, root, QStringLiteral("result"),
                         reply.value(QStringLiteral("header")).toObject().value(QStringLiteral("result")));
    reply.remove(QStringLiteral("header"));
    for (auto it = reply.begin(); it != reply.end(); ++it)
        SyncXml::appendValue(document, root, it.key(), it.value());
    writeResponse(socket, 200, "text/xml", document.toString(-1).toUtf8());
}
