#include "platform/linux/LinuxSessionEvents.h"

#include "platform/TerminationSignals.h"
#include "platform/linux/X11ServerWatch.h"

#include <QDBusInterface>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <QThread>

#include <unistd.h>

namespace {

const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kManagerPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");
const QString kSession = QStringLiteral("org.freedesktop.login1.Session");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
constexpr int kCallTimeoutMs = 3000;

QString readSysfs(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readAll()).trimmed();
}

} // namespace

LinuxSessionEvents::LinuxSessionEvents(const Sources& sources,
                                       std::shared_ptr<TerminationSignals> termination, QObject* parent)
    : SessionEvents(parent), m_sources(sources), m_termination(std::move(termination)), m_poll(this)
{
    if (m_termination) {
        connect(m_termination.get(), &TerminationSignals::terminationRequested, this,
                [this](const QString& name) { Q_EMIT closeRequested(name); });
        connect(m_termination.get(), &TerminationSignals::hangupRequested, this,
                [this] { Q_EMIT closeRequested(QStringLiteral("SIGHUP")); });
    }
    connectLogind();
    connectDisplays();
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        m_xWatch = new X11ServerWatch(m_sources.x11SocketDir, this);
        connect(m_xWatch, &X11ServerWatch::serverAppeared, this, &SessionEvents::displayConfigurationChanged);
    }
}

LinuxSessionEvents::~LinuxSessionEvents()
{
    releaseInhibitor();
}

void LinuxSessionEvents::connectLogind()
{
    QDBusConnection& bus = m_sources.bus;
    if (!bus.isConnected()) {
        qWarning() << "LinuxSessionEvents: no D-Bus connection, shutdown and sleep are not watched";
        connectScreenSaver();
        return;
    }
    // Sleep and shutdown belong to the machine, not to a session: they are heard from logind
    // even when it knows no session of ours.
    if (!bus.connect(kService, kManagerPath, kManager, QStringLiteral("PrepareForSleep"), this,
                     SLOT(onPrepareForSleep(bool))) ||
        !bus.connect(kService, kManagerPath, kManager, QStringLiteral("PrepareForShutdown"), this,
                     SLOT(onPrepareForShutdown(bool))))
        qWarning() << "LinuxSessionEvents: logind's sleep and shutdown signals could not be subscribed:"
                   << bus.lastError().message();

    QDBusInterface manager(kService, kManagerPath, kManager, bus);
    manager.setTimeout(kCallTimeoutMs);
    QString sessionId = m_sources.sessionId;
    if (sessionId.isEmpty())
        sessionId = qEnvironmentVariable("XDG_SESSION_ID");
    const QDBusReply<QDBusObjectPath> session =
        sessionId.isEmpty()
            ? manager.call(QStringLiteral("GetSessionByPID"), static_cast<quint32>(::getpid()))
            : manager.call(QStringLiteral("GetSession"), sessionId);
    if (!session.isValid()) {
        qWarning() << "LinuxSessionEvents: logind session not found:" << session.error().message();
        connectScreenSaver();
        return;
    }
    m_sessionPath = session.value().path();
    qDebug() << "LinuxSessionEvents: logind session" << m_sessionPath;

    const bool connected =
        bus.connect(kService, m_sessionPath, kSession, QStringLiteral("Lock"), this, SLOT(onLock())) &&
        bus.connect(kService, m_sessionPath, kSession, QStringLiteral("Unlock"), this, SLOT(onUnlock())) &&
        bus.connect(kService, m_sessionPath, kProperties, QStringLiteral("PropertiesChanged"), this,
                    SLOT(onSessionPropertiesChanged(QString, QVariantMap, QStringList)));
    if (!connected)
        qWarning() << "LinuxSessionEvents: some logind signals could not be subscribed:"
                   << bus.lastError().message();

    QDBusInterface properties(kService, m_sessionPath, kProperties, bus);
    properties.setTimeout(kCallTimeoutMs);
    const QDBusReply<QDBusVariant> locked =
        properties.call(QStringLiteral("Get"), kSession, QStringLiteral("LockedHint"));
    if (locked.isValid())
        m_locked = locked.value().variant().toBool();
    const QDBusReply<QDBusVariant> active =
        properties.call(QStringLiteral("Get"), kSession, QStringLiteral("Active"));
    if (active.isValid())
        m_active = active.value().variant().toBool();
    takeInhibitor();
}

