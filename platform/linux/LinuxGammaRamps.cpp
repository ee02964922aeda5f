#include "platform/linux/LinuxGammaRamps.h"

#include "platform/linux/LinuxGammaRampDevice.h"
#include "platform/linux/X11Connection.h"

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

// CRTC gamma needs RandR 1.2.
bool hasCrtcGamma(Display* display)
{
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    return XRRQueryExtension(display, &eventBase, &errorBase) && XRRQueryVersion(display, &major, &minor) &&
           (major > 1 || (major == 1 && minor >= 2));
}

// The CRTCs of the outputs that are driven now, by output name, up to the one named
// `wanted` (every one when it is empty). Each output costs a round trip, so a lookup
// stops at its output.
QList<std::pair<QString, RRCrtc>> drivenOutputs(const X11Connection& connection, const QString& wanted = {})
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

std::unique_ptr<X11Connection> connect(QString* error)
{
    auto connection = std::make_unique<X11Connection>();
    if (!connection->isOpen()) {
        setError(error, QStringLiteral("cannot open X display \"%1\"").arg(qEnvironmentVariable("DISPLAY")));
        return nullptr;
    }
    if (!hasCrtcGamma(connection->display())) {
        setError(error, QStringLiteral("the X server has no RandR 1.2 CRTC gamma"));
        return nullptr;
    }
    return connection;
}

} // namespace

std::unique_ptr<GammaRampDevice> LinuxGammaRamps::open(const QString& output, QString* error) const
{
    std::unique_ptr<X11Connection> connection = connect(error);
    if (!connection)
        return nullptr;
    for (const auto& [name, crtc] : drivenOutputs(*connection, output)) {
        if (name != output)
            continue;
        const int size = XRRGetCrtcGammaSize(connection->display(), crtc);
        QString xError;
        if (!connection->answered(&xError) || size < 2) {
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
    const std::unique_ptr<X11Connection> connection = connect(nullptr);
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
