#pragma once

#include "qa/steps/QAStep.h"

// Writes the run's step results into the history; it has no result of its own to show.
class ResultSaverStep : public QAStep
{
    Q_OBJECT
public:
    explicit ResultSaverStep(int stepId, QObject* parent = nullptr) : QAStep(stepId, parent) {}
    QString Name() const override { return QStringLiteral("QA Result Saver"); }
    int StepCode() const override { return 151; }
    bool isVisible() const override { return false; }
    bool isSavable() const override { return false; }
};
