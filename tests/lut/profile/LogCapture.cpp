#include "tests/lut/profile/LogCapture.h"

#include <QMutex>
#include <QMutexLocker>

namespace {

QMutex g_mutex;
QStringList g_lines;

void capture(QtMsgType /*type*/, const QMessageLogContext& /*context*/, const QString& message)
{
    QMutexLocker lock(&g_mutex);
    g_lines << message;
}

} // namespace

LogCapture::LogCapture()
{
    {
        QMutexLocker lock(&g_mutex);
        g_lines.clear();
    }
    m_previous = qInstallMessageHandler(capture);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(m_previous);
}

bool LogCapture::contains(const QString& text) const
{
    return all().contains(text);
}

QString LogCapture::all() const
{
    QMutexLocker lock(&g_mutex);
    return g_lines.join(QLatin1Char('\n'));
}
