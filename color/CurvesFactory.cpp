#include "color/CurvesFactory.h"

#include "color/CIELCurve.h"
#include "color/CustomCurve.h"
#include "color/DICOMCurve.h"
#include "color/GammaCurve.h"
#include "color/HLGCurve.h"
#include "color/PQCurve.h"
#include "color/Rec709Curve.h"
#include "color/Rec709_BT1886.h"
#include "color/Tamsel3Curve.h"
#include "color/TamselCurve.h"
#include "color/sRGBCurve.h"

#include <QMap>

std::unique_ptr<TargetCurve> CurvesFactory::createCurve(const QString& name, double gamma)
{
    const QString lower = name.toLower();
    if (lower.contains(QLatin1String("dicom")))
        return std::make_unique<DICOMCurve>();
    if (lower.contains(QLatin1String("tamsel3")))
        return std::make_unique<Tamsel3Curve>();
    if (lower.contains(QLatin1String("tamsel")))
        return std::make_unique<TamselCurve>();
    if (lower.contains(QLatin1String("gamma")))
        return std::make_unique<GammaCurve>(gamma);
    if (lower.contains(QLatin1String("cie")) || lower.contains(QLatin1String("l*")))
        return std::make_unique<CIELCurve>();
    if (lower.contains(QLatin1String("srgb")))
        return std::make_unique<sRGBCurve>();
    if (lower.contains(QLatin1String("rec709")))
        return std::make_unique<Rec709Curve>();
    if (lower.contains(QLatin1String("bt1886")))
        return std::make_unique<Rec709_BT1886>();
    if (lower.contains(QLatin1String("HDR/HLG"), Qt::CaseInsensitive))
        return std::make_unique<HLGCurve>();
    if (lower.contains(QLatin1String("PQ"), Qt::CaseInsensitive))
        return std::make_unique<PQCurve>();
    if (lower.contains(QLatin1String("custom")))
        return std::make_unique<CustomCurve>();
    return std::make_unique<DICOMCurve>();
}

QStringList CurvesFactory::curvesList()
{
    return {QStringLiteral("dicom"),  QStringLiteral("tamsel3"), QStringLiteral("tamsel"),
            QStringLiteral("cie l*"), QStringLiteral("srgb"),    QStringLiteral("rec709"),
            QStringLiteral("bt1886"), QStringLiteral("gamma")};
}

QString CurvesFactory::curveName(const QString& name, double gamma)
{
    // Built once; a static local is initialised thread-safely.
    static const QMap<QString, QString> displayNames = [] {
        QMap<QString, QString> map;
        for (const QString& id : curvesList())
            map.insert(id, createCurve(id, 0)->CurveName());
        return map;
    }();
    const QString lower = name.toLower();
    QString result = displayNames.value(lower, name);
    if (lower.contains(QLatin1String("gamma")) && gamma > 0)
        result += QLatin1Char(' ') + QString::number(gamma, 'g', 6);
    return result;
}

bool CurvesFactory::initCustomCurve(TargetCurve* curve, const std::vector<double>& ddls,
                                    const std::vector<double>& luminances, const QString& name)
{
    auto* custom = dynamic_cast<CustomCurve*>(curve);
    if (!custom)
        return false;
    custom->SetName(name);
    return custom->SetData(ddls, luminances);
}
