#pragma once

#include <QDialog>

// The countdown dialog before the displays go to energy-save mode. Its accepted()
// and rejected() are the answers the energy-mode task waits for.
class EnergyModeNotificationWindowInterface : public QDialog
{
    Q_OBJECT
public:
    using QDialog::QDialog;
    ~EnergyModeNotificationWindowInterface() override = default;

public slots:
    virtual void verifyAndShow() = 0;
    // The texts follow a language change.
    virtual void slotRetranslateGUI() {}
};
