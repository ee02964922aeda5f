#pragma once

#include "db/KaldoDataIterator.h"

#include <QString>

#include <atomic>
#include <memory>

class KaldoDynamicData;

// The user's preferences: name -> text value, each with an "isupdate" flag that
// says the value changed here and still has to reach the management server.
class DBPreferences
{
public:
    static const QString TABLE;
    static const QString NAME;
    static const QString VALUE;
    static const QString ISUPDATE;

    // Reads and writes one preference through operator[]; assigning marks it for upload.
    class Value
    {
    public:
        Value(DBPreferences& owner, QString name) : m_owner(owner), m_name(std::move(name)) {}
        operator QString() const { return m_owner.getValue(m_name); }
        Value& operator=(const QString& value)
        {
            m_owner.setValue(m_name, value, true);
            return *this;
        }

    private:
        DBPreferences& m_owner;
        QString m_name;
    };

    DBPreferences();
    // False when the table could not be created or upgraded; every access then fails softly.
    bool isChecked() const;

    QString getValue(const QString& name) const;
    bool setValue(const QString& name, const QString& value, bool isUpdate = true);
    // Stores a default: writes the row only when the name has none yet, so a value
    // the user (or the main application) chose meanwhile is never replaced.
    // True when the name has a row afterwards.
    bool setValueIfMissing(const QString& name, const QString& value, bool isUpdate = false);
    bool getValueIsUpdate(const QString& name) const;
    bool setValueIsUpdate(const QString& name, bool isUpdate);
    bool SetIsUpdateForAllSettings(bool isUpdate);
    Value operator[](const QString& name) { return Value(*this, name); }
    KaldoDataIterator begin() const;

    // The id this workstation is known by on the management server; made once.
    QString GetSynchronizeWorkstationId();
    static QString generateWorkstationId();

private:
    std::shared_ptr<KaldoDynamicData> m_db;
    static std::atomic<bool> s_checked;
};
