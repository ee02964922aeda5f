#include "platform/sim/SimMccsMonitor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

#include <cmath>
#include <thread>

namespace {

constexpr quint8 Address7Bit = 0x37;
constexpr quint8 HostAddress = 0x51;
constexpr quint8 DisplayAddress = 0x6E;
constexpr quint8 ReplyXor = 0x50;
constexpr int FragmentSize = 32;
constexpr int MaxLutSize = 4096;

quint8 xorOf(const QByteArray& bytes, qsizetype count, quint8 seed)
{
    for (qsizetype i = 0; i < count; ++i)
        seed ^= static_cast<quint8>(bytes[i]);
    return seed;
}

int u16(const QByteArray& bytes, qsizetype at)
{
    return (static_cast<quint8>(bytes[at]) << 8) | static_cast<quint8>(bytes[at + 1]);
}

void appendU16(QByteArray& bytes, int value)
{
    bytes.append(static_cast<char>((value >> 8) & 0xFF));
    bytes.append(static_cast<char>(value & 0xFF));
}

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

} // namespace

QString SimMccsMonitor::defaultCapabilities(bool withLut)
{
    return QStringLiteral("(prot(monitor)type(LCD)model(SIMMCCS)cmds(01 02 03 07 0C E2 E3 E7 F3)"
                          "vcp(02 04 0C 10 12 14(05 06 08 0B) 16 18 1A 60(0F 11) %1D6(01 04) DF)"
                          "mccs_ver(2.2)mpu_ver(1.0))")
        .arg(withLut ? QStringLiteral("73 75 ") : QString());
}

SimMccsMonitor::SimMccsMonitor(const QJsonObject& config, QString stateFile, bool overUsb)
    : m_config(config), m_faults(config.value(QStringLiteral("faults")).toObject()),
      m_stateFile(std::move(stateFile)), m_overUsb(overUsb)
{
    if (!overUsb && (config.value(QStringLiteral("usbOnly")).toBool() ||
                     config.value(QStringLiteral("serialOnly")).toBool()))
        m_faults.insert(QStringLiteral("noAnswer"), true);
    const QJsonObject lut = config.value(QStringLiteral("lut")).toObject();
    m_lutSize = qBound(0, lut.value(QStringLiteral("size")).toInt(0), MaxLutSize);
    m_lutBits = qBound(1, lut.value(QStringLiteral("bits")).toInt(10), 16);
    m_capabilities =
        config.value(QStringLiteral("capabilities")).toString(defaultCapabilities(m_lutSize > 0)).toLatin1();
    m_replyDelayMs = qMax(0, config.value(QStringLiteral("replyDelayMs")).toInt(40));
    m_badChecksumsLeft = m_faults.value(QStringLiteral("badChecksums")).toInt(0);

    m_defaults = {{0x02, {1, 2}},     {0x04, {0, 1}},   {0x0C, {0, 1}},     {0x10, {50, 100}},
                  {0x12, {70, 100}},  {0x14, {5, 11}},  {0x16, {100, 100}}, {0x18, {100, 100}},
                  {0x1A, {100, 100}}, {0x60, {15, 17}}, {0xD6, {1, 5}},     {0xDF, {0x0202, 0xFFFF}}};
    if (m_lutSize > 0) {
        m_defaults[0x73] = {0, 0};
        m_defaults[0x75] = {0, 0};
    }
    const QJsonObject vcp = config.value(QStringLiteral("vcp")).toObject();
    for (auto it = vcp.begin(); it != vcp.end(); ++it) {
        bool ok = false;
        const int code = it.key().toInt(&ok, 16);
        const QJsonObject f = it.value().toObject();
        if (ok && code >= 0 && code < 256)
            m_defaults[code] = {f.value(QStringLiteral("value")).toInt(),
                                f.value(QStringLiteral("max")).toInt(100)};
    }
    resetToDefaults();
    const QJsonObject wide = config.value(QStringLiteral("wide")).toObject();
    m_wide = config.contains(QStringLiteral("wide"));
    if (m_wide) {
        const QByteArray model =
            wide.value(QStringLiteral("model")).toString(QStringLiteral("M3")).toLatin1().left(2);
        const int brightness = wide.value(QStringLiteral("brightness")).toInt(311);
        const int hours = wide.value(QStringLiteral("hours")).toInt(1234);
        m_registers[0x01] = model;
        m_registers[0x05] = QByteArray(1, '\x30');
        appendU16(m_registers[0x08], brightness);
        m_registers[0x10] = QByteArray(1, static_cast<char>(wide.value(QStringLiteral("minutes")).toInt(30)));
        appendU16(m_registers[0x11], hours);
        m_registers[0x20] =
            QByteArray(1, static_cast<char>(wide.value(QStringLiteral("temperature")).toInt(35)));
        // The front sensor: the panel's white under it in hundredths of cd/m², the room's
        // light in tenths of a lux.
        m_frontSensorWhite = wide.value(QStringLiteral("frontSensor")).toDouble(5.0);
        setFrontSensorGrey(255);
        appendU16(m_registers[0x27],
                  static_cast<int>(std::lround(wide.value(QStringLiteral("ambientLux")).toDouble(5.0) * 10)));
        m_registers[0x28] = QByteArray(1, static_cast<char>(wide.value(QStringLiteral("lutDepth")).toInt(1)));
        m_registers[0x29] = QByteArray(1, '\0');
        m_registers[0x33] =
            QByteArray(1, static_cast<char>(wide.value(QStringLiteral("inputDataBit")).toInt(0)));
        m_wideGamma.assign(1024, 0);
        m_wideGains.assign(3, 0);
    }
    loadStateFile();
}

