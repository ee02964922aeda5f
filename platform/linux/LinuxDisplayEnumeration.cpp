#include "platform/linux/LinuxDisplayEnumeration.h"

#include "platform/linux/X11Session.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <memory>

namespace {

// The most an EDID can hold as the system reports it (base block and seven extensions).
constexpr int MaxEdidBytes = 1024;

QByteArray readFile(const QString& path, qint64 maxSize = MaxEdidBytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(maxSize);
}

QString readLine(const QString& path)
{
    return QString::fromLatin1(readFile(path, 256)).trimmed();
}

// X drivers and the kernel name connectors differently ("HDMI-A-1" in DRM, "HDMI-1" under the
// modesetting driver); both are brought to the shorter form before they are compared.
QString comparableName(QString name)
{
    static const QRegularExpression cardPrefix(QStringLiteral("^card\\d+-"));
    name.remove(cardPrefix);
    name.replace(QStringLiteral("HDMI-A-"), QStringLiteral("HDMI-"));
    return name;
}

template <typename T, void (*Free)(T*)> struct XDeleter
{
    void operator()(T* pointer) const
    {
        if (pointer)
            Free(pointer);
    }
};
using ResourcesPtr =
    std::unique_ptr<XRRScreenResources, XDeleter<XRRScreenResources, XRRFreeScreenResources>>;
using OutputPtr = std::unique_ptr<XRROutputInfo, XDeleter<XRROutputInfo, XRRFreeOutputInfo>>;
using CrtcPtr = std::unique_ptr<XRRCrtcInfo, XDeleter<XRRCrtcInfo, XRRFreeCrtcInfo>>;

QByteArray outputEdid(Display* display, RROutput output)
{
    const Atom edidAtom = XInternAtom(display, "EDID", True);
    if (edidAtom == None)
        return {};
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    const int status = XRRGetOutputProperty(display, output, edidAtom, 0, MaxEdidBytes / 4, False, False,
                                            AnyPropertyType, &type, &format, &items, &remaining, &data);
    QByteArray edid;
    if (status == Success && data && format == 8 && items > 0)
        edid = QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(items));
    if (data)
        XFree(data);
    return edid;
}

} // namespace

LinuxDisplayEnumeration::LinuxDisplayEnumeration(QString drmRoot) : m_drmRoot(std::move(drmRoot)) {}

QList<LinuxDisplayEnumeration::Connector> LinuxDisplayEnumeration::drmConnectors() const
{
    static const QRegularExpression connectorName(QStringLiteral("^(card\\d+)-(.+)$"));
    QList<Connector> connectors;
    const QDir root(m_drmRoot);
    for (const QString& entry : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QRegularExpressionMatch match = connectorName.match(entry);
        if (!match.hasMatch())
            continue;
        Connector connector;
        connector.path = entry;
        connector.card = match.captured(1);
        connector.name = match.captured(2);
        connector.connected =
            readLine(root.filePath(entry + QStringLiteral("/status"))) == QLatin1String("connected");
        const QString enabled = readLine(root.filePath(entry + QStringLiteral("/enabled")));
        connector.enabled = enabled.isEmpty() || enabled == QLatin1String("enabled");
        connector.edid = readFile(root.filePath(entry + QStringLiteral("/edid")));
        connectors.append(connector);
    }
    return connectors;
}

LinuxDisplayEnumeration::Card LinuxDisplayEnumeration::drmCard(const QString& card) const
{
    const QDir device(QDir(m_drmRoot).filePath(card + QStringLiteral("/device")));
    QString pciId;
    QString slot;
    QString driver;
    const QStringList lines = QString::fromLatin1(readFile(device.filePath(QStringLiteral("uevent")), 4096))
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        const QString key = line.section(QLatin1Char('='), 0, 0);
        const QString value = line.section(QLatin1Char('='), 1).trimmed();
        if (key == QLatin1String("PCI_ID"))
            pciId = value.toLower();
        else if (key == QLatin1String("PCI_SLOT_NAME"))
            slot = value;
        else if (key == QLatin1String("DRIVER"))
            driver = value;
    }
    Card result;
    result.name = QStringList{pciId, driver}.join(QLatin1Char(' ')).trimmed();
    if (result.name.isEmpty())
        result.name = card;
    result.key = slot.isEmpty() ? card : slot;
    return result;
}

void LinuxDisplayEnumeration::describeCard(DisplayOutput& output, const Connector& connector) const
{
    const Card card = drmCard(connector.card);
    output.deviceString = connector.path;
    output.videoCardName = card.name;
    output.videoCardKey = card.key;
}

QList<DisplayOutput> LinuxDisplayEnumeration::activeOutputs() const
{
    const QList<Connector> connectors = drmConnectors();
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        qDebug() << "LinuxDisplayEnumeration::activeOutputs() no X display ($DISPLAY unset): outputs from "
                    "DRM sysfs"
                 << m_drmRoot << "only, without desktop rectangles";
        return fromDrm(connectors);
    }
    return fromX11(connectors);
}

