#include "platform/linux/LinuxGammaRamps.h"

#include "platform/linux/LinuxGammaRampDevice.h"
#include "platform/linux/X11Session.h"

#include <QDebug>

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

namespace {

using Resources = std::unique_ptr<XRRScreenResources, decltype(&XRRFreeScreenResources)>;
using OutputInfo = std::unique_ptr<XRROutputInfo, decltype(&XRRFreeOutputInfo)>;

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

// The CRTCs of the outputs that are driven now, by output name, up to the one named
// `wanted` (every one when it is empty). Each output costs a round trip, so a lookup
// stops at its output.
QList<std::pair<QString, RRCrtc>> drivenOutputs(const X11Session& connection, const QString& wanted = {})
{
    QList<std::pair<QString, RRCrtc>> outputs;
    const Resources resources(XRRGetScreenResourcesCurrent(connection.display(), connection.root()),
                              &XRRFreeScreenResources);
    if (!resources)
        return outputs;
    for (int i = 0; i < resources->noutput; ++i) {
        const OutputInfo info(XRRGetOutputInfo(connection.display(), resources.get(), resources->outputs[i]),
                              &XRRFreeOutputInfo);
        if (!info)
            continue;
        const QString name = QString::fromLocal8Bit(info->name, info->nameLen);
        if (info->crtc != 0)
            outputs.append({name, info->crtc});
        if (name == wanted)
            break;
    }
    return outputs;
}

std::unique_ptr<X11Session> connect(QString* error)
{
    auto connection = std::make_unique<X11Session>();
    if (!connection->display()) {
        setError(error, QStringLiteral("cannot open X display \"%1\"").arg(qEnvironmentVariable("DISPLAY")));
        return nullptr;
    }
    if (!connection->hasRandR()) {
        setError(error, QStringLiteral("the X server has no RandR 1.2 CRTC gamma"));
        return nullptr;
    }
    return connection;
}

} // namespace

std::unique_ptr<GammaRampDevice> LinuxGammaRamps::open(const QString& output, QString* error) const
{
    std::unique_ptr<X11Session> connection = connect(error);
    if (!connection)
        return nullptr;
    for (const auto& [name, crtc] : drivenOutputs(*connection, output)) {
        if (name != output)
            continue;
        // A failed size request answers 0.
        const int size = XRRGetCrtcGammaSize(connection->display(), crtc);
        QString xError;
        if (size < 2) {
            connection->synced(&xError);
            setError(error, QStringLiteral("CRTC of %1 has no gamma ramp (size %2) %3")
                                .arg(output)
                                .arg(size)
                                .arg(xError));
            return nullptr;
        }
        return std::make_unique<LinuxGammaRampDevice>(std::move(connection), crtc, size);
    }
    setError(error, QStringLiteral("output %1 is not driven by a CRTC of the X server").arg(output));
    return nullptr;
}

QStringList LinuxGammaRamps::outputs() const
{
    const std::unique_ptr<X11Session> connection = connect(nullptr);
    QStringList names;
    if (!connection)
        return names;
    for (const auto& [name, crtc] : drivenOutputs(*connection)) {
        if (XRRGetCrtcGammaSize(connection->display(), crtc) > 1)
            names << name;
    }
    connection->synced();
    return names;
}
