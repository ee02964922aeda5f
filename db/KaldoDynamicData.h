#pragma once

#include "db/KaldoDataIterator.h"
#include "db/KdoData.h"

#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

#include <atomic>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

// The table engine over one SQLite connection. One object per thread (see DB);
// never use it from another thread than the one that created it.
//
// Values travel as text, like the main application's engine; they reach SQLite as
// bound parameters typed by the declared column type, so a value never becomes
// part of the statement text. Table and column names must be plain identifiers.
//
// Transactions nest: only the outermost start begins one, only the outermost
// finish commits, and a cancel at any depth makes the outermost finish roll back
// instead. A writing transaction takes the file's write lock at its start (BEGIN
// IMMEDIATE, so one that reads before it writes never deadlocks with another
// process on a lock upgrade), waiting for it at most the busy time-out and without
// the process-wide statement lock, so the agent's other threads go on meanwhile.
// A reading transaction (BEGIN DEFERRED) never takes the write lock and refuses
// writes.
//
// Writes and queries are prepared once per connection and kept for the next call.
class KaldoDynamicData
{
public:
    using iterator = KaldoDataIterator;
    using Values = QMap<QString, QString>;
    enum class TransactionKind
    {
        Write,
        Read
    };
    // Upgrade value for a column whose old rows must stay recognisably unset
    // (NULL), because a later step fills them from other columns.
    static const QString UPGRADE_TO_NULL;

    KaldoDynamicData(const QString& directory, const QString& options, const QString& databaseName,
                     quint64 threadId);
    ~KaldoDynamicData();
    KaldoDynamicData(const KaldoDynamicData&) = delete;
    KaldoDynamicData& operator=(const KaldoDynamicData&) = delete;

    bool IsOpened() const { return m_opened; }
    QSqlDatabase rawDatabase() const { return m_db; }
    QString filePath() const { return m_fullPath; }
    static QString fullPath(const QString& directory, const QString& databaseName);

    // Creates the table, or brings an existing one up to the declared columns:
    // missing columns are added (old rows get `upgradeValues` or the type's neutral
    // value), a column of another type makes a rebuild that keeps every row.
    bool CheckTable(const QString& table, const ColumnMap& columns, const Values& upgradeValues = {});
    bool RemoveTable(const QString& table);
    bool renameTableColumns(const QString& table, const QMap<QString, QString>& renames);
    bool tableExists(const QString& table);
    // Existing columns as the engine would declare them.
    ColumnMap tableColumns(const QString& table);
    // The declaration last given to CheckTable for `table` (any connection).
    static ColumnMap declaredColumns(const QString& table);

    // A text as a text column stores it: the driver would bind a null text as NULL, which
    // readers of the table do not expect, so it becomes the empty text.
    static QString storedText(const QString& text);

    bool addinfo(const QString& table, const Values& values, qint64* newId = nullptr);
    iterator readinfo(const QString& table);
    iterator readinfo(const QString& table, const Values& where);
    // `condition` (and any whole statement below) is SQL written by the program;
    // values from outside go through the map forms or `parameters`.
    iterator readinfo(const QString& table, const QString& condition);
    iterator readinfoSql(const QString& statement);
    iterator query(const QString& statement, const QVariantList& parameters = {});
    qint64 count(const QString& table);
    qint64 count(const QString& table, const Values& where);
    bool changeinfo(const QString& table, const Values& where, const Values& values);
    bool delinfo(const QString& table, const Values& where);
    bool delinfo(const QString& table, const QString& condition);
    bool exec(const QString& statement, qint64* lastInsertId = nullptr);
    bool exec(const QString& statement, const QVariantList& parameters, qint64* lastInsertId = nullptr);
    bool execSql(const QString& statement);

