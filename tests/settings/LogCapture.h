#pragma once

#include <QStringList>
#include <QtGlobal>

// Collects the log lines written while it lives (one capture at a time).
class LogCapture
{
public:
    LogCapture()
    {
        s_lines.clear();
        m_previous = qInstallMessageHandler(&LogCapture::handler);
    }
    ~LogCapture() { qInstallMessageHandler(m_previous); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    static const QStringList& lines() { return s_lines; }

private:
    static void handler(QtMsgType, const QMessageLogContext&, const QString& message) { s_lines << message; }
    static inline QStringList s_lines;
    QtMessageHandler m_previous = nullptr;
};
