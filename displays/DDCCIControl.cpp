#include "displays/DDCCIControl.h"

#include <cstring>

DDCCIControl::DDCCIControl(int displayId) : m_displayId(displayId) {}

DDCCIControl::~DDCCIControl() = default;

bool DDCCIControl::readEDID(unsigned char* out)
{
    if (m_edid.isEmpty() || !out)
        return false;
    std::memcpy(out, m_edid.constData(), static_cast<size_t>(qMin<qsizetype>(m_edid.size(), 128)));
    return true;
}

bool DDCCIControl::hardwareReconnect()
{
    return true;
}

bool DDCCIControl::unlockHardware()
{
    return true;
}
