#include "tests/displays/SimDisplays.h"

#include "displays/CurrentDisplays.h"
#include "platform/Platform.h"
#include "tests/support/TestPaths.h"
#include "tests/support/TestWorkstation.h"

#include <QFile>

namespace {

void putDescriptor(QByteArray& block, int offset, unsigned char tag, const QString& text)
{
    block[offset + 3] = static_cast<char>(tag);
    QByteArray payload = text.toLatin1().left(13);
    if (payload.size() < 13)
        payload.append('\n');
    while (payload.size() < 13)
        payload.append(' ');
    for (int i = 0; i < 13; ++i)
        block[offset + 5 + i] = payload[i];
}

} // namespace

QByteArray SimDisplays::edid(const char* vendor3, quint16 productCode, const QString& name0xFC,
                             const QString& text0xFE)
{
    QByteArray block(128, '\0');
    const char header[8] = {0, char(0xFF), char(0xFF), char(0xFF), char(0xFF), char(0xFF), char(0xFF), 0};
    for (int i = 0; i < 8; ++i)
        block[i] = header[i];
    const int packed = ((vendor3[0] - '@') << 10) | ((vendor3[1] - '@') << 5) | (vendor3[2] - '@');
    block[8] = static_cast<char>(packed >> 8);
    block[9] = static_cast<char>(packed & 0xFF);
    block[10] = static_cast<char>(productCode & 0xFF);
    block[11] = static_cast<char>(productCode >> 8);
    block[12] = 0x39; // serial number 12345
    block[13] = 0x30;
    block[16] = 10; // week
    block[17] = 30; // 1990 + 30
    block[18] = 1;
    block[19] = 3;
    block[21] = 52; // 52 x 32 cm
    block[22] = 32;
    // Descriptors without a text are dummies (tag 10h).
    block[54 + 3] = 0x10;
    putDescriptor(block, 72, 0xFC, name0xFC);
    if (!text0xFE.isEmpty())
        putDescriptor(block, 90, 0xFE, text0xFE);
    else
        block[90 + 3] = 0x10;
    block[108 + 3] = 0x10;
    unsigned char sum = 0;
    for (int i = 0; i < 127; ++i)
        sum = static_cast<unsigned char>(sum + static_cast<unsigned char>(block[i]));
    block[127] = static_cast<char>(static_cast<unsigned char>(0x100 - sum));
    return block;
}

QString SimDisplays::display(const QString& output, const QByteArray& edid, bool connected,
                             const QString& extra)
{
    return QStringLiteral(R"({"output": "%1", "card": "card0", "connected": %2, "rect": [0, 0, 1920, 1200],
                              "edid": "%3"%4})")
        .arg(output, connected ? QStringLiteral("true") : QStringLiteral("false"),
             QString::fromLatin1(edid.toHex()), extra.isEmpty() ? QString() : QStringLiteral(", ") + extra);
}

QString SimDisplays::writeWorkstation(const QStringList& displays)
{
    const QString json = QStringLiteral(R"({"name": "Display bench",
        "videoCards": [{"id": "card0", "name": "Sim card", "pciId": "1002:6613", "driver": "simgpu", "rampSize": 256}],
        "displays": [%1]})")
                             .arg(displays.join(QStringLiteral(",\n")));
    const QString file =
        TestPaths::freshFolder(QStringLiteral("sim-workstation")) + QStringLiteral("/ws.json");
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(json.toUtf8()) < 0)
        return {};
    return file;
}

bool SimDisplays::install(const QStringList& displays, QString* error)
{
    const QString file = writeWorkstation(displays);
    if (file.isEmpty()) {
        if (error)
            *error = QStringLiteral("cannot write the workstation file");
        return false;
    }
    if (!TestWorkstation::select(file, error))
        return false;
    CurrentDisplays::NonCachedRefresh();
    return true;
}

void SimDisplays::uninstall()
{
    Platform::reset();
}
