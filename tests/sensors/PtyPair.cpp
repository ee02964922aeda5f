#include "tests/sensors/PtyPair.h"

#include "tests/support/TestPaths.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QThread>

PtyPair::PtyPair() : m_folder(TestPaths::freshFolder(QStringLiteral("pty"))) {}

PtyPair::~PtyPair()
{
    unplug();
}

bool PtyPair::start(QString* error)
{
    const auto end = [](const QString& link) { return QStringLiteral("pty,raw,echo=0,link=%1").arg(link); };
    m_socat.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_socat.start(QStringLiteral("socat"), {end(instrumentEnd()), end(hostEnd())});
    if (!m_socat.waitForStarted()) {
        *error = QStringLiteral("socat does not start: ") + m_socat.errorString();
        return false;
    }
    m_pid = m_socat.processId();
    // socat makes the links once both terminals exist; a loaded machine may take a while.
    const QDeadlineTimer deadline(30000);
    while (!QFileInfo::exists(instrumentEnd()) || !QFileInfo::exists(hostEnd())) {
        if (deadline.hasExpired() || m_socat.state() != QProcess::Running) {
            *error = QStringLiteral("socat made no terminals");
            unplug();
            return false;
        }
        QThread::msleep(20);
    }
    return true;
}

void PtyPair::unplug()
{
    if (m_socat.state() == QProcess::NotRunning)
        return;
    m_socat.terminate();
    if (!m_socat.waitForFinished(10000)) {
        m_socat.kill();
        m_socat.waitForFinished();
    }
}

void PtyPair::unplugFromAnyThread() const
{
    if (m_pid > 0)
        QProcess::execute(QStringLiteral("kill"), {QString::number(m_pid)});
}
