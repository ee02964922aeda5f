#pragma once

#include "sync/BaseSynchronizer.h"

// Tells the server which languages the user can choose here.
class LangListSynchronizer : public BaseSynchronizer
{
    Q_OBJECT
public:
    LangListSynchronizer();

protected:
    QJsonValue read() override;
};
