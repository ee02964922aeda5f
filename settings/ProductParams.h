#pragma once

#include <QString>

#include <memory>

class DataBus;
class QSettings;

// Loads the embedded product parameters into the data bus: the common file first,
// the product's own file second, so the product's values win.
class ProductParams
{
public:
    static constexpr char DEFAULT_VALUES_FILE[] = ":rc/defaultvalues.ini";
    static constexpr char PRODUCT_VALUES_FILE[] = ":rc/productvalues.ini";

    ProductParams(const QString& commonFile, const QString& productFile, DataBus& target);
    ~ProductParams();

    // Loads both files into GlobalData; false when either could not be read.
    static bool LoadParams(const QString& commonFile = QString::fromLatin1(DEFAULT_VALUES_FILE),
                           const QString& productFile = QString::fromLatin1(PRODUCT_VALUES_FILE));

    bool load();
    // Copies one file's groups into the data bus; false when the file is missing or unreadable.
    bool LoadInGlobalData(QSettings* settings);

private:
    static std::unique_ptr<QSettings> openIni(const QString& path);
    void loadGroup(QSettings& settings, const QString& group, QMap<QString, QString>& preferences,
                   QMap<QString, QString>& display);

    DataBus& m_target;
    std::unique_ptr<QSettings> m_common;
    std::unique_ptr<QSettings> m_product;
};
