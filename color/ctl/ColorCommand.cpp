#include "color/ctl/ColorCommand.h"

#include "app/ctl/CtlContext.h"
#include "color/Color.h"
#include "color/ColorDistance.h"
#include "color/ColorTemperature.h"
#include "color/CurvesFactory.h"
#include "color/DICOM.h"
#include "color/ctl/ColorArguments.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

constexpr int USAGE_ERROR = 2;

QString number(double value)
{
    return QString::number(value, 'g', 17);
}

QString numberLine(const std::vector<double>& values)
{
    QStringList words;
    for (const double value : values)
        words << number(value);
    return words.join(QLatin1Char(' '));
}

QJsonArray jsonArray(const std::vector<double>& values)
{
    QJsonArray array;
    for (const double value : values)
        array.append(value);
    return array;
}

int illuminantIndex(const QString& name)
{
    const QStringList names = {"A", "B", "C", "D50", "D55", "D65", "D75", "F2", "F7", "F11"};
    return static_cast<int>(names.indexOf(name.toUpper()));
}

std::optional<Color> colourFrom(const QString& space, const std::vector<double>& v, Color::Observer observer,
                                Color::Illuminant illuminant)
{
    if (space == QLatin1String("spectrum"))
        return Color::FromSpectro(v, observer, illuminant);
    if (v.size() != 3)
        return std::nullopt;
    if (space == QLatin1String("xyz"))
        return Color::FromXYZ(v[0], v[1], v[2]);
    if (space == QLatin1String("xyy"))
        return Color::FromxyY(v[0], v[1], v[2]);
    if (space == QLatin1String("lab"))
        return Color::FromLab(v[0], v[1], v[2]);
    return std::nullopt;
}

std::optional<std::vector<double>> colourIn(const QString& space, const Color& c)
{
    const auto d = [](long double v) { return static_cast<double>(v); };
    if (space == QLatin1String("xyz"))
        return std::vector<double>{d(c.X()), d(c.Y()), d(c.Z())};
    if (space == QLatin1String("xyy"))
        return std::vector<double>{d(c.x()), d(c.y()), d(c.Y())};
    if (space == QLatin1String("lab"))
        return std::vector<double>{d(c.L()), d(c.a()), d(c.b())};
    if (space == QLatin1String("luv"))
        return std::vector<double>{d(c.L()), d(c.u()), d(c.v())};
    if (space == QLatin1String("uv"))
        return std::vector<double>{d(c.u1()), d(c.v1())};
    if (space == QLatin1String("lch"))
        return std::vector<double>{d(c.L()), d(c.C()), d(c.h())};
    if (space == QLatin1String("rgb")) {
        long double R = 0, G = 0, B = 0;
        Color::fromXYZtoRGBf(c.X(), c.Y(), c.Z(), R, G, B);
        return std::vector<double>{d(R), d(G), d(B)};
    }
    return std::nullopt;
}

// "DDL:L,DDL:L,..." of a custom curve.
bool parseCurveData(const QString& text, std::vector<double>& ddls, std::vector<double>& luminances)
{
    for (const QString& pair : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList parts = pair.split(QLatin1Char(':'));
        bool okDdl = false;
        bool okLuminance = false;
        if (parts.size() != 2)
            return false;
        ddls.push_back(parts.at(0).toDouble(&okDdl));
        luminances.push_back(parts.at(1).toDouble(&okLuminance));
        if (!okDdl || !okLuminance)
            return false;
    }
    return true;
}

} // namespace

QString ColorCommand::usage() const
{
    return QStringLiteral(
        "color convert xyz|xyy|lab|spectrum xyz|xyy|lab|luv|uv|lch|rgb V... [--white X Y Z]\n"
        "        [--observer 2|10] [--illuminant A|B|C|D50|D55|D65|D75|F2|F7|F11]\n"
        "  color cct x y | cct --xyz X Y Z | cct --daylight T\n"
        "  color deltae [--method 1976|1994|2000] L1 a1 b1 L2 a2 b2\n"
        "  color curve NAME [--gamma G] [--min L] [--max L] [--data DDL:L,...] --levels N\n"
        "  color gsdf JND | gsdf --luminance L");
}

