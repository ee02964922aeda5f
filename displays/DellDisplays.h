#pragma once

#include "displays/DDCCIDisplay.h"

// Dell U3011: identified by its display name, then by manufacturer and product code.
class DELLDisplay : public DDCCIDisplay
{
    Q_OBJECT
public:
    explicit DELLDisplay(int displayId, QObject* parent = nullptr);

protected:
    bool recognise(const DisplayIdentity& identity) override;
    const char* channelFailureMessage() const override;
};

// Dell models built on MStar scalers.
class DellMStarUPDisplay : public DELLDisplay
{
    Q_OBJECT
public:
    explicit DellMStarUPDisplay(int displayId, QObject* parent = nullptr);

protected:
    bool recognise(const DisplayIdentity& identity) override;
};

class DELLUltraSharpDisplay : public DELLDisplay
{
    Q_OBJECT
public:
    explicit DELLUltraSharpDisplay(int displayId, QObject* parent = nullptr);

protected:
    bool recognise(const DisplayIdentity& identity) override;
};

// Any other Dell display, for power control.
class DellUnknownDisplay : public DDCCIDisplay
{
    Q_OBJECT
public:
    explicit DellUnknownDisplay(int displayId, QObject* parent = nullptr);

protected:
    bool recognise(const DisplayIdentity& identity) override;
};

class DellUP3017Display : public DDCCIDisplay
{
    Q_OBJECT
public:
    explicit DellUP3017Display(int displayId, QObject* parent = nullptr);

protected:
    bool recognise(const DisplayIdentity& identity) override;
};

class DellUp2718qDisplay : public DellUP3017Display
{
    Q_OBJECT
public:
    explicit DellUp2718qDisplay(int displayId, QObject* parent = nullptr);

protected:
    bool recognise(const DisplayIdentity& identity) override;
};
