#include "displays/CurrentDisplays.h"

#include "platform/DisplayEnumeration.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"

#include <QDebug>
#include <QMutexLocker>
#include <QRecursiveMutex>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

struct DisplayFlags
{
    bool internalSensor = false;
    bool ambientSensor = false;
    bool sensorCorrelation = false;
    int calibrationPercent = 0;
};

struct State
{
    QRecursiveMutex mutex;
    DisplayEnumerator displays;
    std::vector<int> ids;
    bool refreshed = false;
    std::map<int, DisplayFlags> flags;
    // Serials the user set by hand, by display id; they outlive re-enumerations.
    std::map<int, QString> userSerials;
    // The outputs the list was made from, while nobody added or removed an entry by hand: the
    // same outputs give the same list, so their EDIDs need not be read and parsed again.
    std::optional<QList<DisplayOutput>> outputs;
};

State& state()
{
    static State s;
    return s;
}

// The same physical display by what the hardware says, not by names the user may have changed.
bool sameDisplay(const DisplayInfo& a, const DisplayInfo& b)
{
    return a.detectSerial() == b.detectSerial() && a.shortManufacturer() == b.shortManufacturer() &&
           a.productCode() == b.productCode();
}

// Ids for a fresh enumeration: a display seen before keeps its id, so objects, LUTs and user
// serials held by id stay with the same physical display when others come and go; a new display
// gets an id no display had.
std::vector<int> carryIds(const DisplayEnumerator& before, const std::vector<int>& oldIds,
                          DisplayEnumerator& after)
{
    std::vector<int> ids(after.Count(), -1);
    std::vector<bool> taken(before.Count(), false);
    int next = oldIds.empty() ? 0 : *std::max_element(oldIds.begin(), oldIds.end()) + 1;
    for (unsigned i = 0; i < after.Count(); ++i) {
        for (unsigned j = 0; j < before.Count() && j < oldIds.size(); ++j) {
            if (!taken[j] && sameDisplay(before.GetDisplay(j), after[i])) {
                taken[j] = true;
                ids[i] = oldIds[j];
                break;
            }
        }
    }
    for (int& id : ids) {
        if (id < 0)
            id = next++;
    }
    return ids;
}

int indexOf(const State& s, int id)
{
    const auto it = std::find(s.ids.begin(), s.ids.end(), id);
    return it == s.ids.end() ? -1 : static_cast<int>(it - s.ids.begin());
}

void applyUserSerials(State& s)
{
    for (const auto& [id, serial] : s.userSerials) {
        const int index = indexOf(s, id);
        if (index >= 0)
            s.displays[static_cast<unsigned>(index)].setSerial(serial);
    }
}

void replaceWith(State& s, DisplayEnumerator fresh, const QList<DisplayOutput>& outputs)
{
    s.ids = carryIds(s.displays, s.ids, fresh);
    s.displays = std::move(fresh);
    s.refreshed = true;
    s.outputs = outputs;
    applyUserSerials(s);
}

QList<DisplayOutput> activeOutputs()
{
    return Platform::backend().displayEnumeration().activeOutputs();
}

DisplayEnumerator enumerate(const QList<DisplayOutput>& outputs)
{
    DisplayEnumerator fresh;
    fresh.EnumerateDisplays(outputs);
    return fresh;
}

} // namespace

void CurrentDisplays::Refresh()
{
    State& s = state();
    QMutexLocker locker(&s.mutex);
    if (s.refreshed)
        return;
    const QList<DisplayOutput> outputs = activeOutputs();
    replaceWith(s, enumerate(outputs), outputs);
}

void CurrentDisplays::NonCachedRefresh()
{
    State& s = state();
    QMutexLocker locker(&s.mutex);
    const std::map<int, QString> saved = currentUserSerials();
    const QList<DisplayOutput> outputs = activeOutputs();
    replaceWith(s, enumerate(outputs), outputs);
    restoreUserSerials(saved);
}

