#include "settings/BaseDataPool.h"

#include "color/ColorUnitsConversion.h"
#include "db/DB.h"
#include "db/DBPreferences.h"
#include "db/DBTransaction.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"
#include "settings/GlobalData.h"
#include "settings/OptionCatalogue.h"
#include "settings/PasswordPreferences.h"

#include <QDebug>

namespace {

const QString FOOT_LAMBERTS = QStringLiteral("fL");
const QString EXTCOMBO = QStringLiteral("_extcombo");
const QString USER_UNITS = QStringLiteral("_u");
const QStringList LEVELS = {QStringLiteral("WhiteLevel"), QStringLiteral("BlackLevel")};
const QStringList REGULATION_CHOICES = {
    QStringLiteral("UsedRegulation"), QStringLiteral("UsedClassification"),
    QStringLiteral("UsedRegulationName"), QStringLiteral("UsedClassificationName")};
const QStringList QA_SENSITIVE = {
    QStringLiteral("CalibrationType"), QStringLiteral("Gamma"), QStringLiteral("AdjustColorTemperature"),
    QStringLiteral("ColorTemperatureAdjustment"), QStringLiteral("AmbientStable")};

// Converts a luminance between cd/m² and foot-lamberts; text that is not a
// number ("native") passes unchanged.
QString convertLuminance(const QString& value, bool fromFootLamberts, bool toFootLamberts)
{
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok || fromFootLamberts == toFootLamberts)
        return value;
    const double candelas = fromFootLamberts ? ColorUnitsConversion::fLtoCd(number) : number;
    return QString::number(toFootLamberts ? ColorUnitsConversion::cdtofL(candelas) : candelas);
}

} // namespace

BaseDataPool::BaseDataPool(QObject* parent) : QObject(parent) {}

void BaseDataPool::setEnvironment(const FirstRunPreferences::Environment& environment)
{
    m_environment = environment;
}

void BaseDataPool::init()
{
    qDebug() << "void BaseDataPool::init() begin";
    const std::shared_ptr<KaldoDynamicData> db = DB::get();
    if (!db->IsOpened() || !Schema::checkAll(*db))
        qWarning() << "BaseDataPool::init: the database is not fully usable; preferences may be incomplete";
    DBPreferences preferences;
    m_firstStart = FirstRunPreferences::apply(
        preferences,
        GlobalData::instance().GetValue<StringMap>(QString::fromLatin1(GLOBALDATA_DEFAULT_PARAMS)),
        [this] { return m_environment ? *m_environment : FirstRunPreferences::Environment::current(); });
    readAll();
    for (auto it = m_preferences.cbegin(); it != m_preferences.cend(); ++it)
        Q_EMIT init(it.key(), it.value());
    qDebug() << "void BaseDataPool::init() end," << m_preferences.size() << "preferences";
}

void BaseDataPool::initDB()
{
    qDebug() << "void BaseDataPool::initDB() begin";
    OptionCatalogue::store(
        OptionCatalogue::build(GlobalData::instance(), OptionCatalogue::currentSerialPorts()));
    qDebug() << "void BaseDataPool::initDB() end";
}

void BaseDataPool::refreshPrefs()
{
    // Values written behind the pool's back (the synchronisation, the main application)
    // reach the readers like a change made here.
    const QMap<QString, QString> before = m_preferences;
    readAll();
    bool units = false;
    bool qaType = false;
    for (auto it = m_preferences.cbegin(); it != m_preferences.cend(); ++it) {
        const auto old = before.constFind(it.key());
        if (old != before.cend() && old.value() == it.value())
            continue;
        const bool secret = PasswordPreferences::isPassword(it.key());
        qDebug().noquote() << "Settings refresh: [" + it.key() + ", " +
                                  (secret ? QStringLiteral("***") : it.value()) + "]";
        Q_EMIT checkout(it.key(), secret ? password(it.key()) : it.value());
        units = units || it.key() == QLatin1String("units") || it.key() == QLatin1String("LumUnits");
        qaType = qaType || REGULATION_CHOICES.contains(it.key());
    }
    if (units)
        Q_EMIT signalUnitsChanged();
    if (qaType) {
        Q_EMIT signalQATypeChanged();
        Q_EMIT signalQASensitiveChanges();
    }
    // The regulation list may have grown (user regulation files loaded since start-up).
    const QList<OptionCatalogue::Entry> catalogue = OptionCatalogue::build(GlobalData::instance(), {});
    for (const OptionCatalogue::Entry& entry : catalogue) {
        if (entry.first == QLatin1String("UsedRegulation"))
            OptionCatalogue::store({entry});
    }
    Q_EMIT signalUpdate();
}

