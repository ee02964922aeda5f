#include "displays/ctl/CapsCommand.h"

#include "app/ctl/CtlContext.h"
#include "displays/CParseCapabilityString.h"

#include <QFile>
#include <QJsonArray>
#include <QStringList>

namespace {

// Real strings are a few hundred bytes; anything far beyond is no capability string.
constexpr qint64 MaxInputBytes = 64 * 1024;

QJsonArray intList(const std::vector<int>& values)
{
    QJsonArray array;
    for (const int value : values)
        array.append(value);
    return array;
}

QJsonValue numberOrNull(const std::optional<int>& value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QString hexList(const std::vector<int>& values)
{
    QStringList items;
    for (const int value : values)
        items << QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
    return items.join(QLatin1Char(' '));
}

QString text(const std::string& value)
{
    return QString::fromLatin1(value.data(), static_cast<qsizetype>(value.size()));
}

} // namespace

QString CapsCommand::usage() const
{
    return QStringLiteral("caps FILE|-   (parse an MCCS capability string)");
}

QJsonObject CapsCommand::toJson(const CParseCapabilityString& parser)
{
    QJsonObject enumerated;
    for (const int code : parser.enumeratedCodes())
        enumerated.insert(QString::number(code), intList(parser.enumeratedValues(code)));
    QJsonObject commandEnums;
    for (const int cmd : parser.enumeratedCommands())
        commandEnums.insert(QString::number(cmd), intList(parser.commandValues(cmd)));
    const std::optional<std::vector<int>> gamma = parser.gammaTable();
    return QJsonObject{
        {QStringLiteral("result"), parser.ParsedOK()},
        {QStringLiteral("type"), parser.displayType()},
        {QStringLiteral("type_text"), text(parser.typeText())},
        {QStringLiteral("mccs_ver"), text(parser.mccsVersion())},
        {QStringLiteral("mpu_ver"), text(parser.firmwareVersion())},
        {QStringLiteral("c_tmp_ofst"), numberOrNull(parser.colorTemperatureOffset())},
        {QStringLiteral("asset_eep"), numberOrNull(parser.assetEEPROM())},
        {QStringLiteral("vcp"), intList(parser.vcpCodes())},
        {QStringLiteral("enumerated"), enumerated},
        {QStringLiteral("commands"), intList(parser.commands())},
        {QStringLiteral("command_enums"), commandEnums},
        {QStringLiteral("gamma_table"), gamma ? QJsonValue(intList(*gamma)) : QJsonValue(QJsonValue::Null)},
    };
}

QString CapsCommand::describe(const CParseCapabilityString& parser)
{
    static const char* const Types[] = {"unknown", "CRT", "LCD"};
    QStringList lines;
    if (parser.ParsedOK() != 0)
        lines << QStringLiteral("no vcp( section: the display lists no controls");
    lines << QStringLiteral("type: %1 (%2)").arg(Types[parser.displayType()], text(parser.typeText()));
    lines << QStringLiteral("mccs_ver: %1").arg(text(parser.mccsVersion()));
    lines << QStringLiteral("mpu_ver: %1").arg(text(parser.firmwareVersion()));
    QStringList codes;
    for (const int code : parser.vcpCodes()) {
        QString item = QStringLiteral("%1").arg(code, 2, 16, QLatin1Char('0')).toUpper();
        if (parser.IsVCPEnumerated(code))
            item += QStringLiteral("(%1)").arg(hexList(parser.enumeratedValues(code)));
        codes << item;
    }
    lines << QStringLiteral("vcp: %1").arg(codes.join(QLatin1Char(' ')));
    lines << QStringLiteral("commands: %1").arg(hexList(parser.commands()));
    return lines.join(QLatin1Char('\n'));
}

int CapsCommand::run(const CtlContext& context) const
{
    const QStringList& args = context.arguments();
    if (args.size() != 1)
        return context.fail(QStringLiteral("usage: ") + usage(), 2);
    QFile file;
    const bool opened = args.at(0) == QLatin1String("-")
                            ? file.open(stdin, QIODevice::ReadOnly)
                            : (file.setFileName(args.at(0)), file.open(QIODevice::ReadOnly));
    if (!opened)
        return context.fail(QStringLiteral("cannot read %1: %2").arg(args.at(0), file.errorString()));
    const QByteArray input = file.read(MaxInputBytes);
    CParseCapabilityString parser;
    parser.ParseString(std::string_view(input.constData(), static_cast<size_t>(input.size())));
    return context.answer(toJson(parser), describe(parser));
}
