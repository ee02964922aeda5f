#pragma once

#include "platform/DisplayEnumeration.h"

#include <QString>

// Display outputs on Linux. The desktop (outputs, CRTCs, rectangles) comes from XRandR on the X
// display named by $DISPLAY; EDIDs and video cards come from the DRM connectors in sysfs
// (<drm root>/card*-*/edid and status, the card's PCI id and driver), with the RandR output
// property "EDID" for outputs that DRM does not show. An output is paired with its connector by
// EDID, else by name, else (one output and one connector left over) by elimination. Without an X
// display the connected DRM connectors are listed alone, without desktop rectangles.
class LinuxDisplayEnumeration : public DisplayEnumeration
{
public:
    explicit LinuxDisplayEnumeration(QString drmRoot = QStringLiteral("/sys/class/drm"));

    QList<DisplayOutput> activeOutputs() const override;

    struct Connector
    {
        QString path; // "card0-DP-1"
        QString name; // "DP-1"
        QString card; // "card0"
        bool connected = false;
        bool enabled = false;
        QByteArray edid;
    };
    struct Card
    {
        QString name; // "1002:6613 amdgpu"
        QString key;  // "0000:01:00.0", or the card's folder when it has no PCI slot
    };
    // The DRM connectors and the card of each, as sysfs shows them now.
    QList<Connector> drmConnectors() const;
    Card drmCard(const QString& card) const;

private:
    QList<DisplayOutput> fromX11(const QList<Connector>& connectors) const;
    QList<DisplayOutput> fromDrm(const QList<Connector>& connectors) const;
    void describeCard(DisplayOutput& output, const Connector& connector) const;
    void takeConnector(DisplayOutput& output, const Connector& connector) const;
    void pairWithConnectors(QList<DisplayOutput>& outputs, QList<Connector> connectors,
                            const QString& screenKey, const QString& screenName) const;

    QString m_drmRoot;
};
