#include "tools/mgmtserver/MgmtCertificates.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace {

bool openssl(const QString& folder, const QStringList& arguments, QString* error)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(QStringLiteral("openssl"), arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        if (error)
            *error = QStringLiteral("openssl %1: %2")
                         .arg(arguments.join(QLatin1Char(' ')),
                              QString::fromLocal8Bit(process.readAllStandardError()));
        return false;
    }
    return true;
}

} // namespace

bool MgmtCertificates::make(const QString& folder, QString* error)
{
    QDir().mkpath(folder);
    QFile extensions(folder + QStringLiteral("/server.ext"));
    if (!extensions.open(QIODevice::WriteOnly))
        return false;
    extensions.write("subjectAltName=IP:127.0.0.1\nbasicConstraints=CA:FALSE\n"
                     "keyUsage=digitalSignature,keyEncipherment\nextendedKeyUsage=serverAuth\n");
    extensions.close();
    const QString days = QStringLiteral("2");
    return openssl(folder,
                   {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out", "ca.pem",
                    "-days", days, "-subj", "/CN=LutLoader Test CA", "-addext",
                    "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign,cRLSign"},
                   error) &&
           openssl(folder,
                   {"req", "-newkey", "rsa:2048", "-nodes", "-keyout", "server.key", "-out", "server.csr",
                    "-subj", "/CN=127.0.0.1"},
                   error) &&
           openssl(folder,
                   {"x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                    "-CAcreateserial", "-out", "server.pem", "-days", days, "-extfile", "server.ext"},
                   error) &&
           openssl(folder,
                   {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "rogue.key", "-out",
                    "rogue.pem", "-days", days, "-subj", "/CN=127.0.0.1", "-addext",
                    "subjectAltName=IP:127.0.0.1"},
                   error);
}