// The lockers of the desktops announce the lock on the session bus: KDE, Xfce and others as
// org.freedesktop.ScreenSaver, GNOME as org.gnome.ScreenSaver. Any sender is heard, so a locker
// that starts after the agent counts too. The state before the first signal is taken as unlocked.
void LinuxSessionEvents::connectScreenSaver()
{
    QDBusConnection& bus = m_sources.sessionBus;
    if (!bus.isConnected()) {
        qWarning() << "LinuxSessionEvents: no session bus either, session lock and unlock are not watched";
        return;
    }
    struct Locker
    {
        const char* path;
        const char* interface;
    };
    static constexpr Locker lockers[] = {
        {"/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver"},
        {"/ScreenSaver", "org.freedesktop.ScreenSaver"},
        {"/org/gnome/ScreenSaver", "org.gnome.ScreenSaver"},
    };
    for (const Locker& locker : lockers) {
        if (bus.connect(QString(), QLatin1String(locker.path), QLatin1String(locker.interface),
                        QStringLiteral("ActiveChanged"), this, SLOT(onScreenSaverActiveChanged(bool))))
            m_screenSaver = true;
    }
    if (m_screenSaver)
        qWarning() << "LinuxSessionEvents: session lock and unlock are taken from the screen locker's "
                      "ActiveChanged on the session bus";
    else
        qWarning() << "LinuxSessionEvents: the screen locker's signals could not be subscribed:"
                   << bus.lastError().message();
}

void LinuxSessionEvents::connectDisplays()
{
    if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(gui, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
            qInfo().noquote() << "display hot-plug: X output" << screen->name() << "connected";
            Q_EMIT displayConfigurationChanged();
        });
        connect(gui, &QGuiApplication::screenRemoved, this, [this](QScreen* screen) {
            qInfo().noquote() << "display hot-plug: X output" << screen->name() << "disconnected";
            Q_EMIT displayConfigurationChanged();
        });
    }
    m_connectors = readConnectors();
    if (!m_connectors.any) {
        qDebug() << "LinuxSessionEvents: no DRM connectors in" << m_sources.drmRoot
                 << "- display power is not watched";
        return;
    }
    connect(&m_poll, &QTimer::timeout, this, &LinuxSessionEvents::pollDisplays);
    m_poll.start(m_sources.pollIntervalMs);
}

int LinuxSessionEvents::connectedDisplayCount() const
{
    const Connectors connectors = readConnectors();
    if (connectors.any)
        return connectors.connected;
    // The GUI's screen list may only be read on its own thread.
    const auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (gui && QThread::currentThread() == gui->thread())
        return static_cast<int>(QGuiApplication::screens().size());
    return -1;
}

LinuxSessionEvents::Connectors LinuxSessionEvents::readConnectors() const
{
    Connectors result;
    bool anyOn = false;
    bool anyDimmed = false;
    const QDir root(m_sources.drmRoot);
    // Connector folders are named card<N>-<type>-<index>; the bare card folders have no status.
    for (const QString& name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString status = readSysfs(root.filePath(name + QStringLiteral("/status")));
        if (status.isEmpty())
            continue;
        result.any = true;
        if (status != QLatin1String("connected"))
            continue;
        ++result.connected;
        result.connectedNames << name;
        const QString dpms = readSysfs(root.filePath(name + QStringLiteral("/dpms")));
        if (dpms == QLatin1String("On") || dpms.isEmpty())
            anyOn = true;
        else if (dpms == QLatin1String("Standby") || dpms == QLatin1String("Suspend"))
            anyDimmed = true;
    }
    result.power = anyOn ? PowerOn : anyDimmed ? PowerDimmed : PowerOff;
    return result;
}

