#include "db/Schema.h"

using namespace KdoData;

// Preferences and the names of settings maps.
QList<TableSchema> Schema::settingsTables()
{
    return {
        {QStringLiteral("Preferences"),
         {{QStringLiteral("name"), Text},
          {QStringLiteral("value"), Text},
          {QStringLiteral("isupdate"), Integer}},
         {},
         {{QStringLiteral("name")}}},
        {QStringLiteral("SettingsNames"),
         {{QStringLiteral("name"), Text}, {QStringLiteral("map"), Text}},
         {},
         {{QStringLiteral("name")}}},
    };
}
