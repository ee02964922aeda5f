#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// One message between the agent and the main application: a small XML document
// in Latin-1, root `info`, children `server` (hub relays only), `key` (the sender's
// pipe name), `msg` and `param`.
struct PipeMessage
{
    QString key;
    QString msg;
    QString param;
    QString server;

    QByteArray toBytes() const;
    // Empty optional (and a log line) when the text is not a message.
    static std::optional<PipeMessage> parse(const QByteArray& latin1Text);
};

// Collects the bytes of one connection and hands out whole messages, however the
// text was split into reads.
class PipeMessageReader
{
public:
    // Real messages are a few hundred bytes; a peer that sends more is not a participant.
    static constexpr qsizetype kMaxMessageBytes = 1 << 20;

    // Beyond kMaxMessageBytes without an end, the text is dropped (said once).
    void append(const QByteArray& bytes);
    // Every complete document received so far, in order.
    QList<QByteArray> takeMessages();
    // What is left when the peer has gone: a message without its end, or noise.
    QByteArray takeRest();
    bool isEmpty() const { return m_buffer.trimmed().isEmpty(); }

private:
    void dropOversized(qsizetype size);

    QByteArray m_buffer;
    bool m_dropReported = false;
};
