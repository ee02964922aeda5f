#include "lut/IccVCGTTag.h"

#include <QDebug>

#include <cmath>

// Big-endian reader over the tag's bytes, in the shape of the ICC library's I/O object.
class VcgtReader
{
public:
    explicit VcgtReader(const QByteArray& data) : m_data(data) {}

    bool Read32(quint32* value) { return readUnsigned(4, value); }
    bool Read16(quint16* value)
    {
        quint32 wide = 0;
        if (!readUnsigned(2, &wide))
            return false;
        *value = static_cast<quint16>(wide);
        return true;
    }
    bool readUnsigned(int bytes, quint32* value)
    {
        if (m_position + bytes > m_data.size())
            return false;
        quint32 result = 0;
        for (int i = 0; i < bytes; ++i)
            result = (result << 8) | static_cast<quint8>(m_data.at(m_position + i));
        m_position += bytes;
        *value = result;
        return true;
    }

    qsizetype remaining() const { return m_data.size() - m_position; }

private:
    const QByteArray& m_data;
    qsizetype m_position = 0;
};

namespace {

constexpr quint32 TYPE_TABLE = 0;
constexpr quint32 TYPE_FORMULA = 1;
constexpr int FORMULA_ENTRIES = 256;
constexpr int FORMULA_CHANNELS = 3;
// Results of pow() that miss a whole output level by rounding noise still count as that level.
constexpr double LEVEL_EPSILON = 1e-7;

void append16(QByteArray& out, quint16 value)
{
    out.append(static_cast<char>(value >> 8));
    out.append(static_cast<char>(value & 0xff));
}

void append32(QByteArray& out, quint32 value)
{
    append16(out, static_cast<quint16>(value >> 16));
    append16(out, static_cast<quint16>(value & 0xffff));
}

} // namespace

void IccVCGTTag::SetSize(int channels, int entryCount)
{
    if (channels <= 0 || entryCount <= 0)
        return;
    if (channels == m_channels && entryCount == m_entryCount)
        return;
    m_channels = channels;
    m_entryCount = entryCount;
    m_table.assign(static_cast<size_t>(channels) * static_cast<size_t>(entryCount), 0);
}

std::span<quint16> IccVCGTTag::operator[](int channel)
{
    if (channel < 0 || channel >= m_channels)
        return {};
    return std::span<quint16>(m_table).subspan(static_cast<size_t>(channel) * m_entryCount, m_entryCount);
}

std::span<const quint16> IccVCGTTag::operator[](int channel) const
{
    if (channel < 0 || channel >= m_channels)
        return {};
    return std::span<const quint16>(m_table).subspan(static_cast<size_t>(channel) * m_entryCount,
                                                     m_entryCount);
}

std::unique_ptr<IccVCGTTag> IccVCGTTag::NewCopy() const
{
    return std::make_unique<IccVCGTTag>(*this);
}

void IccVCGTTag::Describe(QString& description) const
{
    description += QStringLiteral("Video card gamma table: %1 channels x %2 entries\n")
                       .arg(m_channels)
                       .arg(m_entryCount);
    for (int c = 0; c < m_channels; ++c) {
        const auto row = (*this)[c];
        description +=
            QStringLiteral("  channel %1: first %2, last %3\n").arg(c).arg(row.front()).arg(row.back());
    }
}

bool IccVCGTTag::Validate(QString& report) const
{
    if (m_channels == 0 || m_entryCount == 0) {
        report += QStringLiteral("vcgt: empty table\n");
        return false;
    }
    bool valid = true;
    for (int c = 0; c < m_channels; ++c) {
        const auto row = (*this)[c];
        if (row.back() < row.front()) {
            report += QStringLiteral("vcgt: channel %1 falls from %2 to %3\n")
                          .arg(c)
                          .arg(row.front())
                          .arg(row.back());
            valid = false;
        }
    }
    return valid;
}

