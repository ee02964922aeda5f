#pragma once

#include "qa/steps/BaseStep.h"

// Asks the user interface for the display under test; without one attached it passes on.
class InitDisplayDialogStep : public BaseStep
{
    Q_OBJECT
public:
    explicit InitDisplayDialogStep(QObject* parent = nullptr) : BaseStep(parent) {}
    void Run() override { toUI(QStringLiteral("show dialog"), Name()); }
    QString Name() const override { return QStringLiteral("Init Display Dialog"); }
};
