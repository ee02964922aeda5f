#pragma once

#include "sensors/C4Spyder.h"

// Spyder5 colorimeters, through the same library as the Spyder4.
class C5Spyder : public C4Spyder
{
    Q_OBJECT
public:
    explicit C5Spyder(int port = -1);
};
