#include "displays/DisplayFactory.h"

#include "displays/AdvantechDisplays.h"
#include "displays/ArtechDisplays.h"
#include "displays/BaseDisplay.h"
#include "displays/BeaconDisplay.h"
#include "displays/CurrentDisplays.h"
#include "displays/DDCCIControl.h"
#include "displays/DDCCIFactory.h"
#include "displays/DellDisplays.h"
#include "displays/DetectDisplayThread.h"
#include "displays/DivaDisplays.h"
#include "displays/EizoDisplay.h"
#include "displays/GoomediDisplays.h"
#include "displays/HYCDisplays.h"
#include "displays/LgMedicalDisplays.h"
#include "displays/NECDisplay.h"
#include "displays/SonyPVM2551MD.h"
#include "displays/TotokuDisplay.h"
#include "displays/WideDisplays.h"
#include "lut/LUT.h"
#include "lut/MatroxLUT.h"
#include "lut/MatroxXeniaLUT.h"
#include "lut/WindowsLUT.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDebug>
#include <QRecursiveMutex>

namespace {

using Type = DisplayFactory::displays_t;

// The pool is shared by the threads that use displays (LUT loading, tasks, the main
// thread). A recursive lock lets a thread that serves events while it detects come
// back into the pool; other threads wait for the detection to end.
QRecursiveMutex g_poolMutex;
std::map<int, std::shared_ptr<BaseDisplay>> g_displayPool;

QString describe(const BaseDisplay* display)
{
    return display ? QString::fromLatin1(display->metaObject()->className()) : QStringLiteral("null");
}

QString describe(const LUT* lut)
{
    return lut ? QStringLiteral("0x%1").arg(reinterpret_cast<quintptr>(lut), 0, 16) : QStringLiteral("null");
}

std::unique_ptr<BaseDisplay> build(int displayId, Type type)
{
    switch (type) {
    case Type::DISPLAY_BASE:
        return std::make_unique<BaseDisplay>(displayId);
    case Type::DISPLAY_DDCCI:
        return std::make_unique<DDCCIDisplay>(displayId);
    case Type::DISPLAY_NEC:
        return std::make_unique<NECDisplay>(displayId);
    case Type::DISPLAY_DELL:
        return std::make_unique<DELLDisplay>(displayId);
    case Type::DISPLAY_OLORIN:
        return std::make_unique<OlorinDisplay>(displayId);
    case Type::DISPLAY_DIVA:
        return std::make_unique<DivaDisplay>(displayId);
    case Type::DISPLAY_TAIWAN:
        return std::make_unique<TaiwanDisplay>(displayId);
    case Type::DISPLAY_USEI:
        return std::make_unique<USEIDisplay>(displayId);
    case Type::DISPLAY_LUMIMED:
        return std::make_unique<LumimedDisplay>(displayId);
    case Type::DISPLAY_LG:
        return std::make_unique<LGDisplay>(displayId);
    case Type::DISPLAY_DELL_ULTRASHARP:
        return std::make_unique<DELLUltraSharpDisplay>(displayId);
    case Type::DISPLAY_SUPERSONIC:
        return std::make_unique<SuperSonicDisplay>(displayId);
    case Type::DISPLAY_SONY_PVM2551MD:
        return std::make_unique<SonyPVM2551MD>(displayId, true);
    case Type::DISPLAY_SONY_PVM2551MD_NOFLAG:
        return std::make_unique<SonyPVM2551MD>(displayId, false);
    case Type::DISPLAY_DELL_UNKNOWN:
        return std::make_unique<DellUnknownDisplay>(displayId);
    case Type::DISPLAY_TOTOKU:
        return std::make_unique<TotokuDisplay>(displayId);
    case Type::DISPLAY_BEACON:
        return std::make_unique<BeaconDisplay>(displayId);
    case Type::DISPLAY_NEWDIVA:
        return std::make_unique<NewDivaDisplay>(displayId);
    case Type::DISPLAY_DIVA2:
        return std::make_unique<Diva2Display>(displayId);
    case Type::DISPLAY_DELL_MSTAR_UP:
        return std::make_unique<DellMStarUPDisplay>(displayId);
    case Type::DISPLAY_ADVANTECH_MULTILUT:
        return std::make_unique<AdvantechMultiLutDisplay>(displayId);
    case Type::DISPLAY_ADVANTECH:
        return std::make_unique<AdvantechDisplay>(displayId);
    case Type::DISPLAY_GOOMEDI:
        return std::make_unique<GoomediDisplay>(displayId);
    case Type::DISPLAY_WIDE_DDCCI:
        return std::make_unique<WideDisplayDDCCI>(displayId);
    case Type::DISPLAY_WIDE_USB:
        return std::make_unique<WideDisplayUSB>(displayId);
    case Type::DISPLAY_DELL_UP3017:
        return std::make_unique<DellUP3017Display>(displayId);
    case Type::DISPLAY_GOOMEDI_MSA:
        return std::make_unique<GoomediMSADisplay>(displayId);
    case Type::DISPLAY_LG_MEDICAL_UART:
        return std::make_unique<LgMedicalUART>(displayId);
    case Type::DISPLAY_LG_MEDICAL_DDCCI:
        return std::make_unique<LgMedicalDdcci>(displayId);
    case Type::DISPLAY_LG_MEDICAL_SOFTWARE:
        return std::make_unique<LGMedicalSoftware>(displayId);
    case Type::DISPLAY_EIZO:
        return std::make_unique<EizoDisplay>(displayId);
    case Type::DISPLAY_DELL_UP2718Q:
        return std::make_unique<DellUp2718qDisplay>(displayId);
    case Type::DISPLAY_ARTECH_UART:
        return std::make_unique<ArtechDisplayUart>(displayId);
    case Type::DISPLAY_ARTECH_DDCCI:
        return std::make_unique<ArtechDisplayDdcci>(displayId);
    default:
        return nullptr;
    }
}

// Pooled objects outlive the thread that asked first (a LUT loading thread ends after one
// load), so they belong to the application's thread, which lives as long as the pool.
void moveToApplicationThread(BaseDisplay& display)
{
    QThread* const target = QCoreApplication::instance() ? QCoreApplication::instance()->thread() : nullptr;
    if (!target || display.thread() == target)
        return;
    display.moveToThread(target);
    if (LUT* lut = display.attachedLUT())
        lut->moveToThread(target);
}

// A Xenia board numbers the displays it drives from 1, in the order its card's outputs
// are enumerated.
int boardDisplayNumber(int displayId)
{
    const QString card = CurrentDisplays::DisplayById(displayId).videoCardKey();
    int number = 0;
    for (unsigned i = 0; i < CurrentDisplays::DisplayCount(); ++i) {
        if (CurrentDisplays::Display(i).videoCardKey() != card)
            continue;
        ++number;
        if (CurrentDisplays::DisplayId(i) == displayId)
            return number;
    }
    return -1;
}

} // namespace

