#pragma once

#include <QString>
#include <QtGlobal>

class QFile;

// The process-wide message handler: every qDebug/qWarning/... line goes to one log
// file, stamped with local time, process id and thread number. The file is cut to
// its newest half at start when it has grown past its limit.
class Logging
{
public:
    static void prepareMessageOutput(const QString& folder, const QString& fileName, int sizeLimitMB,
                                     QtMsgType level);
    static void prepareMessageOutput(const QString& path, int sizeLimitMB, QtMsgType level);
    static void releaseMessageOutput();
    static void setMessageOutputToNull();

    // Also copy every line to standard error (the headless demo run shows what the agent does).
    static void setEcho(bool echo);

    static void myMessageOutput(QtMsgType type, const QMessageLogContext& context, const QString& message);
    static void myMessageOutput(QtMsgType type, const QByteArray& latin1Text);
    static void nullMessageOutput(QtMsgType type, const QMessageLogContext& context, const QString& message);

    // Cuts `path` to its newest half when it is larger than `sizeLimitMB` MiB.
    // Returns the number of bytes that could not be copied.
    static qint64 truncateToNewestHalf(const QString& path, int sizeLimitMB);

    static QByteArray timeStamp();
    static quint32 threadNumber();
};
