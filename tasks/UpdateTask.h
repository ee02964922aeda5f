#pragma once

#include "tasks/Task.h"

#include <memory>

class KaldoUpdate;

// Daily check for a newer version of the suite. A newer version is announced by a
// tray balloon with its download link and offered by the update dialog when one is
// attached; the download itself belongs to the dialog.
class UpdateTask : public Task
{
    Q_OBJECT
public:
    UpdateTask(const QString& name, qint64 timeout, qint64 first, std::shared_ptr<const Clock> clock = {},
               QObject* parent = nullptr);
    ~UpdateTask() override;

    void run() override;

    // The update address as the checker needs it: with a scheme in front.
    static QString updateAddress(const QString& stored);
    // The balloon's text for a newer version.
    static QString newerVersionText(const QString& version, const QString& link);

public slots:
    void slotUpdateSkkip();

private:
    // Kept past run() so that the dialog's "skip" answer reaches the version it showed.
    std::unique_ptr<KaldoUpdate> m_checker;
};
