#pragma once

#include "tasks/Task.h"

#include <QMap>
#include <QStringList>

#include <memory>

class KaldoSharedMemory;

// Warns, at most once a day per display, about active displays whose last QA
// failed: they must not be used for diagnostics.
class VerifyFailedQADisplays : public Task
{
    Q_OBJECT
public:
    static constexpr qint64 warningInterval = 86400;

    VerifyFailedQADisplays(const QString& name, qint64 timeout, qint64 first,
                           std::shared_ptr<const Clock> clock = {}, QObject* parent = nullptr);
    ~VerifyFailedQADisplays() override;

    void run() override;
    // Active, attached displays whose "all_qa_steps_ok" status is 0.
    static QList<int> failedDisplays();
    const QMap<int, qint64>& lastWarnings() const { return m_lastWarning; }

signals:
    void signalShowDialog(const QStringList& displays);

public slots:
    void slotDialogFinished();

protected:
    void runAbandoned() override;

private:
    std::unique_ptr<KaldoSharedMemory> m_lock;
    QMap<int, qint64> m_lastWarning;
    bool m_dialogFinished = true;
};
