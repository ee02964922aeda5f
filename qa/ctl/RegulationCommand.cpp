#include "qa/ctl/RegulationCommand.h"

#include "app/ctl/CtlContext.h"
#include "qa/RegulationList.h"
#include "qa/RegulationSettings.h"
#include "qa/ctl/QaCtlSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

namespace {

QJsonObject summary(const RegulationSettings& settings, const RegulationInfo& regulation)
{
    QJsonArray classifications;
    for (const ClassificationInfo& c : regulation.classifications())
        classifications.append(QJsonObject{{QStringLiteral("id"), c.GetClassificationId()},
                                           {QStringLiteral("name"), c.GetClassificationName()},
                                           {QStringLiteral("acceptanceMandatory"), c.IsAccTestMandatory()}});
    return {{QStringLiteral("id"), regulation.GetRegulationIdName()},
            {QStringLiteral("name"), regulation.GetRegulationName()},
            {QStringLiteral("user"), settings.isUserRegulation(regulation.GetRegulationIdName())},
            {QStringLiteral("classifications"), classifications},
            {QStringLiteral("steps"), static_cast<int>(regulation.steps().size())}};
}

QJsonObject stepDetail(const StepInfo& step)
{
    QJsonArray perClassification;
    for (const int classification : step.GetClassificationIds()) {
        QJsonArray sets;
        for (const unsigned set : step.GetRestrictionSets(classification)) {
            const StepData* data = step.stepData(classification, set);
            QJsonObject parameters;
            for (auto it = data->parameters.cbegin(); it != data->parameters.cend(); ++it)
                parameters.insert(it.key(), it.value());
            sets.append(
                QJsonObject{{QStringLiteral("set"), static_cast<qint64>(set)},
                            {QStringLiteral("restrictions"), StepInfo::getRestrictionTitle(set)},
                            {QStringLiteral("frequency"), data->frequency},
                            {QStringLiteral("frequencyText"), StepInfo::getFrequencyString(data->frequency)},
                            {QStringLiteral("acceptance"), data->acceptance},
                            {QStringLiteral("parameters"), parameters}});
        }
        perClassification.append(
            QJsonObject{{QStringLiteral("classification"), classification}, {QStringLiteral("sets"), sets}});
    }
    QJsonObject global;
    for (auto it = step.GetGlobalParameters().cbegin(); it != step.GetGlobalParameters().cend(); ++it)
        global.insert(it.key(), it.value());
    return {{QStringLiteral("id"), step.GetStepId()},
            {QStringLiteral("name"), step.GetStepName()},
            {QStringLiteral("type"), step.GetStepType()},
            {QStringLiteral("stepcode"), step.GetStepCode()},
            {QStringLiteral("position"), step.GetPosition()},
            {QStringLiteral("parameters"), global},
            {QStringLiteral("classifications"), perClassification}};
}

QString stepText(const StepInfo& step)
{
    QStringList lines;
    lines << QStringLiteral("  step %1 \"%2\" %3 code %4")
                 .arg(step.GetStepId())
                 .arg(step.GetStepName(), step.GetStepType())
                 .arg(step.GetStepCode());
    for (const int classification : step.GetClassificationIds()) {
        for (const unsigned set : step.GetRestrictionSets(classification)) {
            const StepData* data = step.stepData(classification, set);
            QStringList parameters;
            for (auto it = data->parameters.cbegin(); it != data->parameters.cend(); ++it)
                parameters << it.key() + QLatin1Char('=') + it.value();
            lines << QStringLiteral("    classification %1 set %2%3: %4%5%6")
                         .arg(classification)
                         .arg(set)
                         .arg(set ? QStringLiteral(" (") + StepInfo::getRestrictionTitle(set) +
                                        QLatin1Char(')')
                                  : QString())
                         .arg(data->frequency < 0 ? QStringLiteral("on demand")
                                                  : StepInfo::getFrequencyString(data->frequency))
                         .arg(data->acceptance ? QStringLiteral(", acceptance") : QString())
                         .arg(parameters.isEmpty() ? QString()
                                                   : QStringLiteral(", ") + parameters.join(", "));
        }
    }
    return lines.join(QLatin1Char('\n'));
}

// A file name for a regulation id: characters a file system may refuse become "_".
QString fileNameFor(const QString& id)
{
    QString name = id;
    for (QChar& c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':') || c.unicode() < 32)
            c = QLatin1Char('_');
    }
    return name + QStringLiteral(".kur");
}

} // namespace

