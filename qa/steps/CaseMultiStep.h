#pragma once

#include "qa/steps/MultiStep.h"

// A multi-step that runs its children only when its condition holds.
class CaseMultiStep : public MultiStep
{
    Q_OBJECT
public:
    explicit CaseMultiStep(QObject* parent = nullptr) : MultiStep(parent) {}

    void Run() override;
    QString Name() const override { return QStringLiteral("CaseMultiStep"); }
    bool Check(bool) override = 0;
};
