#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <cstdint>
#include <memory>
#include <vector>

// Walks the rows of one query. The rows are fetched completely when the query
// runs, so no statement stays open (and no shared lock stays on the file, which
// would hold up the main application's commits) while the caller walks them.
// Copies share the same rows and position. Values are kept as the driver gives
// them and turned into text only when asked for.
class KaldoDataIterator
{
    struct State;

public:
    using Row = QMap<QString, QString>;

    // Collects the values of a query, row after row, one value per column.
    class Builder
    {
    public:
        // `expectedCells`: room made at once, for a query that returned as many before.
        Builder(QStringList columns, qsizetype expectedCells);
        void add(QVariant&& value);
        qsizetype cellCount() const;
        KaldoDataIterator finish();

    private:
        std::shared_ptr<State> m_state;
    };

    KaldoDataIterator();

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
    explicit KaldoDataIterator(std::shared_ptr<State> state);
    qsizetype cellIndex(const QString& column) const;
    QString text(qsizetype cell) const;

    // Most values are integers: they are kept as they are, eight bytes each, and
    // only the others as variants. A row of a 3 x 1024 LUT is then 32 bytes.
    struct State
    {
        QStringList columns;
        std::vector<qint64> numbers;     // the integer, or the index into `others`
        std::vector<std::uint8_t> kinds; // 0: integer in the slot, 1: index into `others`
        QVariantList others;
        qsizetype rows = 0;
        qsizetype position = 0;
        // Callers ask for the same columns row after row.
        QString lastColumn;
        qsizetype lastIndex = -1;
    };
    std::shared_ptr<State> m_state;
};