int ColorCommand::run(const CtlContext& context) const
{
    const QStringList& args = context.arguments();
    const QString action = args.value(0);
    const QStringList rest = args.mid(1);
    if (action == QLatin1String("convert"))
        return convert(context, rest);
    if (action == QLatin1String("cct"))
        return cct(context, rest);
    if (action == QLatin1String("deltae"))
        return deltaE(context, rest);
    if (action == QLatin1String("curve"))
        return curve(context, rest);
    if (action == QLatin1String("gsdf"))
        return gsdf(context, rest);
    return context.fail(QStringLiteral("usage: ") + usage(), USAGE_ERROR);
}

int ColorCommand::convert(const CtlContext& context, QStringList args) const
{
    ColorArguments options(std::move(args));
    const std::optional<std::vector<double>> white = options.takeNumbers(QStringLiteral("--white"), 3);
    const QString observerName = options.take(QStringLiteral("--observer")).value_or(QStringLiteral("2"));
    const QString illuminantName =
        options.take(QStringLiteral("--illuminant")).value_or(QStringLiteral("D50"));
    const QString from = options.words().value(0).toLower();
    const QString to = options.words().value(1).toLower();
    const std::optional<std::vector<double>> values = ColorArguments(options.words().mid(2)).numbers();
    const int illuminant = illuminantIndex(illuminantName);
    if (!options.error().isEmpty() || !values || illuminant < 0 ||
        (observerName != QLatin1String("2") && observerName != QLatin1String("10")))
        return context.fail(options.error().isEmpty() ? QStringLiteral("usage: ") + usage() : options.error(),
                            USAGE_ERROR);

    const Color whiteColour = white ? Color::FromXYZ((*white)[0], (*white)[1], (*white)[2]) : Color::D50;
    const Color::TempWhiteReference whiteInForce(whiteColour);
    const auto observer = observerName == QLatin1String("10") ? Color::Observer::CIE1964TenDegree
                                                              : Color::Observer::CIE1931TwoDegree;
    const std::optional<Color> colour =
        colourFrom(from, *values, observer, static_cast<Color::Illuminant>(illuminant));
    const std::optional<std::vector<double>> result = colour ? colourIn(to, *colour) : std::nullopt;
    if (!result)
        return context.fail(QStringLiteral("usage: ") + usage(), USAGE_ERROR);
    if (colour->isEmpty())
        return context.fail(QStringLiteral("a spectrum needs at least 3 samples"));
    const QJsonObject json{{QStringLiteral("ok"), true},
                           {QStringLiteral("from"), from},
                           {QStringLiteral("to"), to},
                           {QStringLiteral("input"), jsonArray(*values)},
                           {QStringLiteral("values"), jsonArray(*result)}};
    return context.answer(json, numberLine(*result));
}

int ColorCommand::cct(const CtlContext& context, QStringList args) const
{
    ColorArguments options(std::move(args));
    const std::optional<double> daylight = options.takeNumber(QStringLiteral("--daylight"));
    const std::optional<std::vector<double>> xyz = options.takeNumbers(QStringLiteral("--xyz"), 3);
    const std::optional<std::vector<double>> xy = options.numbers();
    if (!options.error().isEmpty())
        return context.fail(options.error(), USAGE_ERROR);
    if (daylight) {
        double x = 0;
        double y = 0;
        ColorTemperature::Ttoxy(*daylight, x, y);
        if (x == 0 && y == 0)
            return context.fail(QStringLiteral("the daylight locus covers 4000 to 25000 K"));
        return context.answer(
            {{QStringLiteral("ok"), true}, {QStringLiteral("T"), *daylight}, {"x", x}, {"y", y}},
            numberLine({x, y}));
    }
    double T = 0;
    bool found = false;
    if (xyz) {
        found = XYZtoCorColorTemp(xyz->data(), T) == 0;
    } else if (xy && xy->size() == 2) {
        T = ColorTemperature::xytoT((*xy)[0], (*xy)[1]);
        found = T != 0;
    } else {
        return context.fail(QStringLiteral("usage: ") + usage(), USAGE_ERROR);
    }
    if (!found)
        return context.fail(QStringLiteral("no correlated colour temperature: the colour is black or lies "
                                           "outside 1667 K to infinity"));
    return context.answer({{QStringLiteral("ok"), true}, {QStringLiteral("cct"), T}}, number(T));
}

