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
    // `cells` hold the rows one after the other, one value per column in the
    // order of `columns`.
    KaldoDataIterator(QStringList columns, QVariantList cells);

    // True when there is no current row.
    bool IsNull() const;
    // The current row as column -> text; empty when IsNull().
    Row values() const;
    QString value(const QString& column) const;
    // A numeric column read as a number without making text of it: 0 (and `ok`
    // false) when there is no row, no such column or no number in it.
    qint64 integer(const QString& column, bool* ok = nullptr) const;
    KaldoDataIterator& operator++();
    int rowCount() const;

private:
    const QVariant* cell(const QString& column) const;

    struct State
    {
        QStringList columns;
        QVariantList cells;
        qsizetype rows = 0;
        qsizetype position = 0;
        // Callers ask for the same columns row after row.
        QString lastColumn;
        qsizetype lastIndex = -1;
    };
    std::shared_ptr<State> m_state;
};
