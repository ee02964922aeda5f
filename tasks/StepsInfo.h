#pragma once

#include <QMap>
#include <QMetaType>
#include <QString>

// Name → text pairs that a task hands to the tray for display.
using StepsInfo = QMap<QString, QString>;
