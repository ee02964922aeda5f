#include "color/ctl/ColorArguments.h"

#include <cmath>

namespace {

std::optional<double> toNumber(const QString& word)
{
    bool ok = false;
    const double value = word.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

std::optional<QString> ColorArguments::take(const QString& name)
{
    const qsizetype at = m_words.indexOf(name);
    if (at < 0)
        return std::nullopt;
    if (at + 1 >= m_words.size()) {
        m_error = name + QStringLiteral(" needs a value");
        m_words.removeAt(at);
        return std::nullopt;
    }
    const QString value = m_words.at(at + 1);
    m_words.remove(at, 2);
    return value;
}

std::optional<std::vector<double>> ColorArguments::takeNumbers(const QString& name, int count)
{
    const qsizetype at = m_words.indexOf(name);
    if (at < 0)
        return std::nullopt;
    std::vector<double> values;
    for (int i = 1; i <= count && at + i < m_words.size(); ++i) {
        const std::optional<double> value = toNumber(m_words.at(at + i));
        if (!value)
            break;
        values.push_back(*value);
    }
    m_words.remove(at, 1 + static_cast<qsizetype>(values.size()));
    if (static_cast<int>(values.size()) != count) {
        m_error = QStringLiteral("%1 needs %2 number(s)").arg(name).arg(count);
        return std::nullopt;
    }
    return values;
}

std::optional<double> ColorArguments::takeNumber(const QString& name)
{
    const std::optional<std::vector<double>> values = takeNumbers(name, 1);
    if (!values)
        return std::nullopt;
    return values->front();
}

std::optional<std::vector<double>> ColorArguments::numbers() const
{
    std::vector<double> values;
    for (const QString& word : m_words) {
        const std::optional<double> value = toNumber(word);
        if (!value)
            return std::nullopt;
        values.push_back(*value);
    }
    return values;
}
