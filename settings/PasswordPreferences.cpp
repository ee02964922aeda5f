#include "settings/PasswordPreferences.h"

#include "db/DBPreferences.h"
#include "db/DBTransaction.h"
#include "settings/HideUnhideString.h"

#include <QDebug>

const QStringList PasswordPreferences::NAMES = {QStringLiteral("RemoteConnectionPassword"),
                                                QStringLiteral("ProxyPassword")};
const QString PasswordPreferences::ENCRYPTED_FLAG = QStringLiteral("remoteEncrypted");

namespace {

bool flagged(const DBPreferences& preferences)
{
    return preferences.getValue(PasswordPreferences::ENCRYPTED_FLAG) == QLatin1String("1");
}

} // namespace

QString PasswordPreferences::read(const DBPreferences& preferences, const QString& name)
{
    const QString stored = preferences.getValue(name);
    if (stored.isEmpty() || !flagged(preferences))
        return stored;
    const QString clear = HideUnhideString::unhide(stored);
    if (clear.isEmpty()) {
        // Typed in plainly by another program after the flag was set: still the password.
        qDebug().noquote() << "PasswordPreferences::read:" << name << "is not scrambled, using it as stored";
        return stored;
    }
    return clear;
}

bool PasswordPreferences::write(DBPreferences& preferences, const QString& name, const QString& clear)
{
    if (!isPassword(name)) {
        qWarning().noquote() << "PasswordPreferences::write:" << name << "is not a password preference";
        return false;
    }
    DBTransaction transaction;
    bool ok = transaction.started();
    if (ok && !flagged(preferences)) {
        for (const QString& other : NAMES) {
            const QString stored = preferences.getValue(other);
            if (other != name && !stored.isEmpty())
                ok = preferences.setValue(other, HideUnhideString::hide(stored), true) && ok;
        }
        ok = ok && preferences.setValue(ENCRYPTED_FLAG, QStringLiteral("1"), true);
    }
    ok = ok && preferences.setValue(name, HideUnhideString::hide(clear), true);
    if (!ok) {
        qWarning().noquote() << "PasswordPreferences::write: cannot store" << name;
        transaction.failTransaction();
    }
    return ok;
}
