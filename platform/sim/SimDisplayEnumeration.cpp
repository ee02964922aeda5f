#include "platform/sim/SimDisplayEnumeration.h"

#include "platform/sim/SimWorkstation.h"

#include <QDebug>
#include <QHash>

SimDisplayEnumeration::SimDisplayEnumeration(const SimWorkstation& workstation) : m_workstation(workstation)
{
}

QList<DisplayOutput> SimDisplayEnumeration::activeOutputs() const
{
    QList<DisplayOutput> outputs;
    // Each card drives its displays on CRTCs 0, 1, ... in file order, plugged or not, so a
    // display keeps its CRTC across hot-plugs of its neighbours.
    QHash<QString, int> nextCrtc;
    for (const SimDisplay& display : m_workstation.displays()) {
        const int crtc = nextCrtc[display.cardId]++;
        if (!display.connected)
            continue;
        const std::optional<SimVideoCard> card = m_workstation.videoCard(display.cardId);
        DisplayOutput output;
        output.deviceName = display.output;
        output.deviceString = display.cardId + QLatin1Char('-') + display.output;
        output.videoCardName = card ? card->name : QString();
        output.videoCardKey = card ? card->id : display.cardId;
        output.rect = display.rect;
        output.resolution = display.rect.size();
        output.edid = display.edid;
        output.crtc = crtc;
        if (!card)
            qWarning() << "SimDisplayEnumeration::activeOutputs() display" << display.output
                       << "names unknown card" << display.cardId;
        outputs.append(output);
    }
    return outputs;
}
