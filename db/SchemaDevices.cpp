#include "db/Schema.h"

using namespace KdoData;

// User regulations and their classifications.
QList<TableSchema> Schema::regulationTables()
{
    return {
        {QStringLiteral("UserRegulations"),
         {{QStringLiteral("id"), Text}, {QStringLiteral("name"), Text}},
         {},
         {}},
        {QStringLiteral("UserClassifications"),
         {{QStringLiteral("regulationid"), Text},
          {QStringLiteral("name"), Text},
          {QStringLiteral("id"), Integer}},
         {},
         {{QStringLiteral("regulationid")}}},
    };
}

// Cameras and printers profiled by the main application.
QList<TableSchema> Schema::deviceTables()
{
    const ColumnMap info{{QStringLiteral("id"), Integer},
                         {QStringLiteral("name"), Text},
                         {QStringLiteral("value"), Text},
                         {QStringLiteral("isupdate"), Integer}};
    return {
        {QStringLiteral("Cameras"),
         {{QStringLiteral("id"), AutoKey},
          {QStringLiteral("name"), Text},
          {QStringLiteral("removed"), Integer}},
         {},
         {}},
        {QStringLiteral("CamerasInfo"), info, {}, {{QStringLiteral("id")}}},
        {QStringLiteral("Printers"),
         {{QStringLiteral("id"), AutoKey},
          {QStringLiteral("name"), Text},
          {QStringLiteral("resolution"), Integer},
          {QStringLiteral("type"), Integer},
          {QStringLiteral("removed"), Integer}},
         {},
         {}},
        {QStringLiteral("PrintersInfo"), info, {}, {{QStringLiteral("id")}}},
    };
}
