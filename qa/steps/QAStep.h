#pragma once

#include "qa/steps/BaseStep.h"

#include <QList>
#include <QPointF>
#include <QStringList>

// One test of a regulation. Besides running, every kind of step formats its own stored
// values and verdicts for reports (GetReportInfo), so a stored result reads back the
// way the step that measured it judged it.
class QAStep : public BaseStep
{
    Q_OBJECT
public:
    struct ReportInfo
    {
        enum Kind
        {
            Visual = 0,
            Score = 1,
            Measurement = 2,
            Framework = 3
        };
        // Single readings under one heading ("Measurement at 80%": position -> value).
        struct DetailedValues
        {
            QString title;
            QList<QPair<QString, QString>> rows;
        };
        struct ValuesTable
        {
            QString title;
            QStringList header;
            QList<QStringList> rows;
        };
        // One judged quantity: what it is, what was found, and what it had to be.
        struct Values
        {
            QString label;
            QString value;
            QString criterion; // "L'<sub>max</sub> &ge; " ...; empty when nothing is required
            QString limit;
            bool applied = false; // part of the verdict
            bool passed = true;
        };
        struct Graph
        {
            struct Line
            {
                QString name;
                QString color;
                QString type; // "line" or "dot"
                QList<QPointF> points;
            };
            QString name;
            QString xLabel;
            QString yLabel;
            QList<Line> lines;
        };

        int kind = Visual;
        QString title;
        QList<DetailedValues> detailedValues;
        QList<ValuesTable> tables;
        QList<Values> values;
        QList<Graph> graphs;
        bool passed = true;
        bool visible = true;
        // The step recomputed its verdict from the stored values (otherwise the stored flag holds).
        bool judged = false;
        int stepId = -1;
        int position = -1;
        QString comment;
        QString note;
    };

    explicit QAStep(int stepId, QObject* parent = nullptr);

    void SetParams(const QMap<QString, QString>& params) override;
    // Without a user interface attached there is nothing to show: the step passes on.
    void Run() override {}
    QString Name() const override { return m_stepName.isEmpty() ? QStringLiteral("QA Step") : m_stepName; }

    virtual int StepCode() const = 0;
    virtual bool isVisible() const { return true; }
    virtual bool isSavable() const { return true; }
    // Hands the step's values and references to the result saver of the run.
    virtual void SaveInDataBus(const QMap<QString, QString>& values,
                               const QMap<QString, QString>& references);
    virtual ReportInfo GetReportInfo(const QMap<QString, QString>& values,
                                     const QMap<QString, QString>& references) const;
    virtual void getReferenceMaps(QMap<QString, QString>& values, QMap<QString, QString>& references) const;

    int stepId() const { return m_stepId; }
    QString stepName() const { return m_stepName; }
    QString param(const QString& name) const { return m_params.value(name); }
    // A numeric parameter; 0 when absent or not a number.
    double numberParam(const QString& name) const;
    bool showsFootLamberts() const { return m_footLamberts; }
    bool showsLux() const { return m_lux; }
    bool isFairy() const { return m_fairy; }
    // A luminance given in cd/m², written in the units the step shows.
    QString measurementInNeededUnits(double value) const;

protected:
    // Kind, title and step id filled in; the rest is the step's own.
    ReportInfo newReportInfo(int kind) const;

private:
    QMap<QString, QString> m_params;
    QString m_stepName;
    int m_position = 0;
    int m_savePosition = 0;
    int m_stepId = -1;
    bool m_footLamberts = false;
    bool m_lux = false;
    bool m_fairy = false;
};
