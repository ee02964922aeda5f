#include "qa/steps/BaseStep.h"

#include <QCoreApplication>
#include <QDebug>
#include <QThread>

#include <atomic>

namespace {

std::atomic_bool blocked{false};

} // namespace

BaseStep::BaseStep(QObject* parent) : QObject(parent) {}

void BaseStep::SetParams(const QMap<QString, QString>&) {}

void BaseStep::SetDataBus(DataBus* bus)
{
    m_bus = bus;
}

void BaseStep::SetBackFlag(bool back)
{
    m_back = back;
}

void BaseStep::fromUI(const QString& command)
{
    if (command == QLatin1String("step continue") || command == QLatin1String("step finished"))
        ChangeStatus(Finished);
    else if (command == QLatin1String("step back"))
        ChangeStatus(Back);
    else if (command == QLatin1String("step skip"))
        ChangeStatus(Skipped);
    else if (command == QLatin1String("step canceled")) {
        // A cancelled run must not stay held by a dialog that will never answer.
        SetBlocked(false);
        ChangeStatus(Canceled);
    } else if (command == QLatin1String("step block"))
        SetBlocked(true);
    else if (command == QLatin1String("step unblock"))
        SetBlocked(false);
}

void BaseStep::fromUI(const QString& command, const QMap<QString, QString>&)
{
    fromUI(command);
}

void BaseStep::fromUI(const QString& command, void*)
{
    fromUI(command);
}

void BaseStep::toUI(const QString& command, const QString& value)
{
    emit signalToUI(command, value);
}

void BaseStep::toUI(const QString& command, const QMap<QString, QString>& value)
{
    emit signalToUIMap(command, value);
}

void BaseStep::toUI(const QString& command, void* value)
{
    emit signalToUIPointer(command, value);
}

void BaseStep::ChangeStatus(int status)
{
    m_status = status;
}

void BaseStep::IncreaseProgress()
{
    ++m_progressCounted;
    toUI(QStringLiteral("show increase progress"), QString());
    letEventsRun();
}

void BaseStep::IncreaseProgress(int points)
{
    for (int i = 0; i < points; ++i)
        IncreaseProgress();
}

void BaseStep::IncreaseProgressSize(int points)
{
    toUI(QStringLiteral("show increase progress size"), QString::number(points));
}

void BaseStep::DecreaseProgressSize(int points)
{
    toUI(QStringLiteral("show decrease progress size"), QString::number(points));
}

void BaseStep::ProgressCounterRun()
{
    m_progressCounted = 0;
    Run();
}

void BaseStep::SetBlocked(bool value)
{
    blocked = value;
}

bool BaseStep::blockedFlag()
{
    return blocked;
}

bool BaseStep::IsBlocked() const
{
    return blocked && m_status != Canceled;
}

void BaseStep::letEventsRun(int sleepMs)
{
    QCoreApplication::processEvents();
    QThread::msleep(sleepMs);
    QCoreApplication::processEvents();
}
