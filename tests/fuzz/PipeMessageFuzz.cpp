// libFuzzer entry: bytes arriving on a pipe connection, split into reads at places the input
// chooses, collected into messages and parsed; every parsed message must survive being
// written and read back unchanged, since the hub relays what it parsed.
#include "app/PipeMessage.h"
#include "tests/fuzz/FuzzSupport.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSupport::quiet();
    if (size < 1)
        return 0;
    // The first byte sets the read size (1 to 256 bytes), the rest is the stream.
    const qsizetype piece = qsizetype(data[0]) + 1;
    const QByteArray stream(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    PipeMessageReader reader;
    QList<QByteArray> messages;
    for (qsizetype at = 0; at < stream.size(); at += piece) {
        reader.append(stream.mid(at, piece));
        messages += reader.takeMessages();
    }
    messages += reader.takeRest();
    for (const QByteArray& text : messages) {
        const std::optional<PipeMessage> message = PipeMessage::parse(text);
        if (!message)
            continue;
        const std::optional<PipeMessage> again = PipeMessage::parse(message->toBytes());
        if (!again || again->key != message->key || again->msg != message->msg ||
            again->param != message->param || again->server != message->server)
            __builtin_trap();
    }
    return 0;
}
