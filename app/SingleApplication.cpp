#include "app/SingleApplication.h"

#include "app/KaldoSharedMemory.h"
#include "app/LockKeys.h"
#include "db/DB.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "platform/SessionIdentity.h"

#include <QDebug>
#include <QProcess>

#include <atomic>
#include <optional>

namespace {

std::atomic<bool> g_restart = false;
std::optional<QStringList> g_restartArguments;
constexpr int kCheckLockRetries = 100; // polls of 100 ms

} // namespace

SingleApplication::SingleApplication(int& argc, char** argv, const QString& key)
    : QApplication(argc, argv), m_key(key)
{
    // Two agents starting together check one after the other. A holder that never
    // lets go (a hung process) costs about ten seconds, not the start.
    KaldoSharedMemory checkLock(SHARED_MEMORY_KEY_SINGLE_APPLICATION, "SingleApplication", kCheckLockRetries);
    if (!checkLock.Lock())
        qWarning() << "SingleApplication: the start-up check lock stays busy, checking without it";
    // The probe drops the word of an agent that ended without cleaning up: only a
    // live process counts as another instance.
    m_instance = std::make_unique<KaldoSharedMemory>(segmentKey(key).toUtf8(), "SingleApplication", 1);
    if (m_instance->IsLocked()) {
        m_running = true;
        m_instance.reset();
    } else if (!m_instance->Lock()) {
        // Without the lock a second agent could start; better to run than to refuse.
        qWarning() << "SingleApplication can't take the instance lock" << segmentKey(key);
    }
    checkLock.Unlock();
}

SingleApplication::~SingleApplication()
{
    m_instance.reset();
    DB::free();
    if (!g_restart || m_running)
        return;
    qDebug() << "Restart app begin!!!!!!!!!!!!!!!!!!!!!!!!!!";
    const QString program = QCoreApplication::applicationFilePath();
    qDebug() << "Restart application - " << program;
    QStringList arguments = QCoreApplication::arguments();
    if (!arguments.isEmpty())
        arguments.removeFirst();
    if (g_restartArguments)
        arguments = *g_restartArguments;
    qDebug().noquote() << "Restart application - arguments" << arguments.join(QLatin1Char(' '));
    // Whoever read this agent's output goes away with it: the new agent's output goes
    // nowhere, so a write to a closed pipe cannot end it (its log has everything).
    QProcess restart;
    restart.setProgram(program);
    restart.setArguments(arguments);
    restart.setStandardOutputFile(QProcess::nullDevice());
    restart.setStandardErrorFile(QProcess::nullDevice());
    if (!restart.startDetached())
        qWarning() << "Restart application failed" << program;
}

void SingleApplication::SetRestart(bool restart)
{
    qDebug() << " slotIsRestart " << restart;
    g_restart = restart;
}

void SingleApplication::setRestartArguments(const QStringList& arguments)
{
    g_restartArguments = arguments;
}

bool SingleApplication::restartRequested()
{
    return g_restart;
}

void SingleApplication::showDebug(const QString& text)
{
    qDebug().noquote() << text;
}

QString SingleApplication::segmentKey(const QString& key)
{
    return key + QLatin1Char('.') + Platform::backend().session().sessionScope();
}
