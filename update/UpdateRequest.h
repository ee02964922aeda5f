#pragma once

#include "db/NetworkSettings.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QString>

class QNetworkReply;

// Reply text that stands for a failed request, so that a caller can tell it from
// an answer that says nothing newer exists.
inline constexpr char UPDATE_ERROR[] = "updateError";

// One HTTP GET of the update address, answered synchronously for the caller while
// the calling thread keeps serving its events.
class UpdateRequest : public QObject
{
    Q_OBJECT
public:
    // Longest a request may stay without progress before it counts as failed.
    static constexpr int DEFAULT_TRANSFER_TIMEOUT_MS = 60000;
    // Longest reply read; a longer one counts as failed.
    static constexpr qint64 kMaxReplyBytes = 1 << 20;

    explicit UpdateRequest(QObject* parent = nullptr);

    void SetNetworkSettings(const NetworkSettings& settings);
    // The reply's text, or UPDATE_ERROR when the request failed or timed out.
    QString GetRequest(const QString& address);
    // The address that is actually asked: the request address with the platform token.
    QString GenerateURL(const QString& address) const;

    QString requestAddress() const { return m_address; }
    void setTransferTimeout(int milliseconds) { m_transferTimeoutMs = milliseconds; }
    QNetworkAccessManager& manager() { return m_manager; }

    // The value of "&os=" for the platform this build runs on.
    static QString platformToken();

public slots:
    void replyFinished(QNetworkReply* reply);

signals:
    void requestDone();

private:
    QNetworkAccessManager m_manager;
    bool m_finished = false;
    bool m_tooLarge = false;
    QString m_address;
    QString m_replyText;
    int m_transferTimeoutMs = DEFAULT_TRANSFER_TIMEOUT_MS;
};
