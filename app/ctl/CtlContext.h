#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

// What one run of lutloaderctl works with: its arguments and how it answers.
// Every subcommand builds one JSON object; with --json it is printed as is,
// otherwise as the plain text the command supplies.
class CtlContext
{
public:
    CtlContext(QStringList arguments, bool json);

    const QStringList& arguments() const { return m_arguments; }
    bool json() const { return m_json; }
    bool hasFlag(const QString& flag) const;

    // Prints `result` (JSON mode) or `text` (plain mode) and returns the exit code.
    int answer(const QJsonObject& result, const QString& text) const;
    // Prints an error in both modes and returns the exit code for a failure.
    int fail(const QString& message, int exitCode = 1) const;

private:
    QStringList m_arguments;
    bool m_json = false;
};
