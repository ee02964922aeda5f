#include "displays/ctl/DdcCommand.h"

#include "app/ctl/CtlContext.h"
#include "displays/CParseCapabilityString.h"
#include "displays/CurrentDisplays.h"
#include "displays/DDCCIControl.h"
#include "displays/DDCCIDisplay.h"
#include "displays/DDCCIFactory.h"
#include "displays/ctl/CapsCommand.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringList>

#include <typeinfo>

namespace {

bool parseNumber(const QString& text, int base, int max, int& value)
{
    bool ok = false;
    QString digits = text;
    if (base == 16 && digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        digits = digits.mid(2);
    value = digits.toInt(&ok, base);
    return ok && value >= 0 && value <= max;
}

QJsonArray toJson(const luts_t& table)
{
    QJsonArray channels;
    for (const auto& channel : table) {
        QJsonArray values;
        for (const int v : channel)
            values.append(v);
        channels.append(values);
    }
    return channels;
}

// A LUT file: a JSON array of three channel arrays, or an object with it under "lut".
bool readTable(const QString& path, luts_t& table, QString& error)
{
    QFile file;
    const bool opened = path == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly)
                                                   : (file.setFileName(path), file.open(QIODevice::ReadOnly));
    if (!opened) {
        error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    const QJsonDocument doc = QJsonDocument::fromJson(file.read(4 * 1024 * 1024));
    const QJsonArray channels =
        doc.isArray() ? doc.array() : doc.object().value(QStringLiteral("lut")).toArray();
    table.clear();
    for (const QJsonValue& channel : channels) {
        std::vector<int> values;
        for (const QJsonValue& v : channel.toArray()) {
            if (!v.isDouble()) {
                error = QStringLiteral("%1: LUT values must be numbers").arg(path);
                return false;
            }
            values.push_back(v.toInt());
        }
        table.push_back(std::move(values));
    }
    if (table.size() != 3) {
        error = QStringLiteral("%1: expected three channels (red, green, blue), found %2")
                    .arg(path)
                    .arg(table.size());
        return false;
    }
    return true;
}

class Session
{
public:
    explicit Session(int id) : display(id) {}
    ~Session() { display.unlockHardware(); }
    DDCCIDisplay display;
};

int probe(const CtlContext& context, int id)
{
    Session s(id);
    s.display.hardwareReconnect();
    const std::shared_ptr<DDCCIControl> transport = s.display.getVideocardDDCCI();
    const bool reached = s.display.testDDCCI();
    s.display.connect();
    const bool connected = s.display.ok();
    QJsonObject controls;
    unsigned max = 0;
    if (s.display.isBrightnessAvailable(&max))
        controls.insert(QStringLiteral("brightness_max"), static_cast<int>(max));
    if (s.display.isContrastAvailable(&max))
        controls.insert(QStringLiteral("contrast_max"), static_cast<int>(max));
    for (int c = 0; c < 3; ++c) {
        static const char* const Names[] = {"red_max", "green_max", "blue_max"};
        if (s.display.isChannelAvailable(colorchannel_t(c), &max))
            controls.insert(QLatin1String(Names[c]), static_cast<int>(max));
    }
    const int mode = connected ? s.display.GetCommunicationMode() : 1;
    const QString transportName = transport ? QString::fromLatin1(typeid(*transport).name())
                                                  .remove(QRegularExpression(QStringLiteral("^\\d+")))
                                            : QString();
    const QJsonObject result{
        {QStringLiteral("ok"), connected},
        {QStringLiteral("id"), id},
        {QStringLiteral("output"), CurrentDisplays::DisplayById(id).deviceName()},
        {QStringLiteral("transport"), transportName},
        {QStringLiteral("test"), reached},
        {QStringLiteral("capabilities"), QString::fromStdString(s.display.capabilitiesString())},
        {QStringLiteral("parsed"), CapsCommand::toJson(s.display.capabilityParser())},
        {QStringLiteral("controls"), controls},
        {QStringLiteral("internal_lut"), mode == 3}};
    QString text = QStringLiteral("display %1 (%2): transport %3, test %4\n")
                       .arg(id)
                       .arg(result.value(QStringLiteral("output")).toString(), transportName,
                            reached ? QStringLiteral("passed") : QStringLiteral("failed"));
    text += connected ? QStringLiteral("capabilities: %1\n%2")
                            .arg(result.value(QStringLiteral("capabilities")).toString(),
                                 CapsCommand::describe(s.display.capabilityParser()))
                      : QStringLiteral("no MCCS display answers (see the log for why)");
    return context.answer(result, text);
}

} // namespace

QString DdcCommand::usage() const
{
    return QStringLiteral("ddc probe ID | get ID CODE | set ID CODE VALUE | lut get ID | lut set ID FILE | "
                          "power ID on|off   (MCCS over DDC/CI; CODE in hex)");
}

int DdcCommand::run(const CtlContext& context) const
{
    QStringList args = context.arguments();
    const auto usageError = [&] { return context.fail(QStringLiteral("usage: ") + usage(), 2); };
    if (args.size() < 2)
        return usageError();
    const QString action = args.takeFirst();
    const QString sub = action == QLatin1String("lut") ? args.takeFirst() : QString();
    if (args.isEmpty())
        return usageError();
    int id = 0;
    bool numeric = false;
    id = args.takeFirst().toInt(&numeric);
    if (!numeric)
        return usageError();
    if (CurrentDisplays::DisplayById(id).deviceName().isEmpty())
        return context.fail(QStringLiteral("no display with id %1").arg(id));

    if (action == QLatin1String("probe") && args.isEmpty())
        return probe(context, id);

    Session s(id);
    s.display.hardwareReconnect();
    if (action == QLatin1String("get") && args.size() == 1) {
        int code = 0;
        if (!parseNumber(args.at(0), 16, 255, code))
            return usageError();
        unsigned current = 0, maximum = 0;
        if (!s.display.VCPGet(static_cast<unsigned char>(code), &current, &maximum, s.display.vcpGetDelay()))
            return context.fail(QStringLiteral("display %1 did not answer VCP %2h")
                                    .arg(id)
                                    .arg(code, 2, 16, QLatin1Char('0')));
        const QJsonObject result{{QStringLiteral("ok"), true},
                                 {QStringLiteral("id"), id},
                                 {QStringLiteral("code"), code},
                                 {QStringLiteral("current"), static_cast<int>(current)},
                                 {QStringLiteral("max"), static_cast<int>(maximum)}};
        return context.answer(
            result,
            QStringLiteral("VCP %1h: %2 of %3").arg(code, 2, 16, QLatin1Char('0')).arg(current).arg(maximum));
    }
    if (action == QLatin1String("set") && args.size() == 2) {
        int code = 0, value = 0;
        if (!parseNumber(args.at(0), 16, 255, code) || !parseNumber(args.at(1), 10, 65535, value))
            return usageError();
        if (!s.display.VCPSet(static_cast<unsigned char>(code), static_cast<unsigned>(value),
                              s.display.vcpSetDelay()))
            return context.fail(
                QStringLiteral("display %1 did not take VCP %2h").arg(id).arg(code, 2, 16, QLatin1Char('0')));
        return context.answer(
            {{QStringLiteral("ok"), true},
             {QStringLiteral("id"), id},
             {QStringLiteral("code"), code},
             {QStringLiteral("value"), value}},
            QStringLiteral("VCP %1h set to %2").arg(code, 2, 16, QLatin1Char('0')).arg(value));
    }
    if (action == QLatin1String("power") && args.size() == 1 &&
        (args.at(0) == QLatin1String("on") || args.at(0) == QLatin1String("off"))) {
        const bool on = args.at(0) == QLatin1String("on");
        if (!s.display.VCPSet(0xD6, on ? 1 : 4, s.display.vcpSetDelay()))
            return context.fail(QStringLiteral("display %1 did not take the power command").arg(id));
        return context.answer(
            {{QStringLiteral("ok"), true}, {QStringLiteral("id"), id}, {QStringLiteral("power"), args.at(0)}},
            QStringLiteral("display %1 switched %2").arg(id).arg(args.at(0)));
    }
    if (action == QLatin1String("lut") && (sub == QLatin1String("get") || sub == QLatin1String("set"))) {
        DDCCIDisplay::LUT lut(&s.display);
        if (!lut.ok())
            return context.fail(QStringLiteral("display %1 has no LUT reachable over DDC/CI").arg(id));
        if (sub == QLatin1String("get") && args.isEmpty()) {
            luts_t table;
            if (!lut.DownloadLUT(table))
                return context.fail(QStringLiteral("reading the LUT of display %1 failed").arg(id));
            const QJsonObject result{{QStringLiteral("ok"), true},
                                     {QStringLiteral("id"), id},
                                     {QStringLiteral("size"), lut.LUTSize()},
                                     {QStringLiteral("bits"), lut.bitDepth()},
                                     {QStringLiteral("lut"), toJson(table)}};
            return context.answer(
                result, QString::fromUtf8(QJsonDocument(toJson(table)).toJson(QJsonDocument::Compact)));
        }
        if (sub == QLatin1String("set") && args.size() == 1) {
            luts_t table;
            QString error;
            if (!readTable(args.at(0), table, error))
                return context.fail(error);
            if (!lut.isSupportedLut(table))
                return context.fail(QStringLiteral("the display's LUT is 3 x %1 entries of at most %2")
                                        .arg(lut.LUTSize())
                                        .arg(lut.LUTMaxValue()));
            if (!lut.UploadLUT(table))
                return context.fail(QStringLiteral("writing the LUT of display %1 failed").arg(id));
            return context.answer({{QStringLiteral("ok"), true},
                                   {QStringLiteral("id"), id},
                                   {QStringLiteral("size"), lut.LUTSize()}},
                                  QStringLiteral("display %1: LUT written").arg(id));
        }
    }
    return usageError();
}
