#include "displays/DetectDisplayThread.h"

#include "displays/BaseDisplay.h"
#include "displays/DisplayFactory.h"
#include "lut/LUT.h"

DetectDisplayThread::DetectDisplayThread(int displayId, displayiface_t iface, displayiface_t lutIface,
                                         int port, bool flag, QObject* parent)
    : QThread(parent), m_displayId(displayId), m_iface(iface), m_lutIface(lutIface), m_port(port),
      m_flag(flag), m_owner(QThread::currentThread())
{
}

DetectDisplayThread::~DetectDisplayThread()
{
    wait();
}

BaseDisplay* DetectDisplayThread::takeResult()
{
    return m_result.release();
}

void DetectDisplayThread::run()
{
    m_result.reset(DisplayFactory::runDetection(m_displayId, m_iface, m_lutIface, m_port, m_flag));
    if (!m_result)
        return;
    // Objects made here belong to this thread, which ends now; they live on in the caller's.
    m_result->moveToThread(m_owner);
    if (LUT* lut = m_result->attachedLUT())
        lut->moveToThread(m_owner);
}
