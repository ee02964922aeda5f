#include "qa/ctl/HistoryCommand.h"

#include "app/ctl/CtlContext.h"
#include "db/DBHistory.h"
#include "qa/QAReportHtml.h"
#include "qa/QAResult.h"
#include "qa/ctl/QaCtlSupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QPointF>
#include <QSaveFile>

namespace {

QJsonObject recordJson(const KaldoDataIterator& it)
{
    const int type = it.value(QStringLiteral("historytype")).toInt();
    return QJsonObject{
        {QStringLiteral("historyid"), it.value(QStringLiteral("historyid")).toLongLong()},
        {QStringLiteral("displayid"), it.value(QStringLiteral("deviceid")).toInt()},
        {QStringLiteral("time"), QaCtlSupport::isoLocal(it.value(QStringLiteral("runtime")).toLongLong())},
        {QStringLiteral("type"), type},
        // A QA run's kind is named after its regulation, which the run's name already carries.
        {QStringLiteral("typeName"),
         type == 1 || type == 71 ? QStringLiteral("QA") : DBHistory::getTypeName(type)},
        {QStringLiteral("name"), it.value(QStringLiteral("textname"))},
        {QStringLiteral("result"), it.value(QStringLiteral("result")).toInt()},
        {QStringLiteral("passed"), it.value(QStringLiteral("result")).toInt() == DBHistory::RESULT_PASSED},
        {QStringLiteral("disabled"), it.value(QStringLiteral("isdisabled")) == QLatin1String("1")},
        {QStringLiteral("uploaded"), it.value(QStringLiteral("issynchron")) == QLatin1String("1")}};
}

QJsonObject stepJson(int stepId, const QAStep::ReportInfo& info)
{
    static const char* kinds[] = {"visual", "score", "measurement", "visual"};
    QJsonArray values;
    for (const auto& row : info.values)
        values.append(QJsonObject{{QStringLiteral("label"), row.label},
                                  {QStringLiteral("value"), row.value},
                                  {QStringLiteral("criterion"), row.criterion},
                                  {QStringLiteral("limit"), row.limit},
                                  {QStringLiteral("applied"), row.applied},
                                  {QStringLiteral("passed"), row.passed}});
    QJsonArray details;
    for (const auto& detail : info.detailedValues) {
        QJsonObject rows;
        for (const auto& [name, value] : detail.rows)
            rows.insert(name, value);
        details.append(
            QJsonObject{{QStringLiteral("title"), detail.title}, {QStringLiteral("values"), rows}});
    }
    QJsonArray tables;
    for (const auto& table : info.tables) {
        QJsonArray rows;
        for (const QStringList& row : table.rows)
            rows.append(QJsonArray::fromStringList(row));
        tables.append(QJsonObject{{QStringLiteral("title"), table.title},
                                  {QStringLiteral("header"), QJsonArray::fromStringList(table.header)},
                                  {QStringLiteral("rows"), rows}});
    }
    QJsonArray graphs;
    for (const auto& graph : info.graphs) {
        QJsonArray lines;
        for (const auto& line : graph.lines) {
            QJsonArray points;
            for (const QPointF& p : line.points)
                points.append(QJsonObject{{QStringLiteral("x"), p.x()}, {QStringLiteral("y"), p.y()}});
            lines.append(QJsonObject{{QStringLiteral("name"), line.name},
                                     {QStringLiteral("color"), line.color},
                                     {QStringLiteral("type"), line.type},
                                     {QStringLiteral("points"), points}});
        }
        graphs.append(QJsonObject{{QStringLiteral("name"), graph.name},
                                  {QStringLiteral("x"), graph.xLabel},
                                  {QStringLiteral("y"), graph.yLabel},
                                  {QStringLiteral("lines"), lines}});
    }
    QJsonObject step{{QStringLiteral("stepid"), stepId},
                     {QStringLiteral("kind"), QLatin1String(kinds[qBound(0, info.kind, 3)])},
                     {QStringLiteral("title"), info.title},
                     {QStringLiteral("passed"), info.passed},
                     {QStringLiteral("judged"), info.judged},
                     {QStringLiteral("values"), values},
                     {QStringLiteral("details"), details},
                     {QStringLiteral("tables"), tables},
                     {QStringLiteral("graphs"), graphs}};
    if (!info.comment.isEmpty())
        step.insert(QStringLiteral("comment"), info.comment);
    if (!info.note.isEmpty())
        step.insert(QStringLiteral("note"), info.note);
    return step;
}

// Markup of labels ("L'<sub>max</sub> &ge; ") as a terminal shows it.
QString plain(QString html)
{
    html.replace(QStringLiteral("<sub>"), QString()).replace(QStringLiteral("</sub>"), QString());
    html.replace(QStringLiteral("<sup>2</sup>"), QStringLiteral("²"));
    html.replace(QStringLiteral("&ge;"), QStringLiteral(">="))
        .replace(QStringLiteral("&le;"), QStringLiteral("<="));
    html.replace(QStringLiteral("&Delta;"), QStringLiteral("Δ"));
    return html;
}

QString stepText(const QAStep::ReportInfo& info)
{
    QString text = QStringLiteral("\n%1: %2\n").arg(info.title, info.passed ? "passed" : "failed");
    for (const auto& row : info.values) {
        text += QStringLiteral("  %1 %2").arg(plain(row.label).trimmed(), plain(row.value));
        if (!row.criterion.isEmpty())
            text +=
                QStringLiteral("  [%1%2%3]")
                    .arg(plain(row.criterion), plain(row.limit),
                         row.applied ? (row.passed ? QStringLiteral(": passed") : QStringLiteral(": failed"))
                                     : QStringLiteral(", not applied"));
        text += QLatin1Char('\n');
    }
    for (const auto& detail : info.detailedValues) {
        QStringList parts;
        for (const auto& [name, value] : detail.rows)
            parts << name + QLatin1Char(' ') + plain(value);
        text += QStringLiteral("  %1: %2\n").arg(detail.title, parts.join(QStringLiteral(", ")));
    }
    for (const auto& table : info.tables) {
        text += QStringLiteral("  %1: %2\n").arg(table.title, table.header.join(QStringLiteral(" | ")));
        for (const QStringList& row : table.rows)
            text += QStringLiteral("    %1\n").arg(plain(row.join(QStringLiteral(" | "))));
    }
    if (!info.note.isEmpty())
        text += QStringLiteral("  Note: %1\n").arg(info.note);
    if (!info.comment.isEmpty())
        text += QStringLiteral("  Comment: %1\n").arg(info.comment);
    return text;
}

int list(const CtlContext& context, const QStringList& args)
{
    DBHistory history;
    KaldoDataIterator it;
    if (args.size() > 1) {
        bool ok = false;
        const int displayId = args.at(1).toInt(&ok);
        if (!ok)
            return context.fail(QStringLiteral("not a display id: %1").arg(args.at(1)), 2);
        it = history.beginByDisplayId(displayId);
    } else {
        it = history.begin();
    }
    QJsonArray records;
    QString text;
    for (; !it.IsNull(); ++it) {
        const QJsonObject record = recordJson(it);
        records.append(record);
        text += QStringLiteral("%1  display %2  %3  %4  \"%5\"  %6%7\n")
                    .arg(record.value("historyid").toInteger())
                    .arg(record.value("displayid").toInt())
                    .arg(record.value("time").toString(), record.value("typeName").toString(),
                         record.value("name").toString(),
                         record.value("passed").toBool() ? QStringLiteral("passed")
                                                         : QStringLiteral("not passed"),
                         record.value("disabled").toBool() ? QStringLiteral(" (disabled)") : QString());
    }
    if (text.isEmpty())
        text = QStringLiteral("no history entries\n");
    return context.answer(QJsonObject{{QStringLiteral("ok"), true}, {QStringLiteral("history"), records}},
                          text.trimmed());
}

int show(const CtlContext& context, QStringList args)
{
    const QString htmlFile = QaCtlSupport::takeOption(args, QStringLiteral("--html"));
    bool ok = false;
    const qint64 historyId = args.value(1).toLongLong(&ok);
    if (args.size() != 2 || !ok)
        return context.fail(QStringLiteral("usage: history show HISTORYID [--html FILE]"), 2);
    DBHistory history;
    auto record = history.begin(historyId);
    if (record.IsNull())
        return context.fail(QStringLiteral("no history entry %1").arg(historyId));

    const QAResult result(historyId);
    QJsonObject json = recordJson(record);
    json.insert(QStringLiteral("ok"), true);
    json.insert(QStringLiteral("regulation"), result.GetRegulation());
    QString regulation, classification;
    result.getRegulationClassificationIds(regulation, classification);
    json.insert(QStringLiteral("classification"), classification);
    QJsonArray headers;
    QString text =
        QStringLiteral("%1 \"%2\" on display %3, %4: %5\nregulation %6, classification %7\n")
            .arg(historyId)
            .arg(result.testName())
            .arg(result.displayId())
            .arg(record.value(QStringLiteral("runtime")).isEmpty() ? QString()
                                                                   : QaCtlSupport::isoLocal(result.runtime()),
                 result.GetResult() == DBHistory::RESULT_PASSED ? QStringLiteral("passed")
                                                                : QStringLiteral("not passed"),
                 regulation, classification);
    for (const auto& [title, rows] : result.headerTables()) {
        QJsonObject values;
        QJsonArray order;
        text += QStringLiteral("\n%1\n").arg(title);
        for (const auto& [label, value] : rows) {
            values.insert(label, value);
            order.append(label);
            text += QStringLiteral("  %1: %2\n").arg(label, value);
        }
        headers.append(QJsonObject{{QStringLiteral("title"), title},
                                   {QStringLiteral("values"), values},
                                   {QStringLiteral("order"), order}});
    }
    json.insert(QStringLiteral("headers"), headers);
    QJsonArray steps;
    for (int i = 0; i < result.allSteps().size(); ++i) {
        const auto& [stepId, info] = result.allSteps()[i];
        QJsonObject step = stepJson(stepId, info);
        // The rows as stored, for programs that check the report against them.
        const auto [values, references] = result.storedParams(i);
        QJsonObject stored;
        for (auto it = values.begin(); it != values.end(); ++it)
            stored.insert(it.key(), QJsonObject{{QStringLiteral("value"), it.value()},
                                                {QStringLiteral("reference"), references.value(it.key())}});
        step.insert(QStringLiteral("stored"), stored);
        steps.append(step);
        text += stepText(info);
    }
    json.insert(QStringLiteral("steps"), steps);

    if (!htmlFile.isEmpty()) {
        QSaveFile file(htmlFile);
        if (!file.open(QIODevice::WriteOnly) || file.write(QAReportHtml::page(result).toUtf8()) < 0 ||
            !file.commit())
            return context.fail(QStringLiteral("cannot write %1").arg(htmlFile));
        json.insert(QStringLiteral("html"), htmlFile);
        text += QStringLiteral("\nreport written to %1\n").arg(htmlFile);
    }
    return context.answer(json, text.trimmed());
}

} // namespace

QString HistoryCommand::usage() const
{
    return QStringLiteral("history list [DISPLAYID] | history show HISTORYID [--html FILE]");
}

int HistoryCommand::run(const CtlContext& context) const
{
    const QStringList args = context.arguments();
    const QString action = args.value(0);
    if (action != QLatin1String("list") && action != QLatin1String("show"))
        return context.fail(QStringLiteral("usage: ") + usage(), 2);
    if (action == QLatin1String("list") && args.size() > 2)
        return context.fail(QStringLiteral("usage: ") + usage(), 2);
    QString error;
    if (!QaCtlSupport::prepare(&error))
        return context.fail(error);
    return action == QLatin1String("list") ? list(context, args) : show(context, args);
}
