#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

// Waits for an X server that lets this user in, for an agent that started before the
// display did (a user unit ahead of the desktop, a log-in over ssh). The servers' local
// sockets are watched; the first server that accepts a connection becomes the process's
// $DISPLAY, so every later X call of the program reaches it.
class X11ServerWatch : public QObject
{
    Q_OBJECT
public:
    explicit X11ServerWatch(const QString& socketDir = QStringLiteral("/tmp/.X11-unix"),
                            QObject* parent = nullptr);

    // Looks at the sockets now; true when a server was taken up (the timer and watcher call it too).
    bool check();

Q_SIGNALS:
    void serverAppeared(const QString& display);

private:
    QString m_socketDir;
    QFileSystemWatcher m_watcher;
    QTimer m_retry;
    bool m_found = false;
};
