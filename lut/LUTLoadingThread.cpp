#include "lut/LUTLoadingThread.h"

#include "db/DBDisplayCurrentLUT.h"
#include "db/DBDisplays.h"
#include "db/DBUniformity.h"
#include "displays/BaseDisplay.h"
#include "displays/CurrentDisplays.h"
#include "lut/DisplayList.h"
#include "lut/GammaRampScaler.h"
#include "lut/StoredTableCheck.h"
#include "platform/DisplayEnumeration.h"
#include "platform/OSUtils.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"

#include <QDebug>

#include <algorithm>
#include <array>

namespace {

// LUT interfaces whose display keeps several tables and loads into the selected one.
bool hasSelectableTables(displayiface_t iface)
{
    return iface == DISPIFACE_SERIAL || iface == DISPIFACE_DDCCI || iface == DISPIFACE_USB;
}

displayiface_t toInterface(int value)
{
    return value >= DISPIFACE_NONE && value <= DISPIFACE_POWER ? static_cast<displayiface_t>(value)
                                                               : DISPIFACE_NONE;
}

// No target takes more entries than a 16-bit input has levels; a level beyond that is damage.
constexpr int LARGEST_TABLE = 65536;

// DisplayCurrentLUT writes 0 for "no correction"; older rows carry -1.
bool hasUniformity(int uniformityId)
{
    return uniformityId > 0;
}

} // namespace

LUTLoadingThread::LUTLoadingThread(QObject* parent) : QThread(parent) {}

LUTLoadingThread::~LUTLoadingThread()
{
    wait();
    DisplayList::instance().clearDisplays();
}

bool LUTLoadingThread::start(int displayId, bool load)
{
    if (isRunning()) {
        qWarning() << "LUTLoadingThread::start() display" << displayId
                   << "refused: the previous load is still running for display" << m_displayId;
        return false;
    }
    m_displayId = displayId;
    m_load = load;
    m_lastFailure.clear();
    m_lastCalibrated = false;
    m_lastDisplayLeft = false;
    QThread::start(QThread::InheritPriority);
    return true;
}

void LUTLoadingThread::forceLutActivation(int displayId)
{
    QMutexLocker lock(&m_mapsMutex);
    m_forceActivation[displayId] = true;
}

void LUTLoadingThread::forceLUTUploadInFuture(int displayId)
{
    QMutexLocker lock(&m_mapsMutex);
    m_activatedOnce[displayId] = true;
}

bool LUTLoadingThread::isLUTAvailable(int displayId, bool /*load*/)
{
    const DBDisplayCurrentLUT::Channels channels = DBDisplayCurrentLUT().readEntryByDisplayId(displayId);
    for (const auto& channel : channels) {
        if (!channel.empty())
            return true;
    }
    return false;
}

void LUTLoadingThread::run()
{
    loadLUT();
    m_lastDisplayLeft = m_load && !m_lastCalibrated && outputGone(m_displayId);
    Q_EMIT signalLutThreadFinished();
}

// A display unplugged while it was loaded fails its load, which says nothing about whether it
// should be calibrated when it comes back. Asked of the system afresh: the cached display list
// still holds the display until the refresh for the unplug.
bool LUTLoadingThread::outputGone(int displayId)
{
    const QString output = CurrentDisplays::DisplayById(displayId).deviceName();
    if (output.isEmpty())
        return false;
    const QList<DisplayOutput> active = Platform::backend().displayEnumeration().activeOutputs();
    const bool gone = std::none_of(active.begin(), active.end(),
                                   [&output](const DisplayOutput& o) { return o.deviceName == output; });
    if (gone)
        qDebug().noquote() << "LUTLoadingThread::loadLUT() display=" + QString::number(displayId) +
                                  ": its output " + output + " has gone";
    return gone;
}