SimMccsMonitor::~SimMccsMonitor()
{
    if (m_dirty)
        saveStateFile();
}

void SimMccsMonitor::resetToDefaults()
{
    m_features = m_defaults;
    m_lut.assign(3, std::vector<int>(static_cast<size_t>(m_lutSize)));
    const int max = (1 << m_lutBits) - 1;
    for (auto& channel : m_lut)
        for (int i = 0; i < m_lutSize; ++i)
            channel[static_cast<size_t>(i)] = m_lutSize > 1 ? i * max / (m_lutSize - 1) : 0;
}

bool SimMccsMonitor::write(quint8 address, const QByteArray& bytes, QString* error)
{
    if (const int slow = m_faults.value(QStringLiteral("slowBusMs")).toInt(0); slow > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(slow));
    if (address != Address7Bit || m_faults.value(QStringLiteral("noAnswer")).toBool()) {
        setError(error,
                 QStringLiteral("no acknowledge at address %1h").arg(address, 2, 16, QLatin1Char('0')));
        return false;
    }
    if (m_wide) {
        handleWide(bytes);
        return true;
    }
    // A package the monitor cannot read is acknowledged on the bus and then ignored.
    if (bytes.size() < 3 || static_cast<quint8>(bytes[0]) != HostAddress)
        return true;
    const int len = static_cast<quint8>(bytes[1]) & 0x7F;
    if (bytes.size() < len + 3 ||
        xorOf(bytes, len + 2, DisplayAddress) != static_cast<quint8>(bytes[len + 2]))
        return true;
    const QByteArray payload = bytes.mid(2, len);
    if (!payload.isEmpty() && static_cast<quint8>(payload[0]) == 0x0C &&
        m_faults.value(QStringLiteral("failSave")).toBool()) {
        setError(error, QStringLiteral("no acknowledge for the save command"));
        return false;
    }
    m_reply.clear();
    handle(payload);
    return true;
}

bool SimMccsMonitor::read(quint8 address, int count, QByteArray& out, QString* error)
{
    if (const int slow = m_faults.value(QStringLiteral("slowBusMs")).toInt(0); slow > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(slow));
    if (address != Address7Bit || m_faults.value(QStringLiteral("noAnswer")).toBool()) {
        setError(error,
                 QStringLiteral("no acknowledge at address %1h").arg(address, 2, 16, QLatin1Char('0')));
        return false;
    }
    if (m_wide && m_reply.isEmpty() && !m_wideReplies.empty()) {
        m_reply = m_wideReplies.front();
        m_wideReplies.erase(m_wideReplies.begin());
    }
    if (m_reply.isEmpty()) {
        setError(error, QStringLiteral("no reply pending"));
        return false;
    }
    if (Clock::now() < m_replyReadyAt) {
        setError(error, QStringLiteral("reply not ready yet"));
        return false;
    }
    out = m_reply.left(count);
    // Past the end of the message a bus reads idle-high.
    while (out.size() < count)
        out.append(static_cast<char>(0xFF));
    m_reply.clear();
    return true;
}

