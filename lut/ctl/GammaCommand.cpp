#include "lut/ctl/GammaCommand.h"

#include "app/ctl/CtlContext.h"
#include "lut/GammaRampScaler.h"
#include "lut/ctl/GammaRampText.h"
#include "platform/GammaRamps.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>

namespace {

// More than any real ramp file (3 x 65536 five-digit values); stops a runaway pipe.
constexpr qint64 MAX_INPUT_BYTES = 4 * 1024 * 1024;

QJsonArray toJson(const std::vector<std::uint16_t>& channel)
{
    QJsonArray values;
    for (const std::uint16_t value : channel)
        values.append(value);
    return values;
}

std::unique_ptr<GammaRampDevice> openOutput(const QString& output, QString* error)
{
    const GammaRamps& ramps = Platform::backend().gammaRamps();
    std::unique_ptr<GammaRampDevice> device = ramps.open(output, error);
    if (!device) {
        const QStringList known = ramps.outputs();
        *error =
            QStringLiteral("%1 (outputs with a ramp: %2)")
                .arg(*error, known.isEmpty() ? QStringLiteral("none") : known.join(QStringLiteral(", ")));
    }
    return device;
}

int getRamp(const CtlContext& context, const QString& output)
{
    QString error;
    const std::unique_ptr<GammaRampDevice> device = openOutput(output, &error);
    if (!device)
        return context.fail(error);
    GammaRamp ramp;
    if (!device->read(ramp))
        return context.fail(
            QStringLiteral("cannot read the ramp of %1: %2").arg(output, device->lastError()));
    const QJsonObject result{{QStringLiteral("ok"), true},
                             {QStringLiteral("output"), output},
                             {QStringLiteral("size"), device->rampSize()},
                             {QStringLiteral("red"), toJson(ramp[0])},
                             {QStringLiteral("green"), toJson(ramp[1])},
                             {QStringLiteral("blue"), toJson(ramp[2])}};
    return context.answer(result, GammaRampText::format(ramp));
}

std::optional<QByteArray> readInput(const QString& file, QString* error)
{
    QFile input;
    const bool opened = file == QLatin1String("-")
                            ? input.open(stdin, QIODevice::ReadOnly)
                            : (input.setFileName(file), input.open(QIODevice::ReadOnly));
    if (!opened) {
        *error = QStringLiteral("cannot read %1: %2").arg(file, input.errorString());
        return std::nullopt;
    }
    // A pipe gives its text in pieces; read to the end.
    QByteArray text;
    for (QByteArray piece = input.read(65536); !piece.isEmpty() && text.size() <= MAX_INPUT_BYTES;
         piece = input.read(65536))
        text += piece;
    if (text.size() > MAX_INPUT_BYTES) {
        *error = QStringLiteral("%1 is larger than any gamma ramp").arg(file);
        return std::nullopt;
    }
    return text;
}

int setRamp(const CtlContext& context, const QString& output, const QString& file)
{
    QString error;
    const std::optional<QByteArray> text = readInput(file, &error);
    if (!text)
        return context.fail(error);
    std::optional<GammaRamp> ramp = GammaRampText::parse(*text, &error);
    if (!ramp)
        return context.fail(QStringLiteral("%1: %2").arg(file == QLatin1String("-") ? "stdin" : file, error));
    const std::unique_ptr<GammaRampDevice> device = openOutput(output, &error);
    if (!device)
        return context.fail(error);
    const int given = static_cast<int>(ramp->front().size());
    if (given != device->rampSize()) {
        for (auto& channel : *ramp)
            channel = GammaRampScaler::toRamp({channel.begin(), channel.end()}, device->rampSize());
    }
    if (!device->write(*ramp))
        return context.fail(
            QStringLiteral("the ramp of %1 was refused: %2").arg(output, device->lastError()));
    const QJsonObject result{{QStringLiteral("ok"), true},
                             {QStringLiteral("output"), output},
                             {QStringLiteral("size"), device->rampSize()},
                             {QStringLiteral("given"), given}};
    QString summary = QStringLiteral("%1: ramp of %2 entries loaded").arg(output).arg(device->rampSize());
    if (given != device->rampSize())
        summary += QStringLiteral(" (scaled from %1)").arg(given);
    return context.answer(result, summary);
}

int listOutputs(const CtlContext& context)
{
    const GammaRamps& ramps = Platform::backend().gammaRamps();
    QJsonArray outputs;
    QStringList lines;
    for (const QString& output : ramps.outputs()) {
        const std::unique_ptr<GammaRampDevice> device = ramps.open(output);
        const int size = device ? device->rampSize() : 0;
        outputs.append(QJsonObject{{QStringLiteral("output"), output}, {QStringLiteral("size"), size}});
        lines << QStringLiteral("%1\t%2 entries").arg(output).arg(size);
    }
    // No display server (or none driving an output) is a failure a script must see.
    if (lines.isEmpty())
        return context.fail(QStringLiteral("no output with a gamma ramp (is a display server running?)"));
    return context.answer({{QStringLiteral("ok"), true}, {QStringLiteral("outputs"), outputs}},
                          lines.join(QLatin1Char('\n')));
}

} // namespace

QString GammaCommand::usage() const
{
    return QStringLiteral("gamma list | gamma get OUTPUT | gamma set OUTPUT [FILE|-]   (video-card gamma "
                          "ramp, 3 lines red green blue)");
}

int GammaCommand::run(const CtlContext& context) const
{
    const QStringList& args = context.arguments();
    const QString verb = args.value(0);
    if (verb == QLatin1String("list") && args.size() == 1)
        return listOutputs(context);
    if (verb == QLatin1String("get") && args.size() == 2)
        return getRamp(context, args.at(1));
    if (verb == QLatin1String("set") && (args.size() == 2 || args.size() == 3))
        return setRamp(context, args.at(1), args.value(2, QStringLiteral("-")));
    return context.fail(QStringLiteral("usage: ") + usage(), 2);
}
