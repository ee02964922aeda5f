#pragma once

#include <QLocale>
#include <QMap>
#include <QNetworkProxy>
#include <QString>

#include <functional>

class DBPreferences;

// Fills the user's preferences from the product defaults. On the first start of
// the agent on a machine it also records the workstation's name, the system
// proxy and the language; on every later start it only adds the preferences that
// a newer version brought, never touching a value the user changed.
class FirstRunPreferences
{
public:
    // What the first start learns about the machine; current() asks the system.
    struct Environment
    {
        QString computerName;
        QLocale locale;
        QNetworkProxy proxy; // NoProxy when the system has none
        static Environment current();
    };

    // Asked for the environment only on the first start: the system proxy query loads the
    // proxy library with a thread of its own, which would then stay for the whole session.
    using EnvironmentSource = std::function<Environment()>;

    // True when this call was the first start (and wrote "FirstCall").
    static bool apply(DBPreferences& preferences, const QMap<QString, QString>& defaults,
                      const Environment& environment);
    static bool apply(DBPreferences& preferences, const QMap<QString, QString>& defaults,
                      const EnvironmentSource& environment);
    // The stored language name for a locale; empty when the default applies.
    static QString languageName(const QLocale& locale);

private:
    static void fillMissing(DBPreferences& preferences, const QMap<QString, QString>& defaults);
    static void recordProxy(DBPreferences& preferences, const QNetworkProxy& proxy);
};
