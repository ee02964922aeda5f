#include "lut/LUT.h"

#include <QCoreApplication>
#include <QDebug>
#include <QEventLoop>
#include <QMetaClassInfo>
#include <QStringList>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace {

void indexRange(std::vector<int>& channels, int from, int to)
{
    channels.clear();
    for (int i = from; i < to; ++i)
        channels.push_back(i);
}

} // namespace

LUT::LUT(QObject* parent) : QObject(parent), m_wait(waitServingEvents) {}

LUT::~LUT() = default;

void LUT::GetRChannels(std::vector<int>& channels)
{
    indexRange(channels, 0, m_channels / 3);
}

void LUT::GetGChannels(std::vector<int>& channels)
{
    indexRange(channels, m_channels / 3, 2 * m_channels / 3);
}

void LUT::GetBChannels(std::vector<int>& channels)
{
    indexRange(channels, 2 * m_channels / 3, m_channels);
}

// Every channel carries a colour curve unless a subclass keeps gains apart.
void LUT::GetColorChannels(std::vector<int>& channels)
{
    indexRange(channels, 0, m_channels);
}

void LUT::GetGainChannels(std::vector<int>& channels)
{
    channels.clear();
}

void LUT::GetCurrentLUT(luts_t& table)
{
    table = m_current;
}

bool LUT::Initialize(bool uploadlinear)
{
    if (!Prepare()) {
        m_ok = false;
        return false;
    }
    if (!uploadlinear)
        return true;
    luts_t linear;
    GetInitialization(linear);
    return UploadLUT(linear);
}

bool LUT::Activate(const luts_t& table)
{
    return UploadLUT(table);
}

bool LUT::Deactivate()
{
    return Initialize(true);
}

void LUT::forceLutActivation()
{
    m_force = true;
}

void LUT::restoreLutState() {}

bool LUT::isSupportedLut(const luts_t& table)
{
    if (m_channels <= 0 || static_cast<int>(table.size()) != m_channels)
        return false;
    int largest = 0;
    for (const auto& channel : table) {
        if (static_cast<int>(channel.size()) != m_size)
            return false;
        if (!channel.empty())
            largest = std::max(largest, *std::max_element(channel.begin(), channel.end()));
    }
    // A maximum far below the target's range means the table was made for a smaller
    // value range (an 8-bit table offered to a 16-bit card).
    return m_maxValue / 3 <= largest && largest <= m_maxValue;
}

bool LUT::isSystemLut()
{
    return false;
}

void LUT::ActivateUniformity(const std::vector<double>& /*values*/)
{
    m_ok = false;
}

void LUT::DeactivateUniformity()
{
    m_ok = false;
}

bool LUT::activateOnStartCanBeSkipped()
{
    return false;
}

bool LUT::restoreDefaultLUT()
{
    return Initialize(true);
}

bool LUT::DownloadLUT(luts_t& table)
{
    const bool complete = static_cast<int>(m_current.size()) >= m_channels &&
                          (m_current.empty() || static_cast<int>(m_current.front().size()) >= m_size);
    if (!complete) {
        m_ok = false;
        return false;
    }
    table = m_current;
    m_ok = true;
    return true;
}

displayiface_t LUT::calibrationCommunicationInterface()
{
    return m_interface;
}

bool LUT::hasRGBGainControl()
{
    return false;
}

int LUT::getMaxGainValue()
{
    return -1;
}

bool LUT::IsAutoUniformityAvailable()
{
    return false;
}

bool LUT::IsTableUniformityAvailable()
{
    return false;
}

void LUT::EnableUniformity()
{
    m_ok = false;
}

void LUT::DisableUniformity()
{
    m_ok = false;
}

void LUT::GetCurrentUniformity(std::vector<double>& values)
{
    values.clear();
    m_ok = false;
}

void LUT::SetCurrentUniformity(const std::vector<double>& /*values*/)
{
    m_ok = false;
}

void LUT::AutoUniformityCleanMeasurements()
{
    m_ok = false;
}

void LUT::AutoUniformityAddMeasurement(int /*x*/, int /*y*/, int /*level*/, double /*luminance*/)
{
    m_ok = false;
}

