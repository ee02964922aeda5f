#include "db/KaldoDynamicData.h"

#include "db/KaldoRecursiveReadWriteLocker.h"
#include "platform/OSUtils.h"

#include <QAtomicInteger>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QMutex>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>

#include <algorithm>

const QString KaldoDynamicData::UPGRADE_TO_NULL = QStringLiteral("\x01NULL");

namespace {

const QString kTmpTable = QStringLiteral("tmp");
// A COMMIT that meets a reader of another process waits the busy time-out; a few
// more attempts before giving the transaction up.
constexpr int kCommitAttempts = 3;

struct DeclarationCache
{
    QMutex mutex;
    QHash<QString, ColumnMap> columns;
};

DeclarationCache& declarationCache()
{
    static auto* const cache = new DeclarationCache;
    return *cache;
}

KdoData::DataTypes cachedType(const QString& table, const QString& column)
{
    DeclarationCache& cache = declarationCache();
    const QMutexLocker lock(&cache.mutex);
    const auto found = cache.columns.constFind(table);
    if (found == cache.columns.cend())
        return KdoData::Text;
    for (auto it = found->cbegin(); it != found->cend(); ++it) {
        if (it.key().compare(column, Qt::CaseInsensitive) == 0)
            return it.value();
    }
    return KdoData::Text;
}

bool isIdentifier(const QString& name)
{
    const auto plain = [](QChar c, bool first) {
        const char16_t u = c.unicode();
        return u == u'_' || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') ||
               (!first && u >= u'0' && u <= u'9');
    };
    bool ok = !name.isEmpty();
    for (qsizetype i = 0; ok && i < name.size(); ++i)
        ok = plain(name.at(i), i == 0);
    if (!ok)
        qWarning() << "KaldoDynamicData: refused name that is not a plain identifier:" << name;
    return ok;
}

bool allIdentifiers(const QStringList& names)
{
    return std::all_of(names.cbegin(), names.cend(), isIdentifier);
}

// How the SQLite driver reports a declared column type.
KdoData::DataTypes typeFromDeclaration(const QString& declared, bool soleKey)
{
    const QString type = declared.trimmed().toLower();
    if (type == QLatin1String("integer") || type == QLatin1String("int"))
        return soleKey && type == QLatin1String("integer") ? KdoData::AutoKey : KdoData::Integer;
    if (type == QLatin1String("double") || type == QLatin1String("float") || type == QLatin1String("real") ||
        type.startsWith(QLatin1String("numeric")))
        return KdoData::Real;
    return KdoData::Text;
}

enum class FieldKind
{
    String,
    Int,
    Double
};

FieldKind fieldKind(KdoData::DataTypes type)
{
    switch (KdoData::normalized(type)) {
    case KdoData::AutoKey:
    case KdoData::Integer:
        return FieldKind::Int;
    case KdoData::Real:
        return FieldKind::Double;
    case KdoData::Text:
        break;
    }
    return FieldKind::String;
}

QString columnDefinitions(const ColumnMap& columns)
{
    QStringList parts;
    for (auto it = columns.cbegin(); it != columns.cend(); ++it)
        parts << it.key() + QLatin1Char(' ') + KdoData::sqlType(it.value());
    return parts.join(QLatin1Char(','));
}

QString createStatement(const QString& table, const ColumnMap& columns)
{
    return QStringLiteral("CREATE table ") + table + QLatin1Char('(') + columnDefinitions(columns) +
           QLatin1Char(')');
}

// The value old rows get in a column added by an upgrade: what the caller names,
// else 0 for numbers and the empty text, so that "x = 0" or "x <> 'true'" still
// finds rows written before the column existed.
QString upgradeLiteral(KdoData::DataTypes type, const QString& given)
{
    if (given == KaldoDynamicData::UPGRADE_TO_NULL)
        return QStringLiteral("NULL");
    if (KdoData::isNumeric(type)) {
        bool ok = false;
        const double number = given.toDouble(&ok);
        return ok ? QString::number(number, 'g', 17) : QStringLiteral("0");
    }
    QString text = given;
    return QLatin1Char('\'') + text.replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
}

// Empty numbers are stored as 0; anything that is not a number is refused
// rather than stored as text in a numeric column.
bool typedValue(KdoData::DataTypes type, const QString& text, QVariant* out)
{
    if (!KdoData::isNumeric(type)) {
        *out = text.isNull() ? QString(QLatin1String("")) : text;
        return true;
    }
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        *out = qlonglong(0);
        return true;
    }
    bool ok = false;
    if (KdoData::normalized(type) != KdoData::Real) {
        const qlonglong integer = trimmed.toLongLong(&ok);
        if (ok) {
            *out = integer;
            return true;
        }
    }
    const double real = trimmed.toDouble(&ok);
    if (ok)
        *out = real;
    return ok;
}

