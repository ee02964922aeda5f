#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QProcess;

// What the tests that run the agent program on a simulated workstation share: its log,
// bounded waits, the control tool, the workstation file and a database seeded beforehand.
class AgentHarness
{
public:
    // One display of a workstation file; `extra` is added to its JSON object as it is
    // (for example "\"sensor\": {...}").
    struct Display
    {
        Display(const QString& output, const QString& card, int productCode, const QString& extra = {})
            : output(output), card(card), productCode(productCode), extra(extra)
        {
        }
        QString output;
        QString card;
        int productCode;
        QString extra;
    };

    // The test, the agent and lutloaderctl must share one data directory and session, and
    // no other program's. The data directory is the test program's own already (ctest's,
    // or the test entry's for a program started by hand); this gives it a session and a
    // runtime folder of its own too, so the agent shares no busy locks or single-instance
    // guard with another agent of the user's session. Every other function calls it first.
    static void useOwnDataAndSession();

    static QString logPath();
    static QByteArray readLog();
    // The bound only keeps a broken agent from hanging the test; the answer is `done()`.
    static bool waitFor(const std::function<bool()>& done, int boundMs = 120000);
    // lutloaderctl with these arguments: its exit code, -1 when it crashed or hung.
    static int ctl(const QStringList& args);
    // "lutloaderctl --platform sim sim ARGS": a command to the running agent's workstation.
    static int sim(const QStringList& args);
    // Writes the workstation file into a fresh folder `folder`: every card the displays
    // name (card0 "Sim card A", card1 "Sim card B", ...) with 256-entry ramps. Its path.
    static QString writeWorkstation(const QString& folder, const QString& name,
                                    const QList<Display>& displays);
    // A fresh database for the workstation with its displays registered as the agent
    // registers them; `seed` fills it before the connection is closed. The display ids.
    static QList<int> prepareDatabase(const QString& workstation,
                                      const std::function<void(const QList<int>&)>& seed = {});
    // A stored table for the display (entry i of channel c is i * (slope + 10 c)), marked
    // as loaded when the agent last ran.
    static void storeLoadedLut(int displayId, int slope);
    // Ends the agent as the session does (SIGTERM). Whether it left in time, with exit code
    // 0 and without a sanitizer report.
    static bool stopAgent(QProcess& agent);
};
