#include "db/DBUtils.h"

#include "db/DBCurrentDisplays.h"
#include "db/DBDisplays.h"
#include "db/DBPreferences.h"
#include "db/DBTransaction.h"
#include "displays/CurrentDisplays.h"
#include "displays/DisplayInfo.h"
#include "settings/GlobalData.h"
#include "settings/PasswordPreferences.h"

#include <QDebug>
#include <QVersionNumber>

#include <algorithm>
#include <cmath>
#include <memory>

// The known-display list belongs to the display model; builds without it register
// new displays with the product defaults only.
#if __has_include("displays/DisplaysPrefs.h")
#include "displays/DisplaysPrefs.h"
#define LUTLOADER_HAS_KNOWN_DISPLAYS 1
#else
#define LUTLOADER_HAS_KNOWN_DISPLAYS 0
#endif

namespace {

const QString kDateFormat = QStringLiteral("yyyy.MM.dd");

// The rectangle a display record keeps: the desktop rectangle, or the resolution at the
// origin when the system gave no desktop for the output.
QRect recordRect(const DisplayInfo& info)
{
    if (info.hasRect())
        return info.rect();
    return QRect(0, 0, qMax(info.width(), 0), qMax(info.height(), 0));
}

// The descriptive settings the enumeration knows about a display.
QList<QPair<QString, QString>> describedSettings(const DisplayInfo& info)
{
    return {{QStringLiteral("Model"), info.name()},
            {QStringLiteral("SerialNumber"), info.serial()},
            {QStringLiteral("Manufacturer"), info.manufacture()},
            {QStringLiteral("ResolutionHorizontal"),
             QString::number(info.width() > 0 ? info.width() : recordRect(info).width())},
            {QStringLiteral("ResolutionVertical"),
             QString::number(info.height() > 0 ? info.height() : recordRect(info).height())}};
}

bool writeSettings(DBDisplays& displays, int displayid, const QList<QPair<QString, QString>>& settings)
{
    for (const auto& [name, value] : settings) {
        if (!displays.setDisplayInfo(displayid, name, value))
            return false;
    }
    return true;
}

// Where the record keeps what the hardware says the display is; the descriptive settings
// ("Model" and the others) are the user's to edit and cannot identify a display.
const QString kHardwareIdentity = QStringLiteral("HardwareIdentity");

// Records of the display by hardware identity: same serial column and same stored identity.
QList<int> recordsOfHardware(DBDisplays& displays, const DisplayInfo& info)
{
    const QString identity = DBUtils::displayIdentity(info);
    QList<int> ids;
    if (identity.isEmpty())
        return ids;
    QList<int> candidates;
    displays.findBySerial(info.serial(), candidates);
    if (!info.detectSerial().isEmpty() && info.detectSerial() != info.serial()) {
        QList<int> more;
        displays.findBySerial(info.detectSerial(), more);
        candidates += more;
    }
    for (const int id : candidates) {
        if (!ids.contains(id) && displays.getDisplayInfo(id, kHardwareIdentity) == identity)
            ids.append(id);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

// Binds one current display to its record, creating the record when it is new; -1 on failure.
// Two attached displays that look the same (identical EDIDs) never share one record: the
// second takes the next matching record, or a new one.
int bindDisplay(DBDisplays& displays, const DisplayInfo& info, const DBUtils::NewDisplaySettings& settings,
                const QList<int>& taken)
{
    QList<int> ids = recordsOfHardware(displays, info);
    ids.removeIf([&taken](int id) { return taken.contains(id); });
    qDebug() << "dbutils display" << info.serial();
    // Records made before the hardware identity was kept are found as they were made.
    if (ids.isEmpty()) {
        displays.findBySerialAndModel(info.serial(), info.name(), ids);
        ids.removeIf([&taken](int id) { return taken.contains(id); });
    }
    // A serial the user set by hand is not the one the record was made with.
    if (ids.isEmpty() && !info.detectSerial().isEmpty() && info.detectSerial() != info.serial()) {
        displays.findBySerialAndModel(info.detectSerial(), info.name(), ids);
        ids.removeIf([&taken](int id) { return taken.contains(id); });
    }
    if (ids.isEmpty())
        return DBUtils::addDisplay(info, settings);
    const int displayid = ids.first();
    if (ids.size() > 1)
        qDebug() << "DBUtils::RefreshDisplaysInfo" << ids.size() << "records match; using" << displayid;
    return DBUtils::updateDisplay(info, displayid, settings.today) ? displayid : -1;
}

bool writeHardwareIdentity(DBDisplays& displays, int displayid, const DisplayInfo& info)
{
    const QString identity = DBUtils::displayIdentity(info);
    return identity.isEmpty() || displays.setDisplayInfo(displayid, kHardwareIdentity, identity, false);
}

} // namespace

namespace DBUtils {

NewDisplaySettings productDisplaySettings()
{
    NewDisplaySettings settings;
    settings.defaults =
        GlobalData::instance().GetValue<StringMap>(QString::fromLatin1(GLOBALDATA_DISPLAY_DEFAULT_PARAMS));
#if LUTLOADER_HAS_KNOWN_DISPLAYS
    auto known = std::make_shared<DisplaysPrefs>();
    if (known->load() != 0) {
        qWarning() << "DBUtils::productDisplaySettings the known-display list could not be read";
        return settings;
    }
    settings.knownModel = [known](const DisplayInfo& info) -> std::optional<KnownDisplayModel> {
        if (!known->hasRecord(info))
            return std::nullopt;
        QString manufacturer, name, backlight, type;
        known->getRecord(info, manufacturer, name, backlight, type);
        return KnownDisplayModel{screenSizeText(info), type, backlight};
    };
#else
    qDebug() << "DBUtils::productDisplaySettings no known-display list in this build";
#endif
    return settings;
}

QString screenSizeText(const DisplayInfo& info)
{
    if (info.widthMm() <= 0 || info.heightMm() <= 0)
        return {};
    const double inches = std::hypot(info.widthMm(), info.heightMm()) / 25.4;
    return QString::number(qRound(inches)) + QLatin1Char('\'');
}

QList<int> RefreshDisplaysInfo()
{
    return RefreshDisplaysInfo(productDisplaySettings());
}

QList<int> RefreshDisplaysInfo(const NewDisplaySettings& settings)
{
    DBTransaction transaction;
    if (!transaction.started())
        return {};
    const bool enumerated = CurrentDisplays::DisplayCount() > 0;
    if (!enumerated) {
        CurrentDisplays::Clear();
        DBCurrentDisplays().GetDisplaysInfo();
    }
    const unsigned count = CurrentDisplays::DisplayCount();
    qDebug() << "display count:" << count;

    DBDisplays displays;
    // With no display known at all there is nothing to compare with: the records keep
    // their activity rather than all being taken for detached by a failed enumeration.
    if (count > 0 && !displays.resetActive()) {
        transaction.failTransaction();
        return {};
    }
    QList<int> ids;
    for (unsigned index = 0; index < count; ++index) {
        const int displayid = bindDisplay(displays, CurrentDisplays::Display(index), settings, ids);
        if (displayid < 0 || !displays.activateDisplay(displayid, true)) {
            qWarning() << "DBUtils::RefreshDisplaysInfo could not register display" << index
                       << "; nothing is changed";
            transaction.failTransaction();
            return {};
        }
        CurrentDisplays::SetDisplayId(index, displayid);
        const QString storedSerial = displays.getDisplayInfo(displayid, QStringLiteral("SerialNumber"));
        if (!storedSerial.isEmpty())
            CurrentDisplays::setStoredSerial(index, storedSerial);
        ids.append(displayid);
    }
    if (enumerated && !DBCurrentDisplays().SaveDisplaysInfo()) {
        transaction.failTransaction();
        return {};
    }
    return ids;
}

bool SaveDisplaysInfoToDB()
{
    const bool ok = DBCurrentDisplays().SaveDisplaysInfo();
    qDebug() << "DBUtils::CurrentDisplays saved!";
    return ok;
}

bool LoadDisplaysInfoFromDB()
{
    const bool ok = DBCurrentDisplays().GetDisplaysInfo();
    qDebug() << "DBUtils::CurrentDisplays loaded!";
    return ok;
}

int addDisplay(const DisplayInfo& info)
{
    return addDisplay(info, productDisplaySettings());
}

int addDisplay(const DisplayInfo& info, const NewDisplaySettings& settings)
{
    DBTransaction transaction;
    if (!transaction.started())
        return -1;
    DBDisplays displays;
    const QRect rect = recordRect(info);
    const int displayid =
        displays.addDisplay(info.serial(), rect.top(), rect.left(), rect.width(), rect.height(), true);
    QList<QPair<QString, QString>> values = describedSettings(info);
    values.append({QStringLiteral("InstalationDate"), settings.today.toString(kDateFormat)});
    for (auto it = settings.defaults.cbegin(); it != settings.defaults.cend(); ++it)
        values.append({it.key(), it.value()});
    if (settings.knownModel) {
        if (const auto known = settings.knownModel(info)) {
            qDebug() << "override default display preferences";
            // A size the EDID does not give leaves the default in place.
            if (!known->screenSize.isEmpty())
                values.append({QStringLiteral("ScreenSize"), known->screenSize});
            values.append({QStringLiteral("TypeOfDisplay"), known->typeOfDisplay});
            values.append({QStringLiteral("DisplayTechnology"), known->displayTechnology});
        }
    }
    if (displayid < 0 || !writeSettings(displays, displayid, values) ||
        !writeHardwareIdentity(displays, displayid, info) || !displays.activateDisplay(displayid, true)) {
        qWarning() << "DBUtils::addDisplay failed for serial" << info.serial();
        transaction.failTransaction();
        return -1;
    }
    qDebug() << "DBUtils::addDisplay new display" << displayid << info.name() << info.serial();
    return displayid;
}

bool updateDisplay(const DisplayInfo& info, int displayid, const QDate& today)
{
    DBTransaction transaction;
    if (!transaction.started())
        return false;
    DBDisplays displays;
    const QRect rect = recordRect(info);
    bool ok = writeSettings(displays, displayid, describedSettings(info)) &&
              writeHardwareIdentity(displays, displayid, info) &&
              displays.changeDisplay(displayid, rect.top(), rect.left(), rect.width(), rect.height());
    if (ok && displays.getDisplayInfo(displayid, QStringLiteral("InstalationDate")).isEmpty())
        ok = displays.setDisplayInfo(displayid, QStringLiteral("InstalationDate"),
                                     today.toString(kDateFormat));
    if (!ok) {
        qWarning() << "DBUtils::updateDisplay failed for display" << displayid;
        transaction.failTransaction();
    }
    return ok;
}

NetworkSettings getNetworkSettingsFromDB()
{
    return getNetworkSettingsFromDB(
        QVersionNumber::fromString(QStringLiteral(LUTLOADER_VERSION)).majorVersion());
}

NetworkSettings getNetworkSettingsFromDB(int majorVersion)
{
    DBPreferences preferences;
    const GlobalData& global = GlobalData::instance();
    NetworkSettings settings;
    settings.serverName = preferences.getValue(QStringLiteral("ServerAddress"));
    const QString oldDefault = global.GetValue<QString>(QString::fromLatin1(OLD_DEFAULT_SERVER_ADDRESS_KEY));
    const QString newDefault = global.GetValue<StringMap>(QString::fromLatin1(GLOBALDATA_DEFAULT_PARAMS))
                                   .value(QStringLiteral("ServerAddress"));
    if (majorVersion == 4 && !oldDefault.isEmpty() && !newDefault.isEmpty() &&
        settings.serverName == oldDefault) {
        qDebug() << "DBUtils::getNetworkSettingsFromDB old default server replaced by" << newDefault;
        settings.serverName = newDefault;
        preferences.setValue(QStringLiteral("ServerAddress"), newDefault);
    }
    if (!settings.serverName.startsWith(QLatin1String("http://")) &&
        !settings.serverName.startsWith(QLatin1String("https://")))
        settings.serverName.prepend(QStringLiteral("https://"));

    const auto password = [&](const QString& name) { return PasswordPreferences::read(preferences, name); };
    settings.user = preferences.getValue(QStringLiteral("RemoteConnectionUser"));
    settings.password = password(QStringLiteral("RemoteConnectionPassword"));
    settings.workstationId = preferences.GetSynchronizeWorkstationId();
    settings.useProxy = preferences.getValue(QStringLiteral("UseProxy")) == QLatin1String("true");
    if (settings.useProxy) {
        settings.proxyHost = preferences.getValue(QStringLiteral("ProxyServerIp"));
        settings.proxyPort = preferences.getValue(QStringLiteral("ProxyServerPort"));
        settings.proxyUser = preferences.getValue(QStringLiteral("ProxyUser"));
        settings.proxyPassword = password(QStringLiteral("ProxyPassword"));
    }
    return settings;
}

QString displayIdentity(const DisplayInfo& info)
{
    // The EDID identity does not change with user-set serials or desktop layout; a display
    // without EDID is known only by the output it is attached to.
    if (info.edidLength() > 0) {
        const auto code = info.productCode();
        return info.shortManufacturer() + QLatin1Char(':') +
               QString::number(code[0] | (code[1] << 8), 16).rightJustified(4, QLatin1Char('0')) +
               QLatin1Char(':') + info.name() + QLatin1Char(':') + info.detectSerial();
    }
    return info.deviceName().isEmpty() ? QString() : QStringLiteral("output:") + info.deviceName();
}

QString displayIdentity(int displayid)
{
    if (!CurrentDisplays::IsDisplayConnected(displayid))
        return {};
    return displayIdentity(CurrentDisplays::DisplayById(displayid));
}

} // namespace DBUtils
