#pragma once

#include "qa/steps/CaseMultiStep.h"

// Children that only a Mac runs: never on this agent's systems.
class IsMacCaseStep : public CaseMultiStep
{
    Q_OBJECT
public:
    explicit IsMacCaseStep(QObject* parent = nullptr) : CaseMultiStep(parent) {}
    QString Name() const override { return QStringLiteral("IsMacCaseStep"); }
    bool Check(bool) override { return false; }
};
