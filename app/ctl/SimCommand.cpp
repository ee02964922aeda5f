#include "app/ctl/SimCommand.h"

#include "app/ctl/CtlContext.h"
#include "platform/sim/SimControlClient.h"
#include "platform/sim/SimControlServer.h"

#include <QJsonDocument>

QString SimCommand::usage() const
{
    return QStringLiteral("sim state|lock|unlock|connect|disconnect|sleep|wake|geometry|logoff|close\n"
                          "    sim plug|unplug OUTPUT | sim power OUTPUT on|off|dim\n"
                          "    sim hotkey KEYS (e.g. Ctrl+Shift+F11)\n"
                          "    sim light OUTPUT LUX | sim patch OUTPUT R,G,B | sim hidplug|hidunplug PATH\n"
                          "    sim screensaver on|off|locked | sim clock advance|offset SECONDS\n"
                          "    sim click perform | sim click remind MINUTES (the open task notification)");
}

int SimCommand::run(const CtlContext& context) const
{
    const QStringList& args = context.arguments();
    if (args.isEmpty())
        return context.fail(QStringLiteral("usage: ") + usage(), 2);
    QJsonObject command{{QStringLiteral("cmd"), args.at(0)}};
    if (args.size() > 1)
        command.insert(QStringLiteral("output"), args.at(1));
    if (args.size() > 1 && args.at(0) == QLatin1String("hotkey"))
        command.insert(QStringLiteral("keys"), args.at(1));
    if (args.size() > 2)
        command.insert(QStringLiteral("state"), args.at(2));

    const QJsonObject reply = SimControlClient::send(command, SimControlServer::defaultSocketPath());
    if (!reply.value(QStringLiteral("ok")).toBool())
        return context.fail(reply.value(QStringLiteral("error")).toString(QStringLiteral("no answer")));
    return context.answer(reply,
                          QString::fromUtf8(QJsonDocument(reply).toJson(QJsonDocument::Indented)).trimmed());
}
