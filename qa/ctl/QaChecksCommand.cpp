#include "qa/ctl/QaChecksCommand.h"

#include "app/ctl/CtlContext.h"
#include "qa/BlackWhiteCheck.h"
#include "qa/LuminanceResponse.h"
#include "qa/UniformityCheck.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cmath>
#include <optional>

namespace {

constexpr int USAGE_ERROR = 2;

QString number(double value, int decimals = 4)
{
    return QString::number(value, 'f', decimals);
}

// The report's criterion markup as terminal text.
QString plainCriterion(QString text)
{
    text.replace(QLatin1String("&ge;"), QStringLiteral("\u2265"));
    text.replace(QLatin1String("&le;"), QStringLiteral("\u2264"));
    text.replace(QLatin1String("&Delta;"), QStringLiteral("\u0394"));
    text.remove(QLatin1String("<sub>"));
    text.remove(QLatin1String("</sub>"));
    return text;
}

// Removes "--name VALUE" and returns VALUE as a number; `error` names a missing or
// unreadable value.
std::optional<double> takeNumber(QStringList& args, const QString& name, QString* error)
{
    const qsizetype at = args.indexOf(name);
    if (at < 0)
        return std::nullopt;
    bool ok = false;
    const double value = args.value(at + 1).toDouble(&ok);
    if (!ok || !std::isfinite(value)) {
        *error = QStringLiteral("%1 needs a number").arg(name);
        return std::nullopt;
    }
    args.remove(at, 2);
    return value;
}

// Removes every "--name NAME=VALUE [NAME=VALUE ...]" group.
QMap<QString, double> takeAssignments(QStringList& args, const QString& name, QString* error)
{
    QMap<QString, double> values;
    for (qsizetype at = args.indexOf(name); at >= 0; at = args.indexOf(name)) {
        args.removeAt(at);
        int taken = 0;
        while (at < args.size() && !args.at(at).startsWith(QLatin1String("--"))) {
            const QString word = args.at(at);
            const qsizetype equals = word.lastIndexOf(QLatin1Char('='));
            bool ok = false;
            const double value = equals > 0 ? word.mid(equals + 1).toDouble(&ok) : 0.0;
            if (!ok || !std::isfinite(value))
                break;
            values.insert(word.left(equals), value);
            args.removeAt(at);
            ++taken;
        }
        if (taken == 0 && error->isEmpty())
            *error = QStringLiteral("%1 needs NAME=VALUE").arg(name);
    }
    return values;
}

std::optional<std::vector<double>> numbers(const QStringList& words)
{
    std::vector<double> values;
    for (const QString& word : words) {
        bool ok = false;
        const double value = word.toDouble(&ok);
        if (!ok || !std::isfinite(value))
            return std::nullopt;
        values.push_back(value);
    }
    return values;
}

QString verdict(bool passed)
{
    return passed ? QStringLiteral("passed") : QStringLiteral("failed");
}

} // namespace

QString QaChecksCommand::usage() const
{
    return QStringLiteral(
        "qa gsdf L1 L2 ... Ln [--kd LIMIT]\n"
        "  qa blackwhite --lmax X --lmin Y --lamb Z [--limit NAME=VALUE ...] [--acceptance NAME=VALUE ...]\n"
        "        [--other LMAX:LR ...]\n"
        "  qa uniformity L1 ... L5 [L1 ... L5 [L1 ... L5]] [--limit VALUE]");
}

bool QaChecksCommand::handles(const QString& action)
{
    return action == QLatin1String("gsdf") || action == QLatin1String("blackwhite") ||
           action == QLatin1String("uniformity");
}

int QaChecksCommand::run(const CtlContext& context) const
{
    const QStringList& args = context.arguments();
    const QString action = args.value(0);
    if (action == QLatin1String("gsdf"))
        return gsdf(context, args.mid(1));
    if (action == QLatin1String("blackwhite"))
        return blackWhite(context, args.mid(1));
    if (action == QLatin1String("uniformity"))
        return uniformity(context, args.mid(1));
    return context.fail(QStringLiteral("usage: ") + usage(), USAGE_ERROR);
}

