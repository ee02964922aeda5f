#pragma once

#include <QByteArray>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// A private Xorg server on the dummy video driver, for tests that need real RandR outputs,
// CRTCs and gamma ramps. The driver offers outputs "DUMMY0" to "DUMMY15", one CRTC each with a
// 256-entry ramp. The server runs with -noreset (otherwise it forgets ramps and properties when
// the last client leaves), on a display number of its own choosing, with a generated xorg.conf
// and its own log file.
//
// Typical use:
//     DummyXServer x(3);
//     if (!x.isRunning())
//         GTEST_SKIP() << x.error();
//     x.setEdid("DUMMY1", edidBytes);
//     qputenv("DISPLAY", x.display().toLatin1());
class DummyXServer
{
public:
    static constexpr int MaxOutputs = 16;

    // Starts the server and turns on the first `outputs` outputs (1 to 16) at 1024x768, left to
    // right: output k at (1024 * k, 0).
    explicit DummyXServer(int outputs = 1);
    ~DummyXServer();
    DummyXServer(const DummyXServer&) = delete;
    DummyXServer& operator=(const DummyXServer&) = delete;

    bool isRunning() const;
    // Why the server is not running (a message for GTEST_SKIP), empty while it runs.
    QString error() const;
    // ":N", empty when not running.
    QString display() const;
    QString logFile() const;
    // "DUMMY0" ... for the outputs turned on by the constructor.
    QStringList outputNames() const;

    // Sets the RandR output property "EDID" (type INTEGER, format 8) of an output, creating it
    // when absent; an empty array deletes the property.
    bool setEdid(const QString& output, const QByteArray& edid);
    // Puts an output at a place with one of the driver's modes (e.g. 1280x1024, 1920x1080), or
    // turns it off when `rect` is empty.
    bool setOutput(const QString& output, const QRect& rect);

private:
    bool start();
    bool runXrandr(const QStringList& arguments);

    int m_outputs;
    QTemporaryDir m_dir;
    QProcess m_server;
    QString m_display;
    QString m_error;
};
