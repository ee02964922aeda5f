#include "displays/ctl/DisplaysCommand.h"

#include "app/ctl/CtlContext.h"
#include "app/ctl/CtlDisplays.h"
#include "displays/CurrentDisplays.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>

namespace {

// How the enumeration alone can reach the display's LUT: through the video card's gamma ramp when
// the output has a CRTC; the display's own interfaces are found by the display factory.
constexpr int InterfaceVideoCard = 2;
constexpr int InterfaceNone = -1;

QJsonObject describeDisplay(unsigned index, bool registered)
{
    const DisplayInfo d = CurrentDisplays::Display(index);
    const auto code = d.productCode();
    const int iface = d.crtc() >= 0 ? InterfaceVideoCard : InterfaceNone;
    return {
        {QStringLiteral("id"), CurrentDisplays::DisplayId(index)},
        // Registered displays are numbered by their record; otherwise the record is unknown here.
        {QStringLiteral("database_id"),
         registered ? QJsonValue(CurrentDisplays::DisplayId(index)) : QJsonValue()},
        {QStringLiteral("index"), d.index()},
        {QStringLiteral("output"), d.deviceName()},
        {QStringLiteral("device_string"), d.deviceString()},
        {QStringLiteral("crtc"), d.crtc()},
        {QStringLiteral("manufacturer"), d.shortManufacturer()},
        {QStringLiteral("manufacture"), d.manufacture()},
        {QStringLiteral("name"), d.name()},
        {QStringLiteral("serial"), d.serial()},
        {QStringLiteral("detect_serial"), d.detectSerial()},
        {QStringLiteral("product_code"), code[0] | (code[1] << 8)},
        {QStringLiteral("edid_bytes"), d.edidLength()},
        {QStringLiteral("rect"), QJsonArray{d.rect().x(), d.rect().y(), d.rect().width(), d.rect().height()}},
        {QStringLiteral("width"), d.width()},
        {QStringLiteral("height"), d.height()},
        {QStringLiteral("width_mm"), d.widthMm()},
        {QStringLiteral("height_mm"), d.heightMm()},
        {QStringLiteral("video_card_name"),
         CurrentDisplays::GetVideoCardName(CurrentDisplays::DisplayId(index))},
        {QStringLiteral("video_card_key"),
         CurrentDisplays::GetVideoCardKey(CurrentDisplays::DisplayId(index))},
        {QStringLiteral("interface"), iface},
        {QStringLiteral("interface_name"),
         iface == InterfaceVideoCard ? QStringLiteral("video card") : QStringLiteral("none")},
    };
}

QString describeText(const QJsonObject& d)
{
    const QJsonArray rect = d.value(QStringLiteral("rect")).toArray();
    return QStringLiteral("display %1: %2 %3 \"%4\" serial %5 on %6 (crtc %7)\n"
                          "    rect %8,%9 %10x%11  %12x%13 px  %14x%15 mm\n"
                          "    card %16 [%17]  interface %18 (%19)")
        .arg(d.value(QStringLiteral("id")).toInt())
        .arg(d.value(QStringLiteral("manufacturer")).toString(),
             d.value(QStringLiteral("manufacture")).toString(), d.value(QStringLiteral("name")).toString(),
             d.value(QStringLiteral("serial")).toString(), d.value(QStringLiteral("output")).toString())
        .arg(d.value(QStringLiteral("crtc")).toInteger())
        .arg(rect.at(0).toInt())
        .arg(rect.at(1).toInt())
        .arg(rect.at(2).toInt())
        .arg(rect.at(3).toInt())
        .arg(d.value(QStringLiteral("width")).toInt())
        .arg(d.value(QStringLiteral("height")).toInt())
        .arg(d.value(QStringLiteral("width_mm")).toInt())
        .arg(d.value(QStringLiteral("height_mm")).toInt())
        .arg(d.value(QStringLiteral("video_card_name")).toString(),
             d.value(QStringLiteral("video_card_key")).toString())
        .arg(d.value(QStringLiteral("interface")).toInt())
        .arg(d.value(QStringLiteral("interface_name")).toString());
}

} // namespace

QString DisplaysCommand::usage() const
{
    return QStringLiteral("displays   (the attached displays as the enumeration sees them now)");
}

int DisplaysCommand::run(const CtlContext& context) const
{
    if (!context.arguments().isEmpty())
        return context.fail(QStringLiteral("usage: ") + usage(), 2);
    const bool registered = CtlDisplays::registerAttached();
    QJsonArray displays;
    QStringList lines;
    for (unsigned i = 0; i < CurrentDisplays::DisplayCount(); ++i) {
        const QJsonObject d = describeDisplay(i, registered);
        displays.append(d);
        lines << describeText(d);
    }
    if (lines.isEmpty())
        lines << QStringLiteral("no displays");
    const QJsonObject result{{QStringLiteral("ok"), true},
                             {QStringLiteral("backend"), Platform::backend().name()},
                             {QStringLiteral("displays"), displays}};
    return context.answer(result, lines.join(QLatin1Char('\n')));
}