void LUT::AutoUniformityApply(int /*x*/, int /*y*/)
{
    m_ok = false;
}

void LUT::AutoUniformityApply()
{
    m_ok = false;
}

void LUT::ResetDLC()
{
    m_ok = false;
}

int LUT::UniformityGridSizeX()
{
    return 0;
}

int LUT::UniformityGridSizeY()
{
    return 0;
}

int LUT::TableUniformityAreaCount()
{
    return 0;
}

int LUT::TableUniformityAreaSize()
{
    return 0;
}

int LUT::TableUniformityMaxValue()
{
    return 0;
}

std::pair<double, double> LUT::TableUniformityAreaCoordinates(int /*area*/)
{
    return {0.0, 0.0};
}

void LUT::TableUniformitySetAreaTable(int /*area*/, std::vector<int> /*table*/) {}

bool LUT::TableUniformityApply()
{
    return false;
}

bool LUT::BeforeCalibration()
{
    return true;
}

bool LUT::BeforeUniformityCalibration()
{
    return true;
}

bool LUT::AfterCalibration()
{
    return true;
}

bool LUT::hardwareReconnect()
{
    return true;
}

bool LUT::unlockHardware()
{
    return true;
}

int LUT::GetLUTCount()
{
    return 1;
}

int LUT::GetCurrentLUTIndex()
{
    return m_currentLutIndex;
}

bool LUT::SetCurrentLUTIndex(int index)
{
    if (index < 0 || index >= GetLUTCount())
        return false;
    m_currentLutIndex = index;
    return true;
}

bool LUT::UploadAllLUT(const std::vector<luts_t>& tables)
{
    const int count = GetLUTCount();
    if (static_cast<int>(tables.size()) != count) {
        qDebug() << "wrong lut count. display lut count=" << count << " received=" << tables.size();
        m_ok = false;
        return false;
    }
    const int steps = LUTUploadProgressCount();
    if (steps != 0)
        sendStartLUTUpload(steps);
    for (const luts_t& table : tables) {
        if (!uploadSteps(table)) {
            if (steps != 0)
                sendFinishLUTUpload();
            return false;
        }
    }
    if (!tables.empty())
        m_current = tables.front();
    m_ok = true;
    if (steps != 0)
        sendFinishLUTUpload();
    return true;
}

bool LUT::SwitchToLUT(int /*index*/)
{
    return false;
}

bool LUT::IsGamutAvaliable()
{
    return false;
}

void LUT::SetGamutCalibration(const std::vector<std::vector<double>>& /*matrix*/)
{
    m_ok = false;
}

double LUT::preGamutTransformation(double value)
{
    return value;
}

double LUT::preGamutReverseTransformation(double value)
{
    return value;
}

bool LUT::isSteepForm()
{
    return false;
}

double LUT::lutPositionByDDL(double ddl, int /*channel*/)
{
    return ddl / 255.0 * (m_size - 1);
}

// A colour's position in the table of one channel: that channel's own drive level decides,
// since a video-card table maps each channel independently.
double LUT::lutPositionByRGB(double r, double g, double b, int channel)
{
    const double levels[] = {r, g, b};
    return lutPositionByDDL(levels[std::clamp(channel, 0, 2)], channel);
}

bool LUT::isGamut3dLUTAvailable()
{
    return false;
}

int LUT::gamut3dLUTGridCount()
{
    return 0;
}

int LUT::gamut3dLUTMaxValue()
{
    return 0;
}

void LUT::getCurrent3dLUT(lut3d_t& red, lut3d_t& green, lut3d_t& blue)
{
    red.clear();
    green.clear();
    blue.clear();
}

void LUT::get3dLUTInterpolatedPoint(double /*r*/, double /*g*/, double /*b*/, double& outR, double& outG,
                                    double& outB)
{
    outR = outG = outB = 0.0;
}

void LUT::Set3dLUTGamutCalibration(const lut3d_t& /*red*/, const lut3d_t& /*green*/, const lut3d_t& /*blue*/)
{
    m_ok = false;
}

bool LUT::Prepare()
{
    return true;
}