void LUTLoadingThread::loadLUT()
{
    const int id = m_displayId;
    qDebug().noquote() << "LUTLoadingThread::loadLUT() display=" + QString::number(id);
    const int lutType = DBDisplayCurrentLUT().lutType(id);
    DisplayList& list = DisplayList::instance();
    list.updateDisplayIfNeeded(id, toInterface(lutType));

    // Held to the end, so a re-detection or a clear on another thread cannot pull it away.
    const std::shared_ptr<BaseDisplay> display = list.GetDisplayInstanceById(id);
    if (!display || !display->ok()) {
        qDebug() << "LUTLoadingThread::loadLUT() no display";
        return;
    }
    LUT* lut = display->lut();
    if (!lut || !lut->ok()) {
        qDebug() << "LUTLoadingThread::loadLUT() no display lut";
        return;
    }

    const std::array<QMetaObject::Connection, 3> relays{
        connect(lut, &LUT::signalStartLUTUpload, this, &LUTLoadingThread::signalStartLUTUpload,
                Qt::DirectConnection),
        connect(lut, &LUT::signalFinishLUTUpload, this, &LUTLoadingThread::signalFinishLUTUpload,
                Qt::DirectConnection),
        connect(lut, &LUT::signalLUTUploadProgress, this, &LUTLoadingThread::signalLUTUploadProgress,
                Qt::DirectConnection)};
    qDebug() << "LUTLoadingThread::loadLUT() - 2";
    qDebug() << "LUTLoadingThread::loadLUT() display interface=" << lut->communicationInterface();
    display->hardwareReconnect();
    lut->hardwareReconnect();
    qDebug() << "LUTLoadingThread::loadLUT() - 4" << m_load;
    const int uniformityId = DBDisplayCurrentLUT().uniformityId(id);

    if (!m_load) {
        unload(*lut, uniformityId);
    } else {
        const Identity identity = checkIdentity();
        if (identity == Identity::Other)
            refuseForeignLUT();
        else if (!skipOnStart(*lut))
            load(*display, *lut, uniformityId, identity);
    }

    for (const QMetaObject::Connection& relay : relays)
        disconnect(relay);
    display->unlockHardware();
    lut->unlockHardware();
    qDebug() << "LUTLoadingThread::loadLUT() finished";
}

void LUTLoadingThread::markCalibrated(bool calibrated)
{
    m_lastCalibrated = calibrated;
    DisplayList::instance().SetDisplayCalibrated(m_displayId, calibrated);
}

void LUTLoadingThread::unload(LUT& lut, int uniformityId)
{
    const bool deactivated = lut.Deactivate();
    if (deactivated && hasUniformity(uniformityId))
        lut.DeactivateUniformity();
    markCalibrated(false);
    if (!deactivated)
        Q_EMIT signalFailLUTUpload();
}

bool LUTLoadingThread::skipOnStart(LUT& lut)
{
    {
        QMutexLocker lock(&m_mapsMutex);
        if (m_activatedOnce.count(m_displayId) != 0)
            return false;
        m_activatedOnce[m_displayId] = true;
    }
    if (!lut.activateOnStartCanBeSkipped())
        return false;
    qDebug() << "LUTLoadingThread::loadLUT() activation skipped";
    markCalibrated(true);
    return true;
}

// A stored LUT belongs to the physical display it was written for; another display that
// was given the same id must not show it. Tables stored before the hash existed have
// none yet: they load, and their first good load records it.
LUTLoadingThread::Identity LUTLoadingThread::checkIdentity()
{
    DBDisplays displays;
    if (displays.getDisplayInfo(m_displayId, QStringLiteral("LastLUTHash")).isEmpty())
        return Identity::Unrecorded;
    return displays.checkCalibrationHash(m_displayId) ? Identity::Same : Identity::Other;
}

void LUTLoadingThread::refuseForeignLUT()
{
    qWarning().noquote() << "LUTLoadingThread::loadLUT() display=" + QString::number(m_displayId) +
                                ": the stored LUT was written for another display; not loaded";
    markCalibrated(false);
    Q_EMIT signalFailLUTUpload();
}

