#include "db/KaldoDataIterator.h"

KaldoDataIterator::KaldoDataIterator() : m_state(std::make_shared<State>()) {}

KaldoDataIterator::KaldoDataIterator(QStringList columns, QList<QVariantList> rows)
    : m_state(std::make_shared<State>())
{
    m_state->columns = std::move(columns);
    m_state->rows = std::move(rows);
}

bool KaldoDataIterator::IsNull() const
{
    return m_state->position >= m_state->rows.size();
}

KaldoDataIterator::Row KaldoDataIterator::values() const
{
    Row row;
    if (IsNull())
        return row;
    const QVariantList& current = m_state->rows.at(m_state->position);
    for (qsizetype i = 0; i < m_state->columns.size(); ++i)
        row.insert(m_state->columns.at(i), current.value(i).toString());
    return row;
}

QString KaldoDataIterator::value(const QString& column) const
{
    if (IsNull())
        return {};
    const qsizetype index = m_state->columns.indexOf(column);
    return index < 0 ? QString() : m_state->rows.at(m_state->position).value(index).toString();
}

KaldoDataIterator& KaldoDataIterator::operator++()
{
    if (!IsNull())
        ++m_state->position;
    return *this;
}

int KaldoDataIterator::rowCount() const
{
    return static_cast<int>(m_state->rows.size());
}
