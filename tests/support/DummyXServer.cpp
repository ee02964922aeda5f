#include "tests/support/DummyXServer.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

// Test support only: the product reaches X11 through platform/ alone.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

namespace {

constexpr int StartTimeoutMs = 20000;
constexpr int OutputWidth = 1024;
constexpr int OutputHeight = 768;

const char* const XorgConf = R"(Section "ServerFlags"
  Option "AutoAddDevices" "false"
  Option "AutoEnableDevices" "false"
  Option "DontVTSwitch" "true"
EndSection
Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam 256000
EndSection
Section "Monitor"
  Identifier "monitor"
  HorizSync 5.0-1000.0
  VertRefresh 5.0-200.0
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  Monitor "monitor"
  DefaultDepth 24
EndSection
Section "ServerLayout"
  Identifier "layout"
  Screen "screen"
EndSection
)";

// Xlib's default error handler ends the process; while we change a property a failed request is
// only remembered.
int s_lastXError = 0;
int rememberXError(Display*, XErrorEvent* event)
{
    s_lastXError = event->error_code;
    return 0;
}

QString tail(const QString& path, int lines)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QStringList all = QString::fromLocal8Bit(file.readAll()).split(QLatin1Char('\n'));
    return all.mid(qMax(0, all.size() - lines)).join(QLatin1Char('\n'));
}

} // namespace

DummyXServer::DummyXServer(int outputs) : m_outputs(qBound(1, outputs, MaxOutputs))
{
    if (!start())
        return;
    for (int k = 0; k < m_outputs; ++k) {
        const QRect rect(OutputWidth * k, 0, OutputWidth, OutputHeight);
        if (!setOutput(outputNames().at(k), rect)) {
            m_error = QStringLiteral("the dummy Xorg server started but output %1 could not be turned on")
                          .arg(outputNames().at(k));
            m_display.clear();
            return;
        }
    }
}

DummyXServer::~DummyXServer()
{
    if (m_server.state() == QProcess::NotRunning)
        return;
    m_server.terminate();
    if (!m_server.waitForFinished(5000)) {
        m_server.kill();
        m_server.waitForFinished();
    }
}

bool DummyXServer::start()
{
    const QString xorg = QStandardPaths::findExecutable(QStringLiteral("Xorg"));
    if (xorg.isEmpty()) {
        m_error = QStringLiteral("no X server can start: Xorg is not installed");
        return false;
    }
    if (!QFile::exists(QStringLiteral("/usr/lib/xorg/modules/drivers/dummy_drv.so"))) {
        m_error = QStringLiteral(
            "no X server can start: the dummy video driver (xserver-xorg-video-dummy) is missing");
        return false;
    }
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no X server can start: no temporary folder");
        return false;
    }
    const QString conf = m_dir.filePath(QStringLiteral("xorg.conf"));
    QFile confFile(conf);
    if (!confFile.open(QIODevice::WriteOnly) || confFile.write(XorgConf) < 0) {
        m_error = QStringLiteral("no X server can start: cannot write %1").arg(conf);
        return false;
    }
    confFile.close();
    QDir().mkpath(m_dir.filePath(QStringLiteral("conf.d")));

    // -displayfd 1: the server picks a free display number and writes it to stdout once it
    // accepts clients.
    m_server.setProcessChannelMode(QProcess::SeparateChannels);
    m_server.setStandardErrorFile(m_dir.filePath(QStringLiteral("Xorg.stderr")));
    m_server.start(xorg, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-noreset"),
                          QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-config"), conf,
                          QStringLiteral("-configdir"), m_dir.filePath(QStringLiteral("conf.d")),
                          QStringLiteral("-logfile"), logFile(), QStringLiteral("-novtswitch"),
                          QStringLiteral("-sharevts")});
    if (!m_server.waitForStarted(StartTimeoutMs)) {
        m_error = QStringLiteral("no X server can start: %1").arg(m_server.errorString());
        return false;
    }
    while (!m_server.canReadLine() && m_server.waitForReadyRead(StartTimeoutMs)) {
    }
    const QByteArray number = m_server.readLine().trimmed();
    if (number.isEmpty()) {
        m_error =
            QStringLiteral("no X server can start: Xorg with the dummy driver did not come up; "
                           "last lines of %1:\n%2")
                .arg(logFile(), tail(logFile(), 8) + tail(m_dir.filePath(QStringLiteral("Xorg.stderr")), 4));
        return false;
    }
    m_display = QLatin1Char(':') + QString::fromLatin1(number);
    return true;
}

