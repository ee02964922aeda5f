#pragma once

#include "db/DB.h"
#include "db/DBCurrentDisplays.h"
#include "db/DBDisplayCurrentLUT.h"
#include "db/DBDisplayStatistic.h"
#include "db/DBDisplays.h"
#include "db/DBDisplaysAmbient.h"
#include "db/DBShutdownSafeSystem.h"
#include "db/DBStatusDisplays.h"
#include "db/KaldoDynamicData.h"
#include "settings/DataDirectory.h"

#include <QStringList>

#include <gtest/gtest.h>

// Every test starts from empty display tables in the test program's own database.
class DisplayTablesTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        DataDirectory::ensureExists();
        DB::setPath(DataDirectory::path());
    }

    void SetUp() override
    {
        // Constructing each table class creates its tables on a fresh file.
        DBDisplays displays;
        DBDisplayCurrentLUT luts;
        DBStatusDisplays statuses;
        DBDisplayStatistic statistics;
        DBDisplaysAmbient ambient;
        DBShutdownSafeSystem safeSystem;
        DBCurrentDisplays current;
        for (const QString& table :
             {QStringLiteral("Displays"), QStringLiteral("DisplayInfo"), QStringLiteral("CurrentDisplays"),
              QStringLiteral("DisplayCurrentLUT"), QStringLiteral("LUTEntries"),
              QStringLiteral("StatusDisplays"), QStringLiteral("DisplayStatistic"),
              QStringLiteral("DisplaysAmbient"), QStringLiteral("ShotdownSafeSystem")})
            ASSERT_TRUE(DB::get()->exec(QStringLiteral("DELETE FROM ") + table)) << table.toStdString();
    }

    static qint64 rows(const QString& table, const KaldoDynamicData::Values& where = {})
    {
        return where.isEmpty() ? DB::get()->count(table) : DB::get()->count(table, where);
    }

    // Rows this connection has inserted, changed or deleted so far.
    static qint64 totalChanges()
    {
        return DB::get()
            ->query(QStringLiteral("SELECT total_changes() AS c"))
            .value(QStringLiteral("c"))
            .toLongLong();
    }
};
