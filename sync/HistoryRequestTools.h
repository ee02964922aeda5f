#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QPointF>
#include <QString>

// Builders of the parts of a history report. The form-data protocol gets the same
// objects written as XML by SyncXml, so each builder exists once.
class HistoryRequestTools
{
public:
    // Adds the pairs to the report's "elements", creating it when missing.
    static void AddElementToQAHeader(QJsonObject& report, const QList<QPair<QString, QString>>& elements);
    static void AddStatisticLevel(QJsonArray& levels, const QString& name, double level);
    static QJsonObject newGraphForStep(const QString& name, const QString& type, double ymin, double ymax);
    // Appends a line to the graph's "lines"; empty name, colour and type are left out.
    static void AddLineToGraph(QJsonObject& graph, const QString& name, const QString& color,
                               const QString& type, const QList<QPointF>& points);
    static void AddLevelToGraph(QJsonObject& graph, double level, const QString& color);
    // Appends a step object to the report's "steps", creating it when missing.
    static void AddStep(QJsonObject& report, const QJsonObject& step);
};
