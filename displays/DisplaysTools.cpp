#include "displays/DisplaysTools.h"

#include "displays/BaseDisplay.h"
#include "displays/CurrentDisplays.h"
#include "displays/DDCCIFactory.h"
#include "displays/DisplayFactory.h"

#include <QDebug>

#include <algorithm>
#include <vector>

namespace {

constexpr int MinimumSwitchOffDelayMs = 4000;

std::vector<int> currentDisplayIds()
{
    std::vector<int> ids;
    for (unsigned i = 0; i < CurrentDisplays::DisplayCount(); ++i)
        ids.push_back(CurrentDisplays::DisplayId(i));
    return ids;
}

std::shared_ptr<BaseDisplay> powerDisplay(int displayId)
{
    return DisplayFactory::cachedDetect(displayId, DISPIFACE_POWER, DISPIFACE_NONE, 1, false);
}

} // namespace

// Displays that left since they were pooled are released too: after a change of the
// display set their ids are no longer among the current ones.
void DisplaysTools::releaseDisplays()
{
    std::vector<int> ids = currentDisplayIds();
    const std::vector<int> cached = DisplayFactory::cachedIds();
    const std::vector<int> channels = DDCCIFactory::pooledIds();
    ids.insert(ids.end(), cached.begin(), cached.end());
    ids.insert(ids.end(), channels.begin(), channels.end());
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    for (const int id : ids) {
        DisplayFactory::releaseCachedDisplay(id);
        DDCCIFactory::releaseDDCCI(id);
    }
}

void DisplaysTools::turnOn(bool release)
{
    qDebug() << "DisplaysTools::turnOn release=" << release;
    for (const int id : currentDisplayIds()) {
        if (std::shared_ptr<BaseDisplay> display = powerDisplay(id)) {
            display->on();
            if (!display->ok())
                qDebug() << "DisplaysTools::turnOn display" << id << "did not switch on";
            display->unlockHardware();
        }
        if (release) {
            DisplayFactory::releaseCachedDisplayIfUnused(id);
            DDCCIFactory::releaseDDCCIIfUnused(id);
        }
    }
}

void DisplaysTools::TurnOffDisplays(int* delayMs)
{
    qDebug() << "DisplaysTools::TurnOffDisplays";
    int delay = MinimumSwitchOffDelayMs;
    for (const int id : currentDisplayIds()) {
        std::shared_ptr<BaseDisplay> display = powerDisplay(id);
        if (!display)
            continue;
        display->off();
        if (!display->ok())
            qDebug() << "DisplaysTools::TurnOffDisplays display" << id << "did not switch off";
        display->unlockHardware();
        delay = std::max(delay, display->displaySwitchingOffDelayMs());
    }
    if (delayMs)
        *delayMs = delay;
}
