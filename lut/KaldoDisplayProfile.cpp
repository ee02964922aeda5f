#include "lut/KaldoDisplayProfile.h"

#include "lut/IccVCGTTag.h"
#include "platform/OSProfile.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <lcms2.h>
#include <mutex>

namespace {

// Larger files are not display profiles; reading them whole would only waste memory.
constexpr qint64 MAX_PROFILE_BYTES = 64 * 1024 * 1024;
constexpr double FIXED_ONE = 65536.0;
const QString PROFILE_NAME_PREFIX = QStringLiteral("kaldo_");

void logLcmsError(cmsContext /*context*/, cmsUInt32Number code, const char* text)
{
    qDebug() << "KaldoProfile: ICC library error" << code << text;
}

void installLcmsLog()
{
    static std::once_flag once;
    std::call_once(once, [] { cmsSetLogErrorHandler(logLcmsError); });
}

cmsHPROFILE handle(void* profile)
{
    return static_cast<cmsHPROFILE>(profile);
}

QString safePart(QString text)
{
    static const QString forbidden = QStringLiteral("/\\?*:|\"<>\t\n");
    for (QChar& c : text) {
        if (forbidden.contains(c))
            c = QLatin1Char('_');
    }
    return text;
}

bool writeDescription(cmsHPROFILE profile, const QString& description)
{
    cmsMLU* text = cmsMLUalloc(nullptr, 1);
    const std::wstring wide = description.toStdWString();
    const bool ok = text && cmsMLUsetWide(text, "en", "US", wide.c_str()) &&
                    cmsWriteTag(profile, cmsSigProfileDescriptionTag, text);
    cmsMLUfree(text);
    return ok;
}

const cmsTagSignature COLORANT_TAGS[3] = {cmsSigRedColorantTag, cmsSigGreenColorantTag,
                                          cmsSigBlueColorantTag};

} // namespace

void KaldoDisplayProfile::ProfileCloser::operator()(void* profile) const
{
    cmsCloseProfile(handle(profile));
}

KaldoDisplayProfile::KaldoDisplayProfile(const QString& filePath, const QString& deviceName, int displayId,
                                         const QString& description)
    : m_displayId(displayId), m_description(description)
{
    installLcmsLog();
    m_colorDirectory = QFileInfo(filePath).absolutePath();
    Init(deviceName, filePath);
}

KaldoDisplayProfile::KaldoDisplayProfile(int displayId, const QString& model, const QString& serial,
                                         const QString& description)
    : m_displayId(displayId), m_description(description)
{
    installLcmsLog();
    m_colorDirectory = OSProfile::profilepath();
    Init(QString(), QDir(m_colorDirectory).filePath(generateProfileName(displayId, model, serial)));
}

KaldoDisplayProfile::~KaldoDisplayProfile() = default;

void KaldoDisplayProfile::Init(const QString& deviceName, const QString& fileName)
{
    m_deviceName = deviceName;
    m_fileName = fileName.isEmpty() ? QString() : QFileInfo(fileName).absoluteFilePath();
    if (QFileInfo::exists(m_fileName))
        LoadFromFile();
    else
        createProfile();
}

void KaldoDisplayProfile::setDevice(const QString& deviceName, const QString& deviceId)
{
    m_deviceName = deviceName;
    m_deviceId = deviceId;
}

bool KaldoDisplayProfile::InsertLUT(const LutValues& lut)
{
    qDebug() << "InsertLUT vcgt";
    if (lut.empty() || lut.front().empty()) {
        qDebug() << "InsertLUT: empty LUT";
        return false;
    }
    const size_t length = lut.front().size();
    for (const auto& channel : lut) {
        if (channel.size() != length) {
            qDebug() << "InsertLUT: channels of different length" << length << channel.size();
            return false;
        }
    }
    if (lut.size() > 0xffff || length > 0xffff) {
        qDebug() << "InsertLUT: LUT too large" << lut.size() << length;
        return false;
    }
    if (!m_profile) {
        qDebug() << "InsertLUT: no profile loaded from" << m_fileName;
        return false;
    }
    IccVCGTTag tag;
    tag.SetSize(static_cast<int>(lut.size()), static_cast<int>(length));
    for (size_t c = 0; c < lut.size(); ++c) {
        auto row = tag[static_cast<int>(c)];
        for (size_t i = 0; i < length; ++i)
            row[i] = static_cast<quint16>(lut[c][i] & 0xffff);
    }
    QByteArray bytes;
    // Written raw, so the file carries exactly this layout and entry count. Writing replaces (and
    // frees) any older vcgt tag; deleting it first through the library's NULL write would leave a
    // dangling pointer that closing the profile frees a second time.
    const bool added =
        tag.Write(bytes) && cmsWriteRawTag(handle(m_profile.get()), cmsSigVcgtTag, bytes.constData(),
                                           static_cast<cmsUInt32Number>(bytes.size()));
    qDebug() << "Add vcgt tag " << added;
    if (!added)
        return false;
    return SaveToFile();
}