void LUTLoadingThread::load(BaseDisplay& /*display*/, LUT& lut, int uniformityId, Identity identity)
{
    const int lutType = DBDisplayCurrentLUT().lutType(m_displayId);
    if (hasSelectableTables(lut.communicationInterface()))
        selectStoredTable(lut);
    luts_t tables = storedTables(lut, lutType);
    if (tables.empty()) {
        // A damaged table is not loaded at all: what the display shows now stays, and
        // it is not reported as calibrated.
        {
            QMutexLocker lock(&m_mapsMutex);
            m_forceActivation[m_displayId] = false;
        }
        markCalibrated(false);
        Q_EMIT signalFailLUTUpload();
        return;
    }

    if (takeForceActivation()) {
        qDebug().noquote() << "force lut uploading for display" + QString::number(m_displayId);
        lut.forceLutActivation();
    }
    qDebug() << "force lut uploading for display AFTER";
    bool result = lut.Activate(tables);
    tables.clear();
    {
        QMutexLocker lock(&m_mapsMutex);
        qDebug() << "force lut uploading for display AFTER clear" << m_forceActivation.size() << m_displayId;
        m_forceActivation[m_displayId] = false;
    }

    if (result && hasUniformity(uniformityId)) {
        qDebug() << "applying uniformity";
        const std::vector<double> values = DBUniformity().GetUDataById(uniformityId);
        if (values.empty()) {
            // The display's calibration includes this correction: without it the display is not
            // in its calibrated state, whatever the table says.
            qWarning() << "LUTLoadingThread::loadLUT() uniformity" << uniformityId
                       << "is damaged or empty; the load fails";
            result = false;
        } else {
            lut.ActivateUniformity(values);
            result = lut.ok();
            if (!result)
                qWarning() << "LUTLoadingThread::loadLUT() uniformity" << uniformityId << "was refused";
        }
    }
    if (result && lut.ok()) {
        markCalibrated(true);
        if (identity == Identity::Unrecorded)
            DBDisplays().addCalibrationHash(m_displayId);
        return;
    }
    m_lastFailure = QStringLiteral("display %1 did not take its stored LUT").arg(m_displayId);
    lut.Deactivate();
    markCalibrated(false);
    Q_EMIT signalFailLUTUpload();
}

void LUTLoadingThread::selectStoredTable(LUT& lut)
{
    const QString text = DBDisplays().getDisplayInfo(m_displayId, QStringLiteral("CurrentLUTIndex"));
    const int index = text.toInt();
    qDebug() << "Current LUT index:" << index;
    const int count = lut.GetLUTCount();
    if (index >= 0 && index < count) {
        lut.SetCurrentLUTIndex(index);
        qDebug() << "Current LUT index changed";
    } else {
        qDebug().noquote() << "Incorrect LUT index! LUT supports" + QString::number(count) + "tables";
    }
}

