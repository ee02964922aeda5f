#include "app/WindowsEventListener.h"

#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "platform/SessionEvents.h"

#include <QCoreApplication>
#include <QDebug>
#include <QList>
#include <QMutex>
#include <QThread>

#include <atomic>

namespace {

// Every live listener, so a count can be asked of an existing source.
QMutex g_listenersMutex;
QList<WindowsEventListener*> g_listeners;

} // namespace

WindowsEventListener::WindowsEventListener(QObject* parent)
    : QObject(parent), m_events(Platform::backend().createSessionEvents(nullptr))
{
    m_connectedDisplays = m_events->connectedDisplayCount();
    qDebug() << "tot displays at start:" << m_connectedDisplays;
    connect(m_events.get(), &SessionEvents::sessionChanged, this,
            [this](int code) { eventHandler(code, 0); });
    connect(m_events.get(), &SessionEvents::displayPowerChanged, this, &WindowsEventListener::onDisplayPower);
    connect(m_events.get(), &SessionEvents::displayConfigurationChanged, this,
            &WindowsEventListener::onDisplayConfigurationChanged);
    connect(m_events.get(), &SessionEvents::endSessionQueried, this,
            &WindowsEventListener::onEndSessionQueried);
    connect(m_events.get(), &SessionEvents::closeRequested, this, &WindowsEventListener::onCloseRequested);
    QMutexLocker locker(&g_listenersMutex);
    g_listeners.append(this);
}

WindowsEventListener::~WindowsEventListener()
{
    QMutexLocker locker(&g_listenersMutex);
    g_listeners.removeAll(this);
}

int WindowsEventListener::totConnectedDisplays()
{
    {
        QMutexLocker locker(&g_listenersMutex);
        if (!g_listeners.isEmpty())
            return g_listeners.constFirst()->m_events->connectedDisplayCount();
    }
    const auto events = Platform::backend().createSessionEvents(nullptr);
    return events->connectedDisplayCount();
}

void WindowsEventListener::checkNumberOfConnectedDisplays()
{
    const int count = m_events->connectedDisplayCount();
    if (count == -1) {
        qWarning() << "checkNumberOfConnectedDisplays: displays can't be counted, keeping"
                   << m_connectedDisplays;
        return;
    }
    qDebug() << "checkNumberOfConnectedDisplays" << m_connectedDisplays << "->" << count;
    const int before = m_connectedDisplays;
    m_connectedDisplays = count;
    if (count > before)
        Q_EMIT signalDisplayConnected();
    else if (count < before)
        Q_EMIT signalDisplayDisconnected();
}

void WindowsEventListener::eventHandler(int sessionEventCode, long sessionId)
{
    switch (sessionEventCode) {
    case SessionEvents::ConsoleDisconnect:
    case SessionEvents::SessionLock:
        qDebug() << "Emit signal Lock!" << sessionEventCode << sessionId;
        Q_EMIT signalSessionLock();
        break;
    case SessionEvents::ConsoleConnect:
    case SessionEvents::SessionUnlock:
        qDebug() << "Emit signal UnLock!" << sessionEventCode << sessionId;
        Q_EMIT signalSessionUnlock();
        break;
    default:
        break;
    }
}

WindowsEventListener::DisplayState WindowsEventListener::displayStateFromValue(int value)
{
    switch (value) {
    case SessionEvents::PowerOn:
        return DisplayState::On;
    case SessionEvents::PowerDimmed:
        return DisplayState::Dimmed;
    default:
        return DisplayState::Off;
    }
}

void WindowsEventListener::setDisplayPowerState(DisplayState state)
{
    if (state != DisplayState::On) {
        m_displayWasOff = true;
        return;
    }
    if (m_displayWasOff)
        Q_EMIT signalDisplayWakeUp();
    m_displayWasOff = false;
}

void WindowsEventListener::emitDisplayGeometryChanged()
{
    Q_EMIT signalDiplayGeometryChanged();
}

void WindowsEventListener::emitPrepareForQuit()
{
    Q_EMIT signalPrepareForQuit();
}

namespace {
std::atomic_bool g_quitRequested = false;
} // namespace

bool WindowsEventListener::quitRequested()
{
    return g_quitRequested;
}

void WindowsEventListener::emitQuit()
{
    g_quitRequested = true;
    Q_EMIT signalQuit();
}

void WindowsEventListener::onDisplayPower(int value)
{
    qDebug() << "display state" << value;
    setDisplayPowerState(displayStateFromValue(value));
}

void WindowsEventListener::onDisplayConfigurationChanged()
{
    qDebug() << "msgWndProc WM_DISPLAYCHANGE";
    checkNumberOfConnectedDisplays();
    emitDisplayGeometryChanged();
}

// The session may end right after this returns: whoever prepares for the end gets
// its queued work done before the answer goes back.
void WindowsEventListener::onEndSessionQueried()
{
    qDebug() << "message == WM_QUERYENDSESSION";
    emitPrepareForQuit();
    QCoreApplication::processEvents();
    QThread::msleep(1);
    QCoreApplication::processEvents();
}

void WindowsEventListener::onCloseRequested(const QString& reason)
{
    qInfo().noquote() << "LutLoader quit on" << reason;
    emitQuit();
}
