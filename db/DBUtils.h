#pragma once

#include "db/NetworkSettings.h"

#include <QDate>
#include <QList>
#include <QMap>
#include <QString>

#include <functional>
#include <optional>

class DisplayInfo;

// Registration of the attached displays in the display tables, used when the tray
// rebuilds its display menu.
namespace DBUtils {

// What the known-model list says about a display model.
struct KnownDisplayModel
{
    QString screenSize;
    QString typeOfDisplay;
    QString displayTechnology;
};

// Settings a new display record starts with besides its identity.
struct NewDisplaySettings
{
    // The display defaults of the product parameters, name -> value.
    QMap<QString, QString> defaults;
    // The known-model entry of a display, when it has one.
    std::function<std::optional<KnownDisplayModel>(const DisplayInfo&)> knownModel;
    QDate today = QDate::currentDate();
};

// The product's display defaults and the embedded known-model list.
NewDisplaySettings productDisplaySettings();
// The diagonal in whole inches as the settings write it ("24'"); empty without a physical size.
QString screenSizeText(const DisplayInfo& info);

// Binds every current display to its record (creating missing ones) inside one
// transaction, marks exactly the current displays active and saves the snapshot.
// Returns the display ids in list order.
QList<int> RefreshDisplaysInfo();
QList<int> RefreshDisplaysInfo(const NewDisplaySettings& settings);

bool SaveDisplaysInfoToDB();
bool LoadDisplaysInfoFromDB();

int addDisplay(const DisplayInfo& info);
int addDisplay(const DisplayInfo& info, const NewDisplaySettings& settings);
bool updateDisplay(const DisplayInfo& info, int displayid, const QDate& today = QDate::currentDate());

// The remote server's connection settings from the preferences. A server address still
// at the old product default is moved to the current default (and stored) on major version 4.
NetworkSettings getNetworkSettingsFromDB();
NetworkSettings getNetworkSettingsFromDB(int majorVersion);
// Product data naming the server address that version 4 replaces by the current default.
inline constexpr char OLD_DEFAULT_SERVER_ADDRESS_KEY[] = "OldDefaultServerAddress";

// The text that identifies the physical display attached under `displayid`, empty when none is.
QString displayIdentity(int displayid);
QString displayIdentity(const DisplayInfo& info);

} // namespace DBUtils
