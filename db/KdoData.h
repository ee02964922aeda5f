#pragma once

#include <QMap>
#include <QString>

// Column types of the table engine. The numbers are shared with the main
// application's table declarations, so they never change.
namespace KdoData {

enum DataTypes
{
    Text = 0,
    AutoKey = 1,
    Integer = 2,
    Real = 3
};

// Any value outside the enumeration counts as Text.
inline DataTypes normalized(int type)
{
    return (type >= Text && type <= Real) ? static_cast<DataTypes>(type) : Text;
}

inline QString sqlType(DataTypes type)
{
    switch (normalized(type)) {
    case AutoKey:
        return QStringLiteral("INTEGER PRIMARY KEY");
    case Integer:
        return QStringLiteral("INTEGER");
    case Real:
        return QStringLiteral("REAL");
    case Text:
        break;
    }
    return QStringLiteral("TEXT");
}

inline bool isNumeric(DataTypes type)
{
    return normalized(type) != Text;
}

} // namespace KdoData

// Column name -> type. Ordered by name, which is also the order columns are created in.
using ColumnMap = QMap<QString, KdoData::DataTypes>;
