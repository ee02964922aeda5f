#pragma once

#include "platform/GlobalHotKeys.h"

#include <QAbstractNativeEventFilter>
#include <QList>

// Hot keys registered with RegisterHotKey on the thread's message queue; WM_HOTKEY
// arrives through the application's native event filter.
class WinGlobalHotKeys : public GlobalHotKeys, public QAbstractNativeEventFilter
{
    Q_OBJECT
public:
    explicit WinGlobalHotKeys(QObject* parent);
    ~WinGlobalHotKeys() override;

    bool grab(const QKeySequence& keys) override;
    QString unavailableReason() const override { return {}; }
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    QList<QKeySequence> m_keys; // the hot key id is the index + 1
};