const DisplayFactory::displays_t DisplayFactory::SerialList[] = {
    DISPLAY_GOOMEDI_MSA, DISPLAY_GOOMEDI,    DISPLAY_ARTECH_UART, DISPLAY_UNKNOWN_14, DISPLAY_UNKNOWN_15,
    DISPLAY_UNKNOWN_12,  DISPLAY_UNKNOWN_11, DISPLAY_UNKNOWN_13,  DISPLAY_END};

const DisplayFactory::displays_t DisplayFactory::USBList[] = {DISPLAY_LG_MEDICAL_SOFTWARE,
                                                              DISPLAY_ADVANTECH,
                                                              DISPLAY_TOTOKU,
                                                              DISPLAY_EIZO,
                                                              DISPLAY_DELL,
                                                              DISPLAY_DELL_ULTRASHARP,
                                                              DISPLAY_DELL_MSTAR_UP,
                                                              DISPLAY_DELL_UP3017,
                                                              DISPLAY_DELL_UP2718Q,
                                                              DISPLAY_LG_MEDICAL_UART,
                                                              DISPLAY_DIVA2,
                                                              DISPLAY_OLORIN,
                                                              DISPLAY_TAIWAN,
                                                              DISPLAY_NEWDIVA,
                                                              DISPLAY_ARTECH_UART,
                                                              DISPLAY_GOOMEDI_MSA,
                                                              DISPLAY_GOOMEDI,
                                                              DISPLAY_WIDE_USB,
                                                              DISPLAY_WIDE_DDCCI,
                                                              DISPLAY_END};

