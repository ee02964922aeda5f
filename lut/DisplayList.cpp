#include "lut/DisplayList.h"

#include "db/DBDisplayCurrentLUT.h"
#include "db/DBDisplays.h"
#include "db/DBPreferences.h"
#include "displays/BaseDisplay.h"
#include "displays/CurrentDisplays.h"
#include "displays/DDCCIFactory.h"
#include "displays/DisplayFactory.h"
#include "lut/LUT.h"
#include "lut/ProfileLUT.h"

#include <QDebug>
#include <QRecursiveMutex>

#include <vector>

namespace {

QMutex g_instanceMutex;
// Recursive: detection serves events on the calling thread, and a slot run there may
// ask for a detection of its own.
QRecursiveMutex g_detectionMutex;

const QString COMMUNICATION_TYPE = QStringLiteral("CommunicationType");
const QString COMMUNICATION_PORT = QStringLiteral("CommunicationPort");
const QString SERIAL_NUMBER = QStringLiteral("SerialNumber");
const QString WHITE_LEVEL = QStringLiteral("WhiteLevel");

displayiface_t toInterface(int value)
{
    return value >= DISPIFACE_NONE && value <= DISPIFACE_POWER ? static_cast<displayiface_t>(value)
                                                               : DISPIFACE_NONE;
}

} // namespace

DisplayList& DisplayList::instance()
{
    QMutexLocker lock(&g_instanceMutex);
    static DisplayList list;
    return list;
}

template <typename Change> void DisplayList::withState(int id, Change change)
{
    QMutexLocker lock(&m_mutex);
    change(m_displays[id]);
}

std::shared_ptr<BaseDisplay> DisplayList::GetDisplayInstanceById(int id)
{
    std::shared_ptr<BaseDisplay> display;
    withState(id, [&](DisplayState& state) { display = state.display; });
    return display;
}

bool DisplayList::isDisplayCalibrated(int id)
{
    bool calibrated = false;
    withState(id, [&](DisplayState& state) { calibrated = state.calibrated; });
    return calibrated;
}

void DisplayList::SetDisplayCalibrated(int id, bool calibrated)
{
    withState(id, [&](DisplayState& state) { state.calibrated = calibrated; });
}

bool DisplayList::isDisplayBlockedByAmbient(int id)
{
    bool blocked = false;
    withState(id, [&](DisplayState& state) { blocked = state.blockedByAmbient; });
    return blocked;
}

void DisplayList::setDisplayBlockedByAmbient(int id, bool blocked)
{
    qDebug() << "setDisplayBlockedByAmbient" << id << blocked;
    withState(id, [&](DisplayState& state) { state.blockedByAmbient = blocked; });
}

bool DisplayList::isDisplayWarmed(int id)
{
    const std::shared_ptr<BaseDisplay> display = GetDisplayInstanceById(id);
    return !display || display->isDisplayWarmed();
}

displayiface_t DisplayList::displayInterface(int id)
{
    displayiface_t iface = DISPIFACE_NONE;
    withState(id, [&](DisplayState& state) { iface = state.interface; });
    return iface;
}

void DisplayList::updateDisplayIfNeeded(int id, displayiface_t iface)
{
    qDebug() << "updateDisplayIfNeeded" << id << iface;
    // Held across check and detection, so two threads never both decide to re-detect.
    QMutexLocker detection(&g_detectionMutex);
    std::shared_ptr<BaseDisplay> old;
    {
        QMutexLocker lock(&m_mutex);
        DisplayState& state = m_displays[id];
        if (state.interface == iface && state.display)
            return;
        old = std::move(state.display);
    }
    qDebug() << "updateDisplayIfNeeded - need to redetect";
    if (old) {
        qDebug() << "updateDisplayIfNeeded start to delete";
        // A load still holding the object keeps it until it ends.
        old.reset();
        qDebug() << "updateDisplayIfNeeded deleted";
    }
    detectDisplay(id, iface);
    qDebug() << "updateDisplayIfNeeded finished";
}

void DisplayList::detectDisplay(int id, displayiface_t iface)
{
    qDebug() << "DisplayList::detectDisplay" << id << iface;
    QMutexLocker detection(&g_detectionMutex);
    qDebug() << "locked";
    DBDisplays displays;
    const QString communicationType = displays.getDisplayInfo(id, COMMUNICATION_TYPE);
    const int port = displays.getDisplayInfo(id, COMMUNICATION_PORT).toInt();
    const displayiface_t lutIface = toInterface(DBDisplayCurrentLUT().lutType(id));
    qDebug() << "Lut init1"
             << "type" << communicationType << "port" << port << "lut" << lutIface;

    std::shared_ptr<BaseDisplay> display(DisplayFactory::detect(id, iface, lutIface, port, false));
    if (!display) {
        qDebug() << "display not found" << id;
        store(id, nullptr, iface);
        return;
    }
    recordCapabilities(id, *display);
    prepareLUT(id, *display);
    store(id, std::move(display), iface);
}

