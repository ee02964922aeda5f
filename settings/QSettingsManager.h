#pragma once

#include <QString>
#include <QStringList>

// Where the product keeps its files: the data directory (the folder of the
// machine-wide settings file) and the data folders inside it.
class QSettingsManager
{
public:
    static constexpr char SETTINGS_EXPORT_EXTENSION[] = ".kdos";
    static constexpr char SETTINGS_BACKUP_EXTENSION[] = ".kdo";

    // The data directory, ending with "/".
    static QString GetAppRootDirectoryPath();
    static QString GetDataBasePath();
    static QString GetUserRegulationDirectoryPath();
    static QString GetUserTranslationDirectoryPath();
    static QString GetSensorCorrectionsDirectoryPath();
    static QString GetProfileDirectoryPath();
    static QString GetPrinterMeasuresPath();
    static QString GetColorTargetsDirectoryPath();
    static QString GetChartBoardsDirectoryPath();

    // Creates the data directory and the product's folders in it, the folders
    // open to every local account (one made by one user must not lock out the next).
    // False when a folder could not be created.
    static bool ensureDataFolders();

    // Preferences that describe this workstation; an import of another
    // workstation's settings leaves them alone.
    static const QStringList& workstationPreferenceNames();
    static bool isWorkstationPreference(const QString& name);

private:
    static QString folderOf(const char* globalDataName);
};