const DisplayFactory::displays_t DisplayFactory::PowerList[] = {
    DISPLAY_LG_MEDICAL_SOFTWARE, DISPLAY_DELL,         DISPLAY_DELL_ULTRASHARP,
    DISPLAY_DELL_UP3017,         DISPLAY_DELL_UP2718Q, DISPLAY_DELL_UNKNOWN,
    DISPLAY_LG_MEDICAL_UART,     DISPLAY_DDCCI,        DISPLAY_END};

// The generic DDC/CI class comes last so that every vendor class gets its chance first.
const DisplayFactory::displays_t DisplayFactory::DDCCIList[] = {DISPLAY_ADVANTECH_MULTILUT,
                                                                DISPLAY_LG_MEDICAL_SOFTWARE,
                                                                DISPLAY_ADVANTECH,
                                                                DISPLAY_BEACON,
                                                                DISPLAY_SONY_PVM2551MD,
                                                                DISPLAY_WIDE_DDCCI,
                                                                DISPLAY_WIDE_USB,
                                                                DISPLAY_EIZO,
                                                                DISPLAY_DELL,
                                                                DISPLAY_DELL_ULTRASHARP,
                                                                DISPLAY_DELL_MSTAR_UP,
                                                                DISPLAY_DELL_UP3017,
                                                                DISPLAY_DELL_UP2718Q,
                                                                DISPLAY_LG_MEDICAL_UART,
                                                                DISPLAY_NEC,
                                                                DISPLAY_DIVA2,
                                                                DISPLAY_OLORIN,
                                                                DISPLAY_TAIWAN,
                                                                DISPLAY_USEI,
                                                                DISPLAY_SUPERSONIC,
                                                                DISPLAY_NEWDIVA,
                                                                DISPLAY_DIVA,
                                                                DISPLAY_LUMIMED,
                                                                DISPLAY_LG,
                                                                DISPLAY_GOOMEDI_MSA,
                                                                DISPLAY_GOOMEDI,
                                                                DISPLAY_ARTECH_UART,
                                                                DISPLAY_ARTECH_DDCCI,
                                                                DISPLAY_DDCCI,
                                                                DISPLAY_END};

// The plain display ends the list, so detection from it always yields an object. The
// repeated entries are tried again as listed.
const DisplayFactory::displays_t DisplayFactory::UsualList[] = {DISPLAY_LG_MEDICAL_SOFTWARE,
                                                                DISPLAY_TOTOKU,
                                                                DISPLAY_EIZO,
                                                                DISPLAY_SONY_PVM2551MD_NOFLAG,
                                                                DISPLAY_GOOMEDI,
                                                                DISPLAY_SONY_PVM2551MD_NOFLAG,
                                                                DISPLAY_GOOMEDI_MSA,
                                                                DISPLAY_GOOMEDI,
                                                                DISPLAY_BASE,
                                                                DISPLAY_END};

BaseDisplay* DisplayFactory::getInstance(int displayId, displays_t type, int port)
{
    qDebug().noquote() << QStringLiteral("DisplayFactory::getInstance displayid=%1 type=%2 port=%3")
                              .arg(displayId)
                              .arg(static_cast<int>(type))
                              .arg(port);
    std::unique_ptr<BaseDisplay> display = build(displayId, type);
    if (!display)
        qDebug() << "unknown display type" << static_cast<int>(type);
    return display.release();
}

BaseDisplay* DisplayFactory::detectDisplayFromList(int displayId, int port, const displays_t* list)
{
    qDebug() << "Detect Display Start!";
    for (const displays_t* type = list; type && *type != DISPLAY_END; ++type) {
        const QString header =
            QStringLiteral("--Detect Display. id=%1 type=%2").arg(displayId).arg(int(*type));
        std::unique_ptr<BaseDisplay> display(getInstance(displayId, *type, port));
        if (!display) {
            qDebug().noquote() << header;
            continue;
        }
        if (!display->ok()) {
            qDebug().noquote() << header;
            qDebug() << "--Detect Display. display.ok() failed";
            continue;
        }
        display->connect();
        if (display->ok()) {
            qDebug().noquote() << header;
            qDebug().noquote() << QStringLiteral("--Detect Display. display is ok! type=%1 (%2)")
                                      .arg(int(*type))
                                      .arg(describe(display.get()));
            return display.release();
        }
        // Most classes of a list are simply not this display's maker or model: one line each,
        // so that a failure of the class that does match stands out.
        if (!display->mismatch().isEmpty()) {
            qDebug().noquote() << header << describe(display.get()) + QStringLiteral(": not this display,")
                               << display->mismatch();
            continue;
        }
        qDebug().noquote() << header;
        qDebug() << "--Detect Display. display.connect() failed";
    }
    qDebug() << "Detect Display end!";
    return nullptr;
}