class StatementLock
{
public:
    StatementLock() { KaldoRecursiveReadWriteLocker::instance().lockWrite(); }
    ~StatementLock() { KaldoRecursiveReadWriteLocker::instance().unlockWrite(); }
    StatementLock(const StatementLock&) = delete;
    StatementLock& operator=(const StatementLock&) = delete;
};

QAtomicInteger<quint32> s_connectionSerial;

} // namespace

KaldoDynamicData::KaldoDynamicData(const QString& directory, const QString& options,
                                   const QString& databaseName, quint64 threadId)
{
    Init(directory, options, databaseName, threadId);
}

KaldoDynamicData::~KaldoDynamicData()
{
    while (m_depth > 0) {
        qWarning() << "KaldoDynamicData::~KaldoDynamicData: transaction left open, rolled back";
        cancelTransaction();
    }
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
}

QString KaldoDynamicData::fullPath(const QString& directory, const QString& databaseName)
{
    QString path = directory;
    if (!path.isEmpty() && !path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path + databaseName + QStringLiteral(".db");
}

void KaldoDynamicData::Init(const QString& directory, const QString& options, const QString& databaseName,
                            quint64 threadId)
{
    m_fullPath = fullPath(directory, databaseName);
    qDebug() << "KaldoDynamicData::Init fullpath" << m_fullPath;
    if (!directory.isEmpty() && !QDir().mkpath(directory))
        qWarning() << "KaldoDynamicData::Init cannot create the folder" << directory;
    // SQLite opens by name and follows links: the file is made (or checked) here first,
    // with its mode set on the handle; SQLite gives its journals the same mode.
    if (!OSUtils::prepareFile(m_fullPath)) {
        qWarning() << "KaldoDynamicData::Init the database file is refused:" << m_fullPath;
        m_opened = false;
        return;
    }

    // The serial keeps names unique when a thread id is reused while an old
    // connection is still held somewhere.
    m_connectionName = databaseName + QString::number(threadId) + QLatin1Char('_') +
                       QString::number(s_connectionSerial.fetchAndAddRelaxed(1));
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    m_db.setConnectOptions(options);
    m_db.setDatabaseName(m_fullPath);
    if (!m_db.open())
        qWarning() << "!db_->open(); sql error: " << m_db.lastError().text();
    m_opened = m_db.isOpen();
}

bool KaldoDynamicData::write(const QString& statement, const QVariantList& parameters, qint64* lastInsertId)
{
    if (m_depth > 0 && (m_failedInside || !m_began)) {
        // The transaction never began or a part of it failed: it will roll back,
        // so running more of it would only report writes that do not last.
        qWarning() << "KaldoDynamicData: statement skipped, its transaction already failed:" << statement;
        return false;
    }
    if (m_depth > 0)
        return runStatement(statement, parameters, lastInsertId);
    // Alone, a write would wait for the file lock in SQLite's busy handler, which a
    // busy main application can starve; the transaction start waits fairly.
    if (!startTransaction()) {
        cancelTransaction();
        return false;
    }
    if (!runStatement(statement, parameters, lastInsertId)) {
        cancelTransaction();
        return false;
    }
    return finishTransaction();
}

bool KaldoDynamicData::runStatement(const QString& statement, const QVariantList& parameters,
                                    qint64* lastInsertId, QSqlError* failure)
{
    const StatementLock lock;
    QSqlQuery query(m_db);
    bool ok = false;
    if (parameters.isEmpty()) {
        ok = query.exec(statement);
    } else if (query.prepare(statement)) {
        for (const QVariant& value : parameters)
            query.addBindValue(value);
        ok = query.exec();
    }
    if (!ok) {
        const QSqlError error = query.lastError().isValid() ? query.lastError() : m_db.lastError();
        m_lastError = error.text();
        if (failure)
            *failure = error; // the caller decides whether this is worth a log line
        else
            qWarning() << "sql error: " + error.text() +
                              ", lastError().type() =" + QString::number(error.type()) +
                              ", sql =" + statement;
        return false;
    }
    if (lastInsertId) {
        const QVariant id = query.lastInsertId();
        *lastInsertId = id.isValid() ? id.toLongLong() : -1;
    }
    return true;
}

bool KaldoDynamicData::exec(const QString& statement, qint64* lastInsertId)
{
    return write(statement, {}, lastInsertId);
}

bool KaldoDynamicData::exec(const QString& statement, const QVariantList& parameters, qint64* lastInsertId)
{
    return write(statement, parameters, lastInsertId);
}

bool KaldoDynamicData::execSql(const QString& statement)
{
    return write(statement, {}, nullptr);
}

KaldoDataIterator KaldoDynamicData::query(const QString& statement, const QVariantList& parameters)
{
    KaldoRecursiveReadWriteLocker::instance().lockRead();
    QStringList names;
    QList<QStringList> rows;
    {
        QSqlQuery query(m_db);
        query.setForwardOnly(true);
        bool ok = false;
        if (query.prepare(statement)) {
            for (const QVariant& value : parameters)
                query.addBindValue(value);
            ok = query.exec();
        }
        if (ok) {
            const QSqlRecord record = query.record();
            for (int i = 0; i < record.count(); ++i)
                names << record.fieldName(i);
            while (query.next()) {
                QStringList row;
                row.reserve(names.size());
                for (int i = 0; i < names.size(); ++i)
                    row << query.value(i).toString();
                rows.append(std::move(row));
            }
        } else {
            const QSqlError error = query.lastError().isValid() ? query.lastError() : m_db.lastError();
            m_lastError = error.text();
            qWarning() << "sql error: " + error.text() +
                              ", lastError().type() =" + QString::number(error.type()) +
                              ", sql =" + statement;
        }
    }
    KaldoRecursiveReadWriteLocker::instance().unlockRead();
    return KaldoDataIterator(std::move(names), std::move(rows));
}

KaldoDataIterator KaldoDynamicData::readinfoSql(const QString& statement)
{
    return query(statement);
}

KaldoDataIterator KaldoDynamicData::readinfo(const QString& table)
{
    if (!isIdentifier(table))
        return {};
    return query(QStringLiteral("SELECT * FROM ") + table);
}

KaldoDataIterator KaldoDynamicData::readinfo(const QString& table, const Values& where)
{
    if (!isIdentifier(table))
        return {};
    QVariantList bound;
    bool ok = false;
    const QString condition = conditions(table, where, &bound, &ok);
    if (!ok)
        return {};
    return query(QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" WHERE ") + condition, bound);
}

