#include "db/ctl/DbCommand.h"

#include "app/ctl/CtlContext.h"
#include "db/DB.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"
#include "settings/DataDirectory.h"

#include <QJsonObject>

namespace {

QString integrity(KaldoDynamicData& db)
{
    QStringList problems;
    for (KaldoDataIterator it = db.query(QStringLiteral("PRAGMA integrity_check")); !it.IsNull(); ++it)
        problems << it.values().first();
    return problems.isEmpty() ? QStringLiteral("not checked (%1)").arg(db.lastError())
                              : problems.join(QStringLiteral("; "));
}

int check(const CtlContext& context)
{
    QString error;
    if (!DataDirectory::ensureExists(&error))
        return context.fail(error);
    DB::setPath(DataDirectory::path());
    const std::shared_ptr<KaldoDynamicData> db = DB::get();
    if (!db->IsOpened())
        return context.fail(QStringLiteral("cannot open %1").arg(db->filePath()));
    const bool upgraded = Schema::checkAll(*db);
    const qint64 tables =
        db->query(
              QStringLiteral("SELECT COUNT(*) AS C FROM sqlite_master WHERE type='table' AND name NOT LIKE "
                             "'sqlite_%'"))
            .value(QStringLiteral("C"))
            .toLongLong();
    const QString state = integrity(*db);
    const bool ok = upgraded && state == QLatin1String("ok");
    const QJsonObject result{{QStringLiteral("ok"), ok},
                             {QStringLiteral("path"), db->filePath()},
                             {QStringLiteral("schema"), upgraded},
                             {QStringLiteral("tables"), tables},
                             {QStringLiteral("declared"), static_cast<qint64>(Schema::all().size())},
                             {QStringLiteral("integrity"), state}};
    return context.answer(result,
                          QStringLiteral("%1: %2 tables, schema %3, integrity %4")
                              .arg(db->filePath())
                              .arg(tables)
                              .arg(upgraded ? QStringLiteral("up to date") : QStringLiteral("NOT upgraded"))
                              .arg(state));
}

} // namespace

QString DbCommand::usage() const
{
    return QStringLiteral("db check   (upgrades the database schema, prints table count and integrity)");
}

int DbCommand::run(const CtlContext& context) const
{
    const QStringList& args = context.arguments();
    if (args.value(0) == QLatin1String("check"))
        return check(context);
    return context.fail(QStringLiteral("usage: ") + usage(), 2);
}