void BaseDataPool::readAll()
{
    m_preferences.clear();
    const DBPreferences preferences;
    for (KaldoDataIterator row = preferences.begin(); !row.IsNull(); ++row)
        m_preferences.insert(row.value(DBPreferences::NAME), row.value(DBPreferences::VALUE));
}

QString BaseDataPool::preference(const QString& name) const
{
    return DBPreferences().getValue(name);
}

QString BaseDataPool::password(const QString& name) const
{
    return PasswordPreferences::read(DBPreferences(), name);
}

void BaseDataPool::update(const QString& name, const QString& value)
{
    apply(name, value);
}

bool BaseDataPool::apply(const QString& name, const QString& value)
{
    Q_EMIT checkout(name, value);
    return externalUpdate(name, value);
}

bool BaseDataPool::externalUpdate(const QString& name, const QString& value)
{
    const bool secret = PasswordPreferences::isPassword(name);
    qDebug().noquote() << "Settings update: [" + name + ", " + (secret ? QStringLiteral("***") : value) + "]";
    bool stored = true;
    if (name.endsWith(EXTCOMBO) &&
        (value == QLatin1String("new_element") || value == QLatin1String("del_element"))) {
        editList(name, value);
    } else if (secret) {
        DBPreferences preferences;
        stored = PasswordPreferences::write(preferences, name, value);
        if (stored)
            readAll();
    } else if (name == QLatin1String("LumUnits")) {
        changeLuminanceUnits(value);
    } else if (LEVELS.contains(name) ||
               (name.endsWith(USER_UNITS) && LEVELS.contains(name.chopped(USER_UNITS.size())))) {
        setLevelInUserUnits(name, value);
    } else {
        stored = store(name, value);
    }

    if (name == QLatin1String("units"))
        Q_EMIT signalUnitsChanged();
    if (REGULATION_CHOICES.contains(name)) {
        Q_EMIT signalQATypeChanged();
        Q_EMIT signalQASensitiveChanges();
    }
    if (QA_SENSITIVE.contains(name))
        Q_EMIT signalQASensitiveChanges();
    Q_EMIT signalUpdate();
    return stored;
}

bool BaseDataPool::store(const QString& name, const QString& value)
{
    if (DBPreferences().setValue(name, value, true)) {
        m_preferences.insert(name, value);
        return true;
    }
    qWarning().noquote() << "BaseDataPool: cannot store the preference" << name;
    return false;
}

// "X_extcombo" holds the user's own entries of the list of X_u values; the entry
// added or removed is the current value of X_u.
void BaseDataPool::editList(const QString& listName, const QString& action)
{
    const QString element = preference(listName.chopped(EXTCOMBO.size()));
    QStringList entries = preference(listName).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    if (element.isEmpty()) {
        qDebug().noquote() << "BaseDataPool::editList: no current value to" << action << "in" << listName;
        return;
    }
    if (action == QLatin1String("new_element") && !entries.contains(element))
        entries << element;
    else if (action == QLatin1String("del_element"))
        entries.removeAll(element);
    store(listName, entries.join(QLatin1Char('|')));
}

