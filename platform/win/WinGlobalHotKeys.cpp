#include "platform/win/WinGlobalHotKeys.h"

#include <QCoreApplication>
#include <QDebug>

#include <windows.h>

namespace {

UINT virtualKey(Qt::Key key)
{
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return VK_F1 + static_cast<UINT>(key - Qt::Key_F1);
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return static_cast<UINT>(key);
    return 0;
}

UINT winModifiers(Qt::KeyboardModifiers modifiers)
{
    UINT mask = MOD_NOREPEAT;
    if (modifiers & Qt::ControlModifier)
        mask |= MOD_CONTROL;
    if (modifiers & Qt::ShiftModifier)
        mask |= MOD_SHIFT;
    if (modifiers & Qt::AltModifier)
        mask |= MOD_ALT;
    if (modifiers & Qt::MetaModifier)
        mask |= MOD_WIN;
    return mask;
}

} // namespace

WinGlobalHotKeys::WinGlobalHotKeys(QObject* parent) : GlobalHotKeys(parent)
{
    QCoreApplication::instance()->installNativeEventFilter(this);
}

WinGlobalHotKeys::~WinGlobalHotKeys()
{
    QCoreApplication::instance()->removeNativeEventFilter(this);
    for (int i = 0; i < m_keys.size(); ++i)
        UnregisterHotKey(nullptr, i + 1);
}

bool WinGlobalHotKeys::grab(const QKeySequence& keys)
{
    if (keys.isEmpty())
        return false;
    const QKeyCombination combination = keys[0];
    const UINT key = virtualKey(combination.key());
    if (key == 0 ||
        !RegisterHotKey(nullptr, m_keys.size() + 1, winModifiers(combination.keyboardModifiers()), key)) {
        qWarning() << "WinGlobalHotKeys: RegisterHotKey failed for" << keys.toString() << GetLastError();
        return false;
    }
    m_keys.append(keys);
    return true;
}

bool WinGlobalHotKeys::nativeEventFilter(const QByteArray& eventType, void* message, qintptr* /*result*/)
{
    if (eventType != "windows_generic_MSG")
        return false;
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg->message != WM_HOTKEY)
        return false;
    const int index = static_cast<int>(msg->wParam) - 1;
    if (index < 0 || index >= m_keys.size())
        return false;
    Q_EMIT activated(m_keys.at(index));
    return true;
}
