#pragma once

#include <QProcess>
#include <QStringList>

// Global-data name of the main application's path.
inline constexpr char ORVANTABINPATH_FOR_LUTLOADER[] = "Orvanta";

// The suite's main application as a child process. `finished` always follows a
// start: the end of the process whatever its exit status, or a failed start
// (exit code -1, crash status), so a task waiting for it never hangs.
class OrvantaProcess : public QProcess
{
    Q_OBJECT
public:
    explicit OrvantaProcess(QObject* parent = nullptr);
    // A process still running is killed by the base destructor, which reports the crash
    // after this class is gone: its handler must not hear it.
    ~OrvantaProcess() override;

    // Where the main application is: beside the agent, named after the product.
    static QString programPath();
    static void setProgramPath(const QString& path);

    void start(const QStringList& arguments);
    // Runs it and waits for its end; -2 when it cannot be started, -1 when it crashed.
    int execute(const QStringList& arguments);

    // The program as handed to the process layer (quoted where the platform needs it).
    static QString program();

    // The argument lists the agent uses.
    static QStringList runUserTask(const QString& mode, const QStringList& more = {});
    static QStringList runQA(const QStringList& displaysAndGroups);
    static QStringList whiteLevelStabilisation(int displayId);
    static QStringList graphicCardReaction(const QStringList& more = {});

private:
    void onError(QProcess::ProcessError error);
};