bool CurrentDisplays::IsDisplaysChanged()
{
    const QList<DisplayOutput> outputs = activeOutputs();
    State& s = state();
    {
        QMutexLocker locker(&s.mutex);
        if (s.outputs == outputs)
            return false;
    }
    DisplayEnumerator fresh = enumerate(outputs);
    QMutexLocker locker(&s.mutex);
    bool changed = fresh.Count() != s.displays.Count();
    for (unsigned i = 0; i < fresh.Count() && !changed; ++i)
        changed = fresh[i].detectSerial() != s.displays[i].detectSerial();
    if (changed) {
        qDebug() << "CurrentDisplays::IsDisplaysChanged()" << s.displays.Count() << "displays before,"
                 << fresh.Count() << "now";
        replaceWith(s, std::move(fresh), outputs);
    } else {
        s.outputs = outputs;
    }
    return changed;
}

void CurrentDisplays::RefreshDisplaysGeometry()
{
    qDebug() << "CurrentDisplays::RefreshDisplaysGeometry() begin";
    DisplayEnumerator fresh = enumerate(activeOutputs());
    State& s = state();
    {
        QMutexLocker locker(&s.mutex);
        for (unsigned i = 0; i < s.displays.Count(); ++i) {
            for (unsigned j = 0; j < fresh.Count(); ++j) {
                if (fresh[j].deviceName() != s.displays[i].deviceName() ||
                    !sameDisplay(fresh[j], s.displays[i]))
                    continue;
                s.displays[i].setRect(fresh[j].rect());
                s.displays[i].setResolution(fresh[j].width(), fresh[j].height());
                s.displays[i].setPhysicalSize(fresh[j].widthMm(), fresh[j].heightMm());
                break;
            }
        }
    }
    qDebug() << "CurrentDisplays::RefreshDisplaysGeometry() end";
}

unsigned CurrentDisplays::DisplayCount()
{
    State& s = state();
    QMutexLocker locker(&s.mutex);
    return s.displays.Count();
}

int CurrentDisplays::DisplayId(unsigned index)
{
    State& s = state();
    QMutexLocker locker(&s.mutex);
    return index < s.ids.size() ? s.ids[index] : -1;
}

void CurrentDisplays::SetDisplayId(unsigned index, int id)
{
    State& s = state();
    QMutexLocker locker(&s.mutex);
    if (index >= s.ids.size()) {
        qWarning() << "CurrentDisplays::SetDisplayId() no display at index" << index;
        return;
    }
    const int old = s.ids[index];
    s.ids[index] = id;
    // Whatever was kept under the old handle belongs to the display, not to the number.
    if (old != id) {
        if (auto it = s.userSerials.find(old); it != s.userSerials.end()) {
            s.userSerials[id] = it->second;
            s.userSerials.erase(old);
        }
        if (auto it = s.flags.find(old); it != s.flags.end()) {
            s.flags[id] = it->second;
            s.flags.erase(old);
        }
    }
}

DisplayInfo CurrentDisplays::Display(unsigned index)
{
    State& s = state();
    QMutexLocker locker(&s.mutex);
    if (index >= s.displays.Count()) {
        qWarning() << "CurrentDisplays::Display() no display at index" << index;
        return DisplayInfo();
    }
    return s.displays[index];
}

DisplayInfo CurrentDisplays::DisplayById(int id)
{
    Refresh();
    State& s = state();
    QMutexLocker locker(&s.mutex);
    const int index = indexOf(s, id);
    if (index < 0)
        return DisplayInfo();
    return s.displays[static_cast<unsigned>(index)];
}

bool CurrentDisplays::IsDisplayConnected(int id)
{
    State& s = state();
    QMutexLocker locker(&s.mutex);
    return indexOf(s, id) >= 0;
}

int CurrentDisplays::displayIdByCoordinates(int x, int y)
{
    State& s = state();
    QMutexLocker locker(&s.mutex);
    for (unsigned i = 0; i < s.displays.Count() && i < s.ids.size(); ++i) {
        if (s.displays[i].containsPoint(x, y))
            return s.ids[i];
    }
    return -1;
}

void CurrentDisplays::RemoveDisplayByIndex(unsigned index)
{
    State& s = state();
    QMutexLocker locker(&s.mutex);
    if (index >= s.displays.Count())
        return;
    s.displays.RemoveDisplay(index);
    s.ids.erase(s.ids.begin() + index);
    s.outputs.reset();
}

void CurrentDisplays::AddDisplay(int id, const DisplayInfo& display)
{
    State& s = state();
    QMutexLocker locker(&s.mutex);
    s.displays.AddDisplay(display);
    s.ids.push_back(id);
    s.outputs.reset();
}

