// A local management server for trying the synchronisation by hand:
//   lutloader-mgmtserver --cert server.pem --key server.key [--state state.json] [--port N]
// With --make-certificates FOLDER it first writes a CA and a server certificate there.
#include "tools/mgmtserver/MgmtCertificates.h"
#include "tools/mgmtserver/MgmtServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QSslCertificate>
#include <QSslKey>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption cert(QStringLiteral("cert"), QStringLiteral("PEM certificate"),
                                  QStringLiteral("file"));
    const QCommandLineOption key(QStringLiteral("key"), QStringLiteral("PEM private key"),
                                 QStringLiteral("file"));
    const QCommandLineOption state(QStringLiteral("state"), QStringLiteral("JSON state"),
                                   QStringLiteral("file"));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("port"), QStringLiteral("n"),
                                  QStringLiteral("0"));
    const QCommandLineOption make(QStringLiteral("make-certificates"),
                                  QStringLiteral("write test certificates"), QStringLiteral("folder"));
    parser.addOptions({cert, key, state, port, make});
    parser.process(app);
    QTextStream out(stdout);
    QTextStream err(stderr);

    QString certFile = parser.value(cert);
    QString keyFile = parser.value(key);
    if (parser.isSet(make)) {
        QString error;
        if (!MgmtCertificates::make(parser.value(make), &error)) {
            err << error << Qt::endl;
            return 1;
        }
        certFile = MgmtCertificates::serverCertificate(parser.value(make));
        keyFile = MgmtCertificates::serverKey(parser.value(make));
        out << "CA: " << MgmtCertificates::caFile(parser.value(make)) << Qt::endl;
    }
    QFile certText(certFile);
    QFile keyText(keyFile);
    if (!certText.open(QIODevice::ReadOnly) || !keyText.open(QIODevice::ReadOnly)) {
        err << "cannot read the certificate or the key" << Qt::endl;
        return 2;
    }
    MgmtServer server;
    if (parser.isSet(state)) {
        QFile file(parser.value(state));
        if (!file.open(QIODevice::ReadOnly)) {
            err << "cannot read " << parser.value(state) << Qt::endl;
            return 2;
        }
        server.setState(QJsonDocument::fromJson(file.readAll()).object());
    }
    const quint16 taken = server.listenTls(QSslCertificate(certText.readAll(), QSsl::Pem),
                                           QSslKey(keyText.readAll(), QSsl::Rsa, QSsl::Pem),
                                           quint16(parser.value(port).toUInt()));
    if (taken == 0) {
        err << "cannot listen" << Qt::endl;
        return 3;
    }
    out << "listening on https://127.0.0.1:" << taken << "/" << Qt::endl;
    return app.exec();
}
