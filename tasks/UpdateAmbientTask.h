#pragma once

#include "tasks/Task.h"

#include <memory>

class KaldoSharedMemory;

// Keeps the allowed ambient range and the presence-sensor setting the same in the
// preferences, the display table and the displays themselves.
class UpdateAmbientTask : public Task
{
    Q_OBJECT
public:
    UpdateAmbientTask(const QString& name, qint64 timeout, qint64 first,
                      std::shared_ptr<const Clock> clock = {}, QObject* parent = nullptr);
    ~UpdateAmbientTask() override;

    void run() override;

private:
    std::unique_ptr<KaldoSharedMemory> m_lock;
};
