#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <memory>

// Walks the rows of one query. The rows are fetched completely when the query
// runs, so no statement stays open (and no shared lock stays on the file, which
// would hold up the main application's commits) while the caller walks them.
// Copies share the same rows and position. Values are kept as the driver gives
// them and turned into text only when asked for.
class KaldoDataIterator
{
public:
    using Row = QMap<QString, QString>;

    KaldoDataIterator();
    // `rows` hold one value per column, in the order of `columns`.
    KaldoDataIterator(QStringList columns, QList<QVariantList> rows);

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
        QList<QVariantList> rows;
        qsizetype position = 0;
    };
    std::shared_ptr<State> m_state;
};
