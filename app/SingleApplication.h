#pragma once

#include <QApplication>

#include <memory>

class KaldoSharedMemory;

// The widget application that refuses a second agent in the same session: the
// running instance holds a lock named after the instance key and the session, in
// the user's private runtime folder, for its whole life. Can start the agent again
// on its way out.
class SingleApplication : public QApplication
{
    Q_OBJECT
public:
    SingleApplication(int& argc, char** argv, const QString& key);
    ~SingleApplication() override;

    // True when another instance of this session held the segment at start.
    bool isRunning() const { return m_running; }
    const QString& key() const { return m_key; }

    // Asks the destructor to start the agent again once the segment is released.
    static void SetRestart(bool restart);
    static bool restartRequested();
    // The arguments a restart passes (default: the application's own arguments).
    static void setRestartArguments(const QStringList& arguments);

    static void showDebug(const QString& text);

    // The segment name of an instance key in this session.
    static QString segmentKey(const QString& key);

private:
    bool m_running = false;
    QString m_key;
    std::unique_ptr<KaldoSharedMemory> m_instance;
};
