#include "sync/HistoryRequestTools.h"

void HistoryRequestTools::AddElementToQAHeader(QJsonObject& report,
                                               const QList<QPair<QString, QString>>& elements)
{
    QJsonObject header = report.value(QStringLiteral("elements")).toObject();
    for (const auto& [label, value] : elements)
        header.insert(label, value);
    report.insert(QStringLiteral("elements"), header);
}

void HistoryRequestTools::AddStatisticLevel(QJsonArray& levels, const QString& name, double level)
{
    levels.append(QJsonObject{{QStringLiteral("name"), name}, {QStringLiteral("level"), level}});
}

QJsonObject HistoryRequestTools::newGraphForStep(const QString& name, const QString& type, double ymin,
                                                 double ymax)
{
    return {{QStringLiteral("name"), name},          {QStringLiteral("type"), type},
            {QStringLiteral("ymin"), ymin},          {QStringLiteral("ymax"), ymax},
            {QStringLiteral("lines"), QJsonArray()}, {QStringLiteral("horizontals"), QJsonArray()}};
}

void HistoryRequestTools::AddLineToGraph(QJsonObject& graph, const QString& name, const QString& color,
                                         const QString& type, const QList<QPointF>& points)
{
    QJsonObject line;
    if (!name.isEmpty())
        line.insert(QStringLiteral("name"), name);
    if (!color.isEmpty())
        line.insert(QStringLiteral("color"), color);
    if (!type.isEmpty())
        line.insert(QStringLiteral("type"), type);
    QJsonArray list;
    for (const QPointF& point : points)
        list.append(QJsonObject{{QStringLiteral("x"), qRound(point.x())}, {QStringLiteral("y"), point.y()}});
    line.insert(QStringLiteral("points"), list);
    QJsonArray lines = graph.value(QStringLiteral("lines")).toArray();
    lines.append(line);
    graph.insert(QStringLiteral("lines"), lines);
}

void HistoryRequestTools::AddLevelToGraph(QJsonObject& graph, double level, const QString& color)
{
    QJsonArray levels = graph.value(QStringLiteral("horizontals")).toArray();
    levels.append(QJsonObject{{QStringLiteral("level"), level}, {QStringLiteral("color"), color}});
    graph.insert(QStringLiteral("horizontals"), levels);
}

void HistoryRequestTools::AddStep(QJsonObject& report, const QJsonObject& step)
{
    QJsonArray steps = report.value(QStringLiteral("steps")).toArray();
    steps.append(step);
    report.insert(QStringLiteral("steps"), steps);
}
