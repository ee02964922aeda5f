#include "tests/platform/FakeLogind.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QMetaObject>

namespace {

const QString kBusName = QStringLiteral("fake-logind");

QDBusConnection serviceBus()
{
    return QDBusConnection(kBusName);
}

} // namespace

FakeLogindManager::FakeLogindManager(QObject* parent) : QDBusAbstractAdaptor(parent)
{
    m_inhibitorFile.open();
}

QDBusObjectPath FakeLogindManager::GetSession(const QString&)
{
    return QDBusObjectPath(QString::fromLatin1(FakeLogind::kSessionPath));
}

QDBusObjectPath FakeLogindManager::GetSessionByPID(uint)
{
    return QDBusObjectPath(QString::fromLatin1(FakeLogind::kSessionPath));
}

QDBusUnixFileDescriptor FakeLogindManager::Inhibit(const QString&, const QString&, const QString&,
                                                   const QString&)
{
    ++inhibitCalls;
    return QDBusUnixFileDescriptor(m_inhibitorFile.handle());
}

FakeLogind::FakeLogind()
{
    moveToThread(&m_thread);
    m_thread.start();
    runOnServiceThread([this] { serve(); });
}

FakeLogind::~FakeLogind()
{
    runOnServiceThread([this] {
        QDBusConnection bus = serviceBus();
        bus.unregisterObject(QStringLiteral("/org/freedesktop/login1"));
        bus.unregisterObject(QString::fromLatin1(kSessionPath));
        bus.unregisterService(QStringLiteral("org.freedesktop.login1"));
        m_managerObject.reset();
        m_sessionObject.reset();
        QDBusConnection::disconnectFromBus(kBusName);
        moveToThread(QCoreApplication::instance()->thread());
    });
    m_thread.quit();
    m_thread.wait();
}

void FakeLogind::serve()
{
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, kBusName);
    if (!bus.isConnected())
        return;
    m_managerObject = std::make_unique<QObject>();
    m_manager = new FakeLogindManager(m_managerObject.get());
    m_sessionObject = std::make_unique<QObject>();
    m_session = new FakeLogindSession(m_sessionObject.get());
    m_serving = bus.registerObject(QStringLiteral("/org/freedesktop/login1"), m_managerObject.get()) &&
                bus.registerObject(QString::fromLatin1(kSessionPath), m_sessionObject.get()) &&
                bus.registerService(QStringLiteral("org.freedesktop.login1"));
}

void FakeLogind::runOnServiceThread(const std::function<void()>& work)
{
    QMetaObject::invokeMethod(this, work, Qt::BlockingQueuedConnection);
}

void FakeLogind::emitLock(bool locked)
{
    runOnServiceThread([this, locked] {
        if (locked)
            Q_EMIT m_session->Lock();
        else
            Q_EMIT m_session->Unlock();
    });
}

void FakeLogind::emitProperty(const QString& name, bool value)
{
    runOnServiceThread([name, value] {
        QDBusMessage message = QDBusMessage::createSignal(QString::fromLatin1(kSessionPath),
                                                          QStringLiteral("org.freedesktop.DBus.Properties"),
                                                          QStringLiteral("PropertiesChanged"));
        message << QStringLiteral("org.freedesktop.login1.Session") << QVariantMap{{name, value}}
                << QStringList();
        serviceBus().send(message);
    });
}

void FakeLogind::emitManagerSignal(const QString& name, bool start)
{
    runOnServiceThread([name, start] {
        QDBusMessage message =
            QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
                                       QStringLiteral("org.freedesktop.login1.Manager"), name);
        message << start;
        serviceBus().send(message);
    });
}