int QaChecksCommand::gsdf(const CtlContext& context, QStringList args) const
{
    QString error;
    const std::optional<double> limit = takeNumber(args, QStringLiteral("--kd"), &error);
    const std::optional<std::vector<double>> luminances = numbers(args);
    if (!error.isEmpty())
        return context.fail(error, USAGE_ERROR);
    if (!luminances || luminances->size() < 3)
        return context.fail(QStringLiteral("qa gsdf needs at least 3 luminances"), USAGE_ERROR);
    const LuminanceResponse::Result result = LuminanceResponse::evaluate(*luminances, limit.value_or(0));
    if (!result.valid)
        return context.fail(QStringLiteral("the luminances must be numbers of at least 0 cd/m2"));

    QJsonArray intervals;
    QJsonArray targets;
    QString text = QStringLiteral("interval        JND   measured     target   error %\n");
    for (size_t i = 0; i < result.graph.deviations.size(); ++i) {
        const double jnd = result.graph.measuredContrast[i].first;
        const double measured = result.graph.measuredContrast[i].second;
        const double target = result.graph.targetContrast[i].second;
        const double deviation = result.graph.deviations[i];
        intervals.append(QJsonObject{{QStringLiteral("jnd"), jnd},
                                     {QStringLiteral("measured"), measured},
                                     {QStringLiteral("target"), target},
                                     {QStringLiteral("error"), deviation}});
        text += QStringLiteral("%1 %2 %3 %4 %5\n")
                    .arg(QStringLiteral("%1-%2").arg(i).arg(i + 1), 8)
                    .arg(number(jnd, 2), 10)
                    .arg(number(measured, 6), 10)
                    .arg(number(target, 6), 10)
                    .arg(number(deviation, 2), 9);
    }
    for (const double target : result.graph.targetLuminances)
        targets.append(target);
    text += QStringLiteral("kD = %1 %").arg(number(result.kd, 2));
    text += result.limitApplied
                ? QStringLiteral(" (limit %1 %): %2").arg(number(result.limit, 2), verdict(result.passed))
                : QStringLiteral(" (no limit): passed");
    return context.answer(
        {{QStringLiteral("ok"), true},
         {QStringLiteral("kd"), result.kd},
         {QStringLiteral("limit"), result.limitApplied ? QJsonValue(result.limit) : QJsonValue()},
         {QStringLiteral("passed"), result.passed},
         {QStringLiteral("targets"), targets},
         {QStringLiteral("intervals"), intervals}},
        text);
}

