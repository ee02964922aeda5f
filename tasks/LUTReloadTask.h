#pragma once

#include "tasks/Task.h"

#include <QMetaObject>
#include <QPointer>

#include <memory>

class KaldoSharedMemory;
class LUTLoaderTrayInterface;

// Periodic reload of every loaded display's LUT through the tray's load queue, so a
// LUT that another program overwrote is put back. Holds the calibration lock while
// the loads run so the main application does not calibrate in between.
class LUTReloadTask : public Task
{
    Q_OBJECT
public:
    // Each display's load ends with an answer from the tray; a tray that loses one
    // must not keep the lock (and the runner) for ever.
    static constexpr std::chrono::seconds answerBound{300};

    LUTReloadTask(const QString& name, qint64 timeout, qint64 first, std::shared_ptr<const Clock> clock = {},
                  QObject* parent = nullptr);
    ~LUTReloadTask() override;

    // The tray whose display actions are reloaded; the factory sets it.
    void setTray(LUTLoaderTrayInterface* tray);
    int pending() const { return m_pending; }

    void run() override;

public slots:
    void reloadFinished();

signals:
    void reloadLUT(int displayId);

protected:
    void runAbandoned() override;

private:
    void finish();
    void release();

    std::unique_ptr<KaldoSharedMemory> m_lock;
    QPointer<LUTLoaderTrayInterface> m_tray;
    QMetaObject::Connection m_answers;
    int m_pending = 0;
};
