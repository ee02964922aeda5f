#pragma once

#include "db/NetworkSettings.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QObject>
#include <QString>

class DBTransaction;

#include <memory>

class KaldoDynamicData;
class QNetworkAccessManager;
class SynchronizeRequest;

// What tells one synchroniser from another apart from its data: the action it asks
// for, the class name logged for it (protocol 1 has its own names for some), the
// message logged when it starts, and whether its data go as an XML document even
// under protocol 2.
struct SynchronizerNames
{
    QString action{};
    QString name{};
    // Empty when protocol 1 knows it by the same name.
    QString protocol1Name{};
    QString message{};
    bool xmlPayload = false;
};

// One synchroniser: collects the local rows to send (read), exchanges them with the
// server, and applies a successful reply (write). Upload marks are cleared only after
// the server answered the request that carried them with status 4 (in write, or later in
// the same run), and only on rows that still hold what was sent, so an edit made during
// the exchange goes up next time.
class BaseSynchronizer : public QObject
{
    Q_OBJECT
public:
    static constexpr int STATUS_OK = 4;
    static constexpr int STATUS_CONNECTION = 9;
    // A reply that could not be read, an HTTP error, or one that could not be applied.
    static constexpr int STATUS_BAD_REPLY = 0;

    explicit BaseSynchronizer(SynchronizerNames names, QObject* parent = nullptr);
    ~BaseSynchronizer() override;

    void setNetworkSettings(const NetworkSettings& settings) { m_settings = settings; }
    void setNetworkAccessManager(QNetworkAccessManager* manager) { m_manager = manager; }
    void setVersion(int version) { m_version = version; }
    int version() const { return m_version; }

    QString synchronizeMessage() const { return m_names.message; }
    QString action() const { return m_names.action; }
    // The name logged for this synchroniser under `version`.
    QString className(int version) const
    {
        return version >= 2 || m_names.protocol1Name.isEmpty() ? m_names.name : m_names.protocol1Name;
    }
    // Runs the synchroniser's exchanges; the status of the last one.
    virtual int startSynchronize();

    int status() const { return m_status; }
    QString detail() const { return m_detail; }
    int rowsSent() const { return m_rowsSent; }
    int rowsApplied() const { return m_rowsApplied; }
    // True when the server could not be reached at all: the run must end.
    bool connectionLost() const { return m_connectionLost; }
    QJsonValue GetWriteData() const { return m_writeData; }
    QJsonObject GetReadData() const { return m_readData; }

    static QString getErrorMsg(int status);
    QJsonObject getSynchronizeHeader(const QString& action) const;
    // Protocol 2: the status of a reply; `ok` false (and the reason logged) when it is malformed.
    static int checkResponse(const QString& reply, bool& ok, QJsonObject* parsed = nullptr);
    static QString getJsonContent(const QJsonObject& object);
    // Reads the reply of either protocol; `text` gets the reason when it is malformed.
    int processReply(const QString& reply, QString& text);
    static void writeToLogButSkipHuge(const QString& title, const QString& text);
    static QString md5Hex(const QString& text);

    // A reply member read leniently: numbers may come as numeric strings and a list
    // of one entry may come as the entry itself (the form-data protocol).
    static int toInt(const QJsonValue& value, int defaultValue = 0);
    static qint64 toInt64(const QJsonValue& value, qint64 defaultValue = 0);
    static QString toText(const QJsonValue& value);
    static QJsonArray toList(const QJsonValue& value);

protected:
    // The "data" member of the request; undefined when there is nothing to send.
    virtual QJsonValue read() = 0;
    // Applies a status-4 reply; false when it could not be stored. A synchroniser
    // whose reply carries nothing but the status keeps this one.
    virtual bool write(const QJsonObject& reply);

    // One exchange with read()'s payload; sets and returns the status.
    int exchange();
    // The exchange in its three steps, so that a synchroniser may send its next request
    // before it applies the reply to the previous one. send() starts the request and
    // returns at once; awaitReply() waits for its answer and reads the status (status(),
    // detail(), connectionLost()) without applying anything; applyReply() hands the
    // reply of the last awaitReply() to write() and returns the status after it.
    std::unique_ptr<SynchronizeRequest> send(const QJsonValue& data);
    int awaitReply(SynchronizeRequest& request);
    int applyReply();
    // Makes an earlier exchange's outcome the synchroniser's own again.
    void setOutcome(int status, const QString& detail)
    {
        m_status = status;
        m_detail = detail;
    }
    void applySettings();
    void addSent(int rows) { m_rowsSent += rows; }
    void addApplied(int rows) { m_rowsApplied += rows; }
    // Ends applying a reply: a failed step rolls the whole reply back, else its rows count as applied.
    bool finishApply(DBTransaction& transaction, bool ok, int rows);
    // This thread's connection, with the tables the synchronisers use checked.
    static std::shared_ptr<KaldoDynamicData> database();
    const NetworkSettings& networkSettings() const { return m_settings; }

private:
    const SynchronizerNames m_names;
    NetworkSettings m_settings;
    QNetworkAccessManager* m_manager = nullptr;
    int m_version = 2;
    int m_status = STATUS_BAD_REPLY;
    QString m_detail;
    int m_rowsSent = 0;
    int m_rowsApplied = 0;
    bool m_connectionLost = false;
    QJsonValue m_writeData;
    QJsonObject m_readData;
};