// "WhiteLevel"/"BlackLevel" are kept in cd/m²; their "_u" twins in the user's
// luminance unit. Setting one sets the other.
void BaseDataPool::setLevelInUserUnits(const QString& name, const QString& value)
{
    const bool footLamberts = preference(QStringLiteral("LumUnits")) == FOOT_LAMBERTS;
    DBTransaction transaction;
    if (LEVELS.contains(name)) {
        store(name, value);
        store(name + USER_UNITS, convertLuminance(value, false, footLamberts));
    } else {
        store(name, value);
        store(name.chopped(USER_UNITS.size()), convertLuminance(value, footLamberts, false));
    }
}

void BaseDataPool::changeLuminanceUnits(const QString& units)
{
    const bool wasFootLamberts = preference(QStringLiteral("LumUnits")) == FOOT_LAMBERTS;
    const bool footLamberts = units == FOOT_LAMBERTS;
    DBTransaction transaction;
    store(QStringLiteral("LumUnits"), units);
    if (wasFootLamberts != footLamberts) {
        for (const QString& level : LEVELS) {
            const QString stored = preference(level);
            if (!stored.isEmpty())
                store(level + USER_UNITS, convertLuminance(stored, false, footLamberts));
            const QString listName = level + USER_UNITS + EXTCOMBO;
            QStringList entries = preference(listName).split(QLatin1Char('|'), Qt::SkipEmptyParts);
            for (QString& entry : entries)
                entry = convertLuminance(entry, wasFootLamberts, footLamberts);
            if (!entries.isEmpty())
                store(listName, entries.join(QLatin1Char('|')));
        }
    }
    Q_EMIT signalUnitsChanged();
}

void BaseDataPool::updateDisplay(const QString& name, const QString& value)
{
    updateDisplayByID(
        name, value,
        GlobalData::instance().GetValue<int>(QString::fromLatin1(GLOBALDATA_CURRENT_DISPLAY_ID), -1));
}

void BaseDataPool::updateDisplayByID(const QString& name, const QString& value, int displayId)
{
    qDebug().noquote() << "Settings display update: [" + name + ", " + value + "] displayid - " +
                              QString::number(displayId);
    if (displayId < 0) {
        qWarning() << "BaseDataPool::updateDisplayByID: no display chosen, the setting is not stored";
        return;
    }
    Q_EMIT checkoutDisplay(name, value);
    if (!writeDisplayInfo(displayId, name, value))
        return;
    if (name == QLatin1String("ExcludeDisplayFromTC") || name == QLatin1String("BacklightStabilization"))
        Q_EMIT signalDeviceStateChanged();
    if (name == QLatin1String("DisplayTechnology") || name == QLatin1String("TypeOfDisplay") ||
        name == QLatin1String("BacklightStabilization"))
        Q_EMIT signalQASensitiveChanges();
    if (name == QLatin1String("Model") || name == QLatin1String("SerialNumber"))
        Q_EMIT signalDispalyDeviceNameChanged();
    Q_EMIT signalUpdate();
}

// A display setting is one DisplayInfo row per name, marked for upload.
bool BaseDataPool::writeDisplayInfo(int displayId, const QString& name, const QString& value)
{
    static const QString table = QStringLiteral("DisplayInfo");
    const std::shared_ptr<KaldoDynamicData> db = DB::get();
    if (!db->IsOpened() || !Schema::checkTables(*db, {Schema::table(table)})) {
        qWarning() << "BaseDataPool::writeDisplayInfo: the DisplayInfo table is not usable";
        return false;
    }
    DBTransaction transaction(db);
    const KaldoDynamicData::Values key{{QStringLiteral("displayid"), QString::number(displayId)},
                                       {QStringLiteral("name"), name}};
    KaldoDynamicData::Values row = key;
    row.insert(QStringLiteral("value"), value);
    row.insert(QStringLiteral("issynchron"), QStringLiteral("0"));
    const bool ok = db->count(table, key) > 0 ? db->changeinfo(table, key, row) : db->addinfo(table, row);
    if (!ok) {
        qWarning().noquote() << "BaseDataPool::writeDisplayInfo: cannot store" << name << "of display"
                             << displayId;
        transaction.failTransaction();
    }
    return ok;
}
