#include "displays/ctl/EdidCommand.h"

#include "app/ctl/CtlContext.h"
#include "displays/EDIDParser.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringList>

namespace {

constexpr qint64 MaxInputBytes = 64 * 1024;

// Hex text becomes bytes: blanks, line breaks, "0x" prefixes, commas and the "EDID:" label that
// xrandr --verbose prints are allowed. Anything else is taken as the raw EDID.
QByteArray decodeInput(const QByteArray& input)
{
    static const QRegularExpression separators(QStringLiteral("EDID:|0x|[\\s,:]"));
    QString text = QString::fromLatin1(input);
    text.remove(separators);
    static const QRegularExpression hexOnly(QStringLiteral("^[0-9a-fA-F]+$"));
    if (!text.isEmpty() && text.size() % 2 == 0 && hexOnly.match(text).hasMatch())
        return QByteArray::fromHex(text.toLatin1());
    return input;
}

std::optional<QByteArray> readInput(const QString& path, QString& error)
{
    QFile file;
    const bool opened = path == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly)
                                                   : (file.setFileName(path), file.open(QIODevice::ReadOnly));
    if (!opened) {
        error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    return file.read(MaxInputBytes);
}

// Why the bytes are no EDID we can decode; empty when they are one.
QString brokenReason(const EDIDParser& parser)
{
    if (parser.length() == 0)
        return QStringLiteral("no EDID in the input (empty, or only zero bytes)");
    if (parser.length() < 128)
        return QStringLiteral("EDID too short: %1 bytes, a base block has 128").arg(parser.length());
    if (!parser.hasValidHeader())
        return QStringLiteral("not an EDID: the header 00 FF FF FF FF FF FF 00 is missing");
    if (!parser.isChecksumValid())
        return QStringLiteral("broken EDID: the checksum of the base block is wrong");
    return {};
}

QJsonValue textOrNull(const QString& text)
{
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

QJsonArray resolutionList(const std::vector<EDIDParser::Resolution>& list)
{
    QJsonArray array;
    for (const auto& r : list)
        array.append(QJsonArray{r.width, r.height});
    return array;
}

QString describe(const QJsonObject& result)
{
    QStringList lines;
    for (const QString& key : result.keys()) {
        if (key == QLatin1String("ok"))
            continue;
        const QJsonValue value = result.value(key);
        QString text;
        if (value.isNull())
            text = QStringLiteral("-");
        else if (value.isArray()) {
            QStringList items;
            for (const QJsonValue& item : value.toArray()) {
                const QJsonArray pair = item.toArray();
                items << QStringLiteral("%1x%2").arg(pair.at(0).toInt()).arg(pair.at(1).toInt());
            }
            text = items.join(QLatin1Char(' '));
        } else if (value.isBool())
            text = value.toBool() ? QStringLiteral("yes") : QStringLiteral("no");
        else if (value.isDouble())
            text = QString::number(value.toInteger());
        else
            text = value.toString();
        lines << key + QStringLiteral(": ") + text;
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

QString EdidCommand::usage() const
{
    return QStringLiteral("edid FILE|-   (decode an EDID, raw bytes or hex text)");
}

int EdidCommand::run(const CtlContext& context) const
{
    const QStringList& args = context.arguments();
    if (args.size() != 1)
        return context.fail(QStringLiteral("usage: ") + usage(), 2);
    QString error;
    const std::optional<QByteArray> input = readInput(args.at(0), error);
    if (!input)
        return context.fail(error);
    EDIDParser parser(decodeInput(*input), QString());
    if (const QString reason = brokenReason(parser); !reason.isEmpty())
        return context.fail(QStringLiteral("%1: %2").arg(args.at(0), reason));

    const EDIDParser::Resolution preferred = parser.preferredResolution();
    const EDIDParser::Resolution sizeCm = parser.screenSizeCm();
    const QJsonObject result{
        {QStringLiteral("ok"), true},
        {QStringLiteral("manufacturer"), parser.getShortManufacturer()},
        {QStringLiteral("manufacturer_name"), parser.manufacturer()},
        {QStringLiteral("product_code"), parser.productCode()},
        {QStringLiteral("serial_number"), static_cast<qint64>(parser.serialNumber())},
        {QStringLiteral("week"), parser.manufactureWeek()},
        {QStringLiteral("year"), parser.manufactureYear()},
        {QStringLiteral("version"),
         QStringLiteral("%1.%2").arg(parser.version() / 10).arg(parser.version() % 10)},
        {QStringLiteral("width_cm"), sizeCm.width},
        {QStringLiteral("height_cm"), sizeCm.height},
        {QStringLiteral("monitor_name"), textOrNull(parser.getEDIDString(EDIDParser::TagName))},
        {QStringLiteral("serial_text"), textOrNull(parser.getEDIDString(EDIDParser::TagSerial))},
        {QStringLiteral("text"), textOrNull(parser.getEDIDString(EDIDParser::TagText))},
        {QStringLiteral("preferred_width"), preferred.width},
        {QStringLiteral("preferred_height"), preferred.height},
        {QStringLiteral("name"), parser.name()},
        {QStringLiteral("serial"), parser.serial()},
        {QStringLiteral("extensions"), parser.extensionCount()},
        {QStringLiteral("resolutions"), resolutionList(parser.resolutions())},
        {QStringLiteral("sizes_mm"), resolutionList(parser.realSizesMm())},
    };
    return context.answer(result, describe(result));
}
