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
#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>

#include <algorithm>
#include <optional>

const QString KaldoDynamicData::UPGRADE_TO_NULL = QStringLiteral("\x01NULL");

namespace {

const QString kTmpTable = QStringLiteral("tmp");
// Enough for the statements a table class repeats; statements with literal values
// written into them come and go, so the cache starts over when it is full.
constexpr qsizetype kMaxCachedStatements = 256;

struct DeclarationCache
{
    QMutex mutex;
    QHash<QString, ColumnMap> columns;
    // Changes whenever a declaration changes, so connections drop their copies.
    std::atomic<quint64> generation{1};
};

DeclarationCache& declarationCache()
{
    static auto* const cache = new DeclarationCache;
    return *cache;
}

// Schema statements change what prepared statements refer to.
bool isSchemaStatement(const QString& statement)
{
    const QStringView head = QStringView(statement).trimmed();
    return head.startsWith(u"CREATE", Qt::CaseInsensitive) ||
           head.startsWith(u"ALTER", Qt::CaseInsensitive) || head.startsWith(u"DROP", Qt::CaseInsensitive);
}

const QString kSchemaProbe = QStringLiteral("SELECT schema_version FROM pragma_schema_version");

// Writes, and queries run by query(), are kept prepared; schema statements and
// pragmas are prepared for each run, since SQLite carries out most pragmas while
// preparing them and running a kept one again would repeat an old answer. A kept
// query is only run after the schema probe found the schema unchanged (see
// checkSchema()), which is why exec() does not keep queries.
bool startsWithAny(const QString& statement, std::initializer_list<const char16_t*> words)
{
    const QStringView head = QStringView(statement).trimmed();
    return std::any_of(words.begin(), words.end(), [&](const char16_t* word) {
        return head.startsWith(QStringView(word), Qt::CaseInsensitive);
    });
}

bool isKeptWrite(const QString& statement)
{
    return startsWithAny(statement,
                         {u"INSERT", u"UPDATE", u"DELETE", u"REPLACE", u"BEGIN", u"COMMIT", u"ROLLBACK"});
}

bool isKeptQuery(const QString& statement)
{
    return startsWithAny(statement, {u"SELECT", u"WITH"});
}

// Binding by position makes the driver format a name for every value it binds;
// binding by name only looks the name up. Kept statements therefore get their
// '?' marks renamed to ":p0", ":p1", ... Text between quotes is left alone, and a
// statement that already uses names keeps its marks. Returns false when it
// renamed nothing.
constexpr qsizetype kNamedMarks = 1024;

bool nameMarks(const QString& statement, QString* renamed, qsizetype* marks)
{
    QString out;
    out.reserve(statement.size() + 16);
    QChar quote;
    qsizetype count = 0;
    for (qsizetype i = 0; i < statement.size(); ++i) {
        const QChar c = statement.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u':' && i + 1 < statement.size() && statement.at(i + 1).isLetterOrNumber()) {
            return false;
        } else if (c == u'?') {
            out += QStringLiteral(":p") + QString::number(count++);
            continue;
        }
        out += c;
    }
    if (count == 0 || count > kNamedMarks)
        return false;
    *renamed = out;
    *marks = count;
    return true;
}

