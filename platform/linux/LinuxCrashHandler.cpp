#include "platform/CrashHandler.h"

#include <QFile>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr int kSignalCount = sizeof(kSignals) / sizeof(kSignals[0]);

int g_logFd = -1;
struct sigaction g_previous[kSignalCount];
bool g_installed = false;

// Only async-signal-safe calls from here on: write(2) and hand-made numbers.
void writeText(const char* text)
{
    if (g_logFd >= 0) [[maybe_unused]]
        const auto written = ::write(g_logFd, text, std::strlen(text));
}

void writeNumber(long value)
{
    char digits[24];
    int length = 0;
    const bool negative = value < 0;
    unsigned long magnitude =
        negative ? 0UL - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
    do {
        digits[length++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0 && length < 20);
    char text[24];
    int at = 0;
    if (negative)
        text[at++] = '-';
    while (length > 0)
        text[at++] = digits[--length];
    text[at] = '\0';
    writeText(text);
}

void onFatalSignal(int number)
{
    writeText("[");
    writeNumber(static_cast<long>(::getpid()));
    writeText("] terminate handling\n[");
    writeNumber(static_cast<long>(::getpid()));
    writeText("] Exception: signal ");
    writeNumber(number);
    writeText("\n");
    // The previous handler (the default one, or a sanitizer's report) finishes the job.
    for (int i = 0; i < kSignalCount; ++i) {
        if (kSignals[i] == number)
            ::sigaction(number, &g_previous[i], nullptr);
    }
    ::raise(number);
}

} // namespace

void CrashHandler::install(const QString& logFilePath)
{
    if (g_installed)
        return;
    g_logFd =
        ::open(QFile::encodeName(logFilePath).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    struct sigaction action = {};
    action.sa_handler = onFatalSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_NODEFER;
    for (int i = 0; i < kSignalCount; ++i)
        ::sigaction(kSignals[i], &action, &g_previous[i]);
    g_installed = true;
}

void CrashHandler::uninstall()
{
    if (!g_installed)
        return;
    for (int i = 0; i < kSignalCount; ++i)
        ::sigaction(kSignals[i], &g_previous[i], nullptr);
    if (g_logFd >= 0)
        ::close(g_logFd);
    g_logFd = -1;
    g_installed = false;
}
