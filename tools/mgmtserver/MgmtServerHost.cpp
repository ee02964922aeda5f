#include "tools/mgmtserver/MgmtServerHost.h"

#include "tools/mgmtserver/MgmtServer.h"

#include <QFile>
#include <QMetaObject>
#include <QSslCertificate>
#include <QSslKey>

MgmtServerHost::MgmtServerHost()
{
    m_thread.setObjectName(QStringLiteral("mgmtserver"));
    m_thread.start();
}

MgmtServerHost::~MgmtServerHost()
{
    if (m_server)
        QMetaObject::invokeMethod(
            m_server, [server = m_server] { delete server; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

bool MgmtServerHost::start(const QString& certificateFile, const QString& keyFile)
{
    QFile certificateText(certificateFile);
    QFile keyText(keyFile);
    if (!certificateText.open(QIODevice::ReadOnly) || !keyText.open(QIODevice::ReadOnly))
        return false;
    const QSslCertificate certificate(certificateText.readAll(), QSsl::Pem);
    const QSslKey key(keyText.readAll(), QSsl::Rsa, QSsl::Pem);
    if (certificate.isNull() || key.isNull())
        return false;
    QObject context;
    context.moveToThread(&m_thread);
    QMetaObject::invokeMethod(
        &context,
        [&] {
            m_server = new MgmtServer;
            m_port = m_server->listenTls(certificate, key);
        },
        Qt::BlockingQueuedConnection);
    context.moveToThread(nullptr);
    return m_port != 0;
}

QString MgmtServerHost::baseUrl() const
{
    return QStringLiteral("https://127.0.0.1:%1/").arg(m_port);
}
