#include "settings/ProductParams.h"

#include "settings/GlobalData.h"

#include <QDebug>
#include <QFile>
#include <QSettings>

namespace {

// QSettings reads an unquoted value with commas as a list; the parameters are
// plain text, so the list is put back together.
QString textOf(const QVariant& value)
{
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

} // namespace

ProductParams::ProductParams(const QString& commonFile, const QString& productFile, DataBus& target)
    : m_target(target), m_common(openIni(commonFile)), m_product(openIni(productFile))
{
}

ProductParams::~ProductParams() = default;

bool ProductParams::LoadParams(const QString& commonFile, const QString& productFile)
{
    ProductParams loader(commonFile, productFile, GlobalData::instance());
    return loader.load();
}

std::unique_ptr<QSettings> ProductParams::openIni(const QString& path)
{
    if (!QFile::exists(path)) {
        qWarning().noquote() << "ProductParams: product parameter file" << path << "is missing";
        qDebug() << "iniCommonData_ is nullptr";
        return nullptr;
    }
    auto settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
    qDebug() << "iniCommonData_ status:" << settings->status();
    return settings;
}

bool ProductParams::load()
{
    // A broken common file must not keep the product's own values out: both are
    // loaded, and the result says whether everything was read.
    const bool common = LoadInGlobalData(m_common.get());
    const bool product = LoadInGlobalData(m_product.get());
    return common && product;
}

bool ProductParams::LoadInGlobalData(QSettings* settings)
{
    if (!settings)
        return false;
    auto preferences = m_target.GetValue<StringMap>(QString::fromLatin1(GLOBALDATA_DEFAULT_PARAMS));
    auto display = m_target.GetValue<StringMap>(QString::fromLatin1(GLOBALDATA_DISPLAY_DEFAULT_PARAMS));

    for (const QString& group : settings->childGroups())
        loadGroup(*settings, group, preferences, display);

    for (const QString& key : settings->childKeys()) {
        const QString value = textOf(settings->value(key));
        qDebug().noquote() << "add other - " + key + " = " + value;
        m_target.setString(key, value);
    }

    m_target.SetValue<StringMap>(QString::fromLatin1(GLOBALDATA_DEFAULT_PARAMS), preferences);
    m_target.SetValue<StringMap>(QString::fromLatin1(GLOBALDATA_DISPLAY_DEFAULT_PARAMS), display);
    if (settings->status() != QSettings::NoError) {
        qWarning().noquote() << "ProductParams::LoadInGlobalData: cannot read" << settings->fileName()
                             << "completely, status" << settings->status();
        return false;
    }
    return true;
}

void ProductParams::loadGroup(QSettings& settings, const QString& group, StringMap& preferences,
                              StringMap& display)
{
    settings.beginGroup(group);
    for (const QString& key : settings.childKeys()) {
        const QVariant value = settings.value(key);
        if (group == QLatin1String("integers"))
            m_target.SetValue<int>(key, value.toInt());
        else if (group == QLatin1String("doubles"))
            m_target.SetValue<double>(key, value.toDouble());
        else if (group == QLatin1String("strings"))
            m_target.setString(key, textOf(value));
        else if (group == QLatin1String("preferences"))
            preferences.insert(key, textOf(value));
        else if (group == QLatin1String("display"))
            display.insert(key, textOf(value));
    }
    settings.endGroup();
}