void DisplayList::store(int id, std::shared_ptr<BaseDisplay> display, displayiface_t iface)
{
    std::shared_ptr<BaseDisplay> old;
    {
        QMutexLocker lock(&m_mutex);
        DisplayState& state = m_displays[id];
        old = std::exchange(state.display, std::move(display));
        state.interface = iface;
    }
    if (old && old->attachedLUT())
        qDebug() << "Lut deinit1" << id;
}

void DisplayList::recordCapabilities(int id, BaseDisplay& display)
{
    DBDisplays displays;
    // A sensor built into the display also reads the room light: the ambient-light task
    // measures through it, so the display table must say the display can.
    const bool builtInSensor = display.sensor() != nullptr;
    displays.SetIsAmbientSensorSupport(id, display.hasAmbientSensor() || builtInSensor);
    displays.setSensorCorrectionSupport(id, display.sensorHavePatch());
    displays.SetISensorSupport(id, builtInSensor ? QStringLiteral("true") : QStringLiteral("false"));
    const QStringList lutNames = display.GetLUTNames();
    qDebug() << "lutNames" << lutNames.join(QStringLiteral(", "));
    displays.setLUTNames(id, lutNames);

    const QString userSerial = display.getUserFriendlySerialNumber();
    if (!userSerial.isEmpty() && userSerial != displays.getDisplayInfo(id, SERIAL_NUMBER)) {
        qDebug() << "Update user SN" << id << userSerial;
        displays.setDisplayInfo(id, SERIAL_NUMBER, userSerial);
        CurrentDisplays::setDisplaySerial(id, userSerial);
    }

    const int commMode = display.GetCommunicationMode();
    qDebug() << "display commmode" << commMode;
    if (displays.GetCommMode(id) != commMode) {
        displays.SetCommMode(id, commMode);
        qDebug() << "display commmode2" << displays.GetCommMode(id);
    }
    const int type = display.communicationInterface();
    qDebug().noquote() << "Comunication type:" + QString::number(type) + " display:" + QString::number(id);
    if (type >= 0 && displays.GetCommunicationType(id) != type)
        displays.SetCommunicationType(id, type);

    int minLow = 0, minHigh = 0, maxLow = 0, maxHigh = 0;
    if (display.hasSpecificWhiteLevelRange(minLow, minHigh, maxLow, maxHigh)) {
        DBPreferences preferences;
        bool preferred = false;
        const int whiteLevel = preferences.getValue(WHITE_LEVEL).toInt(&preferred);
        if (preferred && maxHigh > 0 && maxHigh < whiteLevel) {
            qDebug().noquote() << "new white level max: " + QString::number(maxHigh) + " display " +
                                      QString::number(id);
            preferences.setValue(WHITE_LEVEL, QString::number(maxHigh));
        }
    }
}

// A video-card LUT keeps the display's own profile in step with the card, so it gets
// that profile before its first upload.
void DisplayList::prepareLUT(int id, BaseDisplay& display)
{
    auto* profileLut = qobject_cast<ProfileLUT*>(display.attachedLUT());
    if (!profileLut || profileLut->isProfileAttached())
        return;
    const QString deviceName = CurrentDisplays::DisplayById(id).deviceName();
    if (deviceName.isEmpty()) {
        qDebug() << "DisplayList: display" << id << "has no output; its profile is not kept";
        return;
    }
    profileLut->attachCurrentProfile(id, deviceName);
}

void DisplayList::addDisplay(int id)
{
    detectDisplay(id, toInterface(DBDisplayCurrentLUT().lutType(id)));
}

void DisplayList::clearDisplays()
{
    Map cleared;
    {
        QMutexLocker lock(&m_mutex);
        cleared.swap(m_displays);
        // What held a display back was the room's light, not its object: it stays held back
        // until the ambient task measures the room again.
        for (const auto& [id, state] : cleared) {
            if (state.blockedByAmbient)
                m_displays[id].blockedByAmbient = true;
        }
    }
    for (auto& [id, state] : cleared) {
        state.display.reset();
        DDCCIFactory::releaseDDCCI(id);
    }
}

DisplayList::Locked DisplayList::lockedDisplays()
{
    return Locked(m_mutex, m_displays);
}

std::map<int, std::shared_ptr<BaseDisplay>> DisplayList::displayObjects()
{
    std::map<int, std::shared_ptr<BaseDisplay>> objects;
    QMutexLocker lock(&m_mutex);
    for (const auto& [id, state] : m_displays) {
        if (state.display)
            objects.emplace(id, state.display);
    }
    return objects;
}
