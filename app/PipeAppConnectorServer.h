#pragma once

#include "app/PipeMessage.h"

#include <QHash>
#include <QLocalServer>
#include <QMap>
#include <QObject>
#include <QSet>

class QLocalSocket;

// The hub of the pipe connector: every participant (the agent's own, the main
// application's) registers its listening pipe here, and each message the hub
// receives is relayed to every other participant. One per process, on the main thread.
class PipeAppConnectorServer : public QObject
{
    Q_OBJECT
public:
    ~PipeAppConnectorServer() override;

    // Stores the hub's pipe name derived from `name`: "kaldo_" + CRC-16 of its Latin-1 bytes in hex.
    static void setServerKey(const QString& name);
    static QString serverKey();
    static QString pipeNameFor(const QString& serverName);

    // Creates the hub on first use and listens; false when the pipe could not be opened.
    static bool start();
    // Closes the pipe and drops the hub.
    static void stop();
    // The running hub, or null.
    static PipeAppConnectorServer* instance();

    bool listen();
    void sendMessageToAllClients(const QString& msg, const QString& param, const QString& key);
    void sendStringToAllClients(const QByteArray& text, const QString& keyToSkip);
    void cleanClientsList();
    void pingAll();
    bool trySend(const QString& pipeName, const QByteArray& text);

    // Registered participants, enabled or not yet cleaned.
    QStringList participants() const { return m_clients.keys(); }
    // A participant of this process (the agent's own): a failed delivery during a
    // burst is logged, but it stays registered, since nothing would make it return.
    void keepParticipant(const QString& key) { m_kept.insert(key); }
    // Connections read at once; more are refused until some end.
    static constexpr int kMaxOpenConnections = 256;

Q_SIGNALS:
    void participantRegistered(const QString& key);
    void messageRelayed(const QString& msg, const QString& param, const QString& key);

public Q_SLOTS:
    void slotNewConnection();
    void slotReadData();
    void slotParseData(const QByteArray& text);

private:
    PipeAppConnectorServer();
    void finishConnection(QLocalSocket* socket);

    QLocalServer m_server;
    QMap<QString, bool> m_clients; // pipe name -> enabled
    QHash<QLocalSocket*, PipeMessageReader> m_readers;
    QSet<QString> m_kept;
    bool m_overflowReported = false;
};