const QString& markName(qsizetype index)
{
    // Enough for the longest multi-row insert of the table classes.
    static const QStringList names = [] {
        QStringList list;
        for (qsizetype i = 0; i < kNamedMarks; ++i)
            list << QStringLiteral(":p") + QString::number(i);
        return list;
    }();
    return names.at(index);
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

// Callers name tables and columns by the same literals call after call, which
// share their characters.
bool sameText(const QString& a, const QString& b)
{
    return (a.constData() == b.constData() && a.size() == b.size()) || a == b;
}

// Whether two bound values are certainly the same to the driver; false when in doubt.
bool sameBound(const QVariant& a, const QVariant& b)
{
    const int type = a.typeId();
    if (type != b.typeId())
        return false;
    switch (type) {
    case QMetaType::LongLong:
        return *static_cast<const qlonglong*>(a.constData()) == *static_cast<const qlonglong*>(b.constData());
    case QMetaType::Int:
        return *static_cast<const int*>(a.constData()) == *static_cast<const int*>(b.constData());
    case QMetaType::QString: {
        // A null text is bound as NULL, an empty one as ''.
        const auto& x = *static_cast<const QString*>(a.constData());
        const auto& y = *static_cast<const QString*>(b.constData());
        return x.isNull() == y.isNull() && sameText(x, y);
    }
    default:
        return false;
    }
}

// Decimal digits with an optional sign, short enough not to overflow: the usual
// integer, read without the detour through Latin-1 that toLongLong takes.
bool plainInteger(const QString& text, QVariant* out)
{
    const qsizetype size = text.size();
    qsizetype i = 0;
    const bool negative = size > 0 && text.at(0) == u'-';
    if (size > 0 && (text.at(0) == u'-' || text.at(0) == u'+'))
        i = 1;
    if (i == size || size - i > 18)
        return false;
    qlonglong value = 0;
    for (; i < size; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + (c - u'0');
    }
    *out = negative ? -value : value;
    return true;
}

// Empty numbers are stored as 0; anything that is not a number is refused
// rather than stored as text in a numeric column.
bool typedValue(KdoData::DataTypes type, const QString& text, QVariant* out)
{
    if (!KdoData::isNumeric(type)) {
        *out = KaldoDynamicData::storedText(text);
        return true;
    }
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        *out = qlonglong(0);
        return true;
    }
    bool ok = false;
    if (KdoData::normalized(type) != KdoData::Real) {
        if (plainInteger(trimmed, out))
            return true;
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

QString KaldoDynamicData::storedText(const QString& text)
{
    return text.isNull() ? QString(QLatin1String("")) : text;
}

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
    // Open statements would keep the connection from closing.
    m_statements.clear();
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

bool KaldoDynamicData::write(const QString& statement, const QVariantList& parameters, qint64* lastInsertId,
                             Kept* kept)
{
    if (m_depth > 0 && m_readOnly) {
        // Taking the write lock now could wait on another thread that already holds
        // it and waits for this thread's statement lock.
        qWarning() << "KaldoDynamicData: write refused inside a reading transaction:" << statement;
        return false;
    }
    if (m_depth > 0 && (m_failedInside || !m_began)) {
        // The transaction never began or a part of it failed: it will roll back,
        // so running more of it would only report writes that do not last.
        qWarning() << "KaldoDynamicData: statement skipped, its transaction already failed:" << statement;
        return false;
    }
    if (m_depth > 0)
        return runStatement(statement, parameters, lastInsertId, nullptr, kept);
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
                                    qint64* lastInsertId, QSqlError* failure, Kept* kept)
{
    const StatementLock lock;
    return runUnlocked(statement, parameters, lastInsertId, failure, kept);
}

KaldoDynamicData::Kept* KaldoDynamicData::prepared(const QString& statement,
                                                   std::optional<QSqlError>* failure)
{
    const auto found = m_statements.find(statement);
    if (found != m_statements.end())
        return &found->second;
    if (m_statements.size() >= kMaxCachedStatements)
        forgetStatements();
    Kept kept;
    kept.query = std::make_unique<QSqlQuery>(m_db);
    kept.query->setForwardOnly(true);
    QString renamed;
    kept.named = nameMarks(statement, &renamed, &kept.marks);
    if (!kept.query->prepare(kept.named ? renamed : statement)) {
        *failure = kept.query->lastError().isValid() ? kept.query->lastError() : m_db.lastError();
        return nullptr;
    }
    return &m_statements.insert_or_assign(statement, std::move(kept)).first->second;
}

void KaldoDynamicData::forgetStatements()
{
    m_statements.clear();
    ++m_statementsEpoch;
}

void KaldoDynamicData::forgetStatement(const QString& statement)
{
    if (m_statements.erase(statement) > 0)
        ++m_statementsEpoch;
}

bool KaldoDynamicData::bindAll(Kept& kept, const QVariantList& parameters, std::optional<QSqlError>* failure)
{
    QSqlQuery& query = *kept.query;
    if (!kept.named) {
        for (qsizetype i = 0; i < parameters.size(); ++i)
            query.bindValue(static_cast<int>(i), parameters.at(i));
        return true;
    }
    if (parameters.size() != kept.marks) {
        // The driver would refuse it as well, with a less telling message.
        *failure = QSqlError(
            QString(),
            QStringLiteral("%1 values given for %2 parameters").arg(parameters.size()).arg(kept.marks),
            QSqlError::StatementError);
        return false;
    }
    // The driver keeps bound values from one run to the next; a row of a repeated
    // insert mostly differs from the last one in a value or two.
    const bool compare = kept.bound.size() == parameters.size();
    for (qsizetype i = 0; i < parameters.size(); ++i) {
        if (!compare || !sameBound(kept.bound.at(i), parameters.at(i)))
            query.bindValue(markName(i), parameters.at(i));
    }
    kept.bound = parameters;
    return true;
}

bool KaldoDynamicData::runUnlocked(const QString& statement, const QVariantList& parameters,
                                   qint64* lastInsertId, QSqlError* failure, Kept* kept)
{
    // No error object unless something fails: the driver allocates for each one.
    std::optional<QSqlError> error;
    bool ok = false;
    qint64 id = -1;
    if (!kept && !isKeptWrite(statement)) {
        // Kept statements are prepared again after a schema change of this connection.
        if (isSchemaStatement(statement))
            forgetStatements();
        QSqlQuery query(m_db);
        ok = query.prepare(statement);
        for (qsizetype i = 0; ok && i < parameters.size(); ++i)
            query.bindValue(static_cast<int>(i), parameters.at(i));
        ok = ok && query.exec();
        if (!ok)
            error = query.lastError().isValid() ? query.lastError() : m_db.lastError();
    } else if (kept || (kept = prepared(statement, &error))) {
        QSqlQuery& query = *kept->query;
        // The driver resets the statement once it has run, so it holds nothing
        // of the file and needs no finish().
        ok = bindAll(*kept, parameters, &error) && query.exec();
        if (ok && lastInsertId) {
            const QVariant inserted = query.lastInsertId();
            id = inserted.isValid() ? inserted.toLongLong() : -1;
        }
        if (!ok) {
            if (!error)
                error = query.lastError().isValid() ? query.lastError() : m_db.lastError();
            forgetStatement(statement);
        }
    }
    if (!ok) {
        const QSqlError failed = error.value_or(QSqlError());
        m_lastError = failed.text();
        if (failure)
            *failure = failed; // the caller decides whether this is worth a log line
        else
            qWarning() << "sql error: " + failed.text() +
                              ", lastError().type() =" + QString::number(failed.type()) +
                              ", sql =" + statement;
        return false;
    }
    if (lastInsertId)
        *lastInsertId = id;
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

// SQLite prepares a kept query against the columns it knew when it was prepared;
// when another program changed the schema since, SQLite prepares it again while
// running it, with other columns, and the driver then writes past the columns it
// set up (a crash). The probe, run inside the same read transaction as the query,
// brings SQLite up to date and tells whether the schema changed; if it did, every
// kept statement is prepared anew. The transaction keeps the schema as it is
// until the rows are read.
bool KaldoDynamicData::checkSchema()
{
    std::optional<QSqlError> error;
    Kept* probe = prepared(kSchemaProbe, &error);
    if (!probe || !probe->query->exec() || !probe->query->next()) {
        forgetStatements();
        m_schemaVersion = -1;
        return false;
    }
    const qint64 version = probe->query->value(0).toLongLong();
    probe->query->finish();
    if (version != m_schemaVersion) {
        if (m_schemaVersion != -1)
            forgetStatements();
        m_schemaVersion = version;
    }
    return true;
}

KaldoDataIterator KaldoDynamicData::query(const QString& statement, const QVariantList& parameters)
{
    const KaldoRecursiveReadWriteLocker::ReadScope lock;
    const bool ownTransaction =
        m_depth == 0 && m_opened && runUnlocked(QStringLiteral("BEGIN DEFERRED"), {}, nullptr, nullptr);
    const auto endOwnTransaction = qScopeGuard([&] {
        if (ownTransaction)
            runUnlocked(QStringLiteral("COMMIT"), {}, nullptr, nullptr);
    });
    std::optional<QSqlError> error;
    std::optional<QSqlQuery> once;
    QSqlQuery* query = nullptr;
    bool kept = false;
    Kept* keptQuery = nullptr;
    if (m_opened && isKeptQuery(statement) && checkSchema()) {
        if (Kept* found = prepared(statement, &error)) {
            kept = true;
            keptQuery = found;
            query = found->query.get();
            if (!bindAll(*found, parameters, &error))
                query = nullptr;
        }
    } else {
        once.emplace(m_db);
        once->setForwardOnly(true);
        if (once->prepare(statement)) {
            query = &*once;
            for (qsizetype i = 0; i < parameters.size(); ++i)
                query->bindValue(static_cast<int>(i), parameters.at(i));
        }
    }
    if (query && query->exec()) {
        QStringList names;
        const QSqlRecord record = query->record();
        const int columns = record.count();
        names.reserve(columns);
        for (int i = 0; i < columns; ++i)
            names << record.fieldName(i);
        // A kept query mostly returns as many values as the last time.
        KaldoDataIterator::Builder rows(std::move(names), keptQuery ? keptQuery->lastCells : 0);
        while (query->next()) {
            for (int i = 0; i < columns; ++i)
                rows.add(query->value(i));
        }
        if (keptQuery)
            keptQuery->lastCells = rows.cellCount();
        if (kept)
            query->finish();
        return rows.finish();
    }
    if (!error && (query || once)) {
        const QSqlQuery& failed = query ? *query : *once;
        error = failed.lastError().isValid() ? failed.lastError() : m_db.lastError();
    }
    if (kept)
        forgetStatement(statement);
    const QSqlError failed = error.value_or(QSqlError());
    m_lastError = failed.text();
    qWarning() << "sql error: " + failed.text() + ", lastError().type() =" + QString::number(failed.type()) +
                      ", sql =" + statement;
    return {};
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
        const KdoData::DataTypes type = declaredType(table, it.key());
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

KaldoDynamicData::InsertShape* KaldoDynamicData::insertShape(const QString& table, const Values& values)
{
    const quint64 generation = declarationCache().generation.load();
    for (InsertShape& shape : m_insertShapes) {
        if (!sameText(shape.table, table) || shape.columns.size() != values.size())
            continue;
        bool same = true;
        qsizetype i = 0;
        for (auto it = values.cbegin(); same && it != values.cend(); ++it)
            same = sameText(it.key(), shape.columns.at(i++));
        if (!same)
            continue;
        if (shape.generation != generation)
            break; // declared again since: made anew below
        return &shape;
    }
    std::erase_if(m_insertShapes, [&](const InsertShape& shape) {
        return shape.generation != generation || (shape.table == table && shape.columns == values.keys());
    });
    if (!isIdentifier(table) || !allIdentifiers(values.keys()) || values.isEmpty())
        return nullptr;
    InsertShape shape;
    shape.table = table;
    shape.generation = generation;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        shape.columns << it.key();
        shape.types << declaredType(table, it.key());
    }
    const QStringList marks(shape.columns.size(), QStringLiteral("?"));
    shape.statement = QStringLiteral("INSERT INTO ") + table + QLatin1Char('(') +
                      shape.columns.join(QLatin1Char(',')) + QStringLiteral(") VALUES(") +
                      marks.join(QLatin1Char(',')) + QLatin1Char(')');
    // The table classes insert a handful of shapes each; an unusual caller must not
    // make the list long.
    if (m_insertShapes.size() >= 32)
        m_insertShapes.clear();
    m_insertShapes.push_back(std::move(shape));
    return &m_insertShapes.back();
}

bool KaldoDynamicData::addinfo(const QString& table, const Values& values, qint64* newId)
{
    // Rows of one shape are inserted again and again (LUT entries, history settings):
    // the statement text, the column types and the kept statement are looked up
    // once per shape instead of once per row.
    if (InsertShape* shape = insertShape(table, values)) {
        QVariantList bound;
        bound.reserve(shape->types.size());
        qsizetype i = 0;
        bool fast = true;
        for (auto it = values.cbegin(); fast && it != values.cend(); ++it, ++i) {
            const KdoData::DataTypes type = shape->types.at(i);
            // An empty key is left to SQLite, which assigns the next one: another shape.
            if (type == KdoData::AutoKey && it.value().trimmed().isEmpty()) {
                fast = false;
                break;
            }
            QVariant value;
            if (!typedValue(type, it.value(), &value)) {
                qWarning() << "KaldoDynamicData: value" << it.value() << "of numeric column"
                           << table + "." + it.key() << "is not a number; statement not run";
                return false;
            }
            bound.append(std::move(value));
        }
        if (fast) {
            Kept* kept = nullptr;
            if (m_depth > 0) {
                std::optional<QSqlError> error;
                if (shape->epoch != m_statementsEpoch || !shape->kept) {
                    shape->kept = prepared(shape->statement, &error);
                    shape->epoch = m_statementsEpoch;
                }
                kept = shape->kept;
            }
            return write(shape->statement, bound, newId, kept);
        }
    }
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

bool KaldoDynamicData::startTransaction(TransactionKind kind)
{
    if (m_depth > 0) {
        KaldoRecursiveReadWriteLocker::instance().lockTransaction();
        ++m_depth;
        if (kind == TransactionKind::Write && m_readOnly) {
            qWarning() << "KaldoDynamicData::startTransaction(): a writing transaction inside a reading one "
                          "is refused";
            return false;
        }
        return !m_failedInside;
    }
    bool began = false;
    if (!m_opened) {
        qWarning()
            << "WARNING!!! else in void KaldoDynamicData::startTransaction(), db_->transaction() actually "
               "didn't work";
    } else if (kind == TransactionKind::Write) {
        // Waits for the file's write lock before taking the statement lock.
        began = beginImmediate();
    }
    KaldoRecursiveReadWriteLocker::instance().lockTransaction();
    if (m_opened && kind == TransactionKind::Read)
        began = runStatement(QStringLiteral("BEGIN DEFERRED"), {}, nullptr);
    m_depth = 1;
    m_readOnly = kind == TransactionKind::Read;
    m_began = began;
    m_failedInside = !began;
    return began;
}

void KaldoDynamicData::setWhenCommitted(std::atomic<bool>* flag)
{
    if (m_depth == 0)
        *flag = true;
    else if (!m_onCommit.contains(flag))
        m_onCommit.append(flag);
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
        bool committed = false;
        if (!m_opened) {
            qWarning()
                << (commit ? "WARNING!!! else in void KaldoDynamicData::finishTransaction(), db_->commit() "
                             "actually didn't work"
                           : "WARNING!!! else in void KaldoDynamicData::cancelTransaction(), "
                             "db_->rollback() actually didn't work");
            ok = false;
        } else if (m_began && !m_failedInside) {
            // The busy handler waits once for readers of other processes to let go.
            committed = ok = runStatement(QStringLiteral("COMMIT"), {}, nullptr);
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
        if (committed) {
            for (std::atomic<bool>* flag : std::as_const(m_onCommit))
                *flag = true;
        }
        m_onCommit.clear();
        m_began = false;
        m_failedInside = false;
        m_readOnly = false;
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

const QHash<QString, KdoData::DataTypes>& KaldoDynamicData::declaredTypes(const QString& table)
{
    DeclarationCache& cache = declarationCache();
    const quint64 generation = cache.generation.load();
    if (generation != m_typesGeneration) {
        m_types.clear();
        m_typesGeneration = generation;
    }
    auto found = m_types.find(table);
    if (found == m_types.end()) {
        QHash<QString, KdoData::DataTypes> types;
        {
            const QMutexLocker lock(&cache.mutex);
            const ColumnMap columns = cache.columns.value(table);
            for (auto it = columns.cbegin(); it != columns.cend(); ++it) {
                types.insert(it.key(), it.value());
                types.insert(it.key().toLower(), it.value());
            }
        }
        found = m_types.insert(table, types);
    }
    return found.value();
}

KdoData::DataTypes KaldoDynamicData::declaredType(const QString& table, const QString& column)
{
    const QHash<QString, KdoData::DataTypes>& types = declaredTypes(table);
    const auto exact = types.constFind(column);
    if (exact != types.cend())
        return exact.value();
    // SQL names are case-insensitive; a column the table class does not declare is text.
    return types.value(column.toLower(), KdoData::Text);
}

KaldoDynamicData::UpgradePlan KaldoDynamicData::planUpgrade(const QString& table, const ColumnMap& columns)
{
    UpgradePlan plan;
    QHash<QString, KdoData::DataTypes> existingByLowerName;
    for (auto [name, type] : tableColumns(table).asKeyValueRange())
        existingByLowerName.insert(name.toLower(), type);
    for (auto it = columns.cbegin(); it != columns.cend(); ++it) {
        const auto found = existingByLowerName.constFind(it.key().toLower());
        if (found == existingByLowerName.cend()) {
            // A key column cannot be added by ALTER TABLE; the rebuild creates it.
            if (it.value() == KdoData::AutoKey) {
                plan.rebuild = true;
                continue;
            }
            plan.added << it.key();
            plan.copied << it.key();
            continue;
        }
        plan.copied << it.key();
        const KdoData::DataTypes type = found.value();
        if (fieldKind(type) != fieldKind(it.value()) ||
            (type == KdoData::AutoKey) != (KdoData::normalized(it.value()) == KdoData::AutoKey))
            plan.rebuild = true;
    }
    return plan;
}

bool KaldoDynamicData::CheckTable(const QString& table, const ColumnMap& columns, const Values& upgradeValues)
{
    {
        DeclarationCache& cache = declarationCache();
        const QMutexLocker lock(&cache.mutex);
        const auto known = cache.columns.constFind(table);
        if (known == cache.columns.cend() || known.value() != columns) {
            cache.columns.insert(table, columns);
            ++cache.generation;
        }
    }
    if (!isIdentifier(table) || table.compare(kTmpTable, Qt::CaseInsensitive) == 0 || columns.isEmpty() ||
        !allIdentifiers(columns.keys()))
        return false;
    // Nearly every check finds the table as declared (and no "tmp" left by a broken
    // rebuild). Looking first without a transaction keeps a reader from queueing
    // for the write lock only to learn that nothing changes.
    if (tableExists(table) && !tableExists(kTmpTable) && planUpgrade(table, columns).upToDate())
        return true;
    if (!startTransaction()) {
        cancelTransaction();
        return false;
    }
    const bool ok = upgradeTable(table, columns, upgradeValues);
    return ok ? finishTransaction() : (cancelTransaction(), false);
}

bool KaldoDynamicData::upgradeTable(const QString& table, const ColumnMap& columns,
                                    const Values& upgradeValues)
{
    // Looked at again: another process may have changed the table meanwhile.
    if (!tableExists(table))
        return exec(createStatement(table, columns));
    bool ok = setAsideLeftoverTmp();
    const UpgradePlan plan = planUpgrade(table, columns);
    for (const QString& column : plan.added) {
        if (!ok)
            break;
        const KdoData::DataTypes type = columns.value(column);
        // No DEFAULT clause: a column added to an older file must behave exactly
        // like the same column of a fresh file. The rows already there get their
        // value by an update instead.
        ok = exec(QStringLiteral("ALTER TABLE ") + table + QStringLiteral(" ADD ") + column +
                  QLatin1Char(' ') + KdoData::sqlType(type));
        const QString literal = upgradeLiteral(type, upgradeValues.value(column));
        if (ok && literal != QLatin1String("NULL"))
            ok = exec(QStringLiteral("UPDATE ") + table + QStringLiteral(" SET ") + column +
                      QLatin1Char('=') + literal);
    }
    if (ok && plan.rebuild)
        ok = rebuildTable(table, columns, plan.copied);
    return ok;
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
    // loop ends after one busy time-out. It runs without the statement lock, so
    // the agent's other threads are not held up while this one waits.
    const int configured = busyTimeoutMs();
    QElapsedTimer elapsed;
    elapsed.start();
    QSqlError error;
    runUnlocked(QStringLiteral("PRAGMA busy_timeout=20"), {}, nullptr, nullptr);
    bool ok = false;
    while (!(ok = runUnlocked(QStringLiteral("BEGIN IMMEDIATE"), {}, nullptr, &error))) {
        const bool busy = error.nativeErrorCode() == QLatin1String("5") ||
                          error.text().contains(QLatin1String("locked"), Qt::CaseInsensitive);
        if (!busy || elapsed.elapsed() >= configured)
            break;
        QThread::msleep(QRandomGenerator::global()->bounded(1, 4));
    }
    runUnlocked(QStringLiteral("PRAGMA busy_timeout=") + QString::number(configured), {}, nullptr, nullptr);
    if (!ok)
        qWarning() << "sql error: " + error.text() +
                          ", lastError().type() =" + QString::number(error.type()) + ", sql =BEGIN IMMEDIATE";
    return ok;
}
