#include "sync/SynchronizeRequest.h"

#include "sync/SynchronizeSettings.h"

#include <QDebug>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRandomGenerator>
#include <QSslCertificate>
#include <QUrl>

std::atomic<bool> SynchronizeRequest::s_jsonMode = true;
std::atomic<bool> SynchronizeRequest::s_fullUrlMode = false;

SynchronizeRequest::SynchronizeRequest(QNetworkAccessManager* manager, QObject* parent)
    : QObject(parent), m_manager(manager)
{
    if (!m_manager) {
        m_ownManager = std::make_unique<QNetworkAccessManager>();
        m_manager = m_ownManager.get();
    }
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &SynchronizeRequest::timeout);
}

SynchronizeRequest::~SynchronizeRequest()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
}

void SynchronizeRequest::setProxy(const QString& host, const QString& port, const QString& user,
                                  const QString& password)
{
    m_proxyHost = host;
    m_proxyPort = port;
    m_proxyUser = user;
    m_proxyPassword = password;
}

void SynchronizeRequest::setFileParam(const QString& name, const QString& fileName,
                                      const QString& contentType, const QByteArray& content)
{
    m_files.insert(name, {fileName, contentType, content});
}

void SynchronizeRequest::eraseRequestParams()
{
    m_params.clear();
    m_files.clear();
}

void SynchronizeRequest::setJsonRequestMode(bool on)
{
    s_jsonMode = on;
}
bool SynchronizeRequest::jsonRequestMode()
{
    return s_jsonMode;
}
void SynchronizeRequest::setFullUrlMode(bool on)
{
    s_fullUrlMode = on;
}
bool SynchronizeRequest::fullUrlMode()
{
    return s_fullUrlMode;
}

QString SynchronizeRequest::generateUrl(const QString& serverName, int version, bool fullUrl)
{
    if (fullUrl)
        return serverName;
    QString url = serverName;
    if (!url.endsWith(QLatin1Char('/')))
        url += QLatin1Char('/');
    return url + (version < 2 ? QStringLiteral("synchronize2.php") : QStringLiteral("api/sync"));
}

QString SynchronizeRequest::versionUrl(const QString& serverName)
{
    QString url = serverName;
    if (!url.endsWith(QLatin1Char('/')))
        url += QLatin1Char('/');
    return url + QStringLiteral("version");
}

QSslConfiguration SynchronizeRequest::sslConfiguration()
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    const QString caFile = SynchronizeSettings::extraCaFile();
    if (caFile.isEmpty())
        return configuration;
    // Read once per file: the bench makes thousands of requests.
    static QMutex mutex;
    static QString cachedFile;
    static QList<QSslCertificate> cached;
    QMutexLocker lock(&mutex);
    if (caFile != cachedFile) {
        cached = QSslCertificate::fromPath(caFile, QSsl::Pem);
        cachedFile = caFile;
        if (cached.isEmpty())
            qWarning() << "SynchronizeRequest - no certificate in the CA file" << caFile;
    }
    configuration.addCaCertificates(cached);
    return configuration;
}

int SynchronizeRequest::parseVersion(const QByteArray& reply)
{
    const QByteArray text = reply.trimmed();
    bool ok = false;
    int version = text.toInt(&ok);
    if (ok)
        return version > 0 ? version : -1;
    const QJsonDocument document = QJsonDocument::fromJson(text);
    if (!document.isObject())
        return -1;
    const QJsonValue value = document.object().value(QStringLiteral("version"));
    if (value.isDouble()) {
        const double number = value.toDouble();
        version = int(number);
        return version > 0 && number == version ? version : -1;
    }
    if (value.isString()) {
        version = value.toString().trimmed().toInt(&ok);
        return ok && version > 0 ? version : -1;
    }
    return -1;
}

