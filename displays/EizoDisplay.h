#pragma once

#include "displays/BaseDisplay.h"

// EIZO displays, controlled through the maker's monitor-control library, which is
// loaded at run time; without it the display is not taken.
class EizoDisplay : public BaseDisplay
{
    Q_OBJECT
public:
    explicit EizoDisplay(int displayId, QObject* parent = nullptr);

    void connect() override;

    static constexpr const char* LibraryName = "libEizMonCtrl";
};
