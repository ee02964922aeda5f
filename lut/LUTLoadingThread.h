#pragma once

#include "lut/DisplayIface.h"
#include "lut/LUT.h"

#include <QMutex>
#include <QThread>

#include <map>

class BaseDisplay;

// Loads (or unloads) the stored calibration LUT of one display on a thread of its own:
// reads the table from the database, hands it to the display's LUT object, applies the
// stored uniformity correction and records whether the display is calibrated. One owner
// (the tray, or lutloaderctl) starts it for one display at a time and waits for
// `signalLutThreadFinished()`, which ends every run, successful or not.
class LUTLoadingThread : public QThread
{
    Q_OBJECT
public:
    explicit LUTLoadingThread(QObject* parent = nullptr);
    ~LUTLoadingThread() override;

    // Stores the display and the direction and starts the thread with the caller's
    // priority; false (nothing started) while a previous run is still going.
    bool start(int displayId, bool load);
    // The next load of the display writes its LUT even when the hardware already holds it.
    void forceLutActivation(int displayId);
    // The next load of the display writes its LUT even at start-up.
    void forceLUTUploadInFuture(int displayId);
    // True when the display has at least one stored LUT entry, for loading and unloading alike.
    static bool isLUTAvailable(int displayId, bool load);
    static void unlockHardwareForAllDisplays();

    static void updateDisplayIfNeeded(int displayId, displayiface_t iface);
    static void detectDisplay(int displayId, displayiface_t iface);
    static void addDisplay(int displayId);
    static void clearDisplays();
    static bool isDisplayCalibrated(int displayId);
    // Why the last run failed, empty when it did not; read after the thread ended.
    QString lastFailure() const { return m_lastFailure; }
    // Whether the last run left its display calibrated. The display list says the same unless
    // it was emptied while the run went on (the menu rebuilt after a display change).
    bool lastCalibrated() const { return m_lastCalibrated; }
    // Whether the last run failed a load because its display's output had gone meanwhile.
    bool lastDisplayLeft() const { return m_lastDisplayLeft; }

public Q_SLOTS:
    void slotTurnOnDisplays();
    void slotTurnOffDisplays();

Q_SIGNALS:
    void signalStartLUTUpload(int steps);
    void signalFinishLUTUpload();
    void signalFailLUTUpload();
    void signalLUTUploadProgress();
    void signalLutThreadFinished();

protected:
    void run() override;

private:
    void loadLUT();
    void markCalibrated(bool calibrated);
    void unload(LUT& lut, int uniformityId);
    enum class Identity
    {
        Same,
        Other,
        Unrecorded
    };
    Identity checkIdentity();
    void refuseForeignLUT();
    void load(BaseDisplay& display, LUT& lut, int uniformityId, Identity identity);
    // True when this load is the first after start-up and the LUT keeps its table anyway.
    bool skipOnStart(LUT& lut);
    void selectStoredTable(LUT& lut);
    luts_t storedTables(LUT& lut, int lutType);
    bool takeForceActivation();
    static bool outputGone(int displayId);

    int m_displayId = -1;
    bool m_load = true;
    QString m_lastFailure;
    bool m_lastCalibrated = false;
    bool m_lastDisplayLeft = false;
    QMutex m_mapsMutex; // the maps are changed by the owner's thread while a run reads them
    std::map<int, bool> m_activatedOnce;
    std::map<int, bool> m_forceActivation;
};
