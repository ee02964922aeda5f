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

// One HID device of the simulated workstation: from the top-level "hidDevices" list, or a
// sensor in a display's "sensors" list (then `output` is that display's, and readings
// follow its panel and its room light).
struct SimHidEntry
{
    QString path;
    QString output;
    bool connected = true;
    QJsonObject config;
};