BaseDisplay* DisplayFactory::detectDDCCIDisplay(int displayId)
{
    const std::shared_ptr<DDCCIControl> transport =
        DDCCIFactory::getVideocardDDCCI(DDCCIFactory::DeviceVideocard, displayId);
    if (!transport || !transport->test()) {
        qDebug() << "DDC/CI not supported";
        DDCCIFactory::releaseDDCCI(displayId);
        return nullptr;
    }
    qDebug() << "DDC/CI supported";
    return detectDisplayFromList(displayId, 0, DDCCIList);
}

BaseDisplay* DisplayFactory::runDetection(int displayId, displayiface_t iface, displayiface_t lutIface,
                                          int port, bool flag)
{
    qDebug().noquote()
        << QStringLiteral("Detect Display. displayid=%1. interface=%2").arg(displayId).arg(int(iface));
    BaseDisplay* result = nullptr;
    const bool ddcciOrVideocard = iface == DISPIFACE_DDCCI || iface == DISPIFACE_VIDEOCARD;
    if (ddcciOrVideocard) {
        qDebug() << "Try to detect DDCCI display";
        result = detectDDCCIDisplay(displayId);
    } else if (iface == DISPIFACE_SERIAL) {
        result = detectDisplayFromList(displayId, port, SerialList);
        qDebug().noquote() << "detected DISPIFACE_SERIAL - " + describe(result);
    } else if (iface == DISPIFACE_USB) {
        result = detectDisplayFromList(displayId, port, USBList);
        qDebug().noquote() << "detected DISPIFACE_USB - " + describe(result);
    } else if (iface == DISPIFACE_POWER) {
        // Power control needs no LUT: detection ends with whatever the power list gave.
        result = detectDisplayFromList(displayId, port, PowerList);
        qDebug().noquote() << "detected DISPIFACE_POWER - " + describe(result);
        return result;
    }
    if (!result && !ddcciOrVideocard) {
        qDebug() << "Try to detect display as DDC/CI";
        result = detectDisplayFromList(displayId, port, DDCCIList);
        qDebug().noquote() << "detected DISPIFACE_DDCCI 72 - " + describe(result);
    }
    if (!result) {
        qDebug() << "Try to detect usual display";
        result = detectDisplayFromList(displayId, port, UsualList);
        qDebug().noquote() << "detected unusual - " + describe(result);
        if (!result)
            return nullptr;
    }
    reatachLUT(displayId, result, iface, lutIface, flag);
    return result;
}

BaseDisplay* DisplayFactory::detect(int displayId, displayiface_t iface, displayiface_t lutIface, int port,
                                    bool flag)
{
    DetectDisplayThread thread(displayId, iface, lutIface, port, flag);
    thread.start(QThread::InheritPriority);
    // Serve events while the probe runs; waking early when it ends costs nothing.
    while (!thread.isFinished()) {
        QCoreApplication::processEvents();
        thread.wait(QDeadlineTimer(100));
        QCoreApplication::processEvents();
    }
    thread.wait();
    return thread.takeResult();
}

std::shared_ptr<BaseDisplay> DisplayFactory::cachedDetect(int displayId, displayiface_t iface,
                                                          displayiface_t lutIface, int port, bool flag)
{
    QMutexLocker lock(&g_poolMutex);
    qDebug() << "DisplayFactory::cachedDetect";
    qDebug() << "DisplayPool_.size():" << g_displayPool.size();
    if (const auto it = g_displayPool.find(displayId); it != g_displayPool.end())
        return it->second;
    std::shared_ptr<BaseDisplay> display(detect(displayId, iface, lutIface, port, flag));
    if (!display)
        return display;
    moveToApplicationThread(*display);
    // While this thread served events during detection, a nested call may have pooled
    // an object for the same id; holders of that one keep it, this one is dropped.
    return g_displayPool.emplace(displayId, display).first->second;
}

