#include "platform/ScreenSaver.h"

#include <QDebug>

bool ScreenSaver::wakeForUser(const QString& who) const
{
    bool stopped = false;
    if (isRunning()) {
        if (isSecure()) {
            qDebug().noquote() << who << "screen saver is password-protected: left running";
        } else {
            stopped = stop();
            qDebug().noquote() << who << "screen saver stopped:" << stopped;
        }
    }
    keepAwake();
    return stopped;
}
