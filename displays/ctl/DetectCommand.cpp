#include "displays/ctl/DetectCommand.h"

#include "app/ctl/CtlContext.h"
#include "app/ctl/CtlDisplays.h"
#include "displays/BaseDisplay.h"
#include "displays/CurrentDisplays.h"
#include "displays/DisplayFactory.h"
#include "displays/DisplaysPrefs.h"
#include "displays/DisplaysTools.h"
#include "lut/LUT.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>

namespace {

struct Options
{
    displayiface_t iface = DISPIFACE_VIDEOCARD;
    displayiface_t lutIface = DISPIFACE_NONE;
    int onlyId = -1;
    QString power; // "", "on" or "off"
};

bool parseInterface(const QString& text, displayiface_t& iface)
{
    bool number = false;
    const int value = text.toInt(&number);
    if (!number || value < DISPIFACE_NONE || value > DISPIFACE_POWER)
        return false;
    iface = static_cast<displayiface_t>(value);
    return true;
}

bool parse(const QStringList& arguments, Options& options)
{
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        const bool hasValue = i + 1 < arguments.size();
        if (argument == QLatin1String("--iface") && hasValue) {
            if (!parseInterface(arguments.at(++i), options.iface))
                return false;
        } else if (argument == QLatin1String("--lut-iface") && hasValue) {
            if (!parseInterface(arguments.at(++i), options.lutIface))
                return false;
        } else if (argument == QLatin1String("--power") && hasValue) {
            options.power = arguments.at(++i);
            if (options.power != QLatin1String("on") && options.power != QLatin1String("off"))
                return false;
        } else {
            bool number = false;
            options.onlyId = argument.toInt(&number);
            if (!number)
                return false;
        }
    }
    return true;
}

QString className(const QObject* object)
{
    return object ? LUT::classLabel(*object) : QString();
}

QJsonObject describe(int id, const Options& options, const DisplaysPrefs& prefs)
{
    const DisplayInfo info = CurrentDisplays::DisplayById(id);
    QString manufacturer, model, backlight, type;
    prefs.getRecord(info, manufacturer, model, backlight, type);
    QJsonObject result{{QStringLiteral("id"), id},
                       {QStringLiteral("output"), info.deviceName()},
                       {QStringLiteral("manufacturer"), manufacturer},
                       {QStringLiteral("model"), model},
                       {QStringLiteral("backlight"), backlight},
                       {QStringLiteral("type"), type}};
    const std::shared_ptr<BaseDisplay> display =
        DisplayFactory::cachedDetect(id, options.iface, options.lutIface, 1, false);
    result.insert(QStringLiteral("class"), display ? className(display.get()) : QJsonValue());
    if (!display)
        return result;
    LUT* lut = display->attachedLUT();
    result.insert(QStringLiteral("interface"), display->communicationInterface());
    result.insert(QStringLiteral("communication_mode"), display->GetCommunicationMode());
    result.insert(QStringLiteral("lut"), lut ? className(lut) : QJsonValue());
    if (lut) {
        result.insert(QStringLiteral("lut_interface"), lut->communicationInterface());
        result.insert(QStringLiteral("lut_size"), lut->LUTSize());
        result.insert(QStringLiteral("lut_max"), lut->LUTMaxValue());
    }
    return result;
}

QString describeText(const QJsonObject& d)
{
    const QString lut = d.value(QStringLiteral("lut")).isNull()
                            ? QStringLiteral("no LUT")
                            : QStringLiteral("%1 (%2 entries up to %3)")
                                  .arg(d.value(QStringLiteral("lut")).toString())
                                  .arg(d.value(QStringLiteral("lut_size")).toInt())
                                  .arg(d.value(QStringLiteral("lut_max")).toInt());
    const QString cls = d.value(QStringLiteral("class")).isNull()
                            ? QStringLiteral("no display object")
                            : d.value(QStringLiteral("class")).toString();
    return QStringLiteral("display %1 on %2: %3 %4 (%5, %6) -> %7, %8")
        .arg(d.value(QStringLiteral("id")).toInt())
        .arg(d.value(QStringLiteral("output")).toString(), d.value(QStringLiteral("manufacturer")).toString(),
             d.value(QStringLiteral("model")).toString(), d.value(QStringLiteral("backlight")).toString(),
             d.value(QStringLiteral("type")).toString(), cls, lut);
}

} // namespace

QString DetectCommand::usage() const
{
    return QStringLiteral(
        "detect [ID] [--iface N] [--lut-iface N] [--power on|off]   (display class and LUT "
        "the factory picks; interfaces: -1 none, 0 serial, 1 DDC/CI, 2 video card, 3 USB, 4 "
        "power)");
}

int DetectCommand::run(const CtlContext& context) const
{
    Options options;
    if (!parse(context.arguments(), options))
        return context.fail(QStringLiteral("usage: ") + usage(), 2);
    CtlDisplays::registerAttached();
    QJsonObject result{{QStringLiteral("ok"), true}, {QStringLiteral("backend"), Platform::backend().name()}};
    QStringList lines;
    if (!options.power.isEmpty()) {
        if (options.power == QLatin1String("on")) {
            DisplaysTools::TurnOnAndReleaseDisplays();
        } else {
            int delayMs = 0;
            DisplaysTools::TurnOffDisplays(&delayMs);
            result.insert(QStringLiteral("delay_ms"), delayMs);
            lines << QStringLiteral("displays dark after %1 ms").arg(delayMs);
        }
    }
    DisplaysPrefs prefs;
    prefs.load();
    QJsonArray displays;
    for (unsigned i = 0; i < CurrentDisplays::DisplayCount(); ++i) {
        const int id = CurrentDisplays::DisplayId(i);
        if (options.onlyId != -1 && id != options.onlyId)
            continue;
        const QJsonObject d = describe(id, options, prefs);
        displays.append(d);
        lines << describeText(d);
    }
    if (displays.isEmpty())
        lines << QStringLiteral("no displays");
    result.insert(QStringLiteral("displays"), displays);
    DisplaysTools::releaseDisplays();
    return context.answer(result, lines.join(QLatin1Char('\n')));
}
