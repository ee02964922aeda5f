#include "displays/DDCCIDisplay.h"

#include "displays/DDCCIControl.h"
#include "displays/DDCCIFactory.h"

#include <QDebug>

DDCCIDisplay::DDCCIDisplay(int displayId, QObject* parent) : BaseDisplay(displayId, parent)
{
    setCommunicationInterface(DISPIFACE_DDCCI);
}

DDCCIDisplay::~DDCCIDisplay() = default;

void DDCCIDisplay::connect()
{
    m_identity = DisplayIdentity::ofDisplay(displayId());
    if (!recognise(m_identity)) {
        setOk(false);
        return;
    }
    setOk(openChannel());
}

void DDCCIDisplay::disconnect()
{
    m_ddcci.reset();
    setOk(true);
}

bool DDCCIDisplay::hardwareReconnect()
{
    return m_ddcci ? m_ddcci->hardwareReconnect() : true;
}

bool DDCCIDisplay::unlockHardware()
{
    return m_ddcci ? m_ddcci->unlockHardware() : true;
}

// The generic class takes any display that answers on DDC/CI.
bool DDCCIDisplay::recognise(const DisplayIdentity& /*identity*/)
{
    return true;
}

bool DDCCIDisplay::openChannel()
{
    m_ddcci = DDCCIFactory::getVideocardDDCCI(DDCCIFactory::DeviceVideocard, displayId());
    if (m_ddcci && m_ddcci->test())
        return true;
    qDebug() << metaObject()->className() << channelFailureMessage();
    m_ddcci.reset();
    return false;
}

const char* DDCCIDisplay::channelFailureMessage() const
{
    return "failed to read capabilities";
}

bool DDCCIDisplay::channelNotAvailable(const char* what)
{
    qDebug() << metaObject()->className() << what << "not available";
    return false;
}