KaldoDataIterator KaldoDynamicData::readinfo(const QString& table, const QString& condition)
{
    if (!isIdentifier(table))
        return {};
    return query(QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" WHERE ") + condition);
}

qint64 KaldoDynamicData::count(const QString& table)
{
    if (!isIdentifier(table))
        return 0;
    return query(QStringLiteral("SELECT COUNT(*) AS C FROM ") + table)
        .value(QStringLiteral("C"))
        .toLongLong();
}

qint64 KaldoDynamicData::count(const QString& table, const Values& where)
{
    if (!isIdentifier(table))
        return 0;
    QVariantList bound;
    bool ok = false;
    const QString condition = conditions(table, where, &bound, &ok);
    if (!ok)
        return 0;
    return query(QStringLiteral("SELECT COUNT(*) AS C FROM ") + table + QStringLiteral(" WHERE ") + condition,
                 bound)
        .value(QStringLiteral("C"))
        .toLongLong();
}

bool KaldoDynamicData::bindValues(const QString& table, const Values& values, bool leaveEmptyKey,
                                  QStringList* columns, QVariantList* bound)
{
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const KdoData::DataTypes type = cachedType(table, it.key());
        // An empty key is left to SQLite, which assigns the next one.
        if (leaveEmptyKey && type == KdoData::AutoKey && it.value().trimmed().isEmpty())
            continue;
        QVariant value;
        if (!isIdentifier(it.key()))
            return false;
        if (!typedValue(type, it.value(), &value)) {
            qWarning() << "KaldoDynamicData: value" << it.value() << "of numeric column"
                       << table + "." + it.key() << "is not a number; statement not run";
            return false;
        }
        columns->append(it.key());
        bound->append(value);
    }
    return true;
}

QString KaldoDynamicData::conditions(const QString& table, const Values& where, QVariantList* bound, bool* ok)
{
    QStringList columns;
    *ok = false;
    if (where.isEmpty()) {
        qWarning() << "KaldoDynamicData: empty condition for" << table << "refused";
        return {};
    }
    if (!bindValues(table, where, false, &columns, bound))
        return {};
    *ok = true;
    for (QString& column : columns)
        column += QStringLiteral("=?");
    return columns.join(QStringLiteral(" AND "));
}

