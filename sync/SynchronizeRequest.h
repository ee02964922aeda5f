#pragma once

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QSslConfiguration>
#include <QString>
#include <QTimer>

#include <atomic>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;

// One HTTP exchange with the management server: a JSON POST (protocol 2), a
// multipart form POST (protocol 1) or the version GET. Certificates are always
// verified; an extra CA (SynchronizeSettings::extraCaFile) is added to the system store.
class SynchronizeRequest : public QObject
{
    Q_OBJECT
public:
    struct FileParam
    {
        QString fileName;
        QString contentType;
        QByteArray content;
    };

    // `manager` is shared by the exchanges of one run (one TLS session); without one
    // the request makes its own.
    // Longest reply read; a longer one is a failed exchange.
    static constexpr qint64 kMaxReplyBytes = 16 * 1024 * 1024;

    explicit SynchronizeRequest(QNetworkAccessManager* manager = nullptr, QObject* parent = nullptr);
    ~SynchronizeRequest() override;

    void setServerName(const QString& name) { m_serverName = name; }
    QString serverName() const { return m_serverName; }
    void setProxyUsed(bool used) { m_proxyUsed = used; }
    void setProxy(const QString& host, const QString& port, const QString& user, const QString& password);
    void setRequestParam(const QString& name, const QString& value) { m_params.insert(name, value); }
    void setFileParam(const QString& name, const QString& fileName, const QString& contentType,
                      const QByteArray& content);
    void eraseRequestParams();
    void setJsonBody(const QByteArray& body) { m_jsonBody = body; }
    void setVersion(int version) { m_version = version; }

    static void setJsonRequestMode(bool on);
    static bool jsonRequestMode();
    static void setFullUrlMode(bool on);
    static bool fullUrlMode();

    static QString generateUrl(const QString& serverName, int version, bool fullUrl);
    static QString versionUrl(const QString& serverName);
    // The platform's default TLS configuration plus the extra CA, when one is set.
    static QSslConfiguration sslConfiguration();
    // "2", {"version":2} or {"version":"2"}; -1 when none of these.
    static int parseVersion(const QByteArray& reply);

    // Sends the request; the answer comes through requestObtained/requestFailed.
    bool establishConnection();
    bool isRequestEnd() const { return m_ended; }
    // Serves this thread's events until the exchange that establishConnection() began has ended.
    void waitForEnd();
    // Serves this thread's events until the request's body has been handed to the network
    // (or the exchange ended): the body is fed from this thread, so blocking work done after
    // this no longer holds the request up.
    void waitForUpload();
    // Sends and serves this thread's events until the exchange ended.
    void connectToServer();
    // The exchange ended with an HTTP success and its body was read (replyText()).
    bool succeeded() const { return m_ended && m_errorText.isEmpty(); }
    // The version GET, waited for; -1 with the reason in `error` when it failed.
    int getSynchronizeVersion(QString* error);

    // The multipart body of the form parameters, with a boundary that occurs nowhere in them.
    QByteArray multipartBody(QByteArray* boundary) const;

    QString replyText() const { return m_replyText; }
    // True when no HTTP answer came at all (refused, TLS, time-out, closed).
    bool connectionLost() const { return m_connectionLost; }
    int httpStatus() const { return m_httpStatus; }
    QString errorText() const { return m_errorText; }

signals:
    void uploadDone();
    void requestObtained(const QString& reply);
    void requestFailed(const QString& error);

private:
    void prepare(QNetworkRequest& request) const;
    void start(QNetworkReply* reply, int timeoutMs);
    void finish();
    void timeout();

    QString m_serverName;
    bool m_proxyUsed = false;
    QString m_proxyHost;
    QString m_proxyPort;
    QString m_proxyUser;
    QString m_proxyPassword;
    QMap<QString, QString> m_params;
    QMap<QString, FileParam> m_files;
    QByteArray m_jsonBody;
    int m_version = 2;

    std::unique_ptr<QNetworkAccessManager> m_ownManager;
    QNetworkAccessManager* m_manager = nullptr;
    QPointer<QNetworkReply> m_reply;
    QTimer m_timer;
    bool m_ended = false;
    bool m_uploaded = false;
    bool m_timedOut = false;
    bool m_tooLarge = false;
    bool m_connectionLost = false;
    int m_httpStatus = 0;
    QString m_replyText;
    QString m_errorText;

    static std::atomic<bool> s_jsonMode;
    static std::atomic<bool> s_fullUrlMode;
};
