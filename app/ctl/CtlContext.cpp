#include "app/ctl/CtlContext.h"

#include <QJsonDocument>

#include <cstdio>

CtlContext::CtlContext(QStringList arguments, bool json) : m_arguments(std::move(arguments)), m_json(json) {}

bool CtlContext::hasFlag(const QString& flag) const
{
    return m_arguments.contains(flag);
}

int CtlContext::answer(const QJsonObject& result, const QString& text) const
{
    const QByteArray out =
        m_json ? QJsonDocument(result).toJson(QJsonDocument::Compact) + '\n' : text.toUtf8() + '\n';
    std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
    std::fflush(stdout);
    return result.value(QStringLiteral("ok")).toBool(true) ? 0 : 1;
}

int CtlContext::fail(const QString& message, int exitCode) const
{
    if (m_json) {
        const QJsonObject result{{QStringLiteral("ok"), false}, {QStringLiteral("error"), message}};
        answer(result, message);
    } else {
        std::fprintf(stderr, "lutloaderctl: %s\n", qPrintable(message));
    }
    return exitCode;
}