QString RegulationCommand::usage() const
{
    return QStringLiteral("regulation list | show ID | import FILE | export ID FILE");
}

int RegulationCommand::run(const CtlContext& context) const
{
    const QStringList& args = context.arguments();
    const QString action = args.value(0);
    const bool valid =
        (action == QLatin1String("list") && args.size() == 1) ||
        ((action == QLatin1String("show") || action == QLatin1String("import")) && args.size() == 2) ||
        (action == QLatin1String("export") && args.size() == 3);
    if (!valid)
        return context.fail(QStringLiteral("usage: ") + usage(), 2);
    QString error;
    if (!QaCtlSupport::prepare(&error))
        return context.fail(error);
    RegulationSettings* settings = RegulationSettings::instance();

    if (action == QLatin1String("list")) {
        QJsonArray list;
        QStringList lines;
        for (int i = 0; i < settings->GetRegulationCount(); ++i) {
            const RegulationInfo* regulation = settings->regulationAt(i);
            list.append(summary(*settings, *regulation));
            lines << QStringLiteral("%1\t%2%3")
                         .arg(regulation->GetRegulationIdName(), regulation->GetRegulationName(),
                              settings->isUserRegulation(regulation->GetRegulationIdName())
                                  ? QStringLiteral(" (user)")
                                  : QString());
        }
        return context.answer({{QStringLiteral("ok"), true}, {QStringLiteral("regulations"), list}},
                              lines.isEmpty() ? QStringLiteral("no regulations")
                                              : lines.join(QLatin1Char('\n')));
    }

    if (action == QLatin1String("import")) {
        QFile file(args.at(1));
        if (!file.open(QIODevice::ReadOnly))
            return context.fail(QStringLiteral("cannot read %1: %2").arg(args.at(1), file.errorString()));
        const QByteArray data = file.readAll();
        const bool compressed = args.at(1).endsWith(QStringLiteral(".kur"), Qt::CaseInsensitive);
        // Parsed on its own first: a file that does not parse changes nothing.
        RegulationSettings candidate;
        if (!candidate.ReadSettingsFromData(data, compressed, true, args.at(1)))
            return context.fail(QStringLiteral("%1 refused: %2").arg(args.at(1), candidate.lastError()));
        const RegulationInfo* regulation = candidate.regulationAt(0);
        const QString folder = RegulationList::userRegulationFolder();
        QDir().mkpath(folder);
        const QString target = QDir(folder).filePath(fileNameFor(regulation->GetRegulationIdName()));
        if (!candidate.WriteSettingsToFile(target, 0, true))
            return context.fail(QStringLiteral("cannot write %1").arg(target));
        return context.answer(
            {{QStringLiteral("ok"), true},
             {QStringLiteral("id"), regulation->GetRegulationIdName()},
             {QStringLiteral("file"), target}},
            QStringLiteral("imported %1 as %2").arg(regulation->GetRegulationIdName(), target));
    }

    const int index = settings->indexOf(args.at(1));
    if (index < 0)
        return context.fail(QStringLiteral("no regulation %1").arg(args.at(1)));
    const RegulationInfo* regulation = settings->regulationAt(index);
    if (action == QLatin1String("export")) {
        const QString& path = args.at(2);
        if (!settings->WriteSettingsToFile(path, index,
                                           path.endsWith(QStringLiteral(".kur"), Qt::CaseInsensitive)))
            return context.fail(QStringLiteral("cannot write %1").arg(path));
        return context.answer({{QStringLiteral("ok"), true}, {QStringLiteral("file"), path}},
                              QStringLiteral("exported %1 to %2").arg(args.at(1), path));
    }

    QJsonObject result = summary(*settings, *regulation);
    QJsonArray steps;
    QStringList lines{
        QStringLiteral("%1 \"%2\"").arg(regulation->GetRegulationIdName(), regulation->GetRegulationName())};
    for (const ClassificationInfo& c : regulation->classifications())
        lines << QStringLiteral("  classification %1 \"%2\"")
                     .arg(c.GetClassificationId())
                     .arg(c.GetClassificationName());
    for (const StepInfo& step : regulation->steps()) {
        steps.append(stepDetail(step));
        lines << stepText(step);
    }
    result.insert(QStringLiteral("steps"), steps);
    result.insert(QStringLiteral("ok"), true);
    return context.answer(result, lines.join(QLatin1Char('\n')));
}
