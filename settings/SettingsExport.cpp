#include "settings/SettingsExport.h"

#include "db/DBPreferences.h"
#include "db/DBTransaction.h"
#include "settings/GlobalData.h"
#include "settings/KaldoConfiguration.h"
#include "settings/QSettingsManager.h"

#include <QDebug>
#include <QFileInfo>

bool SettingsExport::exportTo(const QString& path)
{
    KaldoConfiguration document;
    document.CreateEmpty(QString::fromLatin1(ROOT));
    KaldoConfiguration::iterator root = document.GetStartElement();
    const GlobalData& data = GlobalData::instance();
    root.setattribute(QStringLiteral("application"), data.getString(GD_APPLICATION_NAME));
    root.setattribute(QStringLiteral("version"), data.getString(GLOBALDATA_VERSION_CURRENT));
    root.setattribute(QStringLiteral("build"), data.getString(GLOBALDATA_VERSION_BUILD));

    int count = 0;
    const DBPreferences preferences;
    for (KaldoDataIterator row = preferences.begin(); !row.IsNull(); ++row, ++count)
        root.addchild(QString::fromLatin1(ITEM), row.value(DBPreferences::VALUE))
            .setattribute(QStringLiteral("name"), row.value(DBPreferences::NAME));
    qDebug().noquote() << "SettingsExport::exportTo" << path << count << "preferences";
    return document.SaveAs(path);
}

int SettingsExport::importFrom(const QString& path)
{
    const QFileInfo file(path);
    const KaldoConfiguration document(file.absolutePath(), file.fileName());
    if (!document.IsOpened())
        return -1;
    if (document.GetStartElement().name() != QLatin1String(ROOT)) {
        qWarning().noquote() << "SettingsExport::importFrom:" << path << "is not a preferences export (root"
                             << document.GetStartElement().name() + ")";
        return -1;
    }
    DBPreferences preferences;
    DBTransaction transaction;
    int count = 0;
    for (auto item = document.firstchild(QString::fromLatin1(ITEM)); !item.IsNull(); ++item) {
        const QString name = item.attribute(QStringLiteral("name"));
        if (name.isEmpty() || QSettingsManager::isWorkstationPreference(name))
            continue;
        if (!preferences.setValue(name, item.value(), true)) {
            qWarning().noquote() << "SettingsExport::importFrom: cannot store" << name
                                 << "- nothing imported";
            transaction.failTransaction();
            return -1;
        }
        ++count;
    }
    qDebug().noquote() << "SettingsExport::importFrom" << path << count << "preferences";
    return count;
}