int SimMccsMonitor::msUntilReply() const
{
    if (m_reply.isEmpty() && m_wideReplies.empty())
        return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(m_replyReadyAt - Clock::now()).count();
    return static_cast<int>(qMax<decltype(left)>(0, left));
}

void SimMccsMonitor::reply(QByteArray payload)
{
    QByteArray package;
    package.append(static_cast<char>(DisplayAddress));
    package.append(static_cast<char>(0x80 | payload.size()));
    package.append(payload);
    quint8 checksum = xorOf(package, package.size(), ReplyXor);
    if (m_badChecksumsLeft != 0) {
        checksum ^= 0x5A;
        if (m_badChecksumsLeft > 0)
            --m_badChecksumsLeft;
    }
    package.append(static_cast<char>(checksum));
    if (m_faults.value(QStringLiteral("duplicateSecondByte")).toBool())
        package.insert(2, package[1]);
    m_reply = package;
    m_replyReadyAt = Clock::now() + std::chrono::milliseconds(m_replyDelayMs);
}

void SimMccsMonitor::handle(const QByteArray& p)
{
    const auto byte = [&p](qsizetype i) { return i < p.size() ? static_cast<quint8>(p[i]) : 0; };
    switch (byte(0)) {
    case 0x01: { // Get VCP feature
        const int code = byte(1);
        const auto it = m_features.find(code);
        QByteArray r;
        r.append(char(0x02));
        r.append(char(it == m_features.end() ? 1 : 0));
        r.append(static_cast<char>(code));
        r.append(char(0));
        const Feature f = it == m_features.end() ? Feature{} : it->second;
        appendU16(r, f.max);
        appendU16(r, f.value);
        r.append(QByteArray(qBound(0, m_faults.value(QStringLiteral("extraReplyBytes")).toInt(0), 2), '\0'));
        reply(r);
        break;
    }
    case 0x03: { // Set VCP feature
        if (p.size() < 4)
            return;
        const int code = byte(1);
        const int value = u16(p, 2);
        if (code == 0x04 && value != 0) {
            resetToDefaults();
        } else if (auto it = m_features.find(code); it != m_features.end()) {
            it->second.value = it->second.max > 0 ? qMin(value, it->second.max) : value;
        }
        saveStateFile();
        break;
    }
    case 0x0C: // Save current settings
        saveStateFile();
        break;
    case 0xF3: { // Capabilities request
        const int offset = p.size() >= 3 ? u16(p, 1) : 0;
        const bool failAtEnd = m_faults.value(QStringLiteral("failAtCapabilitiesEnd")).toBool();
        QByteArray stream = m_capabilities;
        if (!failAtEnd)
            stream.append('\0');
        if (offset >= stream.size() && failAtEnd)
            return; // the monitor falls silent once its string is sent
        QByteArray r;
        r.append(char(0xE3));
        appendU16(r, offset);
        r.append(stream.mid(offset, FragmentSize));
        reply(r);
        break;
    }
    case 0xE2: { // Table read
        if (p.size() < 4)
            return;
        QByteArray r;
        r.append(char(0xE4));
        r.append(p.mid(2, 2));
        r.append(tableRead(byte(1)).mid(u16(p, 2)));
        reply(r);
        break;
    }
    case 0xE7: // Table write
        if (p.size() >= 4)
            tableWrite(byte(1), p.mid(4));
        break;
    default:
        break;
    }
}