QList<DisplayOutput> LinuxDisplayEnumeration::fromDrm(const QList<Connector>& connectors) const
{
    QList<DisplayOutput> outputs;
    for (const Connector& connector : connectors) {
        if (!connector.connected || !connector.enabled)
            continue;
        DisplayOutput output;
        output.deviceName = connector.name;
        output.edid = connector.edid;
        describeCard(output, connector);
        outputs.append(output);
    }
    qDebug() << "LinuxDisplayEnumeration::fromDrm()" << outputs.size() << "connected connectors of"
             << connectors.size();
    return outputs;
}

void LinuxDisplayEnumeration::takeConnector(DisplayOutput& output, const Connector& connector) const
{
    // The kernel's EDID wins over what the X driver published.
    if (!connector.edid.isEmpty())
        output.edid = connector.edid;
    describeCard(output, connector);
}

void LinuxDisplayEnumeration::pairWithConnectors(QList<DisplayOutput>& outputs, QList<Connector> connectors,
                                                 const QString& screenKey, const QString& screenName) const
{
    connectors.removeIf([](const Connector& c) { return !c.connected; });
    QList<qsizetype> unpaired;
    for (qsizetype i = 0; i < outputs.size(); ++i) {
        DisplayOutput& output = outputs[i];
        // The connector behind the output: the one with the same EDID, else the same name.
        auto match = std::find_if(connectors.begin(), connectors.end(), [&output](const Connector& c) {
            return !output.edid.isEmpty() && c.edid == output.edid;
        });
        if (match == connectors.end()) {
            match = std::find_if(connectors.begin(), connectors.end(), [&output](const Connector& c) {
                return comparableName(c.name) == comparableName(output.deviceName);
            });
        }
        if (match == connectors.end()) {
            unpaired.append(i);
            continue;
        }
        takeConnector(output, *match);
        connectors.erase(match);
    }
    // Xwayland and some drivers name outputs their own way and publish no EDID. One such output
    // and one connector left make a certain pair; with more, a guess could give a display another
    // display's identity, so they stay apart.
    if (unpaired.size() == 1 && connectors.size() == 1) {
        qDebug() << "LinuxDisplayEnumeration: output" << outputs[unpaired.front()].deviceName
                 << "paired with the only other connected connector" << connectors.front().path;
        takeConnector(outputs[unpaired.front()], connectors.front());
        return;
    }
    for (const qsizetype i : std::as_const(unpaired)) {
        outputs[i].videoCardName = screenName;
        outputs[i].videoCardKey = screenKey;
    }
}

QList<DisplayOutput> LinuxDisplayEnumeration::fromX11(const QList<Connector>& connectors) const
{
    const X11Session session;
    if (!session.display()) {
        qWarning() << "LinuxDisplayEnumeration::fromX11() cannot open X display" << qgetenv("DISPLAY")
                   << "- outputs from DRM sysfs only";
        return fromDrm(connectors);
    }
    if (!session.hasRandR()) {
        qWarning() << "LinuxDisplayEnumeration::fromX11() the X server has no RandR 1.2 - outputs from DRM "
                      "sysfs only";
        return fromDrm(connectors);
    }
    Display* display = session.display();
    const ResourcesPtr resources(XRRGetScreenResourcesCurrent(display, session.root()));
    if (!resources) {
        qWarning() << "LinuxDisplayEnumeration::fromX11() no RandR screen resources";
        return fromDrm(connectors);
    }
    QList<DisplayOutput> outputs;
    for (int i = 0; i < resources->noutput; ++i) {
        const OutputPtr info(XRRGetOutputInfo(display, resources.get(), resources->outputs[i]));
        if (!info || info->connection != RR_Connected || info->crtc == 0)
            continue;
        const CrtcPtr crtc(XRRGetCrtcInfo(display, resources.get(), info->crtc));
        if (!crtc || crtc->mode == None)
            continue;
        DisplayOutput output;
        output.deviceName = QString::fromLocal8Bit(info->name, info->nameLen);
        output.rect = QRect(crtc->x, crtc->y, static_cast<int>(crtc->width), static_cast<int>(crtc->height));
        output.resolution = output.rect.size();
        output.crtc = static_cast<qint64>(info->crtc);
        output.edid = outputEdid(display, resources->outputs[i]);
        outputs.append(output);
    }
    QString error;
    if (!session.synced(&error))
        qWarning() << "LinuxDisplayEnumeration::fromX11()" << error;
    pairWithConnectors(outputs, connectors,
                       QStringLiteral("x11:%1").arg(QString::fromLocal8Bit(DisplayString(display))),
                       QStringLiteral("X screen %1").arg(DefaultScreen(display)));
    qDebug() << "LinuxDisplayEnumeration::fromX11()" << outputs.size() << "active outputs on"
             << DisplayString(display);
    return outputs;
}
