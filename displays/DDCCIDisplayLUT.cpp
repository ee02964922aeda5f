#include "displays/DDCCIControl.h"
#include "displays/DDCCIDisplay.h"

#include <QDebug>

namespace {
constexpr int EntriesPerBlock = 8;
// The 73h table: red, green and blue entry counts (two bytes each), then their bit depths.
constexpr unsigned SizesLength = 9;
} // namespace

DDCCIDisplay::LUT::LUT(DDCCIDisplay* display, bool empty) : m_display(display)
{
    setCommunicationInterface(DISPIFACE_DDCCI);
    if (empty || !display) {
        setGeometry(0, 0, 0);
        setOk(false);
        return;
    }
    unsigned char sizes[SizesLength] = {};
    if (!display->TableRead(display->vcpGetLUTSizes(), sizes, SizesLength, display->vcpTableReadDelay()) ||
        sizes[6] == 0 || sizes[6] > 16) {
        qDebug() << "DDCCIDisplay::LUT failed to get DDCCI LUT";
        setGeometry(0, 0, 0);
        setOk(false);
        return;
    }
    m_bits = sizes[6];
    setGeometry(3, sizes[0] * 256 + sizes[1], (1 << m_bits) - 1);
    setOk(true);
    qDebug() << "DDCCIDisplay::LUT succeded get DDCCI LUT, size" << LUTSize() << "bits" << m_bits;
}

int DDCCIDisplay::LUT::LUTUploadProgressCount()
{
    return LUTSize() * 3 / EntriesPerBlock;
}

bool DDCCIDisplay::LUT::hardwareReconnect()
{
    return m_display->hardwareReconnect();
}

bool DDCCIDisplay::LUT::unlockHardware()
{
    return m_display->unlockHardware();
}

bool DDCCIDisplay::LUT::RealUploadLUT(const luts_t& table)
{
    if (table.size() != 3) {
        qDebug() << "DDCCIDisplay::LUT::RealUploadLUT wants 3 channels, got" << table.size();
        return false;
    }
    // Checked before the first block: a half-written table is worse than the old one.
    for (const auto& channel : table) {
        for (const int value : channel) {
            if (value < 0 || value > LUTMaxValue()) {
                qDebug() << "DDCCIDisplay::LUT::RealUploadLUT value" << value << "outside 0 ..."
                         << LUTMaxValue();
                return false;
            }
        }
    }
    const int shift = m_bits < 16 ? 16 - m_bits : 0;
    const int steps = LUTUploadProgressCount();
    int step = 0;
    for (int c = 0; c < 3; ++c) {
        const auto& channel = table[static_cast<size_t>(c)];
        const int length = static_cast<int>(channel.size());
        for (int s = 0; s < length; s += EntriesPerBlock) {
            const int count = qMin(EntriesPerBlock, length - s);
            unsigned char block[6 + 2 * EntriesPerBlock];
            block[0] = 0x01;
            block[1] = static_cast<unsigned char>(c + 1);
            block[2] = 0x00;
            block[3] = static_cast<unsigned char>(count);
            block[4] = static_cast<unsigned char>((s >> 8) & 0xFF);
            block[5] = static_cast<unsigned char>(s & 0xFF);
            for (int i = 0; i < count; ++i) {
                const unsigned value = static_cast<unsigned>(qMax(0, channel[static_cast<size_t>(s + i)]))
                                       << shift;
                block[6 + 2 * i] = static_cast<unsigned char>((value >> 8) & 0xFF);
                block[7 + 2 * i] = static_cast<unsigned char>(value & 0xFF);
            }
            const unsigned blockLength = 6 + 2 * static_cast<unsigned>(count);
            if (!m_display->TableWrite(m_display->vcpWriteLUTBlock(), block, blockLength,
                                       m_display->vcpTableWriteDelay(), blockLength)) {
                qDebug() << "DDCCIDisplay::LUT::RealUploadLUT block failed, channel" << c << "start" << s;
                return false;
            }
            sendLUTUploadProgress(++step, steps);
        }
    }
    return true;
}

bool DDCCIDisplay::LUT::DownloadLUT(luts_t& table)
{
    const int size = LUTSize();
    const int shift = m_bits < 16 ? 16 - m_bits : 0;
    table.assign(3, std::vector<int>(static_cast<size_t>(size)));
    for (int c = 0; c < 3; ++c) {
        for (int s = 0; s < size; s += EntriesPerBlock) {
            const int count = qMin(EntriesPerBlock, size - s);
            unsigned char request[] = {0x02,
                                       static_cast<unsigned char>(c + 1),
                                       0x00,
                                       static_cast<unsigned char>(count),
                                       static_cast<unsigned char>((s >> 8) & 0xFF),
                                       static_cast<unsigned char>(s & 0xFF)};
            unsigned char values[2 * EntriesPerBlock];
            if (!m_display->TableWrite(m_display->vcpReadLUTBlock(), request, sizeof request,
                                       m_display->vcpTableWriteDelay(), sizeof request) ||
                !m_display->TableRead(m_display->vcpReadLUTBlock(), values, 2u * static_cast<unsigned>(count),
                                      m_display->vcpTableReadDelay())) {
                qDebug() << "DDCCIDisplay::LUT::DownloadLUT block failed, channel" << c << "start" << s;
                return false;
            }
            for (int i = 0; i < count; ++i)
                table[static_cast<size_t>(c)][static_cast<size_t>(s + i)] =
                    ((values[2 * i] << 8) | values[2 * i + 1]) >> shift;
        }
    }
    return true;
}
