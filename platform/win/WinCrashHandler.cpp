#include "platform/CrashHandler.h"

#include <QDebug>

#include <windows.h>

namespace {

LONG WINAPI unhandledExceptionFilter(EXCEPTION_POINTERS* exception)
{
    qDebug() << "terminate handling";
    const DWORD code =
        exception && exception->ExceptionRecord ? exception->ExceptionRecord->ExceptionCode : 0;
    qDebug() << "Exception:" << Qt::hex << code;
    return EXCEPTION_EXECUTE_HANDLER;
}

} // namespace

void CrashHandler::install(const QString&)
{
    SetUnhandledExceptionFilter(unhandledExceptionFilter);
    // No critical-error, GP-fault, alignment-fault or open-file boxes (0x8007).
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOALIGNMENTFAULTEXCEPT |
                 SEM_NOOPENFILEERRORBOX);
}

void CrashHandler::uninstall()
{
    SetUnhandledExceptionFilter(nullptr);
}
