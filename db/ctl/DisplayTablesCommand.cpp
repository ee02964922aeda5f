#include "db/ctl/DisplayTablesCommand.h"

#include "app/ctl/CtlContext.h"
#include "db/DB.h"
#include "db/DBDisplayCurrentLUT.h"
#include "db/DBDisplays.h"
#include "db/DBUtils.h"
#include "db/KaldoDynamicData.h"
#include "displays/CurrentDisplays.h"
#include "settings/DataDirectory.h"
#include "settings/ProductParams.h"

#include <QDebug>
#include <QJsonArray>
#include <QJsonObject>

#include <optional>

namespace {

bool openDatabase(const CtlContext& context, int* exitCode)
{
    QString error;
    if (!DataDirectory::ensureExists(&error)) {
        *exitCode = context.fail(error);
        return false;
    }
    DB::setPath(DataDirectory::path());
    // SQLite opens any file; a damaged one shows only when it is read, and an empty
    // answer from it must not look like an empty database.
    if (!DB::get()->IsOpened() ||
        DB::get()->query(QStringLiteral("SELECT count(*) FROM sqlite_master")).IsNull()) {
        *exitCode = context.fail(
            QStringLiteral("cannot open %1 %2").arg(DB::get()->filePath(), DB::get()->lastError()));
        return false;
    }
    return true;
}

QJsonObject describeRecord(DBDisplays& displays, DBDisplayCurrentLUT& luts, int id)
{
    QJsonObject settings;
    const QMap<QString, QString> info = displays.enumDisplayInfo(id);
    for (auto it = info.cbegin(); it != info.cend(); ++it)
        settings.insert(it.key(), it.value());
    const DBDisplayCurrentLUT::Channels lut = luts.readEntryByDisplayId(id);
    return {{QStringLiteral("id"), id},
            {QStringLiteral("serial"), displays.getRealSerial(id)},
            {QStringLiteral("model"), info.value(QStringLiteral("Model"))},
            {QStringLiteral("active"), displays.isActive(id)},
            {QStringLiteral("rect"), QJsonArray{displays.getLeft(id), displays.getTop(id),
                                                displays.getWidth(id), displays.getHeight(id)}},
            {QStringLiteral("commode"), displays.GetCommMode(id)},
            {QStringLiteral("upload"), displays.isSynchronizeNeed(id)},
            {QStringLiteral("lut_channels"), static_cast<int>(lut.size())},
            {QStringLiteral("lut_size"), lut.empty() ? 0 : static_cast<int>(lut.front().size())},
            {QStringLiteral("settings"), settings}};
}

QString recordLine(const QJsonObject& record)
{
    const QJsonArray rect = record.value(QStringLiteral("rect")).toArray();
    return QStringLiteral("%1: %2 \"%3\" serial %4  %5,%6 %7x%8  LUT %9x%10")
        .arg(record.value(QStringLiteral("id")).toInt())
        .arg(record.value(QStringLiteral("active")).toBool() ? QStringLiteral("active  ")
                                                             : QStringLiteral("inactive"))
        .arg(record.value(QStringLiteral("model")).toString(),
             record.value(QStringLiteral("serial")).toString())
        .arg(rect.at(0).toInt())
        .arg(rect.at(1).toInt())
        .arg(rect.at(2).toInt())
        .arg(rect.at(3).toInt())
        .arg(record.value(QStringLiteral("lut_channels")).toInt())
        .arg(record.value(QStringLiteral("lut_size")).toInt());
}

int answerRecords(const CtlContext& context, const QList<int>& ids)
{
    DBDisplays displays;
    DBDisplayCurrentLUT luts;
    QJsonArray records;
    QStringList lines;
    for (const int id : ids) {
        const QJsonObject record = describeRecord(displays, luts, id);
        records.append(record);
        lines << recordLine(record);
    }
    if (lines.isEmpty())
        lines << QStringLiteral("no display records");
    return context.answer({{QStringLiteral("ok"), true}, {QStringLiteral("displays"), records}},
                          lines.join(QLatin1Char('\n')));
}

int refresh(const CtlContext& context)
{
    if (!ProductParams::LoadParams())
        qWarning()
            << "dbdisplays refresh: product parameters not loaded; new records get no display defaults";
    CurrentDisplays::NonCachedRefresh();
    return answerRecords(context, DBUtils::RefreshDisplaysInfo());
}

int printLut(const CtlContext& context, const QString& idText)
{
    bool ok = false;
    const int id = idText.toInt(&ok);
    if (!ok)
        return context.fail(QStringLiteral("not a display id: %1").arg(idText), 2);
    DBDisplayCurrentLUT luts;
    const DBDisplayCurrentLUT::Channels channels = luts.readEntryByDisplayId(id);
    if (channels.empty())
        return context.fail(QStringLiteral("display %1 has no stored LUT").arg(id));
    QJsonArray jsonChannels;
    QStringList lines;
    for (const std::vector<int>& channel : channels) {
        QJsonArray values;
        QStringList texts;
        for (const int value : channel) {
            values.append(value);
            texts << QString::number(value);
        }
        jsonChannels.append(values);
        lines << texts.join(QLatin1Char(' '));
    }
    return context.answer({{QStringLiteral("ok"), true},
                           {QStringLiteral("id"), id},
                           {QStringLiteral("luttype"), luts.lutType(id)},
                           {QStringLiteral("uniformity"), luts.uniformityId(id)},
                           {QStringLiteral("channels"), jsonChannels}},
                          lines.join(QLatin1Char('\n')));
}

// Reads a display-information value, or sets it when a value is given (as the main
// application does when the user changes a display's settings).
int displayInfo(const CtlContext& context, const QString& idText, const QString& name,
                const std::optional<QString>& value)
{
    bool ok = false;
    const int id = idText.toInt(&ok);
    DBDisplays displays;
    if (!ok || !displays.allDisplayIds().contains(id))
        return context.fail(QStringLiteral("no display record %1").arg(idText), 2);
    if (value && !displays.setDisplayInfo(id, name, *value))
        return context.fail(QStringLiteral("display %1: %2 could not be stored").arg(id).arg(name));
    const QString stored = displays.getDisplayInfo(id, name);
    return context.answer({{QStringLiteral("ok"), true},
                           {QStringLiteral("id"), id},
                           {QStringLiteral("name"), name},
                           {QStringLiteral("value"), stored}},
                          name + QStringLiteral(" = ") + stored);
}

} // namespace

QString DisplayTablesCommand::usage() const
{
    return QStringLiteral(
        "dbdisplays list|refresh|lut ID   (display records; refresh registers the displays "
        "attached now; lut prints a stored LUT, one channel a line)\n"
        "    dbdisplays info ID NAME [VALUE]   (a display's setting, set when VALUE is given)");
}

int DisplayTablesCommand::run(const CtlContext& context) const
{
    const QStringList& args = context.arguments();
    const QString action = args.value(0, QStringLiteral("list"));
    int exitCode = 0;
    if (!openDatabase(context, &exitCode))
        return exitCode;
    if (action == QLatin1String("list"))
        return answerRecords(context, DBDisplays().allDisplayIds());
    if (action == QLatin1String("refresh"))
        return refresh(context);
    if (action == QLatin1String("lut") && args.size() == 2)
        return printLut(context, args.at(1));
    if (action == QLatin1String("info") && (args.size() == 3 || args.size() == 4))
        return displayInfo(context, args.at(1), args.at(2),
                           args.size() == 4 ? std::optional<QString>(args.at(3)) : std::nullopt);
    return context.fail(QStringLiteral("usage: ") + usage(), 2);
}
