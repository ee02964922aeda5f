#include "app/KaldoSemaphore.h"

#include "platform/FilePermissions.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "platform/ProcessList.h"
#include "platform/SessionIdentity.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>

#include <atomic>

namespace {

// Serialises trylock and unlock of every semaphore of this process.
QMutex& processMutex()
{
    static QMutex mutex;
    return mutex;
}

} // namespace

QString KaldoSemaphore::segmentKey(const QByteArray& key)
{
    return QString::fromLatin1(key) + QLatin1Char('.') + Platform::backend().session().sessionScope();
}

QString KaldoSemaphore::segmentFile(const QByteArray& key)
{
    const QString runtime = Platform::backend().session().runtimeDirectory();
    if (runtime.isEmpty())
        return {};
    QString name = segmentKey(key);
    // Keys are program constants, but a name never leaves the folder.
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return runtime + QStringLiteral("/lutloader-lock-") + name;
}

KaldoSemaphore::KaldoSemaphore(const QByteArray& key)
    : m_key(key), m_ownPid(QCoreApplication::applicationPid())
{
    attachShared();
}

KaldoSemaphore::~KaldoSemaphore()
{
    m_word = nullptr;
    m_file.close(); // unmaps the word
}

bool KaldoSemaphore::attachShared()
{
    if (m_word)
        return true;
    const QString path = segmentFile(m_key);
    if (path.isEmpty())
        return false;
    const FilePermissions& permissions = Platform::backend().filePermissions();
    m_file.setFileName(path);
    QString error;
    if (!permissions.openFile(m_file, QIODevice::ReadWrite, FileSharing::Private, &error)) {
        // Only this account writes the runtime folder; whatever else sits under the
        // name (a link, a file of another account) is not trusted with a lock. The
        // folder is ours, so the name can be taken back.
        qWarning().noquote() << "KaldoSemaphore: ignoring" << path << "-" << error << "- replacing it";
        if (!QFile::remove(path) && QFileInfo(path).isSymLink())
            return false;
        if (!permissions.openFile(m_file, QIODevice::ReadWrite | QIODevice::NewOnly, FileSharing::Private,
                                  &error)) {
            qWarning().noquote() << "KaldoSemaphore: cannot make" << path << "-" << error;
            return false;
        }
    }
    // Extending a new file gives zeros: a word another process created and already
    // took is never overwritten, since a file of four bytes is not resized.
    if (m_file.size() < qint64(sizeof(quint32)) && !m_file.resize(sizeof(quint32))) {
        qWarning().noquote() << "KaldoSemaphore: cannot size" << path << "-" << m_file.errorString();
        m_file.close();
        return false;
    }
    uchar* mapped = m_file.map(0, sizeof(quint32));
    if (!mapped) {
        qWarning().noquote() << "KaldoSemaphore: cannot map" << path << "-" << m_file.errorString();
        m_file.close();
        return false;
    }
    m_word = reinterpret_cast<quint32*>(mapped);
    return true;
}

quint32 KaldoSemaphore::atomicRead()
{
    std::atomic_ref<quint32> word(*m_word);
    return word.load();
}

void KaldoSemaphore::atomicWrite(quint32 value)
{
    std::atomic_ref<quint32> word(*m_word);
    word.store(value);
}

bool KaldoSemaphore::atomicCAS(quint32 expected, quint32 value)
{
    std::atomic_ref<quint32> word(*m_word);
    return word.compare_exchange_strong(expected, value);
}

bool KaldoSemaphore::internalLock()
{
    if (m_held)
        return true;
    m_held = atomicCAS(0, static_cast<quint32>(m_ownPid));
    return m_held;
}

bool KaldoSemaphore::internalUnlock()
{
    if (m_held) {
        atomicWrite(0);
        m_held = false;
    }
    return true;
}

void KaldoSemaphore::cleanCrashedLock()
{
    const quint32 value = atomicRead();
    if (value == 0)
        return;
    // Asked on every failed try while a live process holds the lock: one process looked up,
    // the whole table listed only to say why a lock is about to be cleared.
    const ProcessList& processes = Platform::backend().processList();
    if (processes.isRunning(value))
        return;
    if (!processes.snapshot())
        qWarning() << "can't list processes";
    atomicCAS(value, 0);
}

bool KaldoSemaphore::trylock()
{
    QMutexLocker locker(&processMutex());
    if (!isAttached())
        attachShared();
    if (!isAttached())
        return false;
    if (m_held)
        return true;
    if (internalLock())
        return true;
    cleanCrashedLock();
    return internalLock();
}

bool KaldoSemaphore::unlock()
{
    QMutexLocker locker(&processMutex());
    if (!isAttached())
        attachShared();
    if (!isAttached())
        return false;
    internalUnlock();
    return true;
}

quint32 KaldoSemaphore::holder()
{
    QMutexLocker locker(&processMutex());
    if (!isAttached() && !attachShared())
        return 0;
    return atomicRead();
}

bool KaldoSemaphore::forceClear()
{
    QMutexLocker locker(&processMutex());
    if (!isAttached() && !attachShared())
        return false;
    atomicWrite(0);
    m_held = false;
    return atomicRead() == 0;
}
