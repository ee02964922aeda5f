#include "db/DBSettingsNames.h"

#include "db/DB.h"
#include "db/DBTransaction.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"

#include <QDebug>

const QString DBSettingsNames::TABLE = QStringLiteral("SettingsNames");
const QString DBSettingsNames::NAME = QStringLiteral("name");
const QString DBSettingsNames::MAP = QStringLiteral("map");

std::atomic<bool> DBSettingsNames::s_checked{false};

DBSettingsNames::DBSettingsNames() : m_db(DB::get())
{
    static const QList<TableSchema> tables = {Schema::table(TABLE)};
    Schema::checkOnce(*m_db, tables, s_checked);
}

bool DBSettingsNames::isChecked() const
{
    return s_checked;
}

QString DBSettingsNames::getMap(const QString& name) const
{
    return m_db->readinfo(TABLE, {{NAME, name}}).value(MAP);
}

bool DBSettingsNames::setMap(const QString& name, const QString& map)
{
    DBTransaction transaction(m_db);
    const KaldoDataIterator current = m_db->readinfo(TABLE, {{NAME, name}});
    if (!current.IsNull() && current.value(MAP) == map)
        return true;
    const bool ok = current.IsNull() ? m_db->addinfo(TABLE, {{NAME, name}, {MAP, map}})
                                     : m_db->changeinfo(TABLE, {{NAME, name}}, {{MAP, map}});
    if (!ok) {
        qWarning() << "DBSettingsNames::setMap failed for" << name;
        transaction.failTransaction();
    }
    return ok;
}

KaldoDataIterator DBSettingsNames::begin() const
{
    return m_db->readinfo(TABLE);
}
