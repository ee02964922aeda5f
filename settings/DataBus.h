#pragma once

#include "settings/KaldoValue.h"

#include <QDebug>
#include <QHash>
#include <QReadWriteLock>
#include <QString>

#include <memory>
#include <type_traits>

// A typed key/value store. Each name keeps the type of its first value for its
// lifetime; a read or write with another type is logged and answered with the
// default, so a programming slip never stops the agent.
class DataBus
{
public:
    DataBus() = default;
    DataBus(const DataBus&) = delete;
    DataBus& operator=(const DataBus&) = delete;

    template <typename T> bool SetValue(const QString& name, T value)
    {
        const QWriteLocker locker(&m_lock);
        const auto found = m_values.find(name);
        if (found == m_values.end()) {
            m_values.insert(name, std::make_shared<KaldoValue<T>>(std::move(value)));
            return true;
        }
        auto* typed = dynamic_cast<KaldoValue<T>*>(found.value().get());
        if (!typed) {
            logWrongTypeOnWrite(name);
            return false;
        }
        typed->setValue(std::move(value));
        return true;
    }

    // A default T when the name is missing or holds another type.
    template <typename T> T GetValue(const QString& name) const { return GetValue<T>(name, T()); }

    template <typename T> T GetValue(const QString& name, const T& fallback) const
    {
        const QReadLocker locker(&m_lock);
        const auto found = m_values.constFind(name);
        if (found == m_values.constEnd())
            return fallback;
        const auto* typed = dynamic_cast<const KaldoValue<T>*>(found.value().get());
        if (!typed) {
            logWrongTypeOnRead(name);
            return fallback;
        }
        return typed->value();
    }

    // A literal is text: stored as QString, never as a pointer.
    bool SetValue(const QString& name, const char* value)
    {
        return SetValue<QString>(name, QString::fromUtf8(value));
    }

    QString getString(const QString& name) const;
    bool setString(const QString& name, const QString& value);

    bool contains(const QString& name) const;
    bool remove(const QString& name);
    QStringList names() const;
    void clear();

private:
    static void logWrongTypeOnRead(const QString& name);
    static void logWrongTypeOnWrite(const QString& name);

    // Values are replaced only on the main thread at start-up; the lock keeps the
    // few run-time writes ("currentDisplayId") safe for readers on other threads.
    mutable QReadWriteLock m_lock;
    QHash<QString, std::shared_ptr<KaldoAbstractValue>> m_values;
};
