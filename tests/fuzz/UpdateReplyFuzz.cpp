// libFuzzer entry: the update server's answer, read for its version and download link and
// the version compared with ours, as the daily update check does.
#include "tests/fuzz/FuzzSupport.h"
#include "update/UpdateReply.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSupport::quiet();
    const QString reply =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString version;
    QString link;
    UpdateReply::parse(reply, version, link);
    // Whatever the server says, it is never both newer and older than the same version.
    for (const QString& ours : {QStringLiteral("4.0.2267"), QStringLiteral("4.0"), version}) {
        if (UpdateReply::isNewVersionLater(ours, version) && UpdateReply::isNewVersionLater(version, ours))
            __builtin_trap();
    }
    return 0;
}
