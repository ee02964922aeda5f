#pragma once

#include "settings/DataBus.h"

#include <QMap>

// Names of the process-wide values. Product parameters come from the embedded
// INI files; the others are set while the agent runs.
inline constexpr char GLOBALDATA_DEFAULT_PARAMS[] = "default preferences";
inline constexpr char GLOBALDATA_DISPLAY_DEFAULT_PARAMS[] = "displaypreferences";
inline constexpr char GLOBALDATA_CURRENT_DISPLAY_ID[] = "currentDisplayId";
inline constexpr char GLOBALDATA_LANGUAGE[] = "language";
inline constexpr char GD_APPLICATION_NAME[] = "ApplicationName";
inline constexpr char GLOBALDATA_APPLICATION_FILE_NAME[] = "ApplicationFileName";
inline constexpr char GLOBALDATA_APPLICATION_NAME_PATH[] = "ApplicationNamePath";
inline constexpr char GLOBALDATA_ORGANIZATION_NAME[] = "CompanyName";
inline constexpr char GLOBALDATA_COPYRIGHT_COMPANY_NAME[] = "CopyrightCompanyName";
inline constexpr char GLOBALDATA_VERSION_CURRENT[] = "version";
inline constexpr char GLOBALDATA_VERSION_BUILD[] = "build";
inline constexpr char GLOBALDATA_VERSIONPREFIX_CURRENT[] = "versionPrefix";
inline constexpr char GLOBALDATA_UPDATE_LINK[] = "updatelink";
inline constexpr char GLOBALDATA_DIRECTORY_NAME_TRANSLATE_FILES[] = "TranslateDirectoryName";
inline constexpr char GLOBALDATA_DIRECTORY_NAME_REGULATION_FILES[] = "RegulationDirectoryName";
inline constexpr char GLOBALDATA_DIRECTORY_NAME_PROFILE_FILES[] = "ProfileDirectoryName";
inline constexpr char GLOBALDATA_DIRECTORY_NAME_DATABASE[] = "DatabaseDirectoryName";
inline constexpr char GLOBALDATA_DIRECTORY_NAME_RESERVE_COPY[] = "ReserveCopyDirectoryName";
inline constexpr char GLOBALDATA_DIRECTORY_NAME_SENSORCORRECTION_FILES[] = "CorrectionsDirectoryName";
inline constexpr char GLOBALDATA_DIRECTORY_NAME_PRINTER_MEASURES_FILES[] =
    "PrinterCalMeasurementsDirectoryName";
inline constexpr char GLOBALDATA_SRC_DIR[] = "SrcDirPath";
inline constexpr char GLOBALDATA_INFOLINK_LINK[] = "InfoLink";
inline constexpr char GLOBALDATA_INFOLINK_TEXT[] = "InfoLinkText";
inline constexpr char GLOBALDATA_SUPPORTLINK_LINK[] = "SupportLink";
inline constexpr char GLOBALDATA_SUPPORTLINK_TEXT[] = "SupportLinkText";
inline constexpr char GLOBALDATA_EMAIL[] = "Email";
inline constexpr char GLOBALDATA_WHATSNEW_LINK[] = "WhatsNewsLink";
inline constexpr char GLOBALDATA_SHOP_LINK[] = "ShopLink";
inline constexpr char GLOBALDATA_SHOP_LINK_DE[] = "ShopLink_de";
inline constexpr char GLOBALDATA_SPECIAL_MESSAGE_PLACE[] = "SpecialMessagePlace";
inline constexpr char GLOBALDATA_REGULATION_NAMES[] = "Regulations";
inline constexpr char GLOBALDATA_CLASSIFICATION_NAMES[] = "Classifacations";
inline constexpr char GLOBALDATA_TESTPATTERNS[] = "TestPatterns";
inline constexpr char GLOBALDATA_START_PAGE_NUMBER[] = "StartPageNumber";
inline constexpr char GLOBALDATA_COLOR_TEMPERATURES[] = "ColorTemperatures";
inline constexpr char GLOBALDATA_GUIVIEW[] = "GuiView";

// Map of text to text, the type of the two preference default maps.
using StringMap = QMap<QString, QString>;

// The process-wide data bus: filled on the main thread at start-up, read by every
// thread afterwards.
class GlobalData : public DataBus
{
public:
    static GlobalData& instance();

private:
    GlobalData() = default;
};