QByteArray SimMccsMonitor::tableRead(int code) const
{
    QByteArray data;
    if (code == IdentityTableCode) {
        // Four bytes of block version, the serial in 13 bytes, the model name in 13, blank-padded.
        const QJsonObject identity = m_config.value(QStringLiteral("identity")).toObject();
        if (identity.isEmpty())
            return data;
        data = QByteArray::fromHex("00010000");
        data.append(
            identity.value(QStringLiteral("serial")).toString().toLatin1().left(13).leftJustified(13, ' '));
        data.append(
            identity.value(QStringLiteral("model")).toString().toLatin1().left(13).leftJustified(13, ' '));
        return data;
    }
    if (m_lutSize == 0)
        return data;
    if (code == 0x73) {
        for (int c = 0; c < 3; ++c)
            appendU16(data, m_lutSize);
        for (int c = 0; c < 3; ++c)
            data.append(static_cast<char>(m_lutBits));
    } else if (code == 0x75 && m_pendingLutRead.size() >= 6) {
        const int channel = static_cast<quint8>(m_pendingLutRead[1]) - 1;
        const int count = static_cast<quint8>(m_pendingLutRead[3]);
        const int start = u16(m_pendingLutRead, 4);
        if (channel < 0 || channel > 2)
            return data;
        for (int i = start; i < start + count && i < m_lutSize; ++i)
            appendU16(data, m_lut[static_cast<size_t>(channel)][static_cast<size_t>(i)] << (16 - m_lutBits));
    }
    return data;
}

void SimMccsMonitor::tableWrite(int code, const QByteArray& data)
{
    if (code != 0x75 || m_lutSize == 0 || data.size() < 6)
        return;
    const int op = static_cast<quint8>(data[0]);
    const int channel = static_cast<quint8>(data[1]) - 1;
    const int count = static_cast<quint8>(data[3]);
    const int start = u16(data, 4);
    if (channel < 0 || channel > 2)
        return;
    if (op == 0x02) {
        m_pendingLutRead = data.left(6);
        return;
    }
    if (op != 0x01 || data.size() < 6 + 2 * count)
        return;
    for (int i = 0; i < count && start + i < m_lutSize; ++i)
        m_lut[static_cast<size_t>(channel)][static_cast<size_t>(start + i)] =
            u16(data, 6 + 2 * i) >> (16 - m_lutBits);
    m_dirty = true;
    // Kept once a channel's last block is in, not after every block of an upload.
    if (start + count >= m_lutSize)
        saveStateFile();
}

QJsonObject SimMccsMonitor::loadState(const QString& stateFile)
{
    QFile file(stateFile);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

void SimMccsMonitor::loadStateFile()
{
    const QJsonObject state = loadState(m_stateFile);
    const QJsonObject vcp = state.value(QStringLiteral("vcp")).toObject();
    for (auto it = vcp.begin(); it != vcp.end(); ++it) {
        bool ok = false;
        const int code = it.key().toInt(&ok, 16);
        if (ok && m_features.count(code))
            m_features[code].value = it.value().toInt();
    }
    const QJsonArray lut = state.value(QStringLiteral("lut")).toArray();
    if (lut.size() != 3 || state.value(QStringLiteral("bits")).toInt() != m_lutBits)
        return;
    for (int c = 0; c < 3; ++c) {
        const QJsonArray channel = lut.at(c).toArray();
        if (channel.size() != m_lutSize)
            return;
        for (int i = 0; i < m_lutSize; ++i)
            m_lut[static_cast<size_t>(c)][static_cast<size_t>(i)] = channel.at(i).toInt();
    }
}

void SimMccsMonitor::saveStateFile()
{
    m_dirty = false;
    if (m_stateFile.isEmpty())
        return;
    QJsonObject vcp;
    for (const auto& [code, feature] : m_features)
        vcp.insert(QStringLiteral("%1").arg(code, 2, 16, QLatin1Char('0')).toUpper(), feature.value);
    QJsonArray lut;
    for (const auto& channel : m_lut) {
        QJsonArray values;
        for (const int v : channel)
            values.append(v);
        lut.append(values);
    }
    QJsonArray gamma;
    for (const int v : m_wideGamma)
        gamma.append(v);
    QJsonArray gains;
    for (const int v : m_wideGains)
        gains.append(v);
    QJsonObject registers;
    for (const auto& [reg, bytes] : m_registers)
        registers.insert(QStringLiteral("%1").arg(reg, 2, 16, QLatin1Char('0')).toUpper(),
                         QString::fromLatin1(bytes.toHex()));
    const QJsonObject state{{QStringLiteral("vcp"), vcp},         {QStringLiteral("wideGamma"), gamma},
                            {QStringLiteral("wideGains"), gains}, {QStringLiteral("registers"), registers},
                            {QStringLiteral("size"), m_lutSize},  {QStringLiteral("bits"), m_lutBits},
                            {QStringLiteral("lut"), lut}};
    // A monitor served for long (the display end of a serial line) outlives a cleared state folder.
    QDir().mkpath(QFileInfo(m_stateFile).path());
    QSaveFile file(m_stateFile);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(QJsonDocument(state).toJson(QJsonDocument::Compact));
        file.commit();
    }
}

