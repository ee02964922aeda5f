#include "app/ctl/LockCommand.h"

#include "app/KaldoSharedMemory.h"
#include "app/ctl/CtlContext.h"

#include <QCoreApplication>
#include <QJsonObject>

#include <cstdio>

namespace {

// Looks without taking: a status query must not make the lock look busy to a
// process that probes at the same moment.
QJsonObject lockState(const QString& key, KaldoSharedMemory& lock)
{
    const quint32 holder = lock.holderProcessId();
    const bool locked = KaldoSharedMemory::holderIsRunning(holder);
    QJsonObject state{{QStringLiteral("ok"), true},
                      {QStringLiteral("key"), key},
                      {QStringLiteral("locked"), locked},
                      {QStringLiteral("holder"), static_cast<qint64>(locked ? holder : 0)}};
    if (holder != 0 && !locked)
        state.insert(QStringLiteral("staleHolder"), static_cast<qint64>(holder));
    return state;
}

QString describe(const QJsonObject& state)
{
    const QString key = state.value(QStringLiteral("key")).toString();
    if (state.contains(QStringLiteral("staleHolder")))
        return QStringLiteral("%1: free (left by ended process %2)")
            .arg(key)
            .arg(state.value(QStringLiteral("staleHolder")).toInteger());
    if (!state.value(QStringLiteral("locked")).toBool())
        return QStringLiteral("%1: free").arg(key);
    return QStringLiteral("%1: held by process %2")
        .arg(key)
        .arg(state.value(QStringLiteral("holder")).toInteger());
}

// Holds the lock until the tool is interrupted or stdin closes, so a script can
// keep the agent's tasks away while it works.
int holdUntilEndOfInput(const CtlContext& context, const QString& key, KaldoSharedMemory& lock)
{
    context.answer(
        {{QStringLiteral("ok"), true}, {QStringLiteral("key"), key}, {QStringLiteral("taken"), true}},
        QStringLiteral("%1: taken by process %2").arg(key).arg(QCoreApplication::applicationPid()));
    while (std::fgetc(stdin) != EOF) {
    }
    lock.Unlock();
    return 0;
}

} // namespace

QString LockCommand::usage() const
{
    return QStringLiteral(
        "lock status|take|release KEY [--force]   (take holds the lock until stdin closes)");
}

int LockCommand::run(const CtlContext& context) const
{
    const QStringList& args = context.arguments();
    if (args.size() < 2)
        return context.fail(QStringLiteral("usage: ") + usage(), 2);
    const QString& action = args.at(0);
    const QString& key = args.at(1);
    // One short wait (three attempts), so that two racing tools both end promptly.
    KaldoSharedMemory lock(key.toUtf8(), "lutloaderctl", 1);

    if (action == QLatin1String("status")) {
        const QJsonObject state = lockState(key, lock);
        return context.answer(state, describe(state));
    }
    if (action == QLatin1String("take")) {
        if (!lock.IsLocked() && lock.Lock())
            return holdUntilEndOfInput(context, key, lock);
        return context.fail(describe(lockState(key, lock)));
    }
    if (action == QLatin1String("release")) {
        if (!context.hasFlag(QStringLiteral("--force"))) {
            const QJsonObject state = lockState(key, lock);
            if (state.value(QStringLiteral("locked")).toBool())
                return context.fail(describe(state) + QStringLiteral("; use --force to clear it"));
            return context.answer(state, describe(state));
        }
        const bool cleared = lock.forceRelease();
        const QJsonObject state = lockState(key, lock);
        if (!cleared || lock.holderProcessId() != 0)
            return context.fail(QStringLiteral("%1: could not be cleared (%2)").arg(key, describe(state)));
        return context.answer(state, describe(state));
    }
    return context.fail(QStringLiteral("unknown lock action %1").arg(action), 2);
}
