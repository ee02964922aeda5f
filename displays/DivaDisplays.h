#pragma once

#include "displays/DDCCIDisplay.h"

// DIVA displays. The first-generation class only recognises the maker and refuses the
// display as deprecated; the model families below it talk to the display over DDC/CI,
// where the model id is read.
class DivaDisplay : public DDCCIDisplay
{
    Q_OBJECT
public:
    explicit DivaDisplay(int displayId, QObject* parent = nullptr);

protected:
    bool recognise(const DisplayIdentity& identity) override;
    virtual bool isDeprecated() const { return true; }
};

class OlorinDisplay : public DivaDisplay
{
    Q_OBJECT
public:
    explicit OlorinDisplay(int displayId, QObject* parent = nullptr);

protected:
    bool isDeprecated() const override { return false; }
};

class USEIDisplay : public OlorinDisplay
{
    Q_OBJECT
public:
    explicit USEIDisplay(int displayId, QObject* parent = nullptr);
};

class TaiwanDisplay : public OlorinDisplay
{
    Q_OBJECT
public:
    explicit TaiwanDisplay(int displayId, QObject* parent = nullptr);
};

class SuperSonicDisplay : public OlorinDisplay
{
    Q_OBJECT
public:
    explicit SuperSonicDisplay(int displayId, QObject* parent = nullptr);
};

class NewDivaDisplay : public OlorinDisplay
{
    Q_OBJECT
public:
    explicit NewDivaDisplay(int displayId, QObject* parent = nullptr);
};

// Second generation: DDC/CI or the display's own USB HID channel.
class Diva2Display : public NewDivaDisplay
{
    Q_OBJECT
public:
    explicit Diva2Display(int displayId, QObject* parent = nullptr);

    int GetCommunicationMode() override;
};
