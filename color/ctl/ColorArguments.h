#pragma once

#include <QStringList>

#include <optional>
#include <vector>

// The words after a color subcommand: "--name value" options taken out first,
// what remains read as numbers.
class ColorArguments
{
public:
    explicit ColorArguments(QStringList words) : m_words(std::move(words)) {}

    // Removes "--name VALUE" and returns VALUE; nothing when absent. A missing value
    // counts as an error.
    std::optional<QString> take(const QString& name);
    // Removes "--name V1 .. Vcount" and returns the numbers; nothing when absent.
    std::optional<std::vector<double>> takeNumbers(const QString& name, int count);
    std::optional<double> takeNumber(const QString& name);
    // Every remaining word as a number.
    std::optional<std::vector<double>> numbers() const;
    const QStringList& words() const { return m_words; }
    // The first problem met ("--min needs a number", ...), empty when none.
    const QString& error() const { return m_error; }

private:
    QStringList m_words;
    QString m_error;
};
