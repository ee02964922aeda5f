#pragma once

#include <QDialog>
#include <QString>

// The software-update dialog as the update task reaches it.
class DialogUpdateInterface : public QDialog
{
    Q_OBJECT
public:
    using QDialog::QDialog;
    ~DialogUpdateInterface() override = default;

public slots:
    virtual void slotShowDialog(QString version, QString link) = 0;

signals:
    // "Skip this version".
    void signalClickButtonThree();
};
