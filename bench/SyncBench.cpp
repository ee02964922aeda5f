// Uploading 10,000 history records (each with its settings and a QA step with a
// measured value) through the history synchroniser, against a bare loop that POSTs
// the very same request bodies to the same local TLS server.
#include "bench/support/BenchReport.h"
#include "db/DB.h"
#include "db/DBTransaction.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"
#include "sync/HistorySynchronizerv2.h"
#include "sync/SynchronizeRequest.h"
#include "sync/SynchronizeSettings.h"
#include "tools/mgmtserver/MgmtCertificates.h"
#include "tools/mgmtserver/MgmtServer.h"
#include "tools/mgmtserver/MgmtServerHost.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTemporaryDir>
#include <QUrl>

#include <cstdio>

namespace {

constexpr int kRows = 10000;

void seed(KaldoDynamicData& db)
{
    DBTransaction transaction;
    for (int i = 0; i < kRows; ++i) {
        qint64 id = 0;
        db.exec(QStringLiteral("INSERT INTO History (displayid, deviceid, runtime, textname, result, historytype, "
                               "issynchron, isdisabled) VALUES (1, 1, ?, ?, 1, 2, 0, 0)"),
                {1700000000 + i, QStringLiteral("QA %1").arg(i)}, &id);
        for (const char* name : {"Model", "SerialNumber", "SensorModel"})
            db.exec(QStringLiteral("INSERT INTO HistoryPreferences (historyid, name, value) VALUES (?, ?, 'x')"),
                    {id, QString::fromLatin1(name)});
        qint64 result = 0;
        db.exec(QStringLiteral("INSERT INTO QAResults (historyid, regulationid, stepname, freq, result) VALUES (?, "
                               "'DIN', 'Luminance', 3, 1)"),
                {id}, &result);
        db.exec(QStringLiteral("INSERT INTO QAResultParams (qaresultid, name, value, refvalue) VALUES (?, 'Lmax', "
                               "'350', '>= 250')"),
                {result});
    }
}

} // namespace

void runBenchmarks(BenchReport& report)
{
    QTemporaryDir folder;
    QString error;
    if (!MgmtCertificates::make(folder.path() + QStringLiteral("/certs"), &error)) {
        std::printf("sync bench skipped: %s\n", qPrintable(error));
        return;
    }
    const QString certs = folder.path() + QStringLiteral("/certs");
    MgmtServerHost host;
    if (!host.start(MgmtCertificates::serverCertificate(certs), MgmtCertificates::serverKey(certs))) {
        std::printf("sync bench skipped: the server did not start\n");
        return;
    }
    SynchronizeSettings::setExtraCaFile(MgmtCertificates::caFile(certs));
    DB::setPath(folder.path());
    auto db = DB::get();
    Schema::checkAll(*db);
    seed(*db);

    NetworkSettings settings;
    settings.serverName = host.baseUrl();
    settings.user = QStringLiteral("admin");
    settings.password = QStringLiteral("secret");
    settings.workstationId = QStringLiteral("WS-BENCH");

    QNetworkAccessManager manager;
    HistorySynchronizerv2 synchronizer;
    synchronizer.setVersion(2);
    synchronizer.setNetworkSettings(settings);
    synchronizer.setNetworkAccessManager(&manager);
    QElapsedTimer timer;
    timer.start();
    const int status = synchronizer.startSynchronize();
    const qint64 clientNs = timer.nsecsElapsed();

    QList<QByteArray> bodies;
    for (const MgmtServer::Received& received : host.server().received())
        bodies << received.body;

    QNetworkAccessManager bare;
    QNetworkRequest request(QUrl(host.baseUrl() + QStringLiteral("api/sync")));
    request.setSslConfiguration(SynchronizeRequest::sslConfiguration());
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json; charset=utf-8"));
    timer.restart();
    for (const QByteArray& body : bodies) {
        QNetworkReply* reply = bare.post(request, body);
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
        reply->deleteLater();
    }
    const qint64 bareNs = timer.nsecsElapsed();

    const double clientRate = kRows / (clientNs / 1e9);
    const double bareRate = kRows / (bareNs / 1e9);
    std::printf("history upload: status %d, %lld requests, %.0f rows/s; bare POST loop %.0f rows/s; ratio %.2f\n",
                status, static_cast<long long>(bodies.size()), clientRate, bareRate, clientRate / bareRate);
    report.add(QStringLiteral("history upload, 10000 rows"), double(clientNs));
    report.add(QStringLiteral("bare POST loop, same bodies"), double(bareNs));
    DB::free();
}
