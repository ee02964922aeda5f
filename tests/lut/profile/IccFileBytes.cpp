#include "tests/lut/profile/IccFileBytes.h"

#include <QFile>

namespace {

// ICC header: 128 bytes, then the tag count and 12-byte entries (signature, offset, size).
constexpr qsizetype HEADER_SIZE = 128;
constexpr qsizetype TAG_ENTRY_SIZE = 12;

} // namespace

void IccFileBytes::put16(QByteArray& out, unsigned value)
{
    out.append(static_cast<char>((value >> 8) & 0xff));
    out.append(static_cast<char>(value & 0xff));
}

void IccFileBytes::put32(QByteArray& out, unsigned value)
{
    put16(out, value >> 16);
    put16(out, value & 0xffff);
}

unsigned IccFileBytes::get32(const QByteArray& data, qsizetype offset)
{
    unsigned value = 0;
    for (qsizetype i = 0; i < 4; ++i)
        value = (value << 8) | static_cast<unsigned char>(data.at(offset + i));
    return value;
}

QByteArray IccFileBytes::vcgtTable(const std::vector<std::vector<unsigned>>& channels, int entrySize,
                                   unsigned reserved)
{
    QByteArray out("vcgt");
    put32(out, reserved);
    put32(out, 0);
    put16(out, static_cast<unsigned>(channels.size()));
    put16(out, channels.empty() ? 0 : static_cast<unsigned>(channels.front().size()));
    put16(out, static_cast<unsigned>(entrySize));
    for (const auto& channel : channels) {
        for (const unsigned value : channel) {
            for (int byte = entrySize - 1; byte >= 0; --byte)
                out.append(static_cast<char>((value >> (8 * byte)) & 0xff));
        }
    }
    return out;
}

QByteArray IccFileBytes::vcgtFormula(const unsigned (&parameters)[9])
{
    QByteArray out("vcgt");
    put32(out, 0);
    put32(out, 1);
    for (const unsigned value : parameters)
        put32(out, value);
    return out;
}

QByteArray IccFileBytes::tag(const QByteArray& profile, const char (&signature)[5])
{
    if (profile.size() < HEADER_SIZE + 4)
        return {};
    const unsigned count = get32(profile, HEADER_SIZE);
    for (unsigned i = 0; i < count; ++i) {
        const qsizetype entry = HEADER_SIZE + 4 + i * TAG_ENTRY_SIZE;
        if (entry + TAG_ENTRY_SIZE > profile.size())
            return {};
        if (profile.mid(entry, 4) != QByteArray(signature))
            continue;
        const unsigned offset = get32(profile, entry + 4);
        const unsigned size = get32(profile, entry + 8);
        return profile.mid(offset, size);
    }
    return {};
}

QByteArray IccFileBytes::readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool IccFileBytes::writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}