bool KaldoDynamicData::addinfo(const QString& table, const Values& values, qint64* newId)
{
    QStringList columns;
    QVariantList bound;
    if (!isIdentifier(table) || !bindValues(table, values, true, &columns, &bound))
        return false;
    if (columns.isEmpty())
        return write(QStringLiteral("INSERT INTO ") + table + QStringLiteral(" DEFAULT VALUES"), {}, newId);
    const QStringList marks(columns.size(), QStringLiteral("?"));
    return write(QStringLiteral("INSERT INTO ") + table + QLatin1Char('(') + columns.join(QLatin1Char(',')) +
                     QStringLiteral(") VALUES(") + marks.join(QLatin1Char(',')) + QLatin1Char(')'),
                 bound, newId);
}

bool KaldoDynamicData::changeinfo(const QString& table, const Values& where, const Values& values)
{
    QStringList columns;
    QVariantList bound;
    if (!isIdentifier(table) || !bindValues(table, values, false, &columns, &bound) || columns.isEmpty())
        return false;
    for (QString& column : columns)
        column += QStringLiteral("=?");
    bool ok = false;
    const QString condition = conditions(table, where, &bound, &ok);
    if (!ok)
        return false;
    return write(QStringLiteral("UPDATE ") + table + QStringLiteral(" SET ") +
                     columns.join(QLatin1Char(',')) + QStringLiteral(" WHERE ") + condition,
                 bound, nullptr);
}

bool KaldoDynamicData::delinfo(const QString& table, const Values& where)
{
    if (!isIdentifier(table))
        return false;
    QVariantList bound;
    bool ok = false;
    const QString condition = conditions(table, where, &bound, &ok);
    if (!ok)
        return false;
    return write(QStringLiteral("DELETE FROM ") + table + QStringLiteral(" WHERE ") + condition, bound,
                 nullptr);
}

bool KaldoDynamicData::delinfo(const QString& table, const QString& condition)
{
    if (!isIdentifier(table))
        return false;
    return write(QStringLiteral("DELETE FROM ") + table + QStringLiteral(" WHERE ") + condition, {}, nullptr);
}

bool KaldoDynamicData::startTransaction()
{
    KaldoRecursiveReadWriteLocker::instance().lockTransaction();
    if (m_depth++ > 0)
        return !m_failedInside;
    m_failedInside = false;
    if (!m_opened) {
        qWarning()
            << "WARNING!!! else in void KaldoDynamicData::startTransaction(), db_->transaction() actually "
               "didn't work";
        m_failedInside = true;
        return false;
    }
    if (!beginImmediate()) {
        m_failedInside = true;
        return false;
    }
    m_began = true;
    return true;
}

bool KaldoDynamicData::finishTransaction()
{
    if (m_depth == 0) {
        qWarning() << "KaldoDynamicData::finishTransaction() without a transaction";
        return false;
    }
    return endTransaction(true);
}

bool KaldoDynamicData::cancelTransaction()
{
    if (m_depth == 0) {
        qWarning() << "KaldoDynamicData::cancelTransaction() without a transaction";
        return false;
    }
    return endTransaction(false);
}

bool KaldoDynamicData::endTransaction(bool commit)
{
    if (!commit)
        m_failedInside = true;
    bool ok = !m_failedInside || !commit;
    if (--m_depth == 0) {
        if (!m_opened) {
            qWarning()
                << (commit ? "WARNING!!! else in void KaldoDynamicData::finishTransaction(), db_->commit() "
                             "actually didn't work"
                           : "WARNING!!! else in void KaldoDynamicData::cancelTransaction(), "
                             "db_->rollback() actually didn't work");
            ok = false;
        } else if (m_began && !m_failedInside) {
            ok = false;
            for (int attempt = 0; attempt < kCommitAttempts && !ok; ++attempt)
                ok = runStatement(QStringLiteral("COMMIT"), {}, nullptr);
            if (!ok) {
                qWarning() << "KaldoDynamicData::finishTransaction() commit failed, transaction rolled back";
                runStatement(QStringLiteral("ROLLBACK"), {}, nullptr);
            }
        } else if (m_began) {
            if (commit)
                qWarning() << "KaldoDynamicData::finishTransaction() a nested part failed, whole transaction "
                              "rolled back";
            ok = runStatement(QStringLiteral("ROLLBACK"), {}, nullptr) && !commit;
        }
        m_began = false;
        m_failedInside = false;
    }
    KaldoRecursiveReadWriteLocker::instance().unlockTransaction();
    return ok;
}

