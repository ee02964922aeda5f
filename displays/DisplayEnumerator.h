#pragma once

#include "displays/DisplayInfo.h"
#include "displays/VideoCardInfo.h"
#include "platform/DisplayOutput.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

class DisplayEnumeration;

// One enumeration of the attached displays: a DisplayInfo and a VideoCardInfo per display, in the
// system's order, with identities from the EDIDs and vendor corrections applied (split halves of
// wide displays joined, LG serials reconciled with the displays' COM-port identities).
class DisplayEnumerator
{
public:
    // What an LG medical display reports over its COM port: bytes 4 to 16 carry its serial,
    // bytes 17 to 29 its model name (blank- or zero-padded).
    struct LGPortIdentity
    {
        QString port;
        QByteArray block;
    };
    using LGPortSource = std::function<QList<LGPortIdentity>()>;

    // Enumerates through `source`, or through the active platform backend when null.
    explicit DisplayEnumerator(const DisplayEnumeration* source = nullptr);

    void EnumerateDisplays();
    // The same for outputs listed already (by the source or another caller).
    void EnumerateDisplays(const QList<DisplayOutput>& outputs);
    void ClearInformation();
    unsigned Count() const;
    DisplayInfo GetDisplay(unsigned index) const;
    DisplayInfo& operator[](unsigned index);
    void RemoveDisplay(unsigned index);
    void AddDisplay(const DisplayInfo& display);
    // Completes an output's DisplayInfo from its EDID and appends it with its video card.
    void FillInfo(const DisplayInfo& output);
    QString GetVideocardNameByKey(const QString& key) const;
    VideoCardInfo videoCard(unsigned index) const;

    // Where LG displays' COM-port identities come from instead of the machine's serial ports
    // (LGMedicalPorts); null restores those. Process-wide.
    static void setLGPortSource(LGPortSource source);

    static bool isWideLeftPart(const DisplayInfo& display);
    static bool isWideRightPart(const DisplayInfo& display);
    static bool isEizoPart(const DisplayInfo& display);
    static QString lgSerialText(const QByteArray& block);
    static QString lgNameText(const QByteArray& block);

private:
    void reconcileLGSerials();
    void joinWideDisplays();
    void joinEizoDisplays();
    void joinHalves(bool (*isFirst)(const DisplayInfo&), bool (*isSecond)(const DisplayInfo&), bool eizo);
    void takeToolkitScreenSizes();

    const DisplayEnumeration* m_source;
    QList<DisplayInfo> m_displays;
    QList<VideoCardInfo> m_cards;
};
