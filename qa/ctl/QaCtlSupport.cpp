#include "qa/ctl/QaCtlSupport.h"

#include "db/DB.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"
#include "qa/RegulationList.h"
#include "settings/DataDirectory.h"
#include "settings/GlobalData.h"
#include "settings/ProductParams.h"

bool QaCtlSupport::prepare(QString* error)
{
    if (!DataDirectory::ensureExists(error))
        return false;
    if (GlobalData::instance().getString(QString::fromLatin1(GLOBALDATA_REGULATION_NAMES)).isEmpty())
        ProductParams::LoadParams();
    DB::setPath(DataDirectory::path());
    auto db = DB::get();
    if (!db->IsOpened() || !Schema::checkAll(*db)) {
        *error = QStringLiteral("cannot use the database %1").arg(db->filePath());
        return false;
    }
    RegulationList::RefreshRegulationList(QStringLiteral(":rc/regulations"));
    return true;
}

QString QaCtlSupport::takeOption(QStringList& arguments, const QString& option)
{
    const qsizetype at = arguments.indexOf(option);
    if (at < 0 || at + 1 >= arguments.size())
        return {};
    const QString value = arguments.at(at + 1);
    arguments.remove(at, 2);
    return value;
}

bool QaCtlSupport::takeNow(QStringList& arguments, qint64* now, QString* error)
{
    const bool given = arguments.contains(QStringLiteral("--now"));
    const QString text = takeOption(arguments, QStringLiteral("--now"));
    if (!given) {
        *now = QDateTime::currentSecsSinceEpoch();
        return true;
    }
    const QDateTime time = QDateTime::fromString(text, Qt::ISODate);
    if (!time.isValid()) {
        *error = QStringLiteral("not an ISO 8601 time: %1").arg(text);
        return false;
    }
    *now = time.toSecsSinceEpoch();
    return true;
}

QString QaCtlSupport::isoLocal(qint64 time)
{
    return QDateTime::fromSecsSinceEpoch(time).toString(Qt::ISODateWithMs).left(19);
}