int ColorCommand::deltaE(const CtlContext& context, QStringList args) const
{
    ColorArguments options(std::move(args));
    const QString method = options.take(QStringLiteral("--method")).value_or(QStringLiteral("2000"));
    const std::optional<std::vector<double>> v = options.numbers();
    if (!options.error().isEmpty() || !v || v->size() != 6)
        return context.fail(QStringLiteral("usage: ") + usage(), USAGE_ERROR);
    const auto formula = method == QLatin1String("1976")   ? &ColorDistance::dE1976
                         : method == QLatin1String("1994") ? &ColorDistance::dE1994
                         : method == QLatin1String("2000") ? &ColorDistance::dE2000
                                                           : nullptr;
    if (!formula)
        return context.fail(QStringLiteral("unknown method %1 (1976, 1994 or 2000)").arg(method),
                            USAGE_ERROR);
    const double result = formula((*v)[0], (*v)[1], (*v)[2], (*v)[3], (*v)[4], (*v)[5]);
    return context.answer({{QStringLiteral("ok"), true},
                           {QStringLiteral("method"), method.toInt()},
                           {QStringLiteral("deltaE"), result}},
                          number(result));
}

int ColorCommand::curve(const CtlContext& context, QStringList args) const
{
    ColorArguments options(std::move(args));
    const double gamma = options.takeNumber(QStringLiteral("--gamma")).value_or(2.2);
    const double min = options.takeNumber(QStringLiteral("--min")).value_or(1.0);
    const double max = options.takeNumber(QStringLiteral("--max")).value_or(100.0);
    const double levels = options.takeNumber(QStringLiteral("--levels")).value_or(256);
    const std::optional<QString> data = options.take(QStringLiteral("--data"));
    if (!options.error().isEmpty() || options.words().size() != 1 || levels < 1 || levels > 65536)
        return context.fail(options.error().isEmpty() ? QStringLiteral("usage: ") + usage() : options.error(),
                            USAGE_ERROR);
    const QString name = options.words().front();
    std::unique_ptr<TargetCurve> target = CurvesFactory::createCurve(name, gamma);
    target->SetMinMaxLuminance(min, max);
    if (data) {
        std::vector<double> ddls;
        std::vector<double> luminances;
        if (!parseCurveData(*data, ddls, luminances) ||
            !CurvesFactory::initCustomCurve(target.get(), ddls, luminances, name))
            return context.fail(QStringLiteral("the curve data are not a rising DDL:luminance list"));
    }
    std::vector<double> luminances;
    target->GetTarget(luminances, static_cast<int>(levels));
    QStringList lines;
    for (const double luminance : luminances)
        lines << number(luminance);
    double usedMin = 0;
    double usedMax = 0;
    target->GetMinMaxLuminance(usedMin, usedMax);
    const QJsonObject json{{QStringLiteral("ok"), true},
                           {QStringLiteral("curve"), target->CurveName()},
                           {QStringLiteral("name"), CurvesFactory::curveName(name, gamma)},
                           {QStringLiteral("min"), usedMin},
                           {QStringLiteral("max"), usedMax},
                           {QStringLiteral("levels"), static_cast<int>(levels)},
                           {QStringLiteral("luminances"), jsonArray(luminances)}};
    return context.answer(json, lines.join(QLatin1Char('\n')));
}

int ColorCommand::gsdf(const CtlContext& context, QStringList args) const
{
    ColorArguments options(std::move(args));
    const std::optional<double> luminance = options.takeNumber(QStringLiteral("--luminance"));
    const std::optional<std::vector<double>> jnd = options.numbers();
    if (!options.error().isEmpty())
        return context.fail(options.error(), USAGE_ERROR);
    if (luminance && jnd && jnd->empty()) {
        const double index = DICOM::GetJNDIndex(*luminance);
        return context.answer(
            {{QStringLiteral("ok"), true}, {QStringLiteral("luminance"), *luminance}, {"jnd", index}},
            number(index));
    }
    if (!luminance && jnd && jnd->size() == 1) {
        const double result = DICOM::GetLuminanceFromJNDIndex(jnd->front());
        return context.answer(
            {{QStringLiteral("ok"), true}, {QStringLiteral("jnd"), jnd->front()}, {"luminance", result}},
            number(result));
    }
    return context.fail(QStringLiteral("usage: ") + usage(), USAGE_ERROR);
}