void LinuxSessionEvents::pollDisplays()
{
    const Connectors now = readConnectors();
    const Connectors before = m_connectors;
    m_connectors = now;
    // One display swapped for another between two looks keeps the count but not the layout.
    if (now.connectedNames != before.connectedNames) {
        logHotPlug(before.connectedNames, now.connectedNames);
        Q_EMIT displayConfigurationChanged();
    }
    if (now.power != before.power)
        Q_EMIT displayPowerChanged(now.power);
}

// The listener's log line keeps the names of the other platform; this one says which
// connector it was, as the kernel and xrandr name it.
void LinuxSessionEvents::logHotPlug(const QStringList& before, const QStringList& now) const
{
    static const QRegularExpression cardAndConnector(QStringLiteral("^(card\\d+)-(.+)$"));
    const auto say = [](const QString& folder, const char* what) {
        const QRegularExpressionMatch match = cardAndConnector.match(folder);
        if (match.hasMatch())
            qInfo().noquote() << "display hot-plug: connector" << match.captured(2) << "of"
                              << match.captured(1) << what;
        else
            qInfo().noquote() << "display hot-plug: connector" << folder << what;
    };
    for (const QString& folder : now)
        if (!before.contains(folder))
            say(folder, "connected");
    for (const QString& folder : before)
        if (!now.contains(folder))
            say(folder, "disconnected");
}

void LinuxSessionEvents::onLock()
{
    setLocked(true);
}

void LinuxSessionEvents::onUnlock()
{
    setLocked(false);
}

void LinuxSessionEvents::onScreenSaverActiveChanged(bool active)
{
    qDebug() << "LinuxSessionEvents ScreenSaver ActiveChanged" << active;
    setLocked(active);
}

// logind sends Lock to ask the screen locker to lock, and the locker then sets
// LockedHint: both mean one lock, so only changes are passed on.
void LinuxSessionEvents::setLocked(bool locked)
{
    if (locked == m_locked)
        return;
    m_locked = locked;
    Q_EMIT sessionChanged(locked ? SessionLock : SessionUnlock);
}

void LinuxSessionEvents::setActive(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    Q_EMIT sessionChanged(active ? ConsoleConnect : ConsoleDisconnect);
}

void LinuxSessionEvents::onSessionPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                                    const QStringList&)
{
    if (interface != kSession)
        return;
    if (const auto it = changed.find(QStringLiteral("LockedHint")); it != changed.end())
        setLocked(it->toBool());
    if (const auto it = changed.find(QStringLiteral("Active")); it != changed.end())
        setActive(it->toBool());
}

// Suspend turns the displays off and resume turns them on: the listener reloads
// the LUTs on the way back, as after any display wake-up.
void LinuxSessionEvents::onPrepareForSleep(bool start)
{
    qDebug() << "LinuxSessionEvents PrepareForSleep" << start;
    Q_EMIT displayPowerChanged(start ? PowerOff : PowerOn);
    if (start)
        releaseInhibitor();
    else
        takeInhibitor();
}

void LinuxSessionEvents::onPrepareForShutdown(bool start)
{
    qDebug() << "LinuxSessionEvents PrepareForShutdown" << start;
    if (!start) {
        takeInhibitor(); // the shutdown was cancelled
        return;
    }
    Q_EMIT endSessionQueried();
    releaseInhibitor();
}

void LinuxSessionEvents::takeInhibitor()
{
    if (m_sessionPath.isEmpty() || m_inhibitor.isValid())
        return;
    QDBusInterface manager(kService, kManagerPath, kManager, m_sources.bus);
    manager.setTimeout(kCallTimeoutMs);
    const QDBusReply<QDBusUnixFileDescriptor> reply =
        manager.call(QStringLiteral("Inhibit"), QStringLiteral("sleep:shutdown"), QStringLiteral("lutloader"),
                     QStringLiteral("Display calibration is saved and restored"), QStringLiteral("delay"));
    if (!reply.isValid()) {
        qWarning() << "LinuxSessionEvents: no delay inhibitor:" << reply.error().message();
        return;
    }
    m_inhibitor = reply.value();
}

void LinuxSessionEvents::releaseInhibitor()
{
    // The descriptor is the inhibitor: closing our copy lets logind go on.
    m_inhibitor = QDBusUnixFileDescriptor();
}
