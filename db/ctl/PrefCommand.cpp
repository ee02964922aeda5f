#include "db/ctl/PrefCommand.h"

#include "app/ctl/CtlContext.h"
#include "db/DB.h"
#include "db/DBPreferences.h"
#include "db/KaldoDynamicData.h"
#include "settings/DataDirectory.h"

#include <QJsonObject>

QString PrefCommand::usage() const
{
    return QStringLiteral("pref get|set NAME [VALUE]");
}

int PrefCommand::run(const CtlContext& context) const
{
    const QStringList& args = context.arguments();
    const QString& action = args.value(0);
    const bool get = action == QLatin1String("get") && args.size() == 2;
    const bool set = action == QLatin1String("set") && args.size() == 3;
    if (!get && !set)
        return context.fail(QStringLiteral("usage: ") + usage(), 2);

    QString error;
    if (!DataDirectory::ensureExists(&error))
        return context.fail(error);
    DB::setPath(DataDirectory::path());
    DBPreferences preferences;
    if (!DB::get()->IsOpened() || !preferences.isChecked())
        return context.fail(QStringLiteral("cannot use the database %1").arg(DB::get()->filePath()));

    const QString& name = args.at(1);
    if (set && !preferences.setValue(name, args.at(2), true))
        return context.fail(QStringLiteral("cannot store %1").arg(name));
    const QString value = preferences.getValue(name);
    return context.answer({{QStringLiteral("ok"), true},
                           {QStringLiteral("name"), name},
                           {QStringLiteral("value"), value},
                           {QStringLiteral("isupdate"), preferences.getValueIsUpdate(name)}},
                          value);
}