void SimMccsMonitor::queueWide(const QByteArray& payload)
{
    QByteArray package;
    package.append(static_cast<char>(payload.size() + 1));
    package.append(payload);
    quint8 sum = 0;
    for (const char b : payload)
        sum = static_cast<quint8>(sum + static_cast<quint8>(b));
    package.append(static_cast<char>(sum));
    if (m_reply.isEmpty()) {
        m_reply = package;
        m_replyReadyAt = Clock::now() + std::chrono::milliseconds(m_replyDelayMs);
    } else {
        m_wideReplies.push_back(package);
    }
}

void SimMccsMonitor::setFrontSensorGrey(int grey)
{
    const auto hundredths =
        static_cast<quint32>(std::lround(m_frontSensorWhite * std::pow(grey / 255.0, 2.2) * 100));
    QByteArray& bytes = m_registers[0x1D];
    bytes.clear();
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.append(static_cast<char>((hundredths >> shift) & 0xFF));
}

void SimMccsMonitor::handleWide(const QByteArray& package)
{
    m_reply.clear();
    m_wideReplies.clear();
    if (package.size() < 2)
        return;
    const int n = static_cast<quint8>(package[0]);
    if (n < 2 || package.size() < n + 1)
        return;
    const QByteArray p = package.mid(1, n - 1);
    quint8 sum = 0;
    for (const char b : p)
        sum = static_cast<quint8>(sum + static_cast<quint8>(b));
    const char ack = static_cast<char>(m_config.value(QStringLiteral("wide"))
                                           .toObject()
                                           .value(QStringLiteral("ack"))
                                           .toInt(m_overUsb ? 0 : 0x30));
    if (sum != static_cast<quint8>(package[n])) {
        queueWide(QByteArray(1, '\x82'));
        return;
    }
    if (p.size() < 3) {
        queueWide(QByteArray(1, '\x84'));
        return;
    }
    const int op = static_cast<quint8>(p[0]);
    const int reg = static_cast<quint8>(p[1]);
    const QByteArray data = p.mid(3, static_cast<quint8>(p[2]));
    if (op == 0x31) {
        const auto it = m_registers.find(reg);
        if (it == m_registers.end()) {
            queueWide(QByteArray(1, '\x81'));
            return;
        }
        queueWide(QByteArray(1, ack));
        queueWide(m_overUsb ? QByteArray(1, static_cast<char>(op)) + static_cast<char>(reg) + it->second
                            : it->second);
    } else if (op == 0x32) {
        m_registers[reg] = data;
        // The display shows the grey it was given under its front sensor.
        if (reg == 0x1A && data.size() == 1)
            setFrontSensorGrey(static_cast<quint8>(data[0]));
        queueWide(QByteArray(1, ack));
        m_dirty = true;
    } else if (op == 0x34) {
        for (int i = 0; i + 1 < data.size() && reg * 16 + i / 2 < static_cast<int>(m_wideGamma.size());
             i += 2)
            m_wideGamma[static_cast<size_t>(reg * 16 + i / 2)] = u16(data, i);
        queueWide(QByteArray(1, ack));
        m_dirty = true;
    } else if (op >= 0x3C && op <= 0x3E) {
        if (data.size() >= 2)
            m_wideGains[static_cast<size_t>(op - 0x3C)] = u16(data, 0);
        queueWide(QByteArray(1, ack));
        saveStateFile();
    } else {
        queueWide(QByteArray(1, '\x80'));
    }
}
