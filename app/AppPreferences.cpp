#include "app/AppPreferences.h"

#include <QDebug>

bool AppPreferences::available()
{
    return false;
}

QString AppPreferences::get(const QString& name)
{
    qDebug() << "AppPreferences: no preferences table yet, read of" << name << "skipped";
    return {};
}

bool AppPreferences::set(const QString& name, const QString&)
{
    qDebug() << "AppPreferences: no preferences table yet, write of" << name << "skipped";
    return false;
}

void AppPreferences::initDatabase()
{
    qDebug() << "initDatabase: no database in this build, skipped";
}

void AppPreferences::freeDatabase()
{
    qDebug() << "DB::free";
}
