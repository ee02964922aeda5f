#pragma once

#include <QMap>
#include <QString>

// Preference values in the form the server shows them and the form they are stored
// in here. A value without a counterpart passes unchanged, both ways.
class PreferencesConverter
{
public:
    enum Direction
    {
        ToLocal = 0,
        ToServer = 1
    };

    PreferencesConverter();
    QString ConvertValue(const QString& name, const QString& value, Direction direction) const;
    QString ConvertSpecialValue(const QString& name, const QString& value, Direction direction) const;
    static QString GetKeyByValue(const QString& value, const QMap<QString, QString>& map);

private:
    // name -> (local value -> server value)
    QMap<QString, QMap<QString, QString>> m_maps;
};
