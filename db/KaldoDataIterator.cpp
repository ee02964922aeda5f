#include "db/KaldoDataIterator.h"

KaldoDataIterator::KaldoDataIterator() : m_state(std::make_shared<State>()) {}

KaldoDataIterator::KaldoDataIterator(QList<Row> rows) : m_state(std::make_shared<State>())
{
    m_state->rows = std::move(rows);
}

bool KaldoDataIterator::IsNull() const
{
    return m_state->position >= m_state->rows.size();
}

KaldoDataIterator::Row KaldoDataIterator::values() const
{
    return IsNull() ? Row() : m_state->rows.at(m_state->position);
}

QString KaldoDataIterator::value(const QString& column) const
{
    return IsNull() ? QString() : m_state->rows.at(m_state->position).value(column);
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
