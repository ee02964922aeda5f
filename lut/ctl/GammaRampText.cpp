#include "lut/ctl/GammaRampText.h"

#include <QList>
#include <QStringList>

namespace {

const char* const CHANNEL_NAMES[] = {"red", "green", "blue"};

std::optional<std::vector<std::uint16_t>> parseChannel(const QByteArray& line, int channel, QString* error)
{
    std::vector<std::uint16_t> values;
    for (const QByteArray& word : line.simplified().split(' ')) {
        bool number = false;
        const uint value = word.toUInt(&number);
        if (!number || value > 65535) {
            *error = QStringLiteral("%1 line: \"%2\" is not a value from 0 to 65535")
                         .arg(QLatin1String(CHANNEL_NAMES[channel]), QString::fromUtf8(word.left(40)));
            return std::nullopt;
        }
        values.push_back(static_cast<std::uint16_t>(value));
    }
    return values;
}

} // namespace

QString GammaRampText::format(const GammaRamp& ramp)
{
    QStringList lines;
    for (const auto& channel : ramp) {
        QStringList values;
        values.reserve(static_cast<qsizetype>(channel.size()));
        for (const std::uint16_t value : channel)
            values << QString::number(value);
        lines << values.join(QLatin1Char(' '));
    }
    return lines.join(QLatin1Char('\n'));
}

std::optional<GammaRamp> GammaRampText::parse(const QByteArray& text, QString* error)
{
    QString ignored;
    QString& reason = error ? *error : ignored;
    QList<QByteArray> lines;
    for (const QByteArray& line : text.split('\n')) {
        if (!line.trimmed().isEmpty())
            lines << line;
    }
    if (lines.size() != 3) {
        reason = QStringLiteral("expected 3 lines (red, green, blue), found %1").arg(lines.size());
        return std::nullopt;
    }
    GammaRamp ramp;
    for (int c = 0; c < 3; ++c) {
        std::optional<std::vector<std::uint16_t>> channel = parseChannel(lines[c], c, &reason);
        if (!channel)
            return std::nullopt;
        ramp[c] = std::move(*channel);
    }
    if (ramp[0].size() < 2 || ramp[1].size() != ramp[0].size() || ramp[2].size() != ramp[0].size()) {
        reason = QStringLiteral("channels of %1, %2 and %3 values; they need the same count, at least 2")
                     .arg(ramp[0].size())
                     .arg(ramp[1].size())
                     .arg(ramp[2].size());
        return std::nullopt;
    }
    return ramp;
}
