#include "app/ctl/LockCommand.h"

#include "app/KaldoSharedMemory.h"
#include "app/ctl/CtlContext.h"

#include <QCoreApplication>
#include <QJsonObject>

#include <cstdio>

namespace {

QJsonObject lockState(const QString& key, KaldoSharedMemory& lock)
{
    const bool locked = lock.IsLocked();
    return {{QStringLiteral("ok"), true},
            {QStringLiteral("key"), key},
            {QStringLiteral("locked"), locked},
            {QStringLiteral("holder"), static_cast<qint64>(locked ? lock.holderProcessId() : 0)}};
}

QString describe(const QJsonObject& state)
{
    const QString key = state.value(QStringLiteral("key")).toString();
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
        lock.forceRelease();
        const QJsonObject state = lockState(key, lock);
        return context.answer(state, describe(state));
    }
    return context.fail(QStringLiteral("unknown lock action %1").arg(action), 2);
}