bool KaldoDisplayProfile::ReadLUT(LutValues& lut) const
{
    lut.clear();
    qDebug() << "KaldoProfile::ReadLUT";
    IccVCGTTag tag;
    bool found = false;
    if (m_profile) {
        const cmsUInt32Number size = cmsReadRawTag(handle(m_profile.get()), cmsSigVcgtTag, nullptr, 0);
        QByteArray bytes(static_cast<qsizetype>(size), '\0');
        found = size > 0 &&
                cmsReadRawTag(handle(m_profile.get()), cmsSigVcgtTag, bytes.data(), size) == size &&
                tag.Read(bytes);
    }
    if (!found) {
        qDebug() << "KaldoProfile::ReadLUT. vcgt = "
                 << "null";
        return false;
    }
    qDebug() << "KaldoProfile::ReadLUT. vcgt = " << tag.GetClassName() << tag.channels() << "x"
             << tag.entryCount();
    for (int c = 0; c < tag.channels(); ++c) {
        const auto row = tag[c];
        lut.emplace_back(row.begin(), row.end());
    }
    return true;
}

bool KaldoDisplayProfile::LoadCurrent()
{
    const QString path = OSProfile::currentDisplayProfile(m_deviceName, m_deviceId);
    qDebug() << "?? LoadCurrent Path:" << path;
    m_fileName = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    const bool loaded = LoadFromFile();
    qDebug() << "?? LoadCurrent res:" << loaded;
    return loaded;
}

QString KaldoDisplayProfile::CurrentProfilePath(int displayId) const
{
    if (!isOwnDisplay(displayId, "CurrentProfilePath"))
        return {};
    return OSProfile::currentDisplayProfile(m_deviceName, m_deviceId);
}

bool KaldoDisplayProfile::ApplyProfile()
{
    OSProfile::ApplySystemProfile(m_deviceName, m_deviceId);
    if (!SaveToFile()) {
        qDebug() << "KaldoProfile::ApplyProfile() SaveToFile failed";
        return false;
    }
    return OSProfile::ApplyProfile(m_fileName, m_deviceName, m_deviceId);
}

bool KaldoDisplayProfile::ApplyProfileByPath()
{
    return OSProfile::ApplyProfile(m_fileName, m_deviceName, m_deviceId);
}

bool KaldoDisplayProfile::ApplyProfileByPath(int displayId, const QString& path)
{
    if (!isOwnDisplay(displayId, "ApplyProfileByPath"))
        return false;
    return OSProfile::ApplyProfile(path, m_deviceName, m_deviceId);
}

bool KaldoDisplayProfile::ResetSystemProfile()
{
    return OSProfile::ApplySystemProfile(m_deviceName, m_deviceId);
}

bool KaldoDisplayProfile::setColorMatrix(const ColorMatrix& matrix)
{
    if (!m_profile)
        return false;
    for (int column = 0; column < 3; ++column) {
        const cmsCIEXYZ colorant{matrix[0][column], matrix[1][column], matrix[2][column]};
        if (!cmsWriteTag(handle(m_profile.get()), COLORANT_TAGS[column], &colorant))
            return false;
    }
    return true;
}

bool KaldoDisplayProfile::setColorMatrix(const FixedColorMatrix& matrix)
{
    ColorMatrix values{};
    for (int i = 0; i < 9; ++i)
        values[i / 3][i % 3] = static_cast<float>(matrix[i] / FIXED_ONE);
    return setColorMatrix(values);
}

bool KaldoDisplayProfile::readColorMatrix(ColorMatrix& matrix) const
{
    if (!m_profile)
        return false;
    for (int column = 0; column < 3; ++column) {
        const auto* colorant =
            static_cast<const cmsCIEXYZ*>(cmsReadTag(handle(m_profile.get()), COLORANT_TAGS[column]));
        if (!colorant)
            return false;
        matrix[0][column] = static_cast<float>(colorant->X);
        matrix[1][column] = static_cast<float>(colorant->Y);
        matrix[2][column] = static_cast<float>(colorant->Z);
    }
    return true;
}

