#include "platform/win/WinScreenSaver.h"

#include <windows.h>

bool WinScreenSaver::isRunning() const
{
    BOOL running = FALSE;
    return SystemParametersInfoW(SPI_GETSCREENSAVERRUNNING, 0, &running, 0) && running;
}

bool WinScreenSaver::isSecure() const
{
    BOOL secure = FALSE;
    return SystemParametersInfoW(SPI_GETSCREENSAVESECURE, 0, &secure, 0) && secure;
}

namespace {

BOOL CALLBACK closeSaverWindow(HWND window, LPARAM)
{
    if (IsWindowVisible(window))
        PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}

} // namespace

bool WinScreenSaver::stop() const
{
    if (!isRunning())
        return false;
    // A saver started by the system runs on its own desktop; one started by hand on ours.
    if (HDESK desktop = OpenDesktopW(L"Screen-saver", 0, FALSE, DESKTOP_READOBJECTS | DESKTOP_WRITEOBJECTS)) {
        EnumDesktopWindows(desktop, closeSaverWindow, 0);
        CloseDesktop(desktop);
    } else if (HWND foreground = GetForegroundWindow()) {
        PostMessageW(foreground, WM_CLOSE, 0, 0);
    }
    return true;
}

void WinScreenSaver::keepAwake() const
{
    SetThreadExecutionState(ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED);
}