void CurrentDisplays::Clear()
{
    State& s = state();
    QMutexLocker locker(&s.mutex);
    s.displays.ClearInformation();
    s.ids.clear();
    s.flags.clear();
    s.userSerials.clear();
    s.refreshed = false;
    s.outputs.reset();
}

void CurrentDisplays::setDisplaySerial(int id, QString serial)
{
    State& s = state();
    QMutexLocker locker(&s.mutex);
    const int index = indexOf(s, id);
    if (index < 0) {
        qWarning() << "CurrentDisplays::setDisplaySerial() no display with id" << id;
        return;
    }
    s.displays[static_cast<unsigned>(index)].setSerial(serial);
    s.userSerials[id] = serial;
}

void CurrentDisplays::setStoredSerial(unsigned index, const QString& serial)
{
    State& s = state();
    QMutexLocker locker(&s.mutex);
    if (index < s.displays.Count())
        s.displays[index].setSerial(serial);
}

void CurrentDisplays::setDisplayName(int id, QString name)
{
    State& s = state();
    QMutexLocker locker(&s.mutex);
    const int index = indexOf(s, id);
    if (index < 0) {
        qWarning() << "CurrentDisplays::setDisplayName() no display with id" << id;
        return;
    }
    s.displays[static_cast<unsigned>(index)].setName(name);
}

std::map<int, QString> CurrentDisplays::currentUserSerials()
{
    State& s = state();
    QMutexLocker locker(&s.mutex);
    return s.userSerials;
}

void CurrentDisplays::restoreUserSerials(std::map<int, QString> serials)
{
    State& s = state();
    QMutexLocker locker(&s.mutex);
    for (auto& [id, serial] : serials)
        s.userSerials[id] = std::move(serial);
    applyUserSerials(s);
}

QString CurrentDisplays::GetVideoCardName(int id)
{
    State& s = state();
    QMutexLocker locker(&s.mutex);
    const int index = indexOf(s, id);
    return index < 0 ? QString() : s.displays.videoCard(static_cast<unsigned>(index)).name;
}

QString CurrentDisplays::GetVideoCardKey(int id)
{
    State& s = state();
    QMutexLocker locker(&s.mutex);
    const int index = indexOf(s, id);
    return index < 0 ? QString() : s.displays.videoCard(static_cast<unsigned>(index)).key;
}

void CurrentDisplays::setInternalSensor(int id, bool present)
{
    State& s = state();
    QMutexLocker locker(&s.mutex);
    s.flags[id].internalSensor = present;
}

bool CurrentDisplays::internalSensor(int id)
{
    State& s = state();
    QMutexLocker locker(&s.mutex);
    const auto it = s.flags.find(id);
    return it != s.flags.end() && it->second.internalSensor;
}

void CurrentDisplays::setAmbientSensor(int id, bool present)
{
    State& s = state();
    QMutexLocker locker(&s.mutex);
    s.flags[id].ambientSensor = present;
}

bool CurrentDisplays::ambientSensor(int id)
{
    State& s = state();
    QMutexLocker locker(&s.mutex);
    const auto it = s.flags.find(id);
    return it != s.flags.end() && it->second.ambientSensor;
}

void CurrentDisplays::setSensorCorrelationSupport(int id, bool supported)
{
    State& s = state();
    QMutexLocker locker(&s.mutex);
    s.flags[id].sensorCorrelation = supported;
}

bool CurrentDisplays::sensorCorrelationSupport(int id)
{
    State& s = state();
    QMutexLocker locker(&s.mutex);
    const auto it = s.flags.find(id);
    return it != s.flags.end() && it->second.sensorCorrelation;
}

void CurrentDisplays::clearInternalSensorForAll()
{
    State& s = state();
    QMutexLocker locker(&s.mutex);
    for (auto& [id, flags] : s.flags)
        flags.internalSensor = false;
}

void CurrentDisplays::setDisplayCalibrationPathInPercents(int id, int percent)
{
    State& s = state();
    QMutexLocker locker(&s.mutex);
    s.flags[id].calibrationPercent = std::clamp(percent, 0, 100);
}

int CurrentDisplays::displayCalibrationPathInPercents(int id)
{
    State& s = state();
    QMutexLocker locker(&s.mutex);
    const auto it = s.flags.find(id);
    return it == s.flags.end() ? 0 : it->second.calibrationPercent;
}