void SynchronizeRequest::prepare(QNetworkRequest& request) const
{
    request.setSslConfiguration(sslConfiguration());
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    if (m_proxyUsed) {
        QNetworkProxy proxy(QNetworkProxy::HttpProxy, m_proxyHost, quint16(m_proxyPort.toUInt()));
        if (!m_proxyUser.isEmpty()) {
            proxy.setUser(m_proxyUser);
            proxy.setPassword(m_proxyPassword);
        }
        m_manager->setProxy(proxy);
    } else {
        m_manager->setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    }
}

QByteArray SynchronizeRequest::multipartBody(QByteArray* boundary) const
{
    QByteArray content;
    for (auto it = m_params.begin(); it != m_params.end(); ++it)
        content += it.key().toUtf8() + it.value().toUtf8();
    for (auto it = m_files.begin(); it != m_files.end(); ++it)
        content += it.value().content;
    static const char alphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray mark;
    do {
        mark = QByteArray(28, '-');
        for (int i = 0; i < 16; ++i)
            mark += alphabet[QRandomGenerator::global()->bounded(int(sizeof alphabet) - 1)];
    } while (content.contains(mark));
    *boundary = mark;

    QByteArray body;
    for (auto it = m_params.begin(); it != m_params.end(); ++it) {
        body += "--" + mark + "\r\n";
        body += "Content-Disposition: form-data; name=\"" + it.key().toUtf8() + "\"\r\n";
        body += "Content-Transfer-Encoding: 8bit\r\n\r\n";
        body += it.value().toUtf8() + "\r\n";
    }
    for (auto it = m_files.begin(); it != m_files.end(); ++it) {
        body += "--" + mark + "\r\n";
        body += "Content-Disposition: form-data; name=\"" + it.key().toUtf8() + "\"; filename=\"" +
                it.value().fileName.toUtf8() + "\"\r\n";
        body += "Content-Type: " + it.value().contentType.toUtf8() + "\r\n";
        body += "Content-Transfer-Encoding: 8bit\r\n\r\n";
        body += it.value().content + "\r\n";
    }
    body += "--" + mark + "--\r\n";
    return body;
}

bool SynchronizeRequest::establishConnection()
{
    m_ended = false;
    m_timedOut = false;
    m_tooLarge = false;
    m_connectionLost = false;
    m_httpStatus = 0;
    m_replyText.clear();
    m_errorText.clear();
    const QUrl url(generateUrl(m_serverName, m_version, fullUrlMode()));
    if (!url.isValid() || url.host().isEmpty()) {
        m_ended = true;
        m_connectionLost = true;
        m_errorText = QStringLiteral("invalid server address: ") + m_serverName;
        emit requestFailed(m_errorText);
        return false;
    }
    QNetworkRequest request(url);
    prepare(request);
    QNetworkReply* reply = nullptr;
    if (jsonRequestMode()) {
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QStringLiteral("application/json; charset=utf-8"));
        reply = m_manager->post(request, m_jsonBody);
    } else {
        QByteArray boundary;
        const QByteArray body = multipartBody(&boundary);
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QByteArray("multipart/form-data; boundary=") + boundary);
        reply = m_manager->post(request, body);
    }
    start(reply, SynchronizeSettings::requestTimeoutMs());
    return true;
}

