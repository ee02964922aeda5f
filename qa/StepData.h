#pragma once

#include "qa/Frequncies.h"

#include <QMap>
#include <QString>

// What a step is under one classification and one restriction set.
struct StepData
{
    QMap<QString, QString> parameters;
    QString question;
    int frequency = FREQ_NONE;
    bool acceptance = false;
};
