#include "qa/steps/BlackWhiteStep.h"

#include "qa/BlackWhiteCheck.h"
#include "settings/DataBus.h"

namespace {

const QStringList quantities{QStringLiteral("Lmax"), QStringLiteral("Lmin"), QStringLiteral("LR"),
                             QStringLiteral("Lamb"), QStringLiteral("Ks"),   QStringLiteral("Lmin/Lamb")};

// Ratios are shown without a unit, luminances in the step's units.
bool isLuminance(const QString& name)
{
    static const QStringList names{QStringLiteral("Lmax"), QStringLiteral("Lmin_mand"),
                                   QStringLiteral("Lmin"), QStringLiteral("Lmin_noamb"),
                                   QStringLiteral("Lamb")};
    return names.contains(name);
}

bool isPercent(const QString& name)
{
    return name.startsWith(QLatin1Char('d')) || name.startsWith(QStringLiteral("md"));
}

} // namespace

const QStringList& BlackWhiteStep::limitNames()
{
    static const QStringList names{
        QStringLiteral("LR"),        QStringLiteral("Lmax"),       QStringLiteral("Lmin"),
        QStringLiteral("Lmin_mand"), QStringLiteral("La"),         QStringLiteral("Lamb"),
        QStringLiteral("Ks"),        QStringLiteral("Lmin/Lamb"),  QStringLiteral("dLR"),
        QStringLiteral("dLmax"),     QStringLiteral("dLmin"),      QStringLiteral("dLamb"),
        QStringLiteral("dKs"),       QStringLiteral("dLmin/Lamb"), QStringLiteral("mdLR"),
        QStringLiteral("mdLmax")};
    return names;
}

QString BlackWhiteStep::acceptanceName(const QString& quantity)
{
    return QStringLiteral("acceptance ") + quantity;
}

QString BlackWhiteStep::othersName(const QString& quantity)
{
    return QStringLiteral("others ") + quantity;
}

QAStep::ReportInfo BlackWhiteStep::GetReportInfo(const QMap<QString, QString>& values,
                                                 const QMap<QString, QString>& references) const
{
    bool hasMax = false;
    bool hasMin = false;
    BlackWhiteCheck::Input input;
    input.lmax = values.value(QStringLiteral("measuredmax_")).toDouble(&hasMax);
    input.lmin = values.value(QStringLiteral("measuredmin_")).toDouble(&hasMin);
    input.lamb = values.value(QStringLiteral("Lamb")).toDouble();
    if (!hasMax || !hasMin) {
        ReportInfo info = MeasurementStep::GetReportInfo(values, references);
        info.note = QStringLiteral("No black and white luminance is stored.");
        return info;
    }
    // A limit the run stored wins over the step's parameter; absent or not positive, it is not applied.
    const auto limitOf = [&](const QString& name) {
        bool ok = false;
        const double stored = references.value(name).toDouble(&ok);
        return ok ? stored : numberParam(name);
    };
    BlackWhiteCheck::Input recommended = input;
    for (const QString& name : limitNames()) {
        input.limits.insert(name, limitOf(name));
        recommended.limits.insert(name, limitOf(name + QLatin1Char('S')));
    }
    for (const QString& quantity : quantities) {
        const QString accepted = references.value(acceptanceName(quantity));
        if (!accepted.isEmpty())
            input.acceptance.insert(quantity, accepted.toDouble());
    }
    const QStringList otherLmax =
        values.value(othersName(QStringLiteral("Lmax"))).split(';', Qt::SkipEmptyParts);
    const QStringList otherLr = values.value(othersName(QStringLiteral("LR"))).split(';', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < qMin(otherLmax.size(), otherLr.size()); ++i)
        input.others.push_back({otherLmax[i].toDouble(), otherLr[i].toDouble()});
    recommended.acceptance = input.acceptance;
    recommended.others = input.others;

    ReportInfo info = newReportInfo(ReportInfo::Measurement);
    info.judged = true;
    const auto addRows = [&](const BlackWhiteCheck::Result& result, const QString& suffix, bool decides) {
        for (const BlackWhiteCheck::Row& row : result.rows) {
            // Recommended-performance rows matter only where the regulation gives such a limit.
            if (!decides && !row.applied)
                continue;
            ReportInfo::Values out;
            out.label = row.label + suffix;
            const QString unit = isPercent(row.name) ? QStringLiteral(" %") : QString();
            if (row.value)
                out.value =
                    isLuminance(row.name) ? measurementInNeededUnits(*row.value) : number(*row.value) + unit;
            if (!row.criterion.isEmpty() && row.limit > 0) {
                out.criterion = row.criterion;
                out.limit =
                    isLuminance(row.name) ? measurementInNeededUnits(row.limit) : number(row.limit) + unit;
            }
            out.applied = decides && row.applied;
            out.passed = row.passed;
            info.values << out;
        }
    };
    const BlackWhiteCheck::Result result = BlackWhiteCheck::evaluate(input);
    addRows(result, QString(), true);
    addRows(BlackWhiteCheck::evaluate(recommended), QStringLiteral(" (Recommended Performance)"), false);
    info.passed = result.passed;
    return info;
}

