#pragma once

#include "db/TableSchema.h"

#include <atomic>

class KaldoDynamicData;

// Every table of the shared database, grouped by the family of table classes that
// own it. Table classes declare their tables from here, and the start-up check
// walks all of them so that one pass brings an older file up to date.
class Schema
{
public:
    static QList<TableSchema> settingsTables();
    static QList<TableSchema> displayTables();
    static QList<TableSchema> historyTables();
    static QList<TableSchema> schedulingTables();
    static QList<TableSchema> regulationTables();
    static QList<TableSchema> deviceTables();
    static QList<TableSchema> all();
    // The declaration of one table; an empty schema when the name is unknown.
    static const TableSchema& table(const QString& name);
    // The declarations of several tables, in the order named (a table class's own list).
    static QList<TableSchema> tables(const QStringList& names);

    // Checks the given tables in order and creates their indexes; stops at the
    // first table that fails.
    static bool checkTables(KaldoDynamicData& db, const QList<TableSchema>& tables);
    // What a table class does on construction: checks its tables unless `checked`
    // is already set. Inside a transaction the flag is set when it commits, because
    // a rollback undoes the check; until then the same transaction does not check again.
    static bool checkOnce(KaldoDynamicData& db, const QList<TableSchema>& tables, std::atomic<bool>& checked);
    // The start-up pass over every table; goes on past a failed table so that one
    // bad table does not keep the others old. False when any table failed.
    static bool checkAll(KaldoDynamicData& db);
    // A "tmp" table left by an older program that stopped in the middle of a
    // rebuild holds the rows of a table that is now missing: give them back.
    static bool restoreLeftoverTmp(KaldoDynamicData& db);
};
