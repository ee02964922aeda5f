#include "platform/win/WinSessionEvents.h"

#include <QDebug>
#include <QHash>
#include <QMutex>

#include <windows.h>
#include <wtsapi32.h>

namespace {

const wchar_t kWindowClass[] = L"LutLoaderSessionEventsWindow";
// GUID_CONSOLE_DISPLAY_STATE, spelled out so no GUID library has to be linked.
const GUID kConsoleDisplayState = {
    0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

// The window procedure finds the listener of a window through this map.
QMutex g_windowsMutex;
QHash<HWND, WinSessionEvents*> g_windows;

WinSessionEvents* listenerOf(HWND window)
{
    QMutexLocker locker(&g_windowsMutex);
    return g_windows.value(window, nullptr);
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (WinSessionEvents* listener = listenerOf(window)) {
        qintptr result = 0;
        if (listener->handleMessage(message, wParam, lParam, &result))
            return result;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool registerWindowClass()
{
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

BOOL CALLBACK countMonitor(HMONITOR, HDC, LPRECT, LPARAM data)
{
    ++*reinterpret_cast<int*>(data);
    return TRUE;
}

} // namespace

WinSessionEvents::WinSessionEvents(QObject* parent) : SessionEvents(parent)
{
    if (!registerWindowClass()) {
        qWarning() << "can't invoke method registerWindowClass";
        return;
    }
    // A top-level hidden window, not HWND_MESSAGE: message-only windows do not
    // receive the broadcast WM_DISPLAYCHANGE and WM_QUERYENDSESSION.
    HWND window = CreateWindowExW(0, kWindowClass, L"", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    if (!window) {
        qWarning() << "WinSessionEvents: can't create the hidden window" << GetLastError();
        return;
    }
    m_window = window;
    {
        QMutexLocker locker(&g_windowsMutex);
        g_windows.insert(window, this);
    }
    if (!WTSRegisterSessionNotification(window, NOTIFY_FOR_THIS_SESSION))
        qWarning() << "WTSRegisterSessionNotification failed" << GetLastError();
    qDebug() << "RegisterPowerSettingNotification";
    m_powerNotification =
        RegisterPowerSettingNotification(window, &kConsoleDisplayState, DEVICE_NOTIFY_WINDOW_HANDLE);
}

WinSessionEvents::~WinSessionEvents()
{
    if (!m_window)
        return;
    HWND window = static_cast<HWND>(m_window);
    if (m_powerNotification)
        UnregisterPowerSettingNotification(static_cast<HPOWERNOTIFY>(m_powerNotification));
    WTSUnRegisterSessionNotification(window);
    {
        QMutexLocker locker(&g_windowsMutex);
        g_windows.remove(window);
    }
    DestroyWindow(window);
}

int WinSessionEvents::connectedDisplayCount() const
{
    int count = 0;
    if (!EnumDisplayMonitors(nullptr, nullptr, countMonitor, reinterpret_cast<LPARAM>(&count)))
        return -1;
    return count;
}

bool WinSessionEvents::handleMessage(unsigned int message, quintptr wParam, qintptr lParam, qintptr* result)
{
    switch (message) {
    case WM_WTSSESSION_CHANGE:
        Q_EMIT sessionChanged(static_cast<int>(wParam));
        return false;
    case WM_DISPLAYCHANGE:
        qDebug() << "msgWndProc WM_DISPLAYCHANGE" << wParam << lParam;
        Q_EMIT displayConfigurationChanged();
        return false;
    case WM_POWERBROADCAST: {
        if (wParam != PBT_POWERSETTINGCHANGE)
            return false;
        const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam);
        if (!setting || setting->PowerSetting != kConsoleDisplayState || setting->DataLength < sizeof(DWORD))
            return false;
        Q_EMIT displayPowerChanged(static_cast<int>(*reinterpret_cast<const DWORD*>(setting->Data)));
        return false;
    }
    case WM_QUERYENDSESSION:
        // Handlers run directly (same thread) and let queued work finish before the answer.
        Q_EMIT endSessionQueried();
        *result = TRUE;
        return true;
    case WM_ENDSESSION:
        if (lParam == ENDSESSION_CLOSEAPP) {
            qDebug() << "message == WM_ENDSESSION";
            Q_EMIT closeRequested(QStringLiteral("WM_ENDSESSION"));
        }
        return false;
    case WM_CLOSE:
        qDebug() << "message == WM_CLOSE";
        Q_EMIT closeRequested(QStringLiteral("WM_CLOSE"));
        return false;
    default:
        return false;
    }
}
