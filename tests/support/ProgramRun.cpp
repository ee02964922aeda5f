#include "tests/support/ProgramRun.h"

#include "tests/support/TestPaths.h"

#include <QJsonDocument>
#include <QProcess>

ProgramRun ProgramRun::run(const QString& program, const QStringList& arguments, const QByteArray& input,
                           int timeoutMs)
{
    QProcess process;
    process.start(program, arguments);
    ProgramRun result;
    if (!process.waitForStarted(timeoutMs))
        return result;
    result.started = true;
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

ProgramRun ProgramRun::ctl(const QStringList& arguments, const QByteArray& input, int timeoutMs)
{
    return run(TestPaths::ctlProgram(), arguments, input, timeoutMs);
}

QJsonObject ProgramRun::json() const
{
    return QJsonDocument::fromJson(out).object();
}
