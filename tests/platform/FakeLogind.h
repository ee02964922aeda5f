#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QTemporaryFile>
#include <QThread>

#include <atomic>
#include <memory>

// A stand-in logind on the test's private session bus, serving on its own thread
// (the code under test calls it synchronously from the main thread).
class FakeLogindManager : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    explicit FakeLogindManager(QObject* parent);

    std::atomic<int> inhibitCalls = 0;

public Q_SLOTS:
    QDBusObjectPath GetSession(const QString& id);
    QDBusObjectPath GetSessionByPID(uint pid);
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why,
                                    const QString& mode);

private:
    QTemporaryFile m_inhibitorFile;
};

class FakeLogindSession : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Session")
    Q_PROPERTY(bool LockedHint READ lockedHint)
    Q_PROPERTY(bool Active READ active)
public:
    explicit FakeLogindSession(QObject* parent) : QDBusAbstractAdaptor(parent) {}
    bool lockedHint() const { return false; }
    bool active() const { return true; }

Q_SIGNALS:
    void Lock();
    void Unlock();
};

class FakeLogind : public QObject
{
    Q_OBJECT
public:
    static constexpr const char* kSessionPath = "/org/freedesktop/login1/session/test";

    FakeLogind();
    ~FakeLogind() override;

    bool isServing() const { return m_serving; }
    int inhibitCalls() const { return m_manager ? m_manager->inhibitCalls.load() : 0; }

    // Each runs on the service's thread and returns when the signal is on the bus.
    void emitLock(bool locked);
    void emitProperty(const QString& name, bool value);
    void emitManagerSignal(const QString& name, bool start);

private:
    void serve();
    void runOnServiceThread(const std::function<void()>& work);

    QThread m_thread;
    std::unique_ptr<QObject> m_managerObject;
    std::unique_ptr<QObject> m_sessionObject;
    FakeLogindManager* m_manager = nullptr;
    FakeLogindSession* m_session = nullptr;
    bool m_serving = false;
};
