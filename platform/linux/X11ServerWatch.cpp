#include "platform/linux/X11ServerWatch.h"

#include "platform/linux/X11Session.h"

#include <QDebug>
#include <QDir>
#include <QRegularExpression>

namespace {

// A server that has made its socket may not answer yet; and a folder that does not exist
// yet cannot be watched. Both are looked at again after this long.
constexpr int kRetryMs = 10000;

} // namespace

X11ServerWatch::X11ServerWatch(const QString& socketDir, QObject* parent)
    : QObject(parent), m_socketDir(socketDir), m_watcher(this), m_retry(this)
{
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &X11ServerWatch::check);
    connect(&m_retry, &QTimer::timeout, this, &X11ServerWatch::check);
    m_retry.start(kRetryMs);
    check();
}

bool X11ServerWatch::check()
{
    if (m_found)
        return true;
    if (!m_watcher.directories().contains(m_socketDir) && QDir(m_socketDir).exists())
        m_watcher.addPath(m_socketDir);
    static const QRegularExpression socketName(QStringLiteral("^X(\\d+)$"));
    const QStringList entries = QDir(m_socketDir).entryList(QDir::System | QDir::Files, QDir::Name);
    for (const QString& entry : entries) {
        const QRegularExpressionMatch match = socketName.match(entry);
        if (!match.hasMatch())
            continue;
        const QString display = QLatin1Char(':') + match.captured(1);
        {
            const X11Session session(display);
            if (!session.display())
                continue;
        }
        m_found = true;
        m_retry.stop();
        m_watcher.removePaths(m_watcher.directories());
        qputenv("DISPLAY", display.toLatin1());
        qWarning().noquote()
            << "X11ServerWatch: X server" << display
            << "appeared - its displays are taken up; the tray icon shows from the next start";
        Q_EMIT serverAppeared(display);
        return true;
    }
    return false;
}
