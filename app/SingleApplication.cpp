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
    m_segment.setKey(segmentKey(key));
    // Attaching and detaching drops a segment that an agent which ended without
    // cleaning up left behind: with no other holder it goes away.
    if (m_segment.attach())
        m_segment.detach();
    if (m_segment.attach()) {
        m_running = true;
        m_segment.detach();
    } else if (!m_segment.create(1, QSharedMemory::ReadWrite)) {
        // Without the segment a second agent could start; better to run than to refuse.
        qWarning() << "SingleApplication can't create the instance segment" << m_segment.errorString();
    }
    checkLock.Unlock();
}

SingleApplication::~SingleApplication()
{
    if (m_segment.isAttached())
        m_segment.detach();
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
