#include "displays/LGMedicalPorts.h"

#include "displays/CurrentDisplays.h"
#include "displays/LGMedicalDDCCIControl.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "platform/SerialPorts.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QMutex>

#include <map>

namespace {

constexpr unsigned char TableRead = 0xE2;
constexpr unsigned char TableReadReply = 0xE4;
constexpr unsigned RequestDelayMs = 50;
constexpr int ProbeAttempts = 2;
// The reply opcode and the offset come before the block.
constexpr int ReplyHeader = 3;
// Without its serial the block identifies nothing.
constexpr int ShortestBlock = 17;

struct Probed
{
    QByteArray block;
    QElapsedTimer since;
};

QMutex g_mutex;
std::map<QString, Probed>& cache()
{
    static std::map<QString, Probed> probed;
    return probed;
}

} // namespace

QByteArray LGMedicalPorts::probe(const QString& port)
{
    // No display id yet: the display behind the port is what is being asked for.
    LGMedicalDDCCIControl line(-1, port);
    for (int attempt = 0; attempt < ProbeAttempts; ++attempt) {
        unsigned char request[] = {TableRead, IdentityTableCode, 0, 0};
        if (line.write(request, sizeof request, RequestDelayMs) != 0)
            return {};
        unsigned char reply[DDCCIControl::MaxPackageSize];
        const int n = line.read(reply, ReplyHeader + IdentityBlockSize);
        if (n >= ReplyHeader + ShortestBlock && reply[0] == TableReadReply && reply[1] == 0 && reply[2] == 0)
            return QByteArray(reinterpret_cast<const char*>(reply + ReplyHeader), n - ReplyHeader);
    }
    return {};
}

QList<DisplayEnumerator::LGPortIdentity> LGMedicalPorts::identities()
{
    const QList<SerialPortInfo> ports = Platform::backend().serialPortEnumeration().enumerate();
    QMutexLocker lock(&g_mutex);
    std::map<QString, Probed> kept;
    QList<DisplayEnumerator::LGPortIdentity> found;
    for (const SerialPortInfo& port : ports) {
        const auto it = cache().find(port.location);
        const bool known = it != cache().end();
        if (known && (!it->second.block.isEmpty() || !it->second.since.hasExpired(SilentPortRetryMs))) {
            kept.emplace(port.location, it->second);
        } else {
            Probed probed;
            probed.block = probe(port.location);
            probed.since.start();
            qDebug().noquote() << "LGMedicalPorts:" << port.name
                               << (probed.block.isEmpty()
                                       ? QStringLiteral("no LG medical display")
                                       : QStringLiteral("LG medical display ") +
                                             DisplayEnumerator::lgSerialText(probed.block));
            kept.emplace(port.location, probed);
        }
        if (!kept.at(port.location).block.isEmpty())
            found.append({port.location, kept.at(port.location).block});
    }
    cache() = std::move(kept);
    return found;
}

QString LGMedicalPorts::portOf(int displayId)
{
    const QString assigned = LGMedicalDDCCIControl::assignedPort(displayId);
    if (!assigned.isEmpty())
        return assigned;
    const QString serial = CurrentDisplays::DisplayById(displayId).serial();
    if (serial.isEmpty())
        return {};
    QMutexLocker lock(&g_mutex);
    for (const auto& [location, probed] : cache()) {
        if (!probed.block.isEmpty() && DisplayEnumerator::lgSerialText(probed.block) == serial)
            return location;
    }
    return {};
}

void LGMedicalPorts::forget()
{
    QMutexLocker lock(&g_mutex);
    cache().clear();
}
