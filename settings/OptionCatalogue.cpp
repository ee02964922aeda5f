#include "settings/OptionCatalogue.h"

#include "color/CurvesFactory.h"
#include "db/DB.h"
#include "db/DBTransaction.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "platform/SerialPorts.h"
#include "settings/GlobalData.h"

#include <QDebug>
#include <QRegularExpression>

namespace {

const QString SETTINGS_NAMES = QStringLiteral("SettingsNames");

QString pairs(const QStringList& labelsAndValues)
{
    return labelsAndValues.join(QLatin1Char('|'));
}

// A list whose labels are its values ("18|18|33|33").
QString sameLabels(const QStringList& values)
{
    QStringList list;
    for (const QString& value : values)
        list << value << value;
    return pairs(list);
}

QString screenSizes()
{
    QStringList sizes;
    for (const int inches : {17, 19, 20, 21, 22, 24, 27, 32})
        sizes << QString::number(inches) + QLatin1Char('\'');
    return sameLabels(sizes);
}

QString calibrationTypes()
{
    QStringList list;
    for (const QString& id : CurvesFactory::curvesList()) {
        const QString name = CurvesFactory::curveName(id, 0);
        list << name << name;
    }
    return pairs(list);
}

// Serial sensors are stored by port number ("3" for COM3 or ttyS3).
QString sensorPorts(const QStringList& ports)
{
    static const QRegularExpression trailingNumber(QStringLiteral("(\\d+)$"));
    QStringList list;
    for (const QString& port : ports) {
        const QRegularExpressionMatch match = trailingNumber.match(port);
        if (match.hasMatch())
            list << port << match.captured(1);
    }
    return pairs(list);
}

} // namespace

QList<OptionCatalogue::Entry> OptionCatalogue::build(const DataBus& data, const QStringList& serialPorts)
{
    const QString days =
        QStringLiteral("Monday|1|Tuesday|2|Wednesday|3|Thursday|4|Friday|5|Saturday|6|Sunday|7");
    return {
        {"schedtype", "Start-up|0|Once|1|Daily|2|Weekly|3|Monthly|4|Quarterly|5|Semiannually|6|Annually|7"},
        {"schedtestpattern", data.getString(GLOBALDATA_TESTPATTERNS)},
        {"DaysOfWeek", days},
        {"DaysOfWeek2", days},
        {"DaysOfWeek3", days},
        {"Monthes",
         "January|1|February|2|March|3|April|4|May|5|June|6|July|7|August|8|September|9|October|10|"
         "November|11|December|12"},
        {"WeekOfMonth", "First|1|Second|2|Third|3|Fourth|4|Last|5"},
        {"taskName",
         "Display Calibration|cal|Display Conformance|con|Display Luminance Calibration|awl|"
         "Display Luminance Conformance|vwl|Display Verify Uniformity|vun|Display Test Pattern|dtp|"
         "Online Visual Display Test|ovt|MQSA Monitor Inspaction|mmi|Full Black Surface Test|fbs|"
         "Everlight ANZ QA|ela|SMPTE US Rad|sur"},
        {"backupPeriod", "day|1|week|7|month|30"},
        {"RemindMinutes", "5 minutes|5|10 minutes|10|30 minutes|30|45 minutes|45|60 minutes|60"},
        {"DataBaseSynchronizationInterval", "Every 5 minutes|5|Every 15 minutes|15|Every 30 minutes|30|"
                                            "Every hour|60|Every 2 hours|120|Every 12 hours|720"},
        {"AmbientStable", "no|0|yes|1"},
        {"units", "centimetres|cm|inches|inches"},
        {"Uniformity", "5%|5|10%|10|15%|15|25%|25|30%|30"},
        {"TypeOfDisplay", "Color|Color|Gray|Gray|Projector|Projector"},
        {"BacklightStabilization", "no|0|no, with range control|2|yes|1"},
        {"CommunicationType", "Graphic Card|2|DDC/CI|1|Serial|0|USB|3"},
        {"SensorConType", "Serial|0|USB|1"},
        {"ConformancePoints", "18|18|33|33|256|256"},
        {"ChromaticAdaptation",
         "CAT02 (from CIECAM02)|CAT02|von Kries|vonkries|linear Bradford|linearbradford"},
        {"LumUnits", QStringLiteral("cd/m²|cd/m2|fL|fL")},
        {"DisplayTechnology",
         "CRT|CRT|Flat/LCD CCFL backlight|Flat|Flat/LCD LED backlight|FlatWLED|"
         "Flat/LCD LED backlight (wide gamut)|FlatRGBLED|Flat/LCD GB-r LED backlight|FlatGBrLED"},
        {"ScreenSize", screenSizes()},
        {"CalibrationType", calibrationTypes()},
        {"ColorTemperatureAdjustment", "Native|0|Color temperature|1|Chromaticity x, y|2"},
        {"CommunicationPort", sameLabels(serialPorts)},
        {"SensorCOMPort", sensorPorts(serialPorts)},
        {"CalibrationPresents", "Standard|1"},
        {"UsedRegulation",
         sameLabels(data.getString(GLOBALDATA_REGULATION_NAMES).split(QLatin1Char('|'), Qt::SkipEmptyParts))},
    };
}

QStringList OptionCatalogue::currentSerialPorts()
{
    QStringList ports;
    for (const SerialPortInfo& port : Platform::backend().serialPortEnumeration().enumerate())
        ports << port.name;
    return ports;
}

QStringList OptionCatalogue::labels(const QString& list)
{
    const QStringList items = list.split(QLatin1Char('|'));
    QStringList result;
    for (qsizetype i = 0; i + 1 < items.size(); i += 2)
        result << items.at(i);
    return result;
}

QStringList OptionCatalogue::values(const QString& list)
{
    const QStringList items = list.split(QLatin1Char('|'));
    QStringList result;
    for (qsizetype i = 1; i < items.size(); i += 2)
        result << items.at(i);
    return result;
}

bool OptionCatalogue::store(const QList<Entry>& entries)
{
    const std::shared_ptr<KaldoDynamicData> db = DB::get();
    if (!db->IsOpened() || !Schema::checkTables(*db, {Schema::table(SETTINGS_NAMES)})) {
        qWarning() << "OptionCatalogue::store: the SettingsNames table is not usable";
        return false;
    }
    DBTransaction transaction(db);
    for (const Entry& entry : entries) {
        const KaldoDynamicData::Values key{{QStringLiteral("name"), entry.first}};
        const KaldoDynamicData::Values row{{QStringLiteral("name"), entry.first},
                                           {QStringLiteral("map"), entry.second}};
        const bool ok = db->count(SETTINGS_NAMES, key) > 0 ? db->changeinfo(SETTINGS_NAMES, key, row)
                                                           : db->addinfo(SETTINGS_NAMES, row);
        if (!ok) {
            qWarning() << "OptionCatalogue::store: cannot write" << entry.first;
            transaction.failTransaction();
            return false;
        }
    }
    return true;
}