QString BlackWhiteStep::multiMonitorName(const QString& quantity)
{
    return QStringLiteral("multimonitor ") + quantity;
}

bool BlackWhiteStep::Measurements()
{
    if (!Measurement(QStringLiteral("TG18-LN8-01"), QStringLiteral("center"), m_min) ||
        !Measurement(QStringLiteral("TG18-LN8-18"), QStringLiteral("center"), m_max))
        return false;
    // The veiling luminance the run knows; none known counts as a dark room.
    m_lamb = ambient() >= 0
                 ? ambient()
                 : (dataBus() ? dataBus()->GetValue<double>(QStringLiteral("ambient luminance"), 0.0) : 0.0);
    return true;
}

void BlackWhiteStep::GetResults(QMap<QString, QString>& values, QMap<QString, QString>& references) const
{
    if (m_min < 0 || m_max < 0)
        return;
    values.insert(QStringLiteral("measuredmin_"), number(m_min, 4));
    values.insert(QStringLiteral("measuredmax_"), number(m_max, 4));
    values.insert(QStringLiteral("Lamb"), number(m_lamb, 4));
    if (!m_otherLmax.isEmpty()) {
        values.insert(othersName(QStringLiteral("Lmax")), m_otherLmax.join(QLatin1Char(';')));
        values.insert(othersName(QStringLiteral("LR")), m_otherLr.join(QLatin1Char(';')));
    }
    for (const QString& name : limitNames()) {
        for (const QString& variant : {name, name + QLatin1Char('S')}) {
            if (!param(variant).isEmpty())
                references.insert(variant, param(variant));
        }
    }
}

void BlackWhiteStep::LoadMultiMonitorValues()
{
    m_otherLmax.clear();
    m_otherLr.clear();
    if (!dataBus())
        return;
    const auto lmax = dataBus()->GetValue<QMap<QString, QString>>(multiMonitorName(QStringLiteral("Lmax")));
    const auto lr = dataBus()->GetValue<QMap<QString, QString>>(multiMonitorName(QStringLiteral("LR")));
    const QString self = QString::number(displayId());
    for (auto it = lmax.begin(); it != lmax.end(); ++it) {
        if (it.key() != self && lr.contains(it.key())) {
            m_otherLmax << it.value();
            m_otherLr << lr.value(it.key());
        }
    }
}

void BlackWhiteStep::SaveMultiMonitorValues()
{
    if (!dataBus() || m_min < 0 || m_max < 0)
        return;
    BlackWhiteCheck::Input input;
    input.lmax = m_max;
    input.lmin = m_min;
    input.lamb = m_lamb;
    const BlackWhiteCheck::Result result = BlackWhiteCheck::evaluate(input);
    if (result.lminPrime < 0.0001)
        return; // no ratio to compare
    for (const auto& [quantity, value] : {std::pair{QStringLiteral("Lmax"), result.lmaxPrime},
                                          {QStringLiteral("LR"), result.lmaxPrime / result.lminPrime}}) {
        auto map = dataBus()->GetValue<QMap<QString, QString>>(multiMonitorName(quantity));
        map.insert(QString::number(displayId()), number(value, 4));
        dataBus()->SetValue(multiMonitorName(quantity), map);
    }
}