    bool startTransaction(TransactionKind kind = TransactionKind::Write);
    // Commits when this closes the outermost transaction and nothing inside failed.
    bool finishTransaction();
    bool cancelTransaction();
    int transactionDepth() const { return m_depth; }
    // Sets `flag` once the open transaction commits; forgotten when it rolls back.
    // Outside a transaction the flag is set at once.
    void setWhenCommitted(std::atomic<bool>* flag);
    bool isSetWhenCommitted(const std::atomic<bool>* flag) const { return m_onCommit.contains(flag); }
    // Prepared statements kept by this connection.
    int cachedStatementCount() const { return static_cast<int>(m_statements.size()); }
    // The driver's text of the last failed statement on this connection.
    QString lastError() const { return m_lastError; }

private:
    void Init(const QString& directory, const QString& options, const QString& databaseName,
              quint64 threadId);
    struct UpgradePlan
    {
        QStringList added;
        QStringList copied;
        bool rebuild = false;
        bool upToDate() const { return added.isEmpty() && !rebuild; }
    };
    UpgradePlan planUpgrade(const QString& table, const ColumnMap& columns);
    bool upgradeTable(const QString& table, const ColumnMap& columns, const Values& upgradeValues);
    bool rebuildTable(const QString& table, const ColumnMap& columns, const QStringList& copied);
    bool setAsideLeftoverTmp();
    struct Kept
    {
        std::unique_ptr<QSqlQuery> query;
        // Prepared with its '?' marks renamed, to be bound by name.
        bool named = false;
        qsizetype marks = 0;
        // The values bound for the last run.
        QVariantList bound;
        // Values the query returned the last time it ran.
        qsizetype lastCells = 0;
    };
    // An insert of given columns into a table, with its statement text.
    struct InsertShape
    {
        QString table;
        QStringList columns;
        QList<KdoData::DataTypes> types;
        QString statement;
        quint64 generation = 0;
        // The kept statement, valid while the connection's epoch is unchanged.
        Kept* kept = nullptr;
        quint64 epoch = 0;
    };
    bool write(const QString& statement, const QVariantList& parameters, qint64* lastInsertId,
               Kept* kept = nullptr);
    bool runStatement(const QString& statement, const QVariantList& parameters, qint64* lastInsertId,
                      QSqlError* failure = nullptr, Kept* kept = nullptr);
    // Runs on this connection without the process-wide lock; only for statements
    // that touch nothing another thread of the process could see half done.
    bool runUnlocked(const QString& statement, const QVariantList& parameters, qint64* lastInsertId,
                     QSqlError* failure, Kept* kept = nullptr);
    Kept* prepared(const QString& statement, std::optional<QSqlError>* failure);
    bool bindAll(Kept& kept, const QVariantList& parameters, std::optional<QSqlError>* failure);
    void forgetStatements();
    void forgetStatement(const QString& statement);
    InsertShape* insertShape(const QString& table, const Values& values);
    bool checkSchema();
    const QHash<QString, KdoData::DataTypes>& declaredTypes(const QString& table);
    KdoData::DataTypes declaredType(const QString& table, const QString& column);
    bool beginImmediate();
    int busyTimeoutMs() const;
    bool bindValues(const QString& table, const Values& values, bool leaveEmptyKey, QStringList* columns,
                    QVariantList* bound);
    QString conditions(const QString& table, const Values& where, QVariantList* bound, bool* ok);
    bool endTransaction(bool commit);

    QSqlDatabase m_db;
    QString m_connectionName;
    QString m_fullPath;
    bool m_opened = false;
    int m_depth = 0;
    bool m_failedInside = false;
    bool m_began = false;
    bool m_readOnly = false;
    QList<std::atomic<bool>*> m_onCommit;
    QString m_lastError;
    // Node-based, so a Kept stays where it is while others come and go.
    std::unordered_map<QString, Kept> m_statements;
    // Counts every forgetting of kept statements, so that a pointer to one is not used after.
    quint64 m_statementsEpoch = 0;
    std::vector<InsertShape> m_insertShapes;
    qint64 m_schemaVersion = -1;
    QHash<QString, QHash<QString, KdoData::DataTypes>> m_types;
    quint64 m_typesGeneration = 0;
};
