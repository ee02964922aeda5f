#include "platform/win/WinDisplayColorProfiles.h"

#include "platform/OSUtils.h"
#include "platform/win/WinBackend.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>

// icm.h builds on the basic Windows types, so windows.h comes first.
// clang-format off
#include <windows.h>
#include <icm.h>
// clang-format on

namespace {

// The device class and colour space tags spelled as numbers: the headers' four-character
// constants ('mntr', 'sRGB') are multi-character literals, which GCC warns about.
constexpr DWORD kClassMonitor = 0x6D6E7472;
constexpr LCSCSTYPE kColorSpaceSRGB = 0x73524742;

// Entry points looked up at run time come back as FARPROC; going through the generic
// function pointer type states that the signature is known from the documentation.
template <typename Function> Function entryPoint(HMODULE module, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

using WcsAssociate = BOOL(WINAPI*)(WCS_PROFILE_MANAGEMENT_SCOPE, PCWSTR, PCWSTR);
using WcsDisassociate = BOOL(WINAPI*)(WCS_PROFILE_MANAGEMENT_SCOPE, PCWSTR, PCWSTR);
using WcsSetUsePerUser = BOOL(WINAPI*)(PCWSTR, DWORD, BOOL);
using WcsSetCalibrationState = BOOL(WINAPI*)(BOOL);

struct WcsFunctions
{
    WcsAssociate associate = nullptr;
    WcsDisassociate disassociate = nullptr;
    WcsSetUsePerUser setUsePerUser = nullptr;
    WcsSetCalibrationState setCalibrationState = nullptr;
};

WcsFunctions loadWcs()
{
    WcsFunctions wcs;
    HMODULE mscms = GetModuleHandleW(L"mscms.dll");
    if (!mscms)
        mscms = LoadLibraryW(L"mscms.dll");
    if (!mscms)
        return wcs;
    wcs.associate = entryPoint<WcsAssociate>(mscms, "WcsAssociateColorProfileWithDevice");
    wcs.disassociate = entryPoint<WcsDisassociate>(mscms, "WcsDisassociateColorProfileFromDevice");
    wcs.setUsePerUser = entryPoint<WcsSetUsePerUser>(mscms, "WcsSetUsePerUserProfiles");
    wcs.setCalibrationState = entryPoint<WcsSetCalibrationState>(mscms, "WcsSetCalibrationManagementState");
    return wcs;
}

std::wstring wide(const QString& text)
{
    return text.toStdWString();
}

struct DeviceContext
{
    explicit DeviceContext(const QString& deviceName)
        : hdc(CreateDCW(nullptr, wide(deviceName).c_str(), nullptr, nullptr))
    {
    }
    ~DeviceContext()
    {
        if (hdc)
            DeleteDC(hdc);
    }
    DeviceContext(const DeviceContext&) = delete;
    DeviceContext& operator=(const DeviceContext&) = delete;
    HDC hdc;
};

QString iccProfileOf(HDC hdc)
{
    wchar_t path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    return GetICMProfileW(hdc, &size, path) ? QString::fromWCharArray(path) : QString();
}

} // namespace

QString WinDisplayColorProfiles::colorDirectory() const
{
    wchar_t folder[MAX_PATH] = {};
    DWORD size = sizeof(folder);
    if (!GetColorDirectoryW(nullptr, folder, &size)) {
        qDebug() << "??Windows GetColorDirectoryW failed";
        recordError("GetColorDirectoryW");
        return {};
    }
    return QDir::fromNativeSeparators(QString::fromWCharArray(folder));
}

QString WinDisplayColorProfiles::currentProfile(const QString& deviceName, const QString& /*deviceId*/) const
{
    {
        QMutexLocker lock(&m_mutex);
        const auto known = m_current.constFind(deviceName);
        if (known != m_current.constEnd())
            return *known;
    }
    return deviceContextProfile(deviceName);
}

bool WinDisplayColorProfiles::associate(const QString& profilePath, const QString& deviceName,
                                        const QString& deviceId) const
{
    const DeviceContext dc(deviceName);
    if (!dc.hdc) {
        qDebug() << "??Windows CreateDCW failed" << deviceName;
        recordError("CreateDCW");
        return false;
    }
    WORD ramp[3][256] = {};
    const bool haveRamp = GetDeviceGammaRamp(dc.hdc, ramp);
    const WcsFunctions wcs = loadWcs();
    const std::wstring device = wide(deviceId);
    if (wcs.setUsePerUser) {
        qDebug() << "ApplyProfile call WcsSetUsePerUserProfiles";
        const BOOL done = wcs.setUsePerUser(device.c_str(), kClassMonitor, FALSE);
        qDebug() << "ApplyProfile WcsSetUsePerUserProfiles. getLastError=" << (done ? 0 : GetLastError());
    }

    const QString temporary =
        QDir(colorDirectory()).filePath(QStringLiteral("kaldo_tmp_") + QFileInfo(profilePath).fileName());
    qDebug() << "ApplyProfile temp file:" << temporary;
    QFile::remove(temporary);
    if (!QFile::copy(profilePath, temporary)) {
        qDebug() << "??Windows CopyFile failed" << temporary;
        recordError("CopyFileW");
        return false;
    }

    const QString previous = iccProfileOf(dc.hdc);
    if (!previous.isEmpty()) {
        qDebug() << "ApplyProfile try to disassociate" << previous;
        const std::wstring old = wide(QFileInfo(previous).fileName());
        if (wcs.disassociate)
            wcs.disassociate(WCS_PROFILE_MANAGEMENT_SCOPE_SYSTEM_WIDE, old.c_str(), device.c_str());
        else
            DisassociateColorProfileFromDeviceW(nullptr, old.c_str(), device.c_str());
        if (QFileInfo(previous) != QFileInfo(temporary))
            UninstallColorProfileW(nullptr, old.c_str(), FALSE);
    }

    WinFilePermissions::setFullPermissions(temporary);
    const std::wstring installed = wide(QDir::toNativeSeparators(temporary));
    if (!InstallColorProfileW(nullptr, installed.c_str())) {
        qDebug() << "??Windows InstallColorProfileW failed";
        recordError("InstallColorProfileW");
        return false;
    }
    const std::wstring name = wide(QFileInfo(temporary).fileName());
    BOOL associated = FALSE;
    if (wcs.associate) {
        qDebug() << "ApplyProfile use vista WcsAssociateColorProfileWithDevice";
        associated = wcs.associate(WCS_PROFILE_MANAGEMENT_SCOPE_SYSTEM_WIDE, name.c_str(), device.c_str());
    } else {
        associated = AssociateColorProfileWithDeviceW(nullptr, name.c_str(), device.c_str());
    }
    if (!associated) {
        qDebug() << "??Windows AssociateColorProfileWithDevice failed";
        recordError("AssociateColorProfileWithDeviceW");
        return false;
    }
    std::wstring path = installed;
    if (!SetICMProfileW(dc.hdc, path.data())) {
        qDebug() << "??Windows SetICMProfileW failed";
        recordError("SetICMProfileW");
        return false;
    }
    qDebug() << "read profile for same HDC - " << iccProfileOf(dc.hdc);
    if (haveRamp && !SetDeviceGammaRamp(dc.hdc, ramp))
        qDebug() << "??Windows SetDeviceGammaRamp failed";
    remember(deviceName, QDir::fromNativeSeparators(temporary));
    return true;
}

bool WinDisplayColorProfiles::associateStandard(const QString& deviceName, const QString& deviceId) const
{
    const QString standard = standardProfile();
    return !standard.isEmpty() && associate(standard, deviceName, deviceId);
}

QString WinDisplayColorProfiles::standardProfile() const
{
    wchar_t path[MAX_PATH] = {};
    DWORD size = sizeof(path);
    if (!GetStandardColorSpaceProfileW(nullptr, kColorSpaceSRGB, path, &size)) {
        qDebug() << "??Windows GetStandardColorSpaceProfileW failed";
        recordError("GetStandardColorSpaceProfileW");
        return {};
    }
    return QDir::fromNativeSeparators(QString::fromWCharArray(path));
}

DisplayColorProfiles::Error WinDisplayColorProfiles::lastError() const
{
    QMutexLocker lock(&m_mutex);
    return m_lastError;
}

QString WinDisplayColorProfiles::deviceContextProfile(const QString& deviceName) const
{
    const DeviceContext dc(deviceName);
    if (!dc.hdc) {
        qDebug() << "??Windows CreateDCW failed" << deviceName;
        recordError("CreateDCW");
        return {};
    }
    return QDir::fromNativeSeparators(iccProfileOf(dc.hdc));
}

void WinDisplayColorProfiles::remember(const QString& deviceName, const QString& path) const
{
    QMutexLocker lock(&m_mutex);
    m_current.insert(deviceName, path);
}

void WinDisplayColorProfiles::recordError(const char* function) const
{
    const DWORD code = GetLastError();
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    const QString message = QString::fromLatin1(function) + QStringLiteral(": ") +
                            (text ? QString::fromWCharArray(text).trimmed() : QString());
    LocalFree(text);
    QMutexLocker lock(&m_mutex);
    m_lastError = {static_cast<int>(code), message};
}
