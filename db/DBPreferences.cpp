#include "db/DBPreferences.h"

#include "db/DB.h"
#include "db/DBTransaction.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"

#include <QDebug>
#include <QRandomGenerator>

const QString DBPreferences::TABLE = QStringLiteral("Preferences");
const QString DBPreferences::NAME = QStringLiteral("name");
const QString DBPreferences::VALUE = QStringLiteral("value");
const QString DBPreferences::ISUPDATE = QStringLiteral("isupdate");

std::atomic<bool> DBPreferences::s_checked{false};

namespace {

const QString kSynchronizeId = QStringLiteral("synchronizeid");

QString flag(bool value)
{
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

DBPreferences::DBPreferences() : m_db(DB::get())
{
    static const QList<TableSchema> tables = {Schema::table(TABLE)};
    Schema::checkOnce(*m_db, tables, s_checked);
}

bool DBPreferences::isChecked() const
{
    return s_checked;
}

QString DBPreferences::getValue(const QString& name) const
{
    const QString value = m_db->readinfo(TABLE, {{NAME, name}}).value(VALUE);
    // Older versions stored this regulation under its short name.
    if (name == QLatin1String("UsedRegulation") && value == QLatin1String("DIN"))
        return QStringLiteral("DIN 6868-57");
    return value;
}

bool DBPreferences::setValue(const QString& name, const QString& value, bool isUpdate)
{
    // Read, compare and write in one transaction, so that two processes setting
    // the same new name never make two rows.
    DBTransaction transaction(m_db);
    const KaldoDataIterator current = m_db->readinfo(TABLE, {{NAME, name}});
    if (!current.IsNull() && current.value(VALUE) == value)
        return true;
    const KaldoDynamicData::Values row{{NAME, name}, {VALUE, value}, {ISUPDATE, flag(isUpdate)}};
    const bool ok = m_db->count(TABLE, {{NAME, name}}) > 0 ? m_db->changeinfo(TABLE, {{NAME, name}}, row)
                                                           : m_db->addinfo(TABLE, row);
    if (!ok) {
        qWarning() << "DBPreferences::setValue failed for" << name;
        transaction.failTransaction();
    }
    return ok;
}

bool DBPreferences::setValueIfMissing(const QString& name, const QString& value, bool isUpdate)
{
    DBTransaction transaction(m_db);
    if (m_db->count(TABLE, {{NAME, name}}) > 0)
        return true;
    if (m_db->addinfo(TABLE, {{NAME, name}, {VALUE, value}, {ISUPDATE, flag(isUpdate)}}))
        return true;
    qWarning() << "DBPreferences::setValueIfMissing failed for" << name;
    transaction.failTransaction();
    return false;
}

bool DBPreferences::getValueIsUpdate(const QString& name) const
{
    return m_db->readinfo(TABLE, {{NAME, name}}).value(ISUPDATE).toInt() == 1;
}

bool DBPreferences::setValueIsUpdate(const QString& name, bool isUpdate)
{
    return m_db->changeinfo(TABLE, {{NAME, name}}, {{ISUPDATE, flag(isUpdate)}});
}

bool DBPreferences::SetIsUpdateForAllSettings(bool isUpdate)
{
    return m_db->exec(QStringLiteral("UPDATE Preferences SET isupdate=?"), {flag(isUpdate).toInt()});
}

KaldoDataIterator DBPreferences::begin() const
{
    return m_db->readinfo(TABLE);
}

QString DBPreferences::generateWorkstationId()
{
    // Upper-case "A".."Y", lower-case "a".."y" and digits "0".."8".
    static const QString alphabet =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYabcdefghijklmnopqrstuvwxy012345678");
    QString id;
    id.reserve(32);
    for (int i = 0; i < 32; ++i)
        id += alphabet.at(QRandomGenerator::system()->bounded(static_cast<int>(alphabet.size())));
    return id;
}

QString DBPreferences::GetSynchronizeWorkstationId()
{
    DBTransaction transaction(m_db);
    QString id = getValue(kSynchronizeId);
    if (!id.isEmpty())
        return id;
    qDebug() << "generating new synchronizeid in QString DBPreferences::GetSynchronizeWorkstationId()";
    id = generateWorkstationId();
    if (!setValue(kSynchronizeId, id, true))
        transaction.failTransaction();
    return id;
}