bool DummyXServer::isRunning() const
{
    return !m_display.isEmpty() && m_server.state() == QProcess::Running;
}

QString DummyXServer::error() const
{
    if (!m_error.isEmpty())
        return m_error;
    if (!isRunning())
        return QStringLiteral("the dummy Xorg server stopped; log: %1").arg(logFile());
    return {};
}

QString DummyXServer::display() const
{
    return m_display;
}

QString DummyXServer::logFile() const
{
    return m_dir.filePath(QStringLiteral("Xorg.log"));
}

QStringList DummyXServer::outputNames() const
{
    QStringList names;
    for (int k = 0; k < m_outputs; ++k)
        names << QStringLiteral("DUMMY%1").arg(k);
    return names;
}

bool DummyXServer::runXrandr(const QStringList& arguments)
{
    QProcess xrandr;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    xrandr.setProcessEnvironment(env);
    xrandr.start(QStringLiteral("xrandr"), arguments);
    return xrandr.waitForFinished(StartTimeoutMs) && xrandr.exitStatus() == QProcess::NormalExit &&
           xrandr.exitCode() == 0;
}

bool DummyXServer::setOutput(const QString& output, const QRect& rect)
{
    if (m_display.isEmpty())
        return false;
    if (rect.isEmpty())
        return runXrandr({QStringLiteral("--output"), output, QStringLiteral("--off")});
    const QString mode = QStringLiteral("%1x%2").arg(rect.width()).arg(rect.height());
    // A disconnected dummy output lists no modes until one is added; adding one it already has
    // fails harmlessly.
    runXrandr({QStringLiteral("--addmode"), output, mode});
    return runXrandr({QStringLiteral("--output"), output, QStringLiteral("--mode"), mode,
                      QStringLiteral("--pos"), QStringLiteral("%1x%2").arg(rect.x()).arg(rect.y())});
}

bool DummyXServer::setEdid(const QString& output, const QByteArray& edid)
{
    if (m_display.isEmpty())
        return false;
    Display* display = XOpenDisplay(m_display.toLatin1().constData());
    if (!display)
        return false;
    const auto previousHandler = XSetErrorHandler(rememberXError);
    s_lastXError = 0;
    bool found = false;
    if (XRRScreenResources* resources = XRRGetScreenResources(display, DefaultRootWindow(display))) {
        const Atom edidAtom = XInternAtom(display, "EDID", False);
        for (int i = 0; i < resources->noutput && !found; ++i) {
            XRROutputInfo* info = XRRGetOutputInfo(display, resources, resources->outputs[i]);
            if (info && QString::fromLatin1(info->name, info->nameLen) == output) {
                found = true;
                if (edid.isEmpty()) {
                    XRRDeleteOutputProperty(display, resources->outputs[i], edidAtom);
                } else {
                    XRRChangeOutputProperty(display, resources->outputs[i], edidAtom, XA_INTEGER, 8,
                                            PropModeReplace,
                                            reinterpret_cast<const unsigned char*>(edid.constData()),
                                            static_cast<int>(edid.size()));
                }
            }
            if (info)
                XRRFreeOutputInfo(info);
        }
        XRRFreeScreenResources(resources);
    }
    XSync(display, False);
    XSetErrorHandler(previousHandler);
    XCloseDisplay(display);
    return found && s_lastXError == 0;
}
