// Costs of the shared settings file (every write is a locked, fresh-read copy
// replaced in one rename) next to a plain QSettings write, and of data bus reads.
#include "bench/support/BenchReport.h"
#include "settings/DataBus.h"
#include "settings/QSettingsWithSharing.h"

#include <QDir>
#include <QHash>
#include <QSettings>

void runBenchmarks(BenchReport& report)
{
    const QString folder = qEnvironmentVariable("LUTLOADER_DATA_DIR", QDir::tempPath() + "/lutloader-bench");
    QDir().mkpath(folder);
    // A settings file of realistic size: a few dozen keys in several groups.
    QSettingsWithSharing shared(QSettings::IniFormat, QSettings::SystemScope, "Kaldo", "OrvantaBench");
    QSettings plain(folder + "/plain-bench.ini", QSettings::IniFormat);
    for (int i = 0; i < 40; ++i) {
        shared.setValue(QStringLiteral("Group%1/key%2").arg(i % 4).arg(i), i);
        plain.setValue(QStringLiteral("Group%1/key%2").arg(i % 4).arg(i), i);
    }
    plain.sync();

    int counter = 0;
    report.measureAndAdd("settings file: plain QSettings write + sync", [&] {
        plain.setValue("Sync/LastRun", ++counter);
        plain.sync();
    });
    report.measureAndAdd("settings file: shared write (lock, fresh copy, rename)",
                         [&] { shared.setValue("Sync/LastRun", ++counter); });
    report.measureAndAdd("settings file: shared read", [&] { shared.value("Group1/key5"); });

    DataBus bus;
    QHash<QString, QString> hash;
    for (int i = 0; i < 60; ++i) {
        bus.setString(QStringLiteral("name%1").arg(i), QStringLiteral("value%1").arg(i));
        hash.insert(QStringLiteral("name%1").arg(i), QStringLiteral("value%1").arg(i));
    }
    const QString name = QStringLiteral("name42");
    report.measureAndAdd("QHash<QString, QString>: 100 lookups", [&] {
        for (int i = 0; i < 100; ++i)
            hash.value(name);
    });
    report.measureAndAdd("data bus: 100 x getString", [&] {
        for (int i = 0; i < 100; ++i)
            bus.getString(name);
    });
    QFile::remove(shared.fileName());
    QFile::remove(plain.fileName());
}
