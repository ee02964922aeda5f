#include "app/PipeMessage.h"

#include <QDebug>
#include <QXmlStreamReader>

namespace {

const QByteArray kEndTag = QByteArrayLiteral("</info>");

// Latin-1 carries every character: what does not fit is written as a character reference,
// one per code point (a reference to half a surrogate pair is not XML). Characters that XML
// cannot carry at all (most control characters, unpaired surrogates) become U+FFFD, so
// the message stays readable.
void appendEscaped(QByteArray& out, const QString& text)
{
    for (char32_t c : text.toUcs4()) {
        const bool xmlChar = c == '\t' || c == '\n' || c == '\r' || (c >= 0x20 && c <= 0xd7ff) ||
                             (c >= 0xe000 && c <= 0xfffd) || (c >= 0x10000 && c <= 0x10ffff);
        if (!xmlChar)
            c = 0xfffd;
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            if (c > 0xff || c == '\r')
                out += "&#" + QByteArray::number(static_cast<uint>(c)) + ';';
            else
                out += static_cast<char>(c);
        }
    }
}

void appendElement(QByteArray& out, const char* name, const QString& text)
{
    out += '<';
    out += name;
    out += '>';
    appendEscaped(out, text);
    out += "</";
    out += name;
    out += '>';
}

} // namespace

QByteArray PipeMessage::toBytes() const
{
    QByteArray out = QByteArrayLiteral("<info>");
    if (!server.isEmpty())
        appendElement(out, "server", server);
    appendElement(out, "key", key);
    appendElement(out, "msg", msg);
    appendElement(out, "param", param);
    out += kEndTag;
    return out;
}

std::optional<PipeMessage> PipeMessage::parse(const QByteArray& latin1Text)
{
    QXmlStreamReader reader(QString::fromLatin1(latin1Text));
    if (!reader.readNextStartElement() || reader.name() != QLatin1String("info")) {
        qWarning() << "PipeMessage: not a message:" << latin1Text.left(200);
        return std::nullopt;
    }
    PipeMessage message;
    while (reader.readNextStartElement()) {
        const QString name = reader.name().toString();
        const QString text = reader.readElementText(QXmlStreamReader::IncludeChildElements);
        if (name == QLatin1String("key"))
            message.key = text;
        else if (name == QLatin1String("msg"))
            message.msg = text;
        else if (name == QLatin1String("param"))
            message.param = text;
        else if (name == QLatin1String("server"))
            message.server = text;
    }
    if (reader.hasError()) {
        qWarning() << "PipeMessage: malformed message:" << reader.errorString() << latin1Text.left(200);
        return std::nullopt;
    }
    return message;
}

void PipeMessageReader::append(const QByteArray& bytes)
{
    m_buffer += bytes;
    if (m_buffer.size() > kMaxMessageBytes && !m_buffer.contains(kEndTag)) {
        dropOversized(m_buffer.size());
        m_buffer.clear();
    }
}

void PipeMessageReader::dropOversized(qsizetype size)
{
    if (m_dropReported)
        return;
    m_dropReported = true;
    qWarning() << "PipeMessageReader: a message of more than" << kMaxMessageBytes << "bytes dropped (" << size
               << "bytes so far)";
}

// Element text never holds a raw '<', so the end tag of the root closes a message.
QList<QByteArray> PipeMessageReader::takeMessages()
{
    QList<QByteArray> messages;
    qsizetype end = 0;
    while ((end = m_buffer.indexOf(kEndTag)) >= 0) {
        const qsizetype length = end + kEndTag.size();
        if (length > kMaxMessageBytes)
            dropOversized(length);
        else
            messages << m_buffer.left(length).trimmed();
        m_buffer.remove(0, length);
    }
    return messages;
}

QByteArray PipeMessageReader::takeRest()
{
    QByteArray rest = m_buffer.trimmed();
    m_buffer.clear();
    return rest;
}
