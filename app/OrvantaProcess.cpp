#include "app/OrvantaProcess.h"

#include "settings/GlobalData.h"

#include <QDebug>

namespace {

QString joined(const QStringList& arguments)
{
    return QStringLiteral("(") + arguments.join(QStringLiteral(", ")) + QStringLiteral(")");
}

} // namespace

OrvantaProcess::OrvantaProcess(QObject* parent) : QProcess(parent)
{
    connect(this, &QProcess::errorOccurred, this, &OrvantaProcess::onError);
}

OrvantaProcess::~OrvantaProcess()
{
    disconnect(this, &QProcess::errorOccurred, this, &OrvantaProcess::onError);
}

QString OrvantaProcess::programPath()
{
    return GlobalData::instance().GetValue<QString>(QString::fromLatin1(ORVANTABINPATH_FOR_LUTLOADER));
}

void OrvantaProcess::setProgramPath(const QString& path)
{
    GlobalData::instance().SetValue(QString::fromLatin1(ORVANTABINPATH_FOR_LUTLOADER), path);
}

QString OrvantaProcess::program()
{
#if defined(Q_OS_WIN)
    return QLatin1Char('"') + programPath() + QLatin1Char('"');
#else
    // The argument vector needs no quoting here; quotes would become part of the name.
    return programPath();
#endif
}

void OrvantaProcess::start(const QStringList& arguments)
{
    qDebug().noquote() << "OrvantaProcess::start" << program() << joined(arguments);
    QProcess::start(program(), arguments);
}

int OrvantaProcess::execute(const QStringList& arguments)
{
    qDebug().noquote() << "OrvantaProcess::execute" << program() << joined(arguments);
    QProcess::start(program(), arguments);
    if (!waitForStarted(-1))
        return -2;
    waitForFinished(-1);
    const int code = exitStatus() == QProcess::NormalExit ? exitCode() : -1;
    qDebug() << "OrvantaProcess::execute finished" << code;
    return code;
}

// A program that never started sends no finished(); its waiters get one anyway.
void OrvantaProcess::onError(QProcess::ProcessError error)
{
    if (error != QProcess::FailedToStart)
        return;
    qWarning() << "OrvantaProcess can't start" << program() << errorString();
    QMetaObject::invokeMethod(
        this, [this] { Q_EMIT finished(-1, QProcess::CrashExit); }, Qt::QueuedConnection);
}

QStringList OrvantaProcess::runUserTask(const QString& mode, const QStringList& more)
{
    return QStringList{QStringLiteral("runusr"), mode} + more;
}

QStringList OrvantaProcess::runQA(const QStringList& displaysAndGroups)
{
    return QStringList{QStringLiteral("runqa")} + displaysAndGroups;
}

QStringList OrvantaProcess::whiteLevelStabilisation(int displayId)
{
    return {QStringLiteral("whitelevelstab"), QString::number(displayId)};
}

QStringList OrvantaProcess::graphicCardReaction(const QStringList& more)
{
    return QStringList{QStringLiteral("GCReaction")} + more;
}
