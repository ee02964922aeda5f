#pragma once

#include "app/ctl/CtlCommand.h"

#include <QJsonObject>

class CParseCapabilityString;

// "caps FILE|-": parses an MCCS capability string as a display would send it.
class CapsCommand : public CtlCommand
{
public:
    QString name() const override { return QStringLiteral("caps"); }
    QString usage() const override;
    int run(const CtlContext& context) const override;

    // The parsed string as the command prints it with --json.
    static QJsonObject toJson(const CParseCapabilityString& parser);
    // The same as readable lines.
    static QString describe(const CParseCapabilityString& parser);
};
