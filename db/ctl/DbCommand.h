#pragma once

#include "app/ctl/CtlCommand.h"

// "db check": opens the shared database, brings its schema up to date and reports
// the number of tables and SQLite's integrity check.
class DbCommand : public CtlCommand
{
public:
    QString name() const override { return QStringLiteral("db"); }
    QString usage() const override;
    int run(const CtlContext& context) const override;
};
