#include "settings/DataBus.h"

QString DataBus::getString(const QString& name) const
{
    return GetValue<QString>(name);
}

bool DataBus::setString(const QString& name, const QString& value)
{
    return SetValue<QString>(name, value);
}

bool DataBus::contains(const QString& name) const
{
    const QReadLocker locker(&m_lock);
    return m_values.contains(name);
}

bool DataBus::remove(const QString& name)
{
    const QWriteLocker locker(&m_lock);
    return m_values.remove(name) > 0;
}

QStringList DataBus::names() const
{
    const QReadLocker locker(&m_lock);
    return m_values.keys();
}

void DataBus::clear()
{
    const QWriteLocker locker(&m_lock);
    m_values.clear();
}

void DataBus::logWrongTypeOnRead(const QString& name)
{
    qWarning().noquote() << QStringLiteral("DataBus Error - Value with name ") + name +
                                QStringLiteral(" has wrong type!!!");
}

void DataBus::logWrongTypeOnWrite(const QString& name)
{
    qWarning().noquote() << QStringLiteral("DataBus Error - Value with name ") + name +
                                QStringLiteral(" already exist and wrong type!!!");
}
