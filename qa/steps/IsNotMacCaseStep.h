#pragma once

#include "qa/steps/CaseMultiStep.h"

// Children that every system but a Mac runs.
class IsNotMacCaseStep : public CaseMultiStep
{
    Q_OBJECT
public:
    explicit IsNotMacCaseStep(QObject* parent = nullptr) : CaseMultiStep(parent) {}
    QString Name() const override { return QStringLiteral("IsNotMacCaseStep"); }
    bool Check(bool) override { return true; }
};
