#pragma once

#include "db/DB.h"
#include "db/DBPreferences.h"
#include "db/KaldoDynamicData.h"
#include "db/NetworkSettings.h"
#include "db/Schema.h"
#include "settings/DataDirectory.h"
#include "sync/Synchronization.h"
#include "sync/SynchronizeSettings.h"
#include "tests/support/TestPaths.h"
#include "tools/mgmtserver/MgmtCertificates.h"
#include "tools/mgmtserver/MgmtServer.h"
#include "tools/mgmtserver/MgmtServerHost.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>

#include <gtest/gtest.h>
#include <memory>

// A fresh database and a local TLS management server trusted through the CA option.
class SyncFixture : public ::testing::Test
{
protected:
    static QString certificates()
    {
        static const QString folder = [] {
            const QString f = TestPaths::freshFolder(QStringLiteral("certificates"));
            QString error;
            EXPECT_TRUE(MgmtCertificates::make(f, &error)) << error.toStdString();
            return f;
        }();
        return folder;
    }

    void SetUp() override
    {
        const QString name =
            QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name());
        DB::free();
        DB::setPath(TestPaths::freshFolder(QStringLiteral("db-") + name.section(QLatin1Char('/'), -1)));
        ASSERT_TRUE(Schema::checkAll(*DB::get()));
        m_host = std::make_unique<MgmtServerHost>();
        ASSERT_TRUE(m_host->start(MgmtCertificates::serverCertificate(certificates()),
                                  MgmtCertificates::serverKey(certificates())));
        SynchronizeSettings::setExtraCaFile(MgmtCertificates::caFile(certificates()));
        SynchronizeSettings::setRequestTimeoutMs(1500);
        SynchronizeSettings::setVersionTimeoutMs(1500);
        SynchronizeSettings::setHistoryBatchSize(200);
        // A plan rebuild left behind by an earlier test would run on this test's tables at that test's time.
        Synchronization::setPlanRebuildHook({});
        m_settings.serverName = m_host->baseUrl();
        m_settings.user = QStringLiteral("admin");
        m_settings.password = QStringLiteral("Pässwört-42");
        m_settings.workstationId = QStringLiteral("WS-1");
    }

    void TearDown() override
    {
        m_host.reset();
        DB::free();
    }

    MgmtServer& server() { return m_host->server(); }
    bool synchronize(SynchronizationReport* report = nullptr)
    {
        return Synchronization::synchronizeAll(m_settings, {}, report);
    }

    static void exec(const QString& sql, const QVariantList& params = {})
    {
        EXPECT_TRUE(DB::get()->exec(sql, params)) << sql.toStdString();
    }
    static QString one(const QString& sql, const QVariantList& params = {})
    {
        const auto row = DB::get()->query(sql, params);
        return row.IsNull() ? QString() : row.values().first();
    }
    static int count(const QString& sql, const QVariantList& params = {}) { return one(sql, params).toInt(); }

    static int addDisplay(const QString& serial, bool active)
    {
        qint64 id = 0;
        EXPECT_TRUE(
            DB::get()->exec(QStringLiteral("INSERT INTO Displays (serial, width, height, isactive, commode, "
                                           "issynchron) VALUES (?, 1920, 1080, ?, 19, 0)"),
                            {serial, active ? 1 : 0}, &id));
        return int(id);
    }
    static void addHistory(int displayid, int rows)
    {
        for (int i = 0; i < rows; ++i) {
            qint64 id = 0;
            EXPECT_TRUE(DB::get()->exec(
                QStringLiteral("INSERT INTO History (displayid, deviceid, runtime, textname, "
                               "result, historytype, issynchron, isdisabled) VALUES (?, ?, ?, "
                               "?, 1, 2, 0, 0)"),
                {displayid, displayid, 1700000000 + i, QStringLiteral("QA %1").arg(i)}, &id));
            exec(QStringLiteral(
                     "INSERT INTO HistoryPreferences (historyid, name, value) VALUES (?, 'Model', 'MX')"),
                 {id});
            qint64 result = 0;
            EXPECT_TRUE(DB::get()->exec(
                QStringLiteral("INSERT INTO QAResults (historyid, regulationid, stepname, "
                               "comment, freq, result) VALUES (?, 'DIN', 'Luminance', ?, 3, 1)"),
                {id, i % 2 ? QStringLiteral("ok") : QString()}, &result));
            exec(QStringLiteral(
                     "INSERT INTO QAResultParams (qaresultid, name, value, refvalue) VALUES (?, 'Lmax', "
                     "'350', '>= 250')"),
                 {result});
        }
    }
    // Names of the history records that reached the server, over every request so far.
    QStringList historyNamesReceived()
    {
        QStringList names;
        for (const MgmtServer::Received& r : server().received()) {
            if (r.action != QLatin1String("HISTORY"))
                continue;
            const QJsonArray list = r.data.isArray() ? r.data.toArray() : QJsonArray{r.data};
            for (const QJsonValue& report : list)
                names << report.toObject().value(QStringLiteral("name")).toString();
        }
        return names;
    }
    QStringList actionsReceived()
    {
        QStringList actions;
        for (const MgmtServer::Received& r : server().received())
            actions << r.action;
        return actions;
    }

    std::unique_ptr<MgmtServerHost> m_host;
    NetworkSettings m_settings;
};

// lutloaderctl and the agent's task against the local server, on the test's own data directory.
class SyncAgent : public SyncFixture
{
protected:
    void SetUp() override
    {
        SyncFixture::SetUp();
        DB::free();
        DB::setPath(DataDirectory::path());
        ASSERT_TRUE(Schema::checkAll(*DB::get()));
        DBPreferences preferences;
        preferences.setValue("remoteOn", "on", false);
        preferences.setValue("ServerAddress", m_host->baseUrl(), false);
        preferences.setValue("RemoteConnectionUser", "admin", false);
        preferences.setValue("RemoteConnectionPassword", "secret", false);
        exec("DELETE FROM History");
    }
};
