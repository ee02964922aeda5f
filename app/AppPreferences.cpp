#include "app/AppPreferences.h"

#include "db/DB.h"
#include "db/DBPreferences.h"
#include "settings/BaseDataPool.h"

#include <QDebug>

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
    return DBPreferences().setValue(name, value, true);
}

// Before any thread exists: the schema is created or upgraded and the
// preferences filled once, on the main thread's connection.
void AppPreferences::initDatabase()
{
    BaseDataPool pool;
    pool.init();
    pool.initDB();
}

void AppPreferences::freeDatabase()
{
    qDebug() << "DB::free";
    DB::free();
}
