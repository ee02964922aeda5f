#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <memory>

// Walks the rows of one query. The rows are fetched completely when the query
// runs, so no statement stays open (and no shared lock stays on the file, which
// would hold up the main application's commits) while the caller walks them.
// Copies share the same rows and position.
class KaldoDataIterator
{
public:
    using Row = QMap<QString, QString>;

    KaldoDataIterator();
    // `rows` hold one text per column, in the order of `columns`.
    KaldoDataIterator(QStringList columns, QList<QStringList> rows);

    // True when there is no current row.
    bool IsNull() const;
    // The current row as column -> text; empty when IsNull().
    Row values() const;
    QString value(const QString& column) const;
    KaldoDataIterator& operator++();
    int rowCount() const;

private:
    struct State
    {
        QStringList columns;
        QList<QStringList> rows;
        qsizetype position = 0;
    };
    std::shared_ptr<State> m_state;
};
