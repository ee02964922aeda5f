#include "update/ctl/UpdateCommand.h"

#include "app/ctl/CtlContext.h"
#include "db/DB.h"
#include "db/DBPreferences.h"
#include "db/DBUtils.h"
#include "db/KaldoDynamicData.h"
#include "settings/DataDirectory.h"
#include "settings/GlobalData.h"
#include "settings/ProductParams.h"
#include "tasks/UpdateTask.h"
#include "update/KaldoUpdate.h"
#include "update/UpdateRequest.h"

#include <QJsonObject>

QString UpdateCommand::usage() const
{
    return QStringLiteral("update check [--url URL]");
}

int UpdateCommand::run(const CtlContext& context) const
{
    QStringList args = context.arguments();
    if (args.value(0) != QLatin1String("check"))
        return context.fail(QStringLiteral("usage: ") + usage(), 2);
    args.removeFirst();
    QString url;
    if (!args.isEmpty()) {
        if (args.size() != 2 || args.at(0) != QLatin1String("--url") || args.at(1).trimmed().isEmpty())
            return context.fail(QStringLiteral("usage: ") + usage(), 2);
        url = args.at(1);
    }

    if (!ProductParams::LoadParams())
        return context.fail(QStringLiteral("cannot read the product parameters"));
    if (url.isEmpty())
        url = GlobalData::instance().GetValue<QString>(QString::fromLatin1(GLOBALDATA_UPDATE_LINK));

    // The proxy and the skipped version come from the preferences when there are any;
    // a workstation without a database checks directly.
    NetworkSettings settings;
    QString error;
    if (DataDirectory::ensureExists(&error)) {
        DB::setPath(DataDirectory::path());
        if (DB::get()->IsOpened() && DBPreferences().isChecked())
            settings = DBUtils::getNetworkSettingsFromDB();
    }
    settings.serverName = UpdateTask::updateAddress(url);

    KaldoUpdate checker(settings);
    QString version;
    QString link;
    checker.CheckUpdate(version, link, true);
    const QString current = KaldoUpdate::GetCurrentVersion();
    if (version == QLatin1String(UPDATE_ERROR))
        return context.fail(QStringLiteral("update check at %1 failed").arg(settings.serverName));

    const bool newer = !version.isEmpty();
    return context.answer({{QStringLiteral("ok"), true},
                           {QStringLiteral("current"), current},
                           {QStringLiteral("newer"), newer},
                           {QStringLiteral("version"), version},
                           {QStringLiteral("link"), link}},
                          newer ? UpdateTask::newerVersionText(version, link) : QStringLiteral("up to date"));
}
