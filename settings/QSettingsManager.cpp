#include "settings/QSettingsManager.h"

#include "platform/OSUtils.h"
#include "settings/DataDirectory.h"
#include "settings/GlobalData.h"
#include "settings/QSettingsWithSharing.h"

#include <QDebug>
#include <QDir>

QString QSettingsManager::GetAppRootDirectoryPath()
{
    const GlobalData& data = GlobalData::instance();
    const QString fileName = QSettingsWithSharing::resolveFileName(
        QSettings::IniFormat, QSettings::SystemScope, data.getString(GLOBALDATA_ORGANIZATION_NAME),
        data.getString(GD_APPLICATION_NAME));
    if (fileName.isEmpty()) {
        // Product parameters not loaded (a tool run early): the data directory is still known.
        qDebug()
            << "QSettingsManager::GetAppRootDirectoryPath: no application name, using the data directory";
        return DataDirectory::path() + QLatin1Char('/');
    }
    return fileName.left(fileName.lastIndexOf(QLatin1Char('/')) + 1);
}

QString QSettingsManager::folderOf(const char* globalDataName)
{
    return GetAppRootDirectoryPath() + GlobalData::instance().getString(QString::fromLatin1(globalDataName));
}

QString QSettingsManager::GetDataBasePath()
{
    return folderOf(GLOBALDATA_DIRECTORY_NAME_DATABASE);
}

QString QSettingsManager::GetUserRegulationDirectoryPath()
{
    return folderOf(GLOBALDATA_DIRECTORY_NAME_REGULATION_FILES);
}

QString QSettingsManager::GetUserTranslationDirectoryPath()
{
    return folderOf(GLOBALDATA_DIRECTORY_NAME_TRANSLATE_FILES);
}

QString QSettingsManager::GetSensorCorrectionsDirectoryPath()
{
    return folderOf(GLOBALDATA_DIRECTORY_NAME_SENSORCORRECTION_FILES);
}

QString QSettingsManager::GetProfileDirectoryPath()
{
    return folderOf(GLOBALDATA_DIRECTORY_NAME_PROFILE_FILES);
}

QString QSettingsManager::GetPrinterMeasuresPath()
{
    return folderOf(GLOBALDATA_DIRECTORY_NAME_PRINTER_MEASURES_FILES);
}

QString QSettingsManager::GetColorTargetsDirectoryPath()
{
    return GetAppRootDirectoryPath() + QStringLiteral("ColorTargets");
}

QString QSettingsManager::GetChartBoardsDirectoryPath()
{
    return GetAppRootDirectoryPath() + QStringLiteral("ChartBoards");
}

bool QSettingsManager::ensureDataFolders()
{
    // The shared data directory's own rights are the installation's business (a
    // group of the suite's users); a per-user one is this account's alone.
    const QString root = GetAppRootDirectoryPath();
    if (!OSUtils::makeFolder(root)) {
        qWarning().noquote() << "QSettingsManager::ensureDataFolders: cannot create" << root;
        return false;
    }
    const QStringList folders = {GetUserRegulationDirectoryPath(),
                                 GetUserTranslationDirectoryPath(),
                                 GetSensorCorrectionsDirectoryPath(),
                                 GetProfileDirectoryPath(),
                                 GetPrinterMeasuresPath(),
                                 GetColorTargetsDirectoryPath(),
                                 GetChartBoardsDirectoryPath()};
    bool ok = true;
    for (const QString& folder : folders) {
        if (!OSUtils::makeFolder(folder)) {
            qWarning().noquote() << "QSettingsManager::ensureDataFolders: cannot create" << folder;
            ok = false;
        }
    }
    return ok;
}

const QStringList& QSettingsManager::workstationPreferenceNames()
{
    static const QStringList names = {QStringLiteral("WorkstationName"), QStringLiteral("Department"),
                                      QStringLiteral("Room"), QStringLiteral("synchronizeid"),
                                      QStringLiteral("remoteOn")};
    return names;
}

bool QSettingsManager::isWorkstationPreference(const QString& name)
{
    return workstationPreferenceNames().contains(name);
}