luts_t LUTLoadingThread::storedTables(LUT& lut, int lutType)
{
    const int channels = lut.ChannelsCount();
    const int size = lut.LUTSize();
    luts_t tables(static_cast<size_t>(std::max(channels, 0)));
    DBDisplayCurrentLUT stored;
    const int currentLutId = stored.currentLutId(m_displayId);
    const QList<DBDisplayCurrentLUT::Entry> entries =
        currentLutId < 0 ? QList<DBDisplayCurrentLUT::Entry>() : stored.readRawEntries(currentLutId);
    int storedSize = 0;
    QString reason;
    // A video-card table is stored at 16 bits whatever the card's own range (the ramp is scaled on
    // the way in); a table for the display's own LUT is stored in the display's units.
    const bool cardTable = lutType == DISPIFACE_VIDEOCARD || lutType == DISPIFACE_NONE;
    const int largestValue = cardTable ? std::max(lut.LUTMaxValue(), 65535) : lut.LUTMaxValue();
    if (!StoredTableCheck::checkEntries(entries, channels, largestValue, &reason)) {
        m_lastFailure =
            QStringLiteral("the stored table of display %1 is refused: %2").arg(m_displayId).arg(reason);
        qWarning().noquote() << "LUTLoadingThread::loadLUT()" << m_lastFailure;
        return {};
    }
    for (const DBDisplayCurrentLUT::Entry& entry : entries) {
        if (entry.channel >= 0 && entry.channel < channels && entry.ddl >= 0)
            storedSize = std::max(storedSize, entry.ddl + 1);
    }
    // A table calibrated for another size (an 8-bit card's 256 entries on a 10-bit output)
    // covers the whole input range all the same; taken entry for entry it would leave the
    // rest of the range black.
    const bool resample = storedSize >= 2 && storedSize <= LARGEST_TABLE && size >= 2 && storedSize != size;
    const int width = resample ? storedSize : size;
    int filled = 0;
    for (const DBDisplayCurrentLUT::Entry& entry : entries) {
        if (entry.channel < 0 || entry.channel >= channels || entry.ddl < 0 || entry.ddl >= width)
            continue;
        std::vector<int>& channel = tables[static_cast<size_t>(entry.channel)];
        channel.resize(static_cast<size_t>(width), 0);
        channel[static_cast<size_t>(entry.ddl)] = entry.value;
        ++filled;
    }
    if (resample && filled > 0) {
        qDebug() << "LUTLoadingThread::loadLUT() stored table of" << storedSize << "entries resampled to"
                 << size << "for display" << m_displayId;
        filled = 0;
        for (std::vector<int>& channel : tables) {
            if (channel.empty())
                continue;
            const std::vector<std::uint16_t> resized = GammaRampScaler::toRamp(channel, size);
            channel.assign(resized.begin(), resized.end());
            filled += size;
        }
    }
    if (filled == 0)
        qDebug() << "LUTLoadingThread::loadLUT() - nothing to activate";
    qDebug().noquote() << "!!!! LUT activation. lut interface=" +
                              QString::number(lut.communicationInterface()) +
                              "read interface=" + QString::number(lutType) +
                              "size: " + QString::number(channels) + "x" + QString::number(size) +
                              "filled:" + QString::number(filled);
    return tables;
}

bool LUTLoadingThread::takeForceActivation()
{
    QMutexLocker lock(&m_mapsMutex);
    const auto it = m_forceActivation.find(m_displayId);
    return it != m_forceActivation.end() && it->second;
}

void LUTLoadingThread::unlockHardwareForAllDisplays()
{
    for (const auto& [id, display] : DisplayList::instance().displayObjects()) {
        display->unlockHardware();
        if (LUT* lut = display->attachedLUT())
            lut->unlockHardware();
    }
}

void LUTLoadingThread::slotTurnOnDisplays()
{
    OSUtils::turnondisplay();
    qDebug() << "LUTLoadingThread::slotTurnOnDisplays()";
    for (const auto& [id, display] : DisplayList::instance().displayObjects()) {
        const BaseDisplay::OkFlagKeeper keeper(*display);
        display->on();
        display->unlockHardware();
    }
}

void LUTLoadingThread::slotTurnOffDisplays()
{
    qDebug() << "LUTLoadingThread::slotTurnOffDisplays()";
    for (const auto& [id, display] : DisplayList::instance().displayObjects()) {
        const BaseDisplay::OkFlagKeeper keeper(*display);
        display->off();
    }
    OSUtils::turnoffdisplay();
}

void LUTLoadingThread::updateDisplayIfNeeded(int displayId, displayiface_t iface)
{
    DisplayList::instance().updateDisplayIfNeeded(displayId, iface);
}

void LUTLoadingThread::detectDisplay(int displayId, displayiface_t iface)
{
    DisplayList::instance().detectDisplay(displayId, iface);
}

void LUTLoadingThread::addDisplay(int displayId)
{
    DisplayList::instance().addDisplay(displayId);
}

void LUTLoadingThread::clearDisplays()
{
    DisplayList::instance().clearDisplays();
}

bool LUTLoadingThread::isDisplayCalibrated(int displayId)
{
    return DisplayList::instance().isDisplayCalibrated(displayId);
}
