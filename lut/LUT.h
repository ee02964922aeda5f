#pragma once

#include "lut/DisplayIface.h"

#include <QObject>

#include <functional>
#include <utility>
#include <vector>

// The LUT value list: channels of output levels (red, green, blue; with N tables, N red
// channels, then N green, then N blue). Entry i of a channel belongs to input level i.
using luts_t = std::vector<std::vector<int>>;
// A 3-D table: one output channel of a gamut LUT, indexed [r][g][b].
using lut3d_t = std::vector<std::vector<std::vector<int>>>;

// Where one display's calibration LUT goes and how to put it there. The base class owns
// the upload procedure (progress signals, before/real/after steps, the table currently
// loaded), the linear table, the validity check and the comparison of tables; optional
// capabilities answer "not available" here. Operations never throw: they report through
// `ok()`. Used by one thread at a time.
class LUT : public QObject
{
    Q_OBJECT
public:
    // How the upload waits between its steps; replaced in tests, and by callers that run
    // no event loop. The default processes events while it waits.
    using WaitFunction = std::function<void(int milliseconds)>;

    explicit LUT(QObject* parent = nullptr);
    ~LUT() override;

    virtual void GetRChannels(std::vector<int>& channels);
    virtual void GetGChannels(std::vector<int>& channels);
    virtual void GetBChannels(std::vector<int>& channels);
    virtual void GetColorChannels(std::vector<int>& channels);
    virtual void GetGainChannels(std::vector<int>& channels);
    virtual void GetCurrentLUT(luts_t& table);
    virtual bool Initialize(bool uploadlinear);
    virtual bool Activate(const luts_t& table);
    virtual bool Deactivate();
    virtual void forceLutActivation();
    virtual void restoreLutState();
    virtual bool isSupportedLut(const luts_t& table);
    virtual bool isSystemLut();
    virtual void ActivateUniformity(const std::vector<double>& values);
    virtual void DeactivateUniformity();
    virtual bool activateOnStartCanBeSkipped();
    virtual bool restoreDefaultLUT();
    virtual bool DownloadLUT(luts_t& table);
    virtual displayiface_t calibrationCommunicationInterface();
    virtual bool hasRGBGainControl();
    virtual int getMaxGainValue();
    virtual bool IsAutoUniformityAvailable();
    virtual bool IsTableUniformityAvailable();
    virtual void EnableUniformity();
    virtual void DisableUniformity();
    virtual void GetCurrentUniformity(std::vector<double>& values);
    virtual void SetCurrentUniformity(const std::vector<double>& values);
    virtual void AutoUniformityCleanMeasurements();
    virtual void AutoUniformityAddMeasurement(int x, int y, int level, double luminance);
    virtual void AutoUniformityApply(int x, int y);
    virtual void AutoUniformityApply();
    virtual void ResetDLC();
    virtual int UniformityGridSizeX();
    virtual int UniformityGridSizeY();
    virtual int TableUniformityAreaCount();
    virtual int TableUniformityAreaSize();
    virtual int TableUniformityMaxValue();
    virtual std::pair<double, double> TableUniformityAreaCoordinates(int area);
    virtual void TableUniformitySetAreaTable(int area, std::vector<int> table);
    virtual bool TableUniformityApply();
    virtual bool BeforeCalibration();
    virtual bool BeforeUniformityCalibration();
    virtual bool AfterCalibration();
    virtual bool hardwareReconnect();
    virtual bool unlockHardware();
    virtual int GetLUTCount();
    virtual int GetCurrentLUTIndex();
    virtual bool SetCurrentLUTIndex(int index);
    virtual bool UploadAllLUT(const std::vector<luts_t>& tables);
    virtual bool SwitchToLUT(int index);
    virtual bool IsGamutAvaliable();
    virtual void SetGamutCalibration(const std::vector<std::vector<double>>& matrix);
    virtual double preGamutTransformation(double value);
    virtual double preGamutReverseTransformation(double value);
    virtual bool isSteepForm();
    virtual double lutPositionByDDL(double ddl, int channel);
    virtual double lutPositionByRGB(double r, double g, double b, int channel);
    virtual bool isGamut3dLUTAvailable();
    virtual int gamut3dLUTGridCount();
    virtual int gamut3dLUTMaxValue();
    virtual void getCurrent3dLUT(lut3d_t& red, lut3d_t& green, lut3d_t& blue);
    virtual void get3dLUTInterpolatedPoint(double r, double g, double b, double& outR, double& outG,
                                           double& outB);
    virtual void Set3dLUTGamutCalibration(const lut3d_t& red, const lut3d_t& green, const lut3d_t& blue);
    virtual bool Prepare();
    virtual void GetInitialization(luts_t& table);
    virtual bool BeforeRealUploadLUT();
    virtual bool RealUploadLUT(const luts_t& table) = 0;
    virtual bool AfterRealUploadLUT();
    virtual int LUTUploadProgressCount();

    bool ok() const { return m_ok; }
    int ChannelsCount();
    int LUTSize();
    int LUTMaxValue();
    displayiface_t communicationInterface() const { return m_interface; }
    bool UploadLUT(const luts_t& table);
    // The class name shown to users: a LUT class whose name is only its history gives a
    // neutral one through its "label" class info.
    static QString classLabel(const QObject& object);
    static bool isLutsSame(const luts_t& a, const luts_t& b);

    void sendStartLUTUpload(int steps);
    void sendLUTUploadProgress(int step, int steps);
    void sendFinishLUTUpload();
    void sendStartUniformityUpload(int steps);
    void sendUniformityUploadProgress(int step, int steps);
    void sendFinishUniformityUpload();

    void setWaitFunction(WaitFunction wait);
    // The default wait: the calling thread sleeps in its event loop, so events are served
    // as they arrive and the thread costs nothing while none come.
    static void waitServingEvents(int milliseconds);

Q_SIGNALS:
    void signalStartLUTUpload(int steps);
    void signalLUTUploadProgress();
    void signalFinishLUTUpload();
    void signalStartUniformityUpload(int steps);
    void signalUniformityUploadProgress();
    void signalFinishUniformityUpload();

protected:
    // Lets pending events run, then waits `milliseconds` (still serving events) and lets them run again.
    void wait(int milliseconds);
    void setOk(bool ok) { m_ok = ok; }
    void setGeometry(int channels, int size, int maxValue);
    void setCommunicationInterface(displayiface_t iface) { m_interface = iface; }
    bool isForced() const { return m_force; }
    void clearForce() { m_force = false; }

private:
    bool uploadSteps(const luts_t& table);
    void logTable(const luts_t& table) const;

    int m_channels = 3;
    int m_size = 256;
    int m_maxValue = 65535;
    luts_t m_current;
    displayiface_t m_interface = DISPIFACE_NONE;
    bool m_ok = true;
    int m_currentLutIndex = 0;
    bool m_force = false;
    WaitFunction m_wait;
};
