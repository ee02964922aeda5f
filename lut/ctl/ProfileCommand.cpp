#include "lut/ctl/ProfileCommand.h"

#include "app/ctl/CtlContext.h"
#include "lut/KaldoDisplayProfile.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>

namespace {

const char* const CHANNEL_NAMES[] = {"R", "G", "B"};

QString channelName(int channel, int channels)
{
    return channels == 3 ? QString::fromLatin1(CHANNEL_NAMES[channel]) : QString::number(channel);
}

QString describe(const QString& file, const KaldoDisplayProfile::LutValues& lut)
{
    QStringList lines{QStringLiteral("%1: vcgt %2 channels x %3 entries")
                          .arg(file)
                          .arg(lut.size())
                          .arg(lut.front().size())};
    for (size_t c = 0; c < lut.size(); ++c) {
        QStringList values;
        for (const int value : lut[c])
            values << QString::number(value);
        lines << channelName(static_cast<int>(c), static_cast<int>(lut.size())) + QStringLiteral(": ") +
                     values.join(QLatin1Char(' '));
    }
    return lines.join(QLatin1Char('\n'));
}

int printVcgt(const CtlContext& context, const QString& file)
{
    if (!QFileInfo(file).isFile())
        return context.fail(QStringLiteral("no such profile file %1").arg(file));
    const KaldoDisplayProfile profile(file, QString(), -1, QString());
    if (!profile.isLoaded())
        return context.fail(QStringLiteral("%1 is not a readable ICC profile").arg(file));
    KaldoDisplayProfile::LutValues lut;
    if (!profile.ReadLUT(lut) || lut.empty())
        return context.fail(QStringLiteral("%1 has no readable vcgt tag").arg(file));
    QJsonArray curves;
    for (const auto& channel : lut) {
        QJsonArray values;
        for (const int value : channel)
            values.append(value);
        curves.append(values);
    }
    const QJsonObject result{{QStringLiteral("ok"), true},
                             {QStringLiteral("file"), file},
                             {QStringLiteral("channels"), static_cast<int>(lut.size())},
                             {QStringLiteral("entries"), static_cast<int>(lut.front().size())},
                             {QStringLiteral("curves"), curves}};
    return context.answer(result, describe(file, lut));
}

} // namespace

QString ProfileCommand::usage() const
{
    return QStringLiteral("profile vcgt FILE   (the profile's video-card gamma curves)");
}

int ProfileCommand::run(const CtlContext& context) const
{
    const QStringList& args = context.arguments();
    if (args.size() != 2 || args.at(0) != QLatin1String("vcgt"))
        return context.fail(QStringLiteral("usage: ") + usage(), 2);
    return printVcgt(context, args.at(1));
}
