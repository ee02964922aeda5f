#pragma once

#include "displays/DDCCIDisplay.h"

// LG medical displays: an LG EDID with a medical model name, controlled by the LG
// medical protocol over a COM port or DDC/CI.
class LgMedicalBase : public DDCCIDisplay
{
    Q_OBJECT
public:
    explicit LgMedicalBase(int displayId, QObject* parent = nullptr);

protected:
    bool recognise(const DisplayIdentity& identity) override;
};

class LgMedicalUART : public LgMedicalBase
{
    Q_OBJECT
public:
    explicit LgMedicalUART(int displayId, QObject* parent = nullptr);

protected:
    bool openChannel() override;
};

class LgMedicalDdcci : public LgMedicalBase
{
    Q_OBJECT
public:
    explicit LgMedicalDdcci(int displayId, QObject* parent = nullptr);
};

// The LG model whose calibration is done by LG's own software; the agent only controls it.
class LGMedicalSoftware : public DDCCIDisplay
{
    Q_OBJECT
public:
    explicit LGMedicalSoftware(int displayId, QObject* parent = nullptr);

protected:
    bool recognise(const DisplayIdentity& identity) override;
};
