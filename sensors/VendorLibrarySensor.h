#pragma once

#include "sensors/CSensor.h"

#include <QStringList>

#include <memory>

class QLibrary;

// A device family driven through its maker's closed library, loaded by name when the device is
// first asked for. The library's calling conventions are the maker's and are not part of this
// program, so a family answers only that its library is there or not: IsConnected() stays false
// either way, with one log line saying why, and nothing the library does can crash the caller.
// A family with no library named and no protocol known is a shell that says so the same way.
class VendorLibrarySensor : public CSensor
{
    Q_OBJECT
public:
    struct Driver
    {
        QString vendor;
        QString model;
        // The library's file names, tried in order (the maker's Windows name first, then the
        // names it ships for Linux, if any). Empty: the family has no known way in.
        QStringList libraries;
        // Entry points the program relies on; a library without them is not the maker's.
        QStringList symbols;
        // Why a family without a library cannot be driven.
        QString shellReason;
        bool color = true;
    };

    ~VendorLibrarySensor() override;

    bool SetParameters() override { return false; }
    bool setMeasuringType(int type) override { return IsMeasuringTypeSupport(type); }
    bool IsConnected() override;
    bool hasConnectionProblems(QString& message) override;
    void DestroyConnectionHandle() override;
    bool InternalCalibrate() override { return false; }
    bool DoMeasure() override { return false; }
    bool IsColor() override { return m_driver.color; }
    QString vendor() override { return m_driver.vendor; }
    QString model() override { return m_driver.model; }
    QString serial() override { return {}; }

    const Driver& driver() const { return m_driver; }

protected:
    VendorLibrarySensor(sensortype_t manufacturer, conniface_t iface, Driver driver);

private:
    QString className() const;

    Driver m_driver;
    std::unique_ptr<QLibrary> m_library;
    QString m_problem;
};
