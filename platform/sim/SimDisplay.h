#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QRect>
#include <QString>

// One video card of the simulated workstation.
struct SimVideoCard
{
    QString id;
    QString name;
    QString pciId;
    QString driver;
    int rampSize = 256;
};

// One display output of the simulated workstation. `config` keeps the whole JSON
// object, so device models (DDC/CI features, internal LUT, sensors) read their own keys.
struct SimDisplay
{
    enum class Power
    {
        On,
        Off,
        Dimmed
    };

    QString output;
    QString cardId;
    bool connected = true;
    Power power = Power::On;
    QRect rect;
    QByteArray edid;
    QJsonObject config;
};
