#pragma once

#include "db/KdoData.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// One table as the program declares it: its columns, the values rows written
// before a column existed get when an upgrade adds it, and the indexes that the
// queries on it rely on (each a list of columns).
struct TableSchema
{
    QString name;
    ColumnMap columns;
    QMap<QString, QString> upgradeValues;
    QList<QStringList> indexes;

    QString indexName(const QStringList& indexColumns) const
    {
        return QStringLiteral("idx_") + name + QLatin1Char('_') + indexColumns.join(QLatin1Char('_'));
    }
};