bool KaldoDynamicData::tableExists(const QString& table)
{
    return query(
               QStringLiteral("SELECT COUNT(*) AS C FROM sqlite_master WHERE type='table' AND name=? COLLATE "
                              "NOCASE"),
               {table})
               .value(QStringLiteral("C"))
               .toInt() > 0;
}

ColumnMap KaldoDynamicData::tableColumns(const QString& table)
{
    ColumnMap columns;
    if (!isIdentifier(table))
        return columns;
    KaldoDataIterator it = query(QStringLiteral("PRAGMA table_info(\"") + table + QStringLiteral("\")"));
    QList<KaldoDataIterator::Row> rows;
    int keyColumns = 0;
    for (; !it.IsNull(); ++it) {
        rows.append(it.values());
        if (it.value(QStringLiteral("pk")).toInt() > 0)
            ++keyColumns;
    }
    for (const KaldoDataIterator::Row& row : rows) {
        const bool soleKey = keyColumns == 1 && row.value(QStringLiteral("pk")).toInt() > 0;
        columns.insert(row.value(QStringLiteral("name")),
                       typeFromDeclaration(row.value(QStringLiteral("type")), soleKey));
    }
    return columns;
}

ColumnMap KaldoDynamicData::declaredColumns(const QString& table)
{
    DeclarationCache& cache = declarationCache();
    const QMutexLocker lock(&cache.mutex);
    return cache.columns.value(table);
}

bool KaldoDynamicData::setAsideLeftoverTmp()
{
    if (!tableExists(kTmpTable))
        return true;
    if (count(kTmpTable) == 0)
        return exec(QStringLiteral("DROP TABLE IF EXISTS tmp"));
    // Rows in a left-over "tmp" belong to a rebuild that an older program never
    // finished; keep them where a person can still find them.
    QString name = QStringLiteral("tmp_saved_") + QString::number(QDateTime::currentSecsSinceEpoch());
    while (tableExists(name))
        name += QLatin1Char('_');
    qWarning() << "KaldoDynamicData: left-over table tmp with rows kept as" << name;
    return exec(QStringLiteral("ALTER TABLE tmp RENAME TO ") + name);
}

bool KaldoDynamicData::CheckTable(const QString& table, const ColumnMap& columns, const Values& upgradeValues)
{
    {
        DeclarationCache& cache = declarationCache();
        const QMutexLocker lock(&cache.mutex);
        cache.columns.insert(table, columns);
    }
    if (!isIdentifier(table) || table.compare(kTmpTable, Qt::CaseInsensitive) == 0 || columns.isEmpty() ||
        !allIdentifiers(columns.keys()))
        return false;
    if (!startTransaction()) {
        cancelTransaction();
        return false;
    }
    if (!tableExists(table)) {
        const bool created = exec(createStatement(table, columns));
        return created ? finishTransaction() : (cancelTransaction(), false);
    }
    bool ok = setAsideLeftoverTmp();
    QHash<QString, KdoData::DataTypes> existingByLowerName;
    for (auto [name, type] : tableColumns(table).asKeyValueRange())
        existingByLowerName.insert(name.toLower(), type);

    bool rebuild = false;
    QStringList copied;
    for (auto it = columns.cbegin(); it != columns.cend() && ok; ++it) {
        const auto found = existingByLowerName.constFind(it.key().toLower());
        if (found == existingByLowerName.cend()) {
            // A key column cannot be added by ALTER TABLE; the rebuild creates it.
            if (it.value() == KdoData::AutoKey) {
                rebuild = true;
                continue;
            }
            ok = exec(QStringLiteral("ALTER TABLE ") + table + QStringLiteral(" ADD ") + it.key() +
                      QLatin1Char(' ') + KdoData::sqlType(it.value()) + QStringLiteral(" DEFAULT ") +
                      upgradeLiteral(it.value(), upgradeValues.value(it.key())));
            copied << it.key();
            continue;
        }
        copied << it.key();
        const KdoData::DataTypes type = found.value();
        if (fieldKind(type) != fieldKind(it.value()) ||
            (type == KdoData::AutoKey) != (KdoData::normalized(it.value()) == KdoData::AutoKey))
            rebuild = true;
    }
    if (ok && rebuild)
        ok = rebuildTable(table, columns, copied);
    return ok ? finishTransaction() : (cancelTransaction(), false);
}