bool IccVCGTTag::Read(const QByteArray& tag)
{
    if (tag.size() < TableHeaderSize) {
        qDebug() << "vcgt tag too short:" << tag.size();
        return false;
    }
    VcgtReader reader(tag);
    quint32 sig = 0;
    quint32 type = 0;
    if (!reader.Read32(&sig)) {
        qDebug() << "if (!pIO->Read32(&sig))";
        return false;
    }
    if (!reader.Read32(&m_reserved)) {
        qDebug() << "if (!pIO->Read32(&m_nReserved))";
        return false;
    }
    if (!reader.Read32(&type)) {
        qDebug() << "if (!pIO->Read32(&type))";
        return false;
    }
    if (type == TYPE_TABLE)
        return readTable(reader);
    if (type == TYPE_FORMULA)
        return readFormula(reader);
    qDebug() << "Unknown VCGT type" << type;
    return false;
}

bool IccVCGTTag::readTable(VcgtReader& reader)
{
    quint16 channels = 0;
    quint16 entries = 0;
    quint16 entrySize = 0;
    if (!reader.Read16(&channels) || !reader.Read16(&entries) || !reader.Read16(&entrySize))
        return false;
    if (entrySize == 0 || entrySize > 4) {
        qDebug() << "vcgt unsupported entry size:" << entrySize;
        return false;
    }
    // The header is only a claim: a small profile may declare 65535 x 65535 entries. The
    // table is allocated only when the tag really carries that many values.
    if (channels > 3) {
        qDebug() << "vcgt table of" << channels << "channels refused";
        return false;
    }
    if (qint64(channels) * entries * entrySize > reader.remaining()) {
        qDebug() << "vcgt table of" << channels << "x" << entries << "declares more than the tag's"
                 << reader.remaining() << "bytes";
        return false;
    }
    SetSize(channels, entries);
    if (m_channels != channels || m_entryCount != entries) {
        qDebug() << "vcgt empty table:" << channels << "x" << entries;
        return false;
    }
    const quint64 top = (quint64{1} << (8 * entrySize)) - 1;
    for (quint16& entry : m_table) {
        quint32 value = 0;
        if (!reader.readUnsigned(entrySize, &value)) {
            qDebug() << "vcgt table truncated";
            return false;
        }
        // Integer arithmetic gives exactly value / top * 65535 truncated toward zero.
        entry =
            entrySize == 2 ? static_cast<quint16>(value) : static_cast<quint16>(value * quint64{65535} / top);
    }
    return true;
}

bool IccVCGTTag::readFormula(VcgtReader& reader)
{
    SetSize(FORMULA_CHANNELS, FORMULA_ENTRIES);
    double parameters[FORMULA_CHANNELS][3] = {};
    for (auto& channel : parameters) {
        for (double& parameter : channel) {
            quint32 fixed = 0;
            if (!reader.Read32(&fixed)) {
                qDebug() << "vcgt formula truncated";
                return false;
            }
            parameter = fixed / 65536.0;
        }
    }
    for (int c = 0; c < FORMULA_CHANNELS; ++c) {
        const double gamma = parameters[c][0];
        const double minimum = parameters[c][1];
        const double maximum = parameters[c][2];
        if (gamma < 0.1 || gamma > 10.0) {
            qDebug() << "vcgt gamma incorrect value:" << gamma << "channel:" << c;
            return false;
        }
        if (maximum <= minimum)
            qDebug() << "vcgt incorrect min/max values:" << minimum << maximum;
        auto row = (*this)[c];
        for (int i = 0; i < FORMULA_ENTRIES; ++i) {
            const double level = std::pow(i / 255.0, gamma) * (maximum - minimum) + minimum;
            row[i] = level > 1.0 ? 65535 : static_cast<quint16>(std::trunc(level * 65535.0 + LEVEL_EPSILON));
        }
    }
    return true;
}

bool IccVCGTTag::Write(QByteArray& tag) const
{
    tag.clear();
    append32(tag, Signature);
    append32(tag, m_reserved);
    append32(tag, TYPE_TABLE);
    append16(tag, static_cast<quint16>(m_channels));
    append16(tag, static_cast<quint16>(m_entryCount));
    append16(tag, 2);
    for (const quint16 entry : m_table)
        append16(tag, entry);
    return tag.size() == TableHeaderSize + 2 * static_cast<qsizetype>(m_table.size());
}
