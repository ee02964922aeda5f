#pragma once

#include "tasks/Task.h"

// One-shot task queued after a session unlock or a display wake-up: asks the tray to
// re-detect the displays and reload every LUT, and ends on the tray's answer.
class UpdateLUTsAfterUnlockTask : public Task
{
    Q_OBJECT
public:
    // How long the runner waits for the tray. Re-detection probes every display, which
    // can take a while over DDC/CI, but a tray that never answers must not stop the runner.
    static constexpr std::chrono::seconds answerBound{120};

    UpdateLUTsAfterUnlockTask(const QString& name, qint64 timeout, qint64 first,
                              std::shared_ptr<const Clock> clock = {}, QObject* parent = nullptr);

    bool isDisposable() const override { return true; }
    void run() override;

signals:
    void signalReloadAllLUTs();
};
