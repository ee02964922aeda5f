#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// What the QA commands share: the agent's start-up pieces they need (product
// values, database, regulation list) and the reading of "--now".
class QaCtlSupport
{
public:
    QaCtlSupport() = delete;

    // Loads what the agent loads before it plans; false with `error` set when the database is not usable.
    static bool prepare(QString* error);
    // The value of `--now` removed from `arguments` (ISO 8601, local time when it has no offset), or the
    // current time; false when the value does not parse.
    static bool takeNow(QStringList& arguments, qint64* now, QString* error);
    // Removes `option VALUE` from `arguments`; empty when absent.
    static QString takeOption(QStringList& arguments, const QString& option);
    static QString isoLocal(qint64 time);
};
