#pragma once

#include <QString>

#include <memory>

class KaldoDynamicData;

// The user-defined regulations and their classifications as the main application
// lists them (tables UserRegulations and UserClassifications).
class DBUserRegulations
{
public:
    DBUserRegulations();

    bool clear();
    bool addRegulation(const QString& id, const QString& name);
    bool addClassification(const QString& regulationId, int id, const QString& name);

private:
    std::shared_ptr<KaldoDynamicData> data_;
};
