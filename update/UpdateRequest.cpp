#include "update/UpdateRequest.h"

#include <QDebug>
#include <QEventLoop>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

UpdateRequest::UpdateRequest(QObject* parent) : QObject(parent)
{
    connect(&m_manager, &QNetworkAccessManager::finished, this, &UpdateRequest::replyFinished);
}

void UpdateRequest::SetNetworkSettings(const NetworkSettings& settings)
{
    if (settings.useProxy) {
        bool ok = false;
        const int port = settings.proxyPort.trimmed().toInt(&ok, 10);
        if (!ok || port <= 0 || port > 65535)
            qWarning().noquote() << "UpdateRequest - unreadable proxy port" << settings.proxyPort;
        m_manager.setProxy(QNetworkProxy(QNetworkProxy::HttpProxy, settings.proxyHost,
                                         static_cast<quint16>(ok && port > 0 && port <= 65535 ? port : 0),
                                         settings.proxyUser, settings.proxyPassword));
    } else {
        // An unset proxy would follow the environment; the settings say no proxy.
        m_manager.setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    }
    m_address = settings.serverName;
}

QString UpdateRequest::platformToken()
{
#ifdef Q_OS_WIN
    return QStringLiteral("win");
#else
    return QStringLiteral("linux");
#endif
}

QString UpdateRequest::GenerateURL(const QString& address) const
{
    return address + QStringLiteral("&os=") + platformToken();
}

QString UpdateRequest::GetRequest(const QString& address)
{
    const QString url = GenerateURL(address);
    qDebug().noquote() << "URL - " << url;
    const QUrl parsed(url, QUrl::StrictMode);
    if (!parsed.isValid() || parsed.scheme().isEmpty() || parsed.host().isEmpty()) {
        qWarning().noquote() << "Error string - "
                             << "unusable update address" << url;
        return QString::fromLatin1(UPDATE_ERROR);
    }

    m_finished = false;
    m_replyText.clear();
    QNetworkRequest request(parsed);
    request.setTransferTimeout(m_transferTimeoutMs);
    qDebug() << "UpdateRequest - the reply is awaited at most" << m_transferTimeoutMs
             << "ms without progress";

    // The loop serves the caller's thread while the reply arrives; the network layer
    // always finishes a request, with a time-out error at the latest.
    QEventLoop loop;
    connect(this, &UpdateRequest::requestDone, &loop, &QEventLoop::quit);
    m_tooLarge = false;
    QNetworkReply* const reply = m_manager.get(request);
    // Read with a bound: an update answer is a few hundred bytes, and a server that sends
    // without end must not fill the memory.
    connect(reply, &QNetworkReply::downloadProgress, this, [this, reply](qint64 received, qint64) {
        if (received <= kMaxReplyBytes || m_tooLarge)
            return;
        m_tooLarge = true;
        qWarning() << "UpdateRequest - the reply is larger than" << kMaxReplyBytes << "bytes; not read";
        reply->abort();
    });
    if (!m_finished)
        loop.exec();
    return m_replyText;
}

void UpdateRequest::replyFinished(QNetworkReply* reply)
{
    if (reply->error() == QNetworkReply::NoError && !m_tooLarge) {
        m_replyText = QString::fromUtf8(reply->readAll());
    } else {
        m_replyText = QString::fromLatin1(UPDATE_ERROR);
        qWarning().noquote() << "Error string - " << reply->errorString();
    }
    reply->deleteLater();
    m_finished = true;
    emit requestDone();
}