void LUT::GetInitialization(luts_t& table)
{
    std::vector<int> linear(std::max(m_size, 0));
    const qint64 last = std::max(m_size - 1, 1);
    for (int i = 0; i < m_size; ++i)
        linear[i] = static_cast<int>((static_cast<qint64>(i) * m_maxValue * 2 + last) / (2 * last));
    table.assign(std::max(m_channels, 0), linear);
}

bool LUT::BeforeRealUploadLUT()
{
    return true;
}

bool LUT::AfterRealUploadLUT()
{
    return true;
}

int LUT::LUTUploadProgressCount()
{
    return 0;
}

int LUT::ChannelsCount()
{
    m_ok = true;
    return m_channels;
}

int LUT::LUTSize()
{
    m_ok = true;
    return m_size;
}

int LUT::LUTMaxValue()
{
    m_ok = true;
    return m_maxValue;
}

bool LUT::UploadLUT(const luts_t& table)
{
    const int steps = LUTUploadProgressCount();
    if (steps != 0)
        sendStartLUTUpload(steps);
    const bool uploaded = uploadSteps(table);
    if (uploaded) {
        m_current = table;
        m_ok = true;
    }
    if (steps != 0)
        sendFinishLUTUpload();
    if (uploaded)
        logTable(table);
    return uploaded;
}

bool LUT::isLutsSame(const luts_t& a, const luts_t& b)
{
    return a == b;
}

void LUT::sendStartLUTUpload(int steps)
{
    Q_EMIT signalStartLUTUpload(steps);
    wait(1);
}

void LUT::sendLUTUploadProgress(int /*step*/, int /*steps*/)
{
    Q_EMIT signalLUTUploadProgress();
    wait(1);
}

void LUT::sendFinishLUTUpload()
{
    Q_EMIT signalFinishLUTUpload();
    wait(1);
}

void LUT::sendStartUniformityUpload(int steps)
{
    Q_EMIT signalStartUniformityUpload(steps);
    wait(1);
}

void LUT::sendUniformityUploadProgress(int /*step*/, int /*steps*/)
{
    Q_EMIT signalUniformityUploadProgress();
    wait(1);
}

void LUT::sendFinishUniformityUpload()
{
    Q_EMIT signalFinishUniformityUpload();
    wait(1);
}

QString LUT::classLabel(const QObject& object)
{
    const QMetaObject* meta = object.metaObject();
    const int info = meta->indexOfClassInfo("label");
    return info >= 0 ? QString::fromLatin1(meta->classInfo(info).value())
                     : QString::fromLatin1(meta->className());
}

void LUT::setWaitFunction(WaitFunction wait)
{
    m_wait = wait ? std::move(wait) : WaitFunction(waitServingEvents);
}

void LUT::waitServingEvents(int milliseconds)
{
    if (!QCoreApplication::instance()) {
        QThread::msleep(static_cast<unsigned long>(std::max(milliseconds, 0)));
        return;
    }
    QCoreApplication::processEvents();
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(std::max(milliseconds, 0));
    loop.exec();
    QCoreApplication::processEvents();
}

void LUT::wait(int milliseconds)
{
    m_wait(milliseconds);
}

void LUT::setGeometry(int channels, int size, int maxValue)
{
    m_channels = channels;
    m_size = size;
    m_maxValue = maxValue;
}

// The before/real/after sequence of one table; a refused step leaves the current table
// as it was and the ok flag false.
bool LUT::uploadSteps(const luts_t& table)
{
    if (!BeforeRealUploadLUT()) {
        qDebug() << "BeforeRealUploadLUT failed";
        m_ok = false;
        return false;
    }
    if (!RealUploadLUT(table)) {
        qDebug() << "RealUploadLUT failed";
        m_ok = false;
        return false;
    }
    if (!AfterRealUploadLUT()) {
        qDebug() << "AfterRealUploadLUT failed";
        m_ok = false;
        return false;
    }
    return true;
}

void LUT::logTable(const luts_t& table) const
{
    for (size_t c = 0; c < table.size(); ++c) {
        QStringList entries;
        entries.reserve(static_cast<qsizetype>(table[c].size()));
        for (const int entry : table[c])
            entries << QString::number(entry);
        qDebug().noquote() << QStringLiteral("LUT %1").arg(c) + QStringLiteral(":\t") +
                                  entries.join(QLatin1Char(' '));
    }
}
