#include "db/DBUniformity.h"

#include "db/DB.h"
#include "db/DBTransaction.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"

#include <QDebug>

#include <atomic>

const QString DBUniformity::TABLE_UNIFORMITY = QStringLiteral("Uniformity");
const QString DBUniformity::TABLE_UNIFORMITY_DATA = QStringLiteral("Uniformity_Data");

namespace {

std::atomic<bool> s_checked{false};

} // namespace

DBUniformity::DBUniformity() : data_(DB::get())
{
    ensureChecked(*data_);
}

bool DBUniformity::ensureChecked(KaldoDynamicData& data)
{
    static const QList<TableSchema> tables = {Schema::table(TABLE_UNIFORMITY),
                                              Schema::table(TABLE_UNIFORMITY_DATA)};
    return Schema::checkOnce(data, tables, s_checked);
}

int DBUniformity::addUniformity(int type, int y, int lutId, const QString& color)
{
    qint64 newId = -1;
    const bool ok = data_->addinfo(TABLE_UNIFORMITY,
                                   {{QStringLiteral("type"), QString::number(type)},
                                    {QStringLiteral("y"), QString::number(y)},
                                    {QStringLiteral("lut_id"), QString::number(lutId)},
                                    {QStringLiteral("color"), color}},
                                   &newId);
    if (!ok || newId < 0) {
        qWarning() << "DBUniformity::addUniformity failed";
        return -1;
    }
    return static_cast<int>(newId);
}

bool DBUniformity::setUData(int id, const std::vector<double>& values)
{
    DBTransaction transaction;
    bool ok = data_->exec(QStringLiteral("DELETE FROM Uniformity_Data WHERE id = ?"), {id});
    for (size_t number = 0; ok && number < values.size(); ++number) {
        ok = data_->exec(QStringLiteral("INSERT INTO Uniformity_Data(id, number, value) VALUES(?, ?, ?)"),
                         {id, static_cast<int>(number), values[number]});
    }
    if (!ok) {
        qWarning() << "DBUniformity::setUData failed for correction" << id;
        transaction.failTransaction();
    }
    return ok;
}

std::vector<double> DBUniformity::GetUDataById(int id)
{
    std::vector<double> values;
    auto it =
        data_->query(QStringLiteral("SELECT value FROM Uniformity_Data WHERE id = ? ORDER BY number"), {id});
    for (; !it.IsNull(); ++it) {
        bool ok = false;
        const double value = it.value(QStringLiteral("value")).toDouble(&ok);
        if (!ok) {
            // A correction with a damaged value would bend the screen unpredictably: none is applied.
            qWarning() << "DBUniformity::GetUDataById correction" << id
                       << "holds a non-number:" << it.value(QStringLiteral("value"));
            return {};
        }
        values.push_back(value);
    }
    return values;
}