bool KaldoDynamicData::rebuildTable(const QString& table, const ColumnMap& columns, const QStringList& copied)
{
    qDebug() << "Table" + table + "is being renamed to tmp";
    if (!exec(QStringLiteral("ALTER TABLE ") + table + QStringLiteral(" RENAME TO tmp")))
        return false;
    qDebug() << "(2) going to create table " + table + ", really going to...";
    if (!exec(createStatement(table, columns))) {
        qDebug() << "Table tmp is being renamed to" + table;
        exec(QStringLiteral("ALTER TABLE tmp RENAME TO ") + table);
        return false;
    }
    const QString list = copied.join(QLatin1Char(','));
    if (!exec(QStringLiteral("INSERT INTO ") + table + QLatin1Char('(') + list + QStringLiteral(") SELECT ") +
              list + QStringLiteral(" FROM tmp"))) {
        exec(QStringLiteral("DROP TABLE ") + table);
        exec(QStringLiteral("ALTER TABLE tmp RENAME TO ") + table);
        return false;
    }
    return exec(QStringLiteral("DROP TABLE IF EXISTS tmp"));
}

bool KaldoDynamicData::renameTableColumns(const QString& table, const QMap<QString, QString>& renames)
{
    if (!isIdentifier(table) || !allIdentifiers(renames.keys()) || !allIdentifiers(renames.values()))
        return false;
    if (!startTransaction()) {
        cancelTransaction();
        return false;
    }
    const ColumnMap existing = tableColumns(table);
    ColumnMap renamed;
    QStringList from;
    QStringList to;
    for (auto it = existing.cbegin(); it != existing.cend(); ++it) {
        const QString target = renames.value(it.key(), it.key());
        renamed.insert(target, it.value());
        from << it.key();
        to << target;
    }
    bool ok = !existing.isEmpty() && renamed.size() == existing.size() && setAsideLeftoverTmp() &&
              exec(QStringLiteral("ALTER TABLE ") + table + QStringLiteral(" RENAME TO tmp")) &&
              exec(createStatement(table, renamed)) &&
              exec(QStringLiteral("INSERT INTO ") + table + QLatin1Char('(') + to.join(QLatin1Char(',')) +
                   QStringLiteral(") SELECT ") + from.join(QLatin1Char(',')) + QStringLiteral(" FROM tmp")) &&
              exec(QStringLiteral("DROP TABLE tmp"));
    if (!ok)
        qWarning() << "KaldoDynamicData::renameTableColumns failed for" << table << "; table left unchanged";
    return ok ? finishTransaction() : (cancelTransaction(), false);
}

bool KaldoDynamicData::RemoveTable(const QString& table)
{
    return isIdentifier(table) && exec(QStringLiteral("DROP TABLE ") + table);
}

int KaldoDynamicData::busyTimeoutMs() const
{
    for (const QString& option : m_db.connectOptions().split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString trimmed = option.trimmed();
        if (trimmed.startsWith(QLatin1String("QSQLITE_BUSY_TIMEOUT=")))
            return trimmed.section(QLatin1Char('='), 1).toInt();
    }
    return 5000; // the driver's own default
}

bool KaldoDynamicData::beginImmediate()
{
    // SQLite's busy handler backs off up to 100 ms between looks at the lock, so a
    // process that commits in a tight loop can keep another out for the whole
    // busy time-out. Short waits in a loop of our own give both a fair turn; the
    // loop still ends, after three busy time-outs.
    const int configured = busyTimeoutMs();
    const qint64 deadline = std::max(3 * configured, 1000);
    QElapsedTimer elapsed;
    elapsed.start();
    runStatement(QStringLiteral("PRAGMA busy_timeout=20"), {}, nullptr);
    QSqlError error;
    bool ok = false;
    while (!(ok = runStatement(QStringLiteral("BEGIN IMMEDIATE"), {}, nullptr, &error))) {
        const bool busy = error.nativeErrorCode() == QLatin1String("5") ||
                          error.text().contains(QLatin1String("locked"), Qt::CaseInsensitive);
        if (!busy || elapsed.elapsed() > deadline)
            break;
        QThread::msleep(QRandomGenerator::global()->bounded(1, 4));
    }
    runStatement(QStringLiteral("PRAGMA busy_timeout=") + QString::number(configured), {}, nullptr);
    if (!ok)
        qWarning() << "sql error: " + error.text() +
                          ", lastError().type() =" + QString::number(error.type()) + ", sql =BEGIN IMMEDIATE";
    return ok;
}
