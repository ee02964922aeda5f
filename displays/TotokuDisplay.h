#pragma once

#include "displays/BaseDisplay.h"

struct DisplayIdentity;

// Sony LMD and TOTOKU/JVC medical displays, controlled over USB HID.
class TotokuDisplay : public BaseDisplay
{
    Q_OBJECT
public:
    explicit TotokuDisplay(int displayId, QObject* parent = nullptr);

    void connect() override;

    static bool isSupportedModel(const DisplayIdentity& identity);
};
