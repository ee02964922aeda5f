#include "platform/linux/LinuxScreenSaver.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace {

// A short time-out: the scheduler's thread must not hang on a desktop that does not answer.
constexpr int kTimeoutMs = 2000;

QDBusMessage screenSaverCall(const QString& method)
{
    return QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.ScreenSaver"),
                                          QStringLiteral("/org/freedesktop/ScreenSaver"),
                                          QStringLiteral("org.freedesktop.ScreenSaver"), method);
}

} // namespace

bool LinuxScreenSaver::isRunning() const
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    const QDBusMessage reply =
        bus.call(screenSaverCall(QStringLiteral("GetActive")), QDBus::Block, kTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().constFirst().toBool();
}

bool LinuxScreenSaver::isSecure() const
{
    return true;
}

bool LinuxScreenSaver::stop() const
{
    return false;
}

void LinuxScreenSaver::keepAwake() const
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected())
        bus.send(screenSaverCall(QStringLiteral("SimulateUserActivity")));
}
