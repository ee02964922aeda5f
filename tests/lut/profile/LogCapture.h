#pragma once

#include <QString>
#include <QStringList>

// Collects the log lines written while it lives (the program logs through qDebug).
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    bool contains(const QString& text) const;
    QString all() const;

private:
    QtMessageHandler m_previous;
};