int QaChecksCommand::blackWhite(const CtlContext& context, QStringList args) const
{
    QString error;
    BlackWhiteCheck::Input input;
    const std::optional<double> lmax = takeNumber(args, QStringLiteral("--lmax"), &error);
    const std::optional<double> lmin = takeNumber(args, QStringLiteral("--lmin"), &error);
    const std::optional<double> lamb = takeNumber(args, QStringLiteral("--lamb"), &error);
    input.limits = takeAssignments(args, QStringLiteral("--limit"), &error);
    input.acceptance = takeAssignments(args, QStringLiteral("--acceptance"), &error);
    for (qsizetype at = args.indexOf(QStringLiteral("--other")); at >= 0 && error.isEmpty();
         at = args.indexOf(QStringLiteral("--other"))) {
        const QStringList pair = args.value(at + 1).split(QLatin1Char(':'));
        const std::optional<std::vector<double>> values = numbers(pair);
        if (!values || values->size() != 2)
            error = QStringLiteral("--other needs LMAX:LR");
        else
            input.others.push_back({(*values)[0], (*values)[1]});
        args.remove(at, qMin<qsizetype>(2, args.size() - at));
    }
    if (error.isEmpty() && (!lmax || !lmin || !lamb || !args.isEmpty()))
        error = QStringLiteral("usage: ") + usage();
    if (!error.isEmpty())
        return context.fail(error, USAGE_ERROR);
    if (*lmax < 0 || *lmin < 0 || *lamb < 0 || *lmin > *lmax)
        return context.fail(QStringLiteral("luminances must be at least 0 cd/m2 and --lmin at most --lmax"));
    input.lmax = *lmax;
    input.lmin = *lmin;
    input.lamb = *lamb;

    const BlackWhiteCheck::Result result = BlackWhiteCheck::evaluate(input);
    QJsonArray rows;
    QString text;
    for (const BlackWhiteCheck::Row& row : result.rows) {
        QJsonObject json{{QStringLiteral("name"), row.name},
                         {QStringLiteral("label"), row.label},
                         {QStringLiteral("value"), row.value ? QJsonValue(*row.value) : QJsonValue()},
                         {QStringLiteral("applied"), row.applied}};
        QString line =
            QStringLiteral("%1: %2").arg(row.label, row.value ? number(*row.value) : QStringLiteral("-"));
        if (!row.criterion.isEmpty() && row.limit > 0) {
            json.insert(QStringLiteral("criterion"), row.criterion);
            json.insert(QStringLiteral("limit"), row.limit);
            json.insert(QStringLiteral("passed"), row.passed);
            const QString kind = row.applied       ? verdict(row.passed)
                                 : row.recommended ? QStringLiteral("recommended, ") + verdict(row.passed)
                                                   : QStringLiteral("not computed");
            line +=
                QStringLiteral("  [%1%2: %3]").arg(plainCriterion(row.criterion), number(row.limit), kind);
        }
        rows.append(json);
        text += line + QLatin1Char('\n');
    }
    text += QStringLiteral("Result: ") + verdict(result.passed);
    return context.answer({{QStringLiteral("ok"), true},
                           {QStringLiteral("lmaxPrime"), result.lmaxPrime},
                           {QStringLiteral("lminPrime"), result.lminPrime},
                           {QStringLiteral("passed"), result.passed},
                           {QStringLiteral("checks"), rows}},
                          text);
}

int QaChecksCommand::uniformity(const CtlContext& context, QStringList args) const
{
    QString error;
    const std::optional<double> limit = takeNumber(args, QStringLiteral("--limit"), &error);
    const std::optional<std::vector<double>> readings = numbers(args);
    if (!error.isEmpty())
        return context.fail(error, USAGE_ERROR);
    if (!readings || readings->empty() || readings->size() % 5 != 0 || readings->size() > 15)
        return context.fail(QStringLiteral("qa uniformity needs 5 readings per grey level (80, 50, 10 %)"),
                            USAGE_ERROR);
    static const int LEVELS[] = {80, 50, 10};
    QJsonArray levels;
    QString text;
    bool passed = true;
    for (size_t first = 0; first < readings->size(); first += 5) {
        const int level = LEVELS[first / 5];
        const std::vector<double> five(readings->begin() + static_cast<std::ptrdiff_t>(first),
                                       readings->begin() + static_cast<std::ptrdiff_t>(first + 5));
        const std::optional<double> deviation = UniformityCheck::deviation(five);
        if (!deviation)
            return context.fail(QStringLiteral("the readings must be at least 0 cd/m2"));
        const bool levelPassed = !limit || UniformityCheck::checkUniformity(*deviation, *limit);
        passed = passed && levelPassed;
        QJsonArray values;
        for (const double value : five)
            values.append(value);
        levels.append(QJsonObject{{QStringLiteral("level"), level},
                                  {QStringLiteral("readings"), values},
                                  {QStringLiteral("deviation"), *deviation},
                                  {QStringLiteral("passed"), levelPassed}});
        text +=
            QStringLiteral("Uniformity Deviation at %1%: %2 %%3\n")
                .arg(level)
                .arg(number(*deviation, 2))
                .arg(limit ? QStringLiteral(" (limit %1 %): %2").arg(number(*limit, 2), verdict(levelPassed))
                           : QString());
    }
    text += QStringLiteral("Result: ") + verdict(passed);
    return context.answer(
        {{QStringLiteral("ok"), true},
         {QStringLiteral("limit"), limit ? QJsonValue(*limit) : QJsonValue()},
         {QStringLiteral("passed"), passed},
         {QStringLiteral("deviation"), levels.at(0).toObject().value(QStringLiteral("deviation"))},
         {QStringLiteral("levels"), levels}},
        text);
}
