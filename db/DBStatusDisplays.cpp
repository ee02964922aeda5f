#include "db/DBStatusDisplays.h"

#include "db/DB.h"
#include "db/DBTransaction.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"

#include <QDebug>

#include <atomic>

const QString DBStatusDisplays::TABLE = QStringLiteral("StatusDisplays");

namespace {

std::atomic<bool> s_checked{false};

KaldoDynamicData::Values byIdAndName(int displayid, const QString& name)
{
    return {{QStringLiteral("displayid"), QString::number(displayid)}, {QStringLiteral("limitname"), name}};
}

} // namespace

DBStatusDisplays::DBStatusDisplays() : data_(DB::get())
{
    ensureChecked(*data_);
}

bool DBStatusDisplays::ensureChecked(KaldoDynamicData& data)
{
    static const QList<TableSchema> tables = {Schema::table(TABLE)};
    return Schema::checkOnce(data, tables, s_checked);
}

bool DBStatusDisplays::SetStatusInfo(int displayid, const QString& name, const QString& value)
{
    DBTransaction transaction;
    if (!transaction.started())
        return false;
    const auto it = data_->readinfo(TABLE, byIdAndName(displayid, name));
    if (!it.IsNull() && it.value(QStringLiteral("limitvalue")) == value)
        return true;
    const bool ok =
        it.IsNull()
            ? data_->addinfo(TABLE, {{QStringLiteral("displayid"), QString::number(displayid)},
                                     {QStringLiteral("limitname"), name},
                                     {QStringLiteral("limitvalue"), value}})
            : data_->changeinfo(TABLE, byIdAndName(displayid, name), {{QStringLiteral("limitvalue"), value}});
    if (!ok) {
        qWarning() << "DBStatusDisplays::SetStatusInfo failed for display" << displayid << name;
        transaction.failTransaction();
    }
    return ok;
}

QString DBStatusDisplays::GetStatusLimit(int displayid, const QString& name)
{
    QString value;
    GetStatusInfo(displayid, name, value);
    return value;
}

QMap<QString, QString> DBStatusDisplays::GetStatusInfo(int displayid)
{
    QMap<QString, QString> pairs;
    for (auto it = data_->readinfo(TABLE, {{QStringLiteral("displayid"), QString::number(displayid)}});
         !it.IsNull(); ++it)
        pairs.insert(it.value(QStringLiteral("limitname")), it.value(QStringLiteral("limitvalue")));
    return pairs;
}

bool DBStatusDisplays::GetStatusInfo(int displayid, const QString& name, QString& value)
{
    const auto it = data_->readinfo(TABLE, byIdAndName(displayid, name));
    value = it.IsNull() ? QString() : it.value(QStringLiteral("limitvalue"));
    return !it.IsNull();
}

bool DBStatusDisplays::clearStatusInfo(int displayid)
{
    return data_->delinfo(TABLE, {{QStringLiteral("displayid"), QString::number(displayid)}});
}
