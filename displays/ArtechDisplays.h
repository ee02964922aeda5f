#pragma once

#include "displays/DDCCIDisplay.h"

// Artech displays: the same protocol over a COM port or over DDC/CI.
class ArtechDisplayUart : public DDCCIDisplay
{
    Q_OBJECT
public:
    explicit ArtechDisplayUart(int displayId, QObject* parent = nullptr);

protected:
    bool recognise(const DisplayIdentity& identity) override;
    bool openChannel() override;
};

class ArtechDisplayDdcci : public DDCCIDisplay
{
    Q_OBJECT
public:
    explicit ArtechDisplayDdcci(int displayId, QObject* parent = nullptr);

protected:
    bool recognise(const DisplayIdentity& identity) override;
};
