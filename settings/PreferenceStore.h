#pragma once

#include <QString>
#include <QStringList>

// The user's preferences as the settings code needs them: name → text value,
// with the flag that marks a locally changed value for upload.
class PreferenceStore
{
public:
    virtual ~PreferenceStore() = default;
    // Empty when the preference has no row.
    virtual QString getValue(const QString& name) = 0;
    virtual void setValue(const QString& name, const QString& value, bool isUpdate) = 0;
    // Every stored preference name.
    virtual QStringList names() = 0;
};
