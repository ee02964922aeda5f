#include "settings/KaldoConfiguration.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QMutex g_defaultPathLock;
QString g_defaultPath;

} // namespace

KaldoConfiguration::KaldoConfiguration(const QString& fileName)
{
    Init(QString(), fileName, false);
}

KaldoConfiguration::KaldoConfiguration(const QString& directory, const QString& fileName)
{
    Init(directory, fileName, false);
}

KaldoConfiguration::KaldoConfiguration(const QString& directory, const QString& fileName, bool create)
{
    Init(directory, fileName, create);
}

void KaldoConfiguration::SetDefaultPath(const QString& directory)
{
    const QMutexLocker locker(&g_defaultPathLock);
    g_defaultPath = directory;
}

QString KaldoConfiguration::DefaultPath()
{
    const QMutexLocker locker(&g_defaultPathLock);
    return g_defaultPath;
}

bool KaldoConfiguration::Init(const QString& directory, const QString& fileName, bool create)
{
    // A full path (or an embedded resource) needs no folder in front of it.
    const bool standsAlone = directory.isEmpty() && QFileInfo(fileName).isAbsolute();
    QString folder = standsAlone ? QString() : directory.isEmpty() ? DefaultPath() : directory;
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    m_path = folder + fileName;
    m_opened = false;
    m_document = QDomDocument();

    QFile file(m_path);
    if (!file.exists() && create) {
        qDebug().noquote() << "KaldoConfiguration::Init: creating" << m_path;
        return CreateEmpty(QFileInfo(fileName).completeBaseName());
    }
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning().noquote() << "KaldoConfiguration::Init: cannot open" << m_path << "-"
                             << file.errorString();
        return false;
    }
    // Regulation sets and task lists are kilobytes; a larger file is not one of ours, and
    // its DOM would take many times its size.
    constexpr qint64 kMaxXmlBytes = 16 * 1024 * 1024;
    const QByteArray text = file.read(kMaxXmlBytes + 1);
    if (text.size() > kMaxXmlBytes) {
        qWarning().noquote() << "KaldoConfiguration::Init:" << m_path << "is larger than" << kMaxXmlBytes
                             << "bytes; not read";
        return false;
    }
    return parse(text, m_path);
}

bool KaldoConfiguration::parse(const QByteArray& text, const QString& origin)
{
    QString error;
    int line = 0;
    int column = 0;
    QDomDocument document;
    if (!document.setContent(text, &error, &line, &column)) {
        qWarning().noquote() << QStringLiteral(
                                    "KaldoConfiguration: %1 is not valid XML: %2 (line %3, column %4)")
                                    .arg(origin, error)
                                    .arg(line)
                                    .arg(column);
        m_document = QDomDocument();
        m_opened = false;
        return false;
    }
    m_document = document;
    m_opened = true;
    return true;
}

bool KaldoConfiguration::SetContent(const QString& text)
{
    return parse(text.toUtf8(), QStringLiteral("the text"));
}

QString KaldoConfiguration::GetContent() const
{
    return m_opened ? m_document.toString() : QString();
}

bool KaldoConfiguration::CreateEmpty(const QString& rootName)
{
    return SetContent(QLatin1Char('<') + rootName + QStringLiteral("></") + rootName + QLatin1Char('>'));
}

bool KaldoConfiguration::Save() const
{
    return SaveAs(m_path);
}

bool KaldoConfiguration::SaveAs(const QString& path) const
{
    if (!m_opened || path.isEmpty()) {
        qWarning().noquote() << "KaldoConfiguration::SaveAs: nothing to save to" << path;
        return false;
    }
    // Written to a temporary file and renamed, so a crash never leaves half a document.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(m_document.toByteArray(2)) < 0 || !file.commit()) {
        qWarning().noquote() << "KaldoConfiguration::SaveAs: cannot write" << path << "-"
                             << file.errorString();
        return false;
    }
    return true;
}

KaldoConfiguration::iterator KaldoConfiguration::GetStartElement() const
{
    return iterator(m_document.documentElement());
}

KaldoConfiguration::iterator KaldoConfiguration::firstchild(const QString& name) const
{
    return GetStartElement().firstchild(name);
}