bool KaldoDisplayProfile::readColorMatrix(FixedColorMatrix& matrix) const
{
    ColorMatrix values{};
    if (!readColorMatrix(values))
        return false;
    for (int i = 0; i < 9; ++i)
        matrix[i] = static_cast<int>(std::lround(values[i / 3][i % 3] * FIXED_ONE));
    return true;
}

QString KaldoDisplayProfile::generateProfileName(int /*displayId*/, const QString& model,
                                                 const QString& serial)
{
    QStringList parts;
    for (const QString& part : {model, serial}) {
        if (!part.isEmpty())
            parts << safePart(part);
    }
    return PROFILE_NAME_PREFIX + parts.join(QLatin1Char('_')) + QStringLiteral(".icc");
}

bool KaldoDisplayProfile::createProfile(double iccVersion)
{
    const cmsCIExyY d65{0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE srgbPrimaries{{0.64, 0.33, 1.0}, {0.30, 0.60, 1.0}, {0.15, 0.06, 1.0}};
    cmsToneCurve* gamma = cmsBuildGamma(nullptr, 2.2);
    cmsToneCurve* curves[3] = {gamma, gamma, gamma};
    ProfileHandle profile(gamma ? cmsCreateRGBProfile(&d65, &srgbPrimaries, curves) : nullptr);
    cmsFreeToneCurve(gamma);
    if (!profile) {
        qDebug() << "KaldoProfile: can't create a profile for" << m_fileName;
        return false;
    }
    cmsSetProfileVersion(handle(profile.get()), iccVersion);
    const QString description =
        m_description.isEmpty() ? QFileInfo(m_fileName).completeBaseName() : m_description;
    if (!writeDescription(handle(profile.get()), description))
        qDebug() << "KaldoProfile: can't write the description of" << m_fileName;
    m_profile = std::move(profile);
    return true;
}

bool KaldoDisplayProfile::LoadFromFile()
{
    m_profile.reset();
    QFile file(m_fileName);
    if (m_fileName.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        qDebug() << "KaldoProfile: can't open profile" << m_fileName;
        return false;
    }
    // Read with a bound: a device or a pipe reports no size and may never end.
    const QByteArray bytes = file.read(MAX_PROFILE_BYTES + 1);
    if (bytes.size() > MAX_PROFILE_BYTES) {
        qDebug() << "KaldoProfile: profile larger than" << MAX_PROFILE_BYTES << "bytes:" << m_fileName;
        return false;
    }
    // From memory, so that saving to the same file never reads from a file being rewritten.
    if (!LoadFromData(bytes)) {
        qDebug() << "KaldoProfile: not a valid ICC profile, left untouched:" << m_fileName;
        return false;
    }
    return true;
}

bool KaldoDisplayProfile::LoadFromData(const QByteArray& bytes)
{
    m_profile.reset();
    if (bytes.size() > MAX_PROFILE_BYTES) {
        qDebug() << "KaldoProfile: profile too large" << bytes.size();
        return false;
    }
    m_profile.reset(cmsOpenProfileFromMem(bytes.constData(), static_cast<cmsUInt32Number>(bytes.size())));
    return m_profile != nullptr;
}

bool KaldoDisplayProfile::SaveToFile()
{
    if (!m_profile || m_fileName.isEmpty()) {
        qDebug() << "KaldoProfile: nothing to save to" << m_fileName;
        return false;
    }
    if (cmsGetEncodedICCversion(handle(m_profile.get())) >= 0x4000000)
        cmsMD5computeID(handle(m_profile.get()));
    cmsUInt32Number size = 0;
    if (!cmsSaveProfileToMem(handle(m_profile.get()), nullptr, &size) || size == 0) {
        qDebug() << "KaldoProfile: can't serialise profile" << m_fileName;
        return false;
    }
    QByteArray bytes(static_cast<qsizetype>(size), '\0');
    if (!cmsSaveProfileToMem(handle(m_profile.get()), bytes.data(), &size)) {
        qDebug() << "KaldoProfile: can't serialise profile" << m_fileName;
        return false;
    }
    QDir().mkpath(QFileInfo(m_fileName).absolutePath());
    QSaveFile file(m_fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes.constData(), size) != size || !file.commit()) {
        qDebug() << "KaldoProfile: can't write profile" << m_fileName << file.errorString();
        return false;
    }
    return true;
}

bool KaldoDisplayProfile::isOwnDisplay(int displayId, const char* caller) const
{
    if (displayId == m_displayId)
        return true;
    qDebug() << "KaldoProfile::" << caller << "display" << displayId << "is not this profile's display"
             << m_displayId;
    return false;
}
