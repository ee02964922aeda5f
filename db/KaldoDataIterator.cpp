#include "db/KaldoDataIterator.h"

KaldoDataIterator::KaldoDataIterator() : m_state(std::make_shared<State>()) {}

KaldoDataIterator::KaldoDataIterator(QStringList columns, QVariantList cells)
    : m_state(std::make_shared<State>())
{
    m_state->columns = std::move(columns);
    m_state->cells = std::move(cells);
    m_state->rows = m_state->columns.isEmpty() ? 0 : m_state->cells.size() / m_state->columns.size();
}

bool KaldoDataIterator::IsNull() const
{
    return m_state->position >= m_state->rows;
}

KaldoDataIterator::Row KaldoDataIterator::values() const
{
    Row row;
    if (IsNull())
        return row;
    const qsizetype width = m_state->columns.size();
    const qsizetype first = m_state->position * width;
    for (qsizetype i = 0; i < width; ++i)
        row.insert(m_state->columns.at(i), m_state->cells.at(first + i).toString());
    return row;
}

const QVariant* KaldoDataIterator::cell(const QString& column) const
{
    if (IsNull())
        return nullptr;
    State& state = *m_state;
    if (state.lastIndex < 0 || column != state.lastColumn) {
        state.lastIndex = state.columns.indexOf(column);
        state.lastColumn = column;
    }
    if (state.lastIndex < 0)
        return nullptr;
    return &state.cells.at(state.position * state.columns.size() + state.lastIndex);
}

QString KaldoDataIterator::value(const QString& column) const
{
    const QVariant* found = cell(column);
    return found ? found->toString() : QString();
}

qint64 KaldoDataIterator::integer(const QString& column, bool* ok) const
{
    const QVariant* found = cell(column);
    bool converted = false;
    const qint64 number = found ? found->toLongLong(&converted) : 0;
    if (ok)
        *ok = converted;
    return converted ? number : 0;
}

KaldoDataIterator& KaldoDataIterator::operator++()
{
    if (!IsNull())
        ++m_state->position;
    return *this;
}

int KaldoDataIterator::rowCount() const
{
    return static_cast<int>(m_state->rows);
}
