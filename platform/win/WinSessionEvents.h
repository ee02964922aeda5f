#pragma once

#include "platform/SessionEvents.h"

// Session notifications of a Windows desktop through a hidden message-only window:
// session changes (WTSRegisterSessionNotification), the console display state
// (RegisterPowerSettingNotification), display changes, and the end of the session.
class WinSessionEvents : public SessionEvents
{
    Q_OBJECT
public:
    explicit WinSessionEvents(QObject* parent = nullptr);
    ~WinSessionEvents() override;

    int connectedDisplayCount() const override;

    // Called by the window procedure; answers whether the message was consumed and its result.
    bool handleMessage(unsigned int message, quintptr wParam, qintptr lParam, qintptr* result);

private:
    void* m_window = nullptr;
    void* m_powerNotification = nullptr;
};
