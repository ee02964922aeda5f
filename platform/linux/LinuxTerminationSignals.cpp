#include "platform/linux/LinuxTerminationSignals.h"

#include <QDebug>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};

void onSignal(int number)
{
    const unsigned char byte = static_cast<unsigned char>(number);
    // write() is async-signal-safe; a full pipe only drops a duplicate request.
    [[maybe_unused]] const auto written = ::write(g_pipe[1], &byte, 1);
}

void installHandler(int number, void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(number, &action, nullptr);
}

} // namespace

LinuxTerminationSignals::LinuxTerminationSignals(QObject* parent) : TerminationSignals(parent)
{
    if (g_pipe[0] < 0) {
        if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
            qWarning() << "LinuxTerminationSignals: can't create the signal pipe";
            return;
        }
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &LinuxTerminationSignals::readPipe);
    installHandler(SIGTERM, onSignal);
    installHandler(SIGINT, onSignal);
    installHandler(SIGHUP, onSignal);
}

LinuxTerminationSignals::~LinuxTerminationSignals()
{
    installHandler(SIGTERM, SIG_DFL);
    installHandler(SIGINT, SIG_DFL);
    installHandler(SIGHUP, SIG_DFL);
}

void LinuxTerminationSignals::readPipe()
{
    unsigned char byte = 0;
    while (::read(g_pipe[0], &byte, 1) == 1) {
        switch (byte) {
        case SIGHUP:
            Q_EMIT hangupRequested();
            break;
        case SIGINT:
            Q_EMIT terminationRequested(QStringLiteral("SIGINT"));
            break;
        default:
            Q_EMIT terminationRequested(QStringLiteral("SIGTERM"));
            break;
        }
    }
}
