#include "sync/RegulationListSynchronizer.h"

#include "db/KaldoDynamicData.h"

RegulationListSynchronizer::RegulationListSynchronizer()
    : BaseSynchronizer(
          {.action = QStringLiteral("USERREGULATIONLIST"),
           .name = QStringLiteral("RegulationListSynchronizer"),
           .message = QStringLiteral("Operation of synchronisation of the user regulation list has started"),
           .xmlPayload = true})
{
}

QJsonValue RegulationListSynchronizer::read()
{
    QJsonArray list;
    for (auto it = database()->query(
             QStringLiteral("SELECT UserRegulations.id AS regulation, UserRegulations.name AS name, "
                            "UserClassifications.name AS classification FROM UserRegulations LEFT JOIN "
                            "UserClassifications ON UserClassifications.regulationid = UserRegulations.id "
                            "ORDER BY UserRegulations.id, UserClassifications.id"));
         !it.IsNull(); ++it)
        list.append(
            QJsonObject{{QStringLiteral("regulation"), it.value(QStringLiteral("regulation"))},
                        {QStringLiteral("name"), it.value(QStringLiteral("name"))},
                        {QStringLiteral("classification"), it.value(QStringLiteral("classification"))}});
    addSent(int(list.size()));
    return list;
}
