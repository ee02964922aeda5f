#pragma once

#include <QString>
#include <QStringList>

// Loads the regulations the agent works with: the built-in ones the product names
// (global value "Regulations"), then every user file of the user regulation folder.
class RegulationList
{
public:
    RegulationList() = delete;

    // `folder` holds the built-in definitions (":rc/regulations" in the agent). An
    // empty `userFolder` means the user regulation folder of the data directory.
    static void RefreshRegulationList(const QString& folder, const QString& userFolder = QString());
    // The user regulation files ("*.kur") of a folder, by name.
    static QStringList userRegulationFiles(const QString& userFolder);
    // The user folder RefreshRegulationList uses by default.
    static QString userRegulationFolder();
};
