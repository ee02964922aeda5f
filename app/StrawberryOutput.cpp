#include "app/StrawberryOutput.h"

#include <QThread>

namespace {

QString linePrefix(const char* file, int line, const char* prefix)
{
    return QString::asprintf("%s%s, %d: [%8p] ", prefix, file, line,
                             static_cast<void*>(QThread::currentThreadId()));
}

} // namespace

StrawberryOutput::StrawberryOutput(const char* file, int line, const char* prefix)
    : m_text(linePrefix(file, line, prefix))
{
}

StrawberryOutput::~StrawberryOutput()
{
    qDebug().noquote() << m_text;
}

StrawberryOutputAutoStackIndent::StrawberryOutputAutoStackIndent(const char* file, int line)
    : m_file(file), m_line(line)
{
}

StrawberryOutputAutoStackIndent::~StrawberryOutputAutoStackIndent()
{
    qDebug().noquote() << linePrefix(m_file, m_line, "R: ");
}
