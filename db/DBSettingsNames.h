#pragma once

#include "db/KaldoDataIterator.h"

#include <QString>

#include <atomic>
#include <memory>

class KaldoDynamicData;

// The option catalogue: for each preference chosen from a list, the list of
// display labels and stored values ("label|value|label|value...") that the main
// application and the management server offer for it.
class DBSettingsNames
{
public:
    static const QString TABLE;
    static const QString NAME;
    static const QString MAP;

    DBSettingsNames();
    bool isChecked() const;

    QString getMap(const QString& name) const;
    // Writes the row of `name`, creating it when missing; unchanged maps are not rewritten.
    bool setMap(const QString& name, const QString& map);
    KaldoDataIterator begin() const;

private:
    std::shared_ptr<KaldoDynamicData> m_db;
    static std::atomic<bool> s_checked;
};
