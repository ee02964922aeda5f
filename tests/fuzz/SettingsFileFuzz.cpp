// libFuzzer entry: the machine-wide settings file as another account of the group may have
// left it, opened, read key by key and written to, as `settings set` does.
#include "settings/DataDirectory.h"
#include "settings/QSettingsWithSharing.h"
#include "tests/fuzz/FuzzSupport.h"

#include <QDir>
#include <QFile>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSupport::quiet();
    const QString folder = FuzzSupport::scratchFolder();
    const QString application = QStringLiteral("SettingsFuzz");
    const QString path = DataDirectory::settingsFile(application);
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    {
        QSettingsWithSharing settings(QSettings::IniFormat, QSettings::SystemScope, QStringLiteral("Fuzz"),
                                      application);
        for (const QString& key : settings.allKeys())
            settings.value(key);
        settings.setValue(QStringLiteral("Probe"), 42);
        settings.remove(QStringLiteral("Probe"));
    }
    // A malformed file is kept aside under a new name each time; the folder must not fill up.
    QDir dir(folder);
    for (const QString& name :
         dir.entryList({application + QStringLiteral(".ini*")}, QDir::Files | QDir::Hidden))
        dir.remove(name);
    return 0;
}
