#pragma once

#include <QString>

// The video card of one enumerated display: its name and the key that tells cards apart.
struct VideoCardInfo
{
    QString name;
    QString key;
};
