#include "lut/BaseMatroxLUT.h"

#include <QDebug>

#include <algorithm>

BaseMatroxLUT::BaseMatroxLUT(int displayId, QObject* parent) : LUT(parent), m_displayId(displayId)
{
    setGeometry(3, 256, 65535);
    setCommunicationInterface(DISPIFACE_VIDEOCARD);
}

std::vector<std::vector<std::uint16_t>> BaseMatroxLUT::boardTable(const luts_t& table, int size)
{
    const bool fits =
        table.size() >= 3 && std::all_of(table.begin(), table.begin() + 3, [size](const auto& channel) {
            return static_cast<int>(channel.size()) >= size;
        });
    if (!fits) {
        qDebug() << "Wrong LUT size!" << table.size() << "channels," << size << "entries needed";
        return {};
    }
    std::vector<std::vector<std::uint16_t>> words(3);
    for (int c = 0; c < 3; ++c) {
        for (int i = 0; i < size; ++i)
            words[c].push_back(static_cast<std::uint16_t>(std::clamp(table[c][i], 0, 65535)));
    }
    return words;
}
