#include "db/DB.h"

#include "db/KaldoDynamicData.h"

#include <QCoreApplication>
#include <QDebug>
#include <QMutex>
#include <QThread>

#include <map>

const QString DB::DATABASE_NAME = QStringLiteral("Storage");
const QString DB::DEFAULT_OPTIONS = QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000");

namespace {

struct Registry
{
    QMutex mutex;
    QString path;
    QString options = DB::DEFAULT_OPTIONS;
    std::map<quint64, std::shared_ptr<KaldoDynamicData>> connections;
};

// Never destroyed: thread-exit handlers of late threads still reach it.
Registry& registry()
{
    static auto* const instance = new Registry;
    return *instance;
}

quint64 currentThreadId()
{
    return static_cast<quint64>(reinterpret_cast<quintptr>(QThread::currentThreadId()));
}

} // namespace

// Lives in each thread that opened a connection; its destructor runs when the
// thread ends and drops that thread's connection from the registry.
class DBThreadRelease
{
public:
    void arm() { m_armed = true; }
    ~DBThreadRelease()
    {
        if (m_armed)
            DB::releaseCurrentThread();
    }

private:
    bool m_armed = false;
};

namespace {
thread_local DBThreadRelease t_release;
}

void DB::setPath(const QString& directory)
{
    qDebug() << "DB::setPath" << directory;
    Registry& r = registry();
    const QMutexLocker lock(&r.mutex);
    r.path = directory;
}

QString DB::path()
{
    Registry& r = registry();
    const QMutexLocker lock(&r.mutex);
    return r.path;
}

void DB::setOption(const QString& options)
{
    Registry& r = registry();
    const QMutexLocker lock(&r.mutex);
    r.options = options;
}

QString DB::options()
{
    Registry& r = registry();
    const QMutexLocker lock(&r.mutex);
    return r.options;
}

std::shared_ptr<KaldoDynamicData> DB::get()
{
    const quint64 id = currentThreadId();
    std::shared_ptr<KaldoDynamicData> connection;
    {
        Registry& r = registry();
        const QMutexLocker lock(&r.mutex);
        std::shared_ptr<KaldoDynamicData>& slot = r.connections[id];
        if (slot)
            return slot;
        qDebug() << "New dataBase connection created! threadId" << id;
        if (r.path.isEmpty())
            qWarning() << "DB::get: no database folder set, using the current folder";
        slot = std::make_shared<KaldoDynamicData>(r.path, r.options, DATABASE_NAME, id);
        connection = slot;
    }
    t_release.arm();
    releaseWhenQThreadFinishes();
    return connection;
}

// QThread::wait() returns before the thread's thread_local objects are destroyed, so a QThread
// also drops its connection from its finished() signal, which runs on the thread itself before
// any waiter wakes.
void DB::releaseWhenQThreadFinishes()
{
    QThread* const thread = QThread::currentThread();
    const QCoreApplication* const app = QCoreApplication::instance();
    if (!thread || (app && thread == app->thread()))
        return;
    // A QThread started again and again (the LUT loader) opens a connection on every run; one
    // connection of the signal serves them all, more would pile up for the life of the process.
    static const char* const connectedProperty = "dbReleaseOnFinish";
    if (thread->property(connectedProperty).toBool())
        return;
    thread->setProperty(connectedProperty, true);
    QObject::connect(thread, &QThread::finished, thread, &DB::releaseCurrentThread, Qt::DirectConnection);
}

std::shared_ptr<KaldoDynamicData> DB::current()
{
    Registry& r = registry();
    const QMutexLocker lock(&r.mutex);
    const auto found = r.connections.find(currentThreadId());
    return found == r.connections.end() ? nullptr : found->second;
}

void DB::free()
{
    std::map<quint64, std::shared_ptr<KaldoDynamicData>> released;
    {
        Registry& r = registry();
        const QMutexLocker lock(&r.mutex);
        released.swap(r.connections);
    }
    // Connections close here, outside the registry's mutex, unless a table object still holds one.
}

void DB::releaseCurrentThread()
{
    std::shared_ptr<KaldoDynamicData> released;
    {
        Registry& r = registry();
        const QMutexLocker lock(&r.mutex);
        const auto found = r.connections.find(currentThreadId());
        if (found == r.connections.end())
            return;
        released = std::move(found->second);
        r.connections.erase(found);
    }
}

int DB::connectionCount()
{
    Registry& r = registry();
    const QMutexLocker lock(&r.mutex);
    return static_cast<int>(r.connections.size());
}

bool DB::startTransaction()
{
    if (!current())
        qDebug()
            << "in void DB::startTransaction() near-start, !DataBases_[id], i.e. pointer for current process "
               "still NOT exist";
    return get()->startTransaction();
}

bool DB::finishTransaction()
{
    const std::shared_ptr<KaldoDynamicData> connection = current();
    if (!connection) {
        qWarning() << "WARNING!!! else in void DB::finishTransaction(), it means it's NOT executed well";
        return false;
    }
    return connection->finishTransaction();
}

bool DB::cancelTransaction()
{
    const std::shared_ptr<KaldoDynamicData> connection = current();
    if (!connection) {
        qWarning() << "WARNING!!! else in void DB::cancelTransaction(), it means it's NOT executed well";
        return false;
    }
    return connection->cancelTransaction();
}
