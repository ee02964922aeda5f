#pragma once

#include <QMap>
#include <QObject>
#include <QString>

class DataBus;

// One node of a QA test or calibration tree. A step talks to whatever user interface
// is attached only through command strings (toUI / fromUI) and to the other steps of
// its run only through the run's data bus.
class BaseStep : public QObject
{
    Q_OBJECT
public:
    enum Status
    {
        NotStarted = 0,
        Running = 1,
        Finished = 2,
        Failed = 3,
        Skipped = 4,
        Canceled = 5,
        Back = 6
    };
    Q_ENUM(Status)

    explicit BaseStep(QObject* parent = nullptr);

    // Points this step will report while it runs.
    virtual int ProgressCount() const { return 0; }
    virtual void SetParams(const QMap<QString, QString>& params);
    virtual void Run() = 0;
    virtual QString Name() const = 0;
    virtual void SetDataBus(DataBus* bus);
    virtual void SetBackFlag(bool back);
    virtual void fromUI(const QString& command);
    virtual void fromUI(const QString& command, const QMap<QString, QString>& value);
    virtual void fromUI(const QString& command, void* value);

    void toUI(const QString& command, const QString& value = QString());
    void toUI(const QString& command, const QMap<QString, QString>& value);
    void toUI(const QString& command, void* value);

    void ChangeStatus(int status);
    int GetStatus() const { return m_status; }
    bool IsCanceled() const { return m_status == Canceled; }
    void activate() { m_active = true; }
    void deactivate() { m_active = false; }
    bool IsActive() const { return m_active; }
    bool BackFlag() const { return m_back; }
    DataBus* dataBus() const { return m_bus; }

    void IncreaseProgress();
    void IncreaseProgress(int points);
    void IncreaseProgressSize(int points);
    void DecreaseProgressSize(int points);
    // Counts the points of one run from zero.
    void ProgressCounterRun();
    int realProgressCounted() const { return m_progressCounted; }

    // One flag for every step of the process: the user interface holds the run while a
    // dialog of its own is open.
    static void SetBlocked(bool blocked);
    bool IsBlocked() const;
    static bool blockedFlag();

    // Lets queued user interface answers arrive: events, a short sleep, events.
    static void letEventsRun(int sleepMs = 1);

signals:
    void signalToUI(const QString& command, const QString& value);
    void signalToUIMap(const QString& command, const QMap<QString, QString>& value);
    void signalToUIPointer(const QString& command, void* value);

public slots:
    void slotfromUI(const QString& command) { fromUI(command); }
    void slotfromUIMap(const QString& command, const QMap<QString, QString>& value)
    {
        fromUI(command, value);
    }
    void slotfromUIPointer(const QString& command, void* value) { fromUI(command, value); }

protected:
    void addCounted(int points) { m_progressCounted += points; }

private:
    bool m_active = false;
    int m_progressCounted = 0;
    int m_status = NotStarted;
    DataBus* m_bus = nullptr;
    bool m_back = false;
};
