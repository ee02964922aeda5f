#include "db/Schema.h"

#include "db/KaldoDynamicData.h"

#include <QDebug>
#include <QHash>
#include <QSet>

namespace {

QSet<QString> lowerNames(const QStringList& names)
{
    QSet<QString> lower;
    for (const QString& name : names)
        lower.insert(name.toLower());
    return lower;
}

void createIndexes(KaldoDynamicData& db, const TableSchema& table)
{
    if (table.indexes.isEmpty())
        return;
    // Looked up first: creating one, even "IF NOT EXISTS", needs the write lock.
    QSet<QString> existing;
    for (KaldoDataIterator it = db.query(QStringLiteral("SELECT name FROM sqlite_master WHERE type='index' "
                                                        "AND tbl_name=? COLLATE NOCASE"),
                                         {table.name});
         !it.IsNull(); ++it)
        existing.insert(it.value(QStringLiteral("name")).toLower());
    for (const QStringList& columns : table.indexes) {
        if (existing.contains(table.indexName(columns).toLower()))
            continue;
        // An index only speeds queries up; a table without it still works.
        if (!db.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS ") + table.indexName(columns) +
                     QStringLiteral(" ON ") + table.name + QLatin1Char('(') + columns.join(QLatin1Char(',')) +
                     QLatin1Char(')')))
            qWarning() << "Schema: index" << table.indexName(columns) << "not created";
    }
}

// The missing table whose declaration covers every column of `tmp` best; empty
// when no table or more than one fits equally.
QString ownerOfTmp(KaldoDynamicData& db, const QSet<QString>& tmpColumns)
{
    QString owner;
    qsizetype bestShared = 0;
    bool tie = false;
    for (const TableSchema& table : Schema::all()) {
        const QSet<QString> declared = lowerNames(table.columns.keys());
        if (!declared.contains(tmpColumns) || db.tableExists(table.name))
            continue;
        const qsizetype shared = tmpColumns.size();
        const qsizetype missing = declared.size() - shared;
        const qsizetype score = shared * 1000 - missing;
        if (score > bestShared) {
            bestShared = score;
            owner = table.name;
            tie = false;
        } else if (score == bestShared) {
            tie = true;
        }
    }
    return tie ? QString() : owner;
}

} // namespace

QList<TableSchema> Schema::all()
{
    // Table classes look their declarations up on every construction; they never change.
    static const QList<TableSchema> tables = settingsTables() + displayTables() + schedulingTables() +
                                             historyTables() + regulationTables() + deviceTables();
    return tables;
}

const TableSchema& Schema::table(const QString& name)
{
    static const QHash<QString, TableSchema> byName = [] {
        QHash<QString, TableSchema> tables;
        // The first declaration of a name is the one that counts.
        for (const TableSchema& table : all()) {
            if (!tables.contains(table.name))
                tables.insert(table.name, table);
        }
        return tables;
    }();
    static const TableSchema unknown;
    const auto it = byName.constFind(name);
    return it == byName.cend() ? unknown : *it;
}

QList<TableSchema> Schema::tables(const QStringList& names)
{
    QList<TableSchema> found;
    for (const QString& name : names)
        found << table(name);
    return found;
}

bool Schema::checkTables(KaldoDynamicData& db, const QList<TableSchema>& tables)
{
    for (const TableSchema& table : tables) {
        if (!db.CheckTable(table.name, table.columns, table.upgradeValues)) {
            qWarning() << "Schema::checkTables failed for" << table.name;
            return false;
        }
        createIndexes(db, table);
    }
    return true;
}

bool Schema::checkOnce(KaldoDynamicData& db, const QList<TableSchema>& tables, std::atomic<bool>& checked)
{
    if (checked || db.isSetWhenCommitted(&checked))
        return true;
    const bool ok = checkTables(db, tables);
    // A check made inside a transaction counts only once that transaction commits:
    // a rollback takes back whatever the check created.
    if (ok)
        db.setWhenCommitted(&checked);
    return ok;
}

bool Schema::checkAll(KaldoDynamicData& db)
{
    qDebug() << "Schema::checkAll start";
    restoreLeftoverTmp(db);
    bool ok = true;
    for (const TableSchema& table : all())
        ok = checkTables(db, {table}) && ok;
    qDebug() << "Schema::checkAll end, result" << ok;
    return ok;
}

bool Schema::restoreLeftoverTmp(KaldoDynamicData& db)
{
    if (!db.tableExists(QStringLiteral("tmp")))
        return true;
    if (!db.startTransaction()) {
        db.cancelTransaction();
        return false;
    }
    if (!db.tableExists(QStringLiteral("tmp"))) {
        db.finishTransaction();
        return true;
    }
    const QString owner = ownerOfTmp(db, lowerNames(db.tableColumns(QStringLiteral("tmp")).keys()));
    if (owner.isEmpty()) {
        qWarning() << "Schema::restoreLeftoverTmp: left-over table tmp matches no missing table";
        db.finishTransaction();
        return false;
    }
    qWarning() << "Schema::restoreLeftoverTmp: left-over table tmp restored as" << owner;
    if (!db.exec(QStringLiteral("ALTER TABLE tmp RENAME TO ") + owner)) {
        db.cancelTransaction();
        return false;
    }
    return db.finishTransaction();
}
