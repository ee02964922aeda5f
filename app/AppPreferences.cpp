#include "app/AppPreferences.h"

#include "db/DB.h"
#include "db/DBPreferences.h"
#include "settings/BaseDataPool.h"
#include "settings/PasswordPreferences.h"

#include <QDebug>
#include <QThread>

#include <memory>

namespace {

std::unique_ptr<BaseDataPool>& pool()
{
    static std::unique_ptr<BaseDataPool> instance;
    return instance;
}

} // namespace

bool AppPreferences::available()
{
    return DBPreferences().isChecked();
}

QString AppPreferences::get(const QString& name)
{
    return DBPreferences().getValue(name);
}

bool AppPreferences::set(const QString& name, const QString& value)
{
    BaseDataPool* const dataPool = pool().get();
    if (dataPool && dataPool->thread() == QThread::currentThread())
        return dataPool->apply(name, value);
    DBPreferences preferences;
    if (PasswordPreferences::isPassword(name))
        return PasswordPreferences::write(preferences, name, value);
    return preferences.setValue(name, value, true);
}

// Before any thread exists: the schema is created or upgraded and the
// preferences filled once, on the main thread's connection.
void AppPreferences::initDatabase()
{
    if (!pool())
        pool() = std::make_unique<BaseDataPool>();
    pool()->init();
    pool()->initDB();
}

BaseDataPool* AppPreferences::dataPool()
{
    return pool().get();
}

void AppPreferences::freeDatabase()
{
    pool().reset();
    qDebug() << "DB::free";
    DB::free();
}
