#pragma once

#include "displays/DDCCIDisplay.h"

// Displays built by HYC and sold under several brands: recognised by the EDID
// manufacturer code and a model name, controlled over DDC/CI.
class HYCDisplay : public DDCCIDisplay
{
    Q_OBJECT
public:
    explicit HYCDisplay(int displayId, QObject* parent = nullptr);

protected:
    bool recognise(const DisplayIdentity& identity) override;
    virtual bool isOwnManufacturer(const DisplayIdentity& identity) const;
    virtual const char* wrongEdidMessage() const;
};

class LGDisplay : public HYCDisplay
{
    Q_OBJECT
public:
    explicit LGDisplay(int displayId, QObject* parent = nullptr);

protected:
    bool isOwnManufacturer(const DisplayIdentity& identity) const override;
    const char* wrongEdidMessage() const override;
};

class LumimedDisplay : public HYCDisplay
{
    Q_OBJECT
public:
    explicit LumimedDisplay(int displayId, QObject* parent = nullptr);

protected:
    const char* wrongEdidMessage() const override;
};