std::shared_ptr<BaseDisplay> DisplayFactory::cached(int displayId)
{
    QMutexLocker lock(&g_poolMutex);
    const auto it = g_displayPool.find(displayId);
    return it == g_displayPool.end() ? nullptr : it->second;
}

void DisplayFactory::releaseCachedDisplay(int displayId)
{
    QMutexLocker lock(&g_poolMutex);
    g_displayPool.erase(displayId);
}

void DisplayFactory::releaseCachedDisplayIfUnused(int displayId)
{
    QMutexLocker lock(&g_poolMutex);
    const auto it = g_displayPool.find(displayId);
    if (it != g_displayPool.end() && it->second.use_count() == 1) {
        qDebug() << "remove unused display" << displayId;
        g_displayPool.erase(it);
    }
}

bool DisplayFactory::isCached(int displayId)
{
    QMutexLocker lock(&g_poolMutex);
    return g_displayPool.count(displayId) != 0;
}

std::vector<int> DisplayFactory::cachedIds()
{
    QMutexLocker lock(&g_poolMutex);
    std::vector<int> ids;
    for (const auto& entry : g_displayPool)
        ids.push_back(entry.first);
    return ids;
}

void DisplayFactory::reatachLUT(int displayId, BaseDisplay* display, displayiface_t iface,
                                displayiface_t lutIface, bool /*flag*/)
{
    if (!display)
        return;
    display->detachInternalLUT();
    if (lutIface == DISPIFACE_VIDEOCARD) {
        display->attachLUT(createLUT(displayId));
        return;
    }
    if (lutIface == DISPIFACE_SERIAL || lutIface == DISPIFACE_DDCCI || lutIface == DISPIFACE_USB) {
        display->attachInternalLUT();
        return;
    }
    display->attachLUT(createForegroundLUT(displayId));
    qDebug().noquote() << "After createForegroundLUT. lut=" + describe(display->attachedLUT());
    if (!display->attachedLUT() && iface != DISPIFACE_VIDEOCARD) {
        qDebug() << "Try attachinternal";
        display->attachInternalLUT();
    }
    qDebug().noquote() << "After attachinternal. lut=" + describe(display->attachedLUT());
    if (!display->attachedLUT())
        display->attachLUT(createLUT(displayId));
    qDebug().noquote() << "At the end. lut=" + describe(display->attachedLUT());
}

// Matrox boards first: where one drives the display, its own ramp is the one that counts.
LUT* DisplayFactory::createLUT(int displayId)
{
    auto xenia = std::make_unique<MatroxXeniaLUT>(displayId, boardDisplayNumber(displayId));
    if (xenia->ok() && xenia->IsXenia())
        return xenia.release();
    qDebug() << "MatroxXeniaLUT failed";
    xenia.reset();

    const QString deviceName = CurrentDisplays::DisplayById(displayId).deviceName();
    auto matrox = std::make_unique<MatroxLUT>(displayId, deviceName);
    if (matrox->ok())
        return matrox.release();
    qDebug() << "MatroxLUT failed";
    matrox.reset();

    // The system ramp follows the display to whatever output drives it at load time.
    auto windows = std::make_unique<WindowsLUT>(
        displayId, [displayId] { return CurrentDisplays::DisplayById(displayId).deviceName(); });
    if (windows->ok())
        return windows.release();
    qDebug() << "DisplayFactory::createLUT no video-card LUT for display" << displayId << deviceName;
    return nullptr;
}

LUT* DisplayFactory::detectSystemLUT(int displayId)
{
    return createLUT(displayId);
}

LUT* DisplayFactory::createForegroundLUT(int /*displayId*/)
{
    return nullptr;
}

void DisplayFactory::UpdateDisplayInfo(int displayId, displayiface_t iface)
{
    releaseCachedDisplay(displayId);
    cachedDetect(displayId, iface, DISPIFACE_NONE, 1, false);
}
