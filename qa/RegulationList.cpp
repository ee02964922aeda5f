#include "qa/RegulationList.h"

#include "db/DBTransaction.h"
#include "qa/DBUserRegulations.h"
#include "qa/RegulationSettings.h"
#include "settings/GlobalData.h"
#include "settings/QSettingsManager.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>

QString RegulationList::userRegulationFolder()
{
    return QSettingsManager::GetUserRegulationDirectoryPath();
}

QStringList RegulationList::userRegulationFiles(const QString& userFolder)
{
    const QDir dir(userFolder);
    QStringList files;
    for (const QString& name : dir.entryList({QStringLiteral("*.kur")}, QDir::Files, QDir::Name))
        files << dir.filePath(name);
    return files;
}

void RegulationList::RefreshRegulationList(const QString& folder, const QString& userFolder)
{
    RegulationSettings* settings = RegulationSettings::instance();
    settings->ClearRegulations();
    const QString names = GlobalData::instance().getString(QString::fromLatin1(GLOBALDATA_REGULATION_NAMES));
    qDebug().noquote() << "Global data regulations - " << names;
    const QDir dir(folder);
    for (const QString& name : names.split(QLatin1Char('|'), Qt::SkipEmptyParts)) {
        const QString path = dir.filePath(name + QStringLiteral(".xml"));
        // The product lists regulations whose definitions it does not ship: one line says
        // so, rather than the reader's open and parse failures for an empty document.
        if (!QFileInfo::exists(path)) {
            qDebug().noquote() << "Regulation" << name << "is listed but has no definition in" << folder
                               << "- skipped";
            continue;
        }
        settings->ReadSettingsFromFile(path, false);
    }
    const QString users = userFolder.isEmpty() ? userRegulationFolder() : userFolder;
    for (const QString& file : userRegulationFiles(users))
        settings->ReadSettingsFromFile(file, true);

    DBUserRegulations table;
    DBTransaction transaction;
    if (!transaction.started() || !table.clear()) {
        transaction.failTransaction();
        return;
    }
    QStringList ids;
    settings->GetUserRegulationIds(ids);
    for (const QString& id : ids) {
        const RegulationInfo* regulation = settings->GetRegulationById(id);
        table.addRegulation(id, regulation->GetRegulationName());
        for (const ClassificationInfo& c : regulation->classifications())
            table.addClassification(id, c.GetClassificationId(), c.GetClassificationName());
    }
}
