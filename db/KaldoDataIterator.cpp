#include "db/KaldoDataIterator.h"

KaldoDataIterator::Builder::Builder(QStringList columns, qsizetype expectedCells)
    : m_state(std::make_shared<State>())
{
    m_state->columns = std::move(columns);
    m_state->numbers.reserve(static_cast<size_t>(expectedCells));
    m_state->kinds.reserve(static_cast<size_t>(expectedCells));
}

void KaldoDataIterator::Builder::add(QVariant&& value)
{
    State& state = *m_state;
    if (value.typeId() == QMetaType::LongLong) {
        state.numbers.push_back(*static_cast<const qlonglong*>(value.constData()));
        state.kinds.push_back(0);
        return;
    }
    state.numbers.push_back(state.others.size());
    state.kinds.push_back(1);
    state.others.append(std::move(value));
}

qsizetype KaldoDataIterator::Builder::cellCount() const
{
    return static_cast<qsizetype>(m_state->numbers.size());
}

KaldoDataIterator KaldoDataIterator::Builder::finish()
{
    const qsizetype width = m_state->columns.size();
    m_state->rows = width == 0 ? 0 : cellCount() / width;
    return KaldoDataIterator(std::move(m_state));
}

KaldoDataIterator::KaldoDataIterator() : m_state(std::make_shared<State>()) {}

KaldoDataIterator::KaldoDataIterator(std::shared_ptr<State> state) : m_state(std::move(state)) {}

bool KaldoDataIterator::IsNull() const
{
    return m_state->position >= m_state->rows;
}

QString KaldoDataIterator::text(qsizetype cell) const
{
    const State& state = *m_state;
    const qint64 slot = state.numbers[static_cast<size_t>(cell)];
    return state.kinds[static_cast<size_t>(cell)] == 0 ? QString::number(slot)
                                                       : state.others.at(slot).toString();
}

KaldoDataIterator::Row KaldoDataIterator::values() const
{
    Row row;
    if (IsNull())
        return row;
    const qsizetype width = m_state->columns.size();
    const qsizetype first = m_state->position * width;
    for (qsizetype i = 0; i < width; ++i)
        row.insert(m_state->columns.at(i), text(first + i));
    return row;
}

qsizetype KaldoDataIterator::cellIndex(const QString& column) const
{
    if (IsNull())
        return -1;
    State& state = *m_state;
    // Callers mostly pass the same literal row after row: equal without comparing.
    const bool same =
        (column.constData() == state.lastColumn.constData() && column.size() == state.lastColumn.size()) ||
        column == state.lastColumn;
    if (state.lastIndex < 0 || !same) {
        state.lastIndex = state.columns.indexOf(column);
        state.lastColumn = column;
    }
    return state.lastIndex < 0 ? -1 : state.position * state.columns.size() + state.lastIndex;
}

QString KaldoDataIterator::value(const QString& column) const
{
    const qsizetype cell = cellIndex(column);
    return cell < 0 ? QString() : text(cell);
}

qint64 KaldoDataIterator::integer(const QString& column, bool* ok) const
{
    const qsizetype cell = cellIndex(column);
    bool converted = false;
    qint64 number = 0;
    if (cell >= 0) {
        const State& state = *m_state;
        const qint64 slot = state.numbers[static_cast<size_t>(cell)];
        if (state.kinds[static_cast<size_t>(cell)] == 0) {
            number = slot;
            converted = true;
        } else {
            number = state.others.at(slot).toLongLong(&converted);
        }
    }
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