void SynchronizeRequest::start(QNetworkReply* reply, int timeoutMs)
{
    m_reply = reply;
    m_timer.setInterval(timeoutMs);
    connect(reply, &QNetworkReply::finished, this, &SynchronizeRequest::finish);
    // Any progress shows the server is still answering: restart the time-out.
    auto restart = [this] { m_timer.start(); };
    m_uploaded = false;
    connect(reply, &QNetworkReply::uploadProgress, this, [this, restart](qint64 sent, qint64 total) {
        restart();
        if (sent == total && !m_uploaded) {
            m_uploaded = true;
            emit uploadDone();
        }
    });
    connect(reply, &QNetworkReply::downloadProgress, this, [this, reply, restart](qint64 received, qint64) {
        restart();
        // Read with a bound: a server that sends without end must not fill the memory.
        if (received > kMaxReplyBytes && !m_tooLarge) {
            m_tooLarge = true;
            qWarning() << "SynchronizeRequest: the reply is larger than" << kMaxReplyBytes
                       << "bytes; not read";
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::metaDataChanged, this, restart);
    m_timer.start();
}

void SynchronizeRequest::timeout()
{
    if (!m_reply)
        return;
    qWarning() << "abort current network request because of timeout";
    m_timedOut = true;
    m_reply->abort();
}

void SynchronizeRequest::finish()
{
    m_timer.stop();
    QNetworkReply* const reply = m_reply;
    if (!reply)
        return;
    m_reply.clear();
    reply->deleteLater();
    m_httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray body = reply->readAll();
    m_ended = true;
    if (reply->error() == QNetworkReply::NoError && !m_tooLarge && m_httpStatus >= 200 &&
        m_httpStatus < 300) {
        m_replyText = QString::fromUtf8(body);
        emit requestObtained(m_replyText);
        return;
    }
    m_connectionLost = m_httpStatus == 0 || m_timedOut;
    if (m_tooLarge)
        m_errorText = QStringLiteral("reply larger than %1 bytes, not read").arg(kMaxReplyBytes);
    else if (m_timedOut)
        m_errorText = QStringLiteral("time-out, no answer from the server");
    else if (m_httpStatus != 0)
        m_errorText = QStringLiteral("HTTP %1 %2").arg(m_httpStatus).arg(reply->errorString());
    else
        m_errorText = reply->errorString();
    emit requestFailed(m_errorText);
}

void SynchronizeRequest::waitForEnd()
{
    // The answer may have been delivered already, by an event loop the caller ran meanwhile.
    if (m_ended)
        return;
    QEventLoop loop;
    connect(this, &SynchronizeRequest::requestObtained, &loop, &QEventLoop::quit);
    connect(this, &SynchronizeRequest::requestFailed, &loop, &QEventLoop::quit);
    // The loop keeps this thread's events turning so that the reply is delivered here.
    loop.exec();
}

void SynchronizeRequest::waitForUpload()
{
    if (m_ended || m_uploaded)
        return;
    QEventLoop loop;
    connect(this, &SynchronizeRequest::uploadDone, &loop, &QEventLoop::quit);
    connect(this, &SynchronizeRequest::requestObtained, &loop, &QEventLoop::quit);
    connect(this, &SynchronizeRequest::requestFailed, &loop, &QEventLoop::quit);
    loop.exec();
}

void SynchronizeRequest::connectToServer()
{
    establishConnection();
    waitForEnd();
}

int SynchronizeRequest::getSynchronizeVersion(QString* error)
{
    m_ended = false;
    m_timedOut = false;
    m_tooLarge = false;
    m_connectionLost = false;
    m_httpStatus = 0;
    m_replyText.clear();
    m_errorText.clear();
    const QUrl url(versionUrl(m_serverName));
    if (!url.isValid() || url.host().isEmpty()) {
        if (error)
            *error = QStringLiteral("invalid server address: ") + m_serverName;
        return -1;
    }
    QNetworkRequest request(url);
    prepare(request);
    QEventLoop loop;
    connect(this, &SynchronizeRequest::requestObtained, &loop, &QEventLoop::quit);
    connect(this, &SynchronizeRequest::requestFailed, &loop, &QEventLoop::quit);
    start(m_manager->get(request), SynchronizeSettings::versionTimeoutMs());
    if (!m_ended)
        loop.exec();
    if (!m_errorText.isEmpty()) {
        if (error)
            *error = m_errorText;
        return -1;
    }
    const int version = parseVersion(m_replyText.toUtf8());
    if (version < 0 && error)
        *error = QStringLiteral("unreadable version reply: ") + m_replyText.left(200);
    return version;
}
