#pragma once

#include "db/DB.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"
#include "tests/support/TestPaths.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>

#include <gtest/gtest.h>

// Each test works on a database file of its own in a fresh folder.
class FreshDatabase : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString name =
            QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name());
        m_folder = TestPaths::freshFolder(QStringLiteral("db-") + name);
        DB::free();
        DB::setPath(m_folder);
        m_db = DB::get();
        ASSERT_TRUE(m_db->IsOpened());
    }
    void TearDown() override
    {
        m_db.reset();
        DB::free();
    }

    QString folder() const { return m_folder; }
    QString file() const { return KaldoDynamicData::fullPath(m_folder, DB::DATABASE_NAME); }
    KaldoDynamicData& db() { return *m_db; }
    std::shared_ptr<KaldoDynamicData> connection() { return m_db; }

    // Runs statements on an independent connection, the way the main application
    // would see the file; builds fixtures of older schemas.
    QList<QStringList> outside(const QString& statement)
    {
        const QString name = QUuid::createUuid().toString();
        QList<QStringList> rows;
        {
            QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            other.setDatabaseName(file());
            other.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
            EXPECT_TRUE(other.open());
            QSqlQuery query(other);
            EXPECT_TRUE(query.exec(statement)) << statement.toStdString();
            while (query.next()) {
                QStringList row;
                for (int i = 0; i < query.record().count(); ++i)
                    row << query.value(i).toString();
                rows << row;
            }
        }
        QSqlDatabase::removeDatabase(name);
        return rows;
    }
    int outsideCount(const QString& table)
    {
        return outside(QStringLiteral("SELECT COUNT(*) FROM ") + table).value(0).value(0).toInt();
    }

private:
    QString m_folder;
    std::shared_ptr<KaldoDynamicData> m_db;
};
