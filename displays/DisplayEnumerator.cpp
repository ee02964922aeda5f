#include "displays/DisplayEnumerator.h"

#include "displays/EDIDParser.h"
#include "displays/LGMedicalPorts.h"
#include "platform/DisplayEnumeration.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"

#include <QDebug>
#include <QGuiApplication>
#include <QMutex>
#include <QMutexLocker>
#include <QScreen>

namespace {

constexpr int LGSerialBegin = 4;
constexpr int LGSerialEnd = 17;
constexpr int LGNameBegin = 17;
constexpr int LGNameEnd = 30;

QMutex& lgSourceMutex()
{
    static QMutex mutex;
    return mutex;
}

DisplayEnumerator::LGPortSource& lgSource()
{
    static DisplayEnumerator::LGPortSource source;
    return source;
}

QList<DisplayEnumerator::LGPortIdentity> lgPorts()
{
    DisplayEnumerator::LGPortSource source;
    {
        QMutexLocker locker(&lgSourceMutex());
        source = lgSource();
    }
    return source ? source() : LGMedicalPorts::identities();
}

bool isManufacture(const DisplayInfo& display, const char* name, const char* code)
{
    const QString manufacture = display.manufacture().toUpper();
    return manufacture == QLatin1String(name) || manufacture == QLatin1String(code);
}

DisplayInfo fromOutput(const DisplayOutput& output)
{
    DisplayInfo info;
    info.setDeviceName(output.deviceName);
    info.setDeviceString(output.deviceString);
    info.setVideoCardName(output.videoCardName);
    info.setVideoCardKey(output.videoCardKey);
    info.setCrtc(output.crtc);
    info.setRect(output.rect);
    if (output.resolution.isValid())
        info.setResolution(output.resolution.width(), output.resolution.height());
    info.setEdid(output.edid);
    return info;
}

// The two halves' layout: side by side, or stacked by a rotation of the whole display.
enum class Layout
{
    Horizontal,
    Clockwise,
    CounterClockwise,
    Apart
};

Layout layoutOf(const DisplayInfo& first, const DisplayInfo& second)
{
    if (first.top() == second.top() && first.bottom() == second.bottom() &&
        (first.right() + 1 == second.left() || second.right() + 1 == first.left()))
        return Layout::Horizontal;
    if (first.left() == second.left() && first.right() == second.right()) {
        // Turned clockwise, the first (left) half ends up on top; turned the other way, below.
        if (first.bottom() + 1 == second.top())
            return Layout::Clockwise;
        if (second.bottom() + 1 == first.top())
            return Layout::CounterClockwise;
    }
    return Layout::Apart;
}

} // namespace

DisplayEnumerator::DisplayEnumerator(const DisplayEnumeration* source) : m_source(source) {}

void DisplayEnumerator::setLGPortSource(LGPortSource source)
{
    QMutexLocker locker(&lgSourceMutex());
    lgSource() = std::move(source);
}

void DisplayEnumerator::EnumerateDisplays()
{
    const DisplayEnumeration& source = m_source ? *m_source : Platform::backend().displayEnumeration();
    EnumerateDisplays(source.activeOutputs());
}

void DisplayEnumerator::EnumerateDisplays(const QList<DisplayOutput>& outputs)
{
    qDebug() << "DisplayEnumerator::EnumerateDisplays() begin";
    // Combined desktops of several displays are a feature of one vendor's Windows driver library;
    // no output this platform lists stands for more than one display.
    for (const DisplayOutput& output : outputs)
        FillInfo(fromOutput(output));
    reconcileLGSerials();
    joinWideDisplays();
    joinEizoDisplays();
    takeToolkitScreenSizes();
    qDebug() << "DisplayEnumerator::EnumerateDisplays() end," << m_displays.size() << "displays";
}

void DisplayEnumerator::FillInfo(const DisplayInfo& output)
{
    DisplayInfo info = output;
    if (info.edidLength() == 0) {
        info.setSerial(info.deviceName());
    } else {
        EDIDParser parser(info.edidData(), static_cast<unsigned>(info.edidLength()), info.deviceName());
        info.setName(parser.name());
        info.setManufacture(parser.manufacturer());
        info.setSerial(parser.serial());
        info.setShortManufacturer(parser.getShortManufacturer());
        info.setNameFC(parser.getEDIDString(EDIDParser::TagName));
        info.setTextFE(parser.getEDIDString(EDIDParser::TagText));
        if (info.edidLength() >= 12)
            info.setProductCode(info.edidData()[10], info.edidData()[11]);
        const auto sizes = parser.realSizesMm();
        // A size of 0 (projectors, zero-filled blocks) says nothing about the display.
        if (!sizes.empty() && sizes.front().width > 0 && sizes.front().height > 0)
            info.setPhysicalSize(sizes.front().width, sizes.front().height);
        if (info.serial().isEmpty())
            info.setSerial(info.deviceName());
    }
    info.setDetectSerial(info.serial());
    info.setIndex(static_cast<int>(m_displays.size()));
    m_displays.append(info);
    m_cards.append({info.videoCardName(), info.videoCardKey()});
}

QString DisplayEnumerator::lgSerialText(const QByteArray& block)
{
    QString text;
    for (int i = LGSerialBegin; i < LGSerialEnd && i < block.size(); ++i) {
        const char c = block.at(i);
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
            text += QLatin1Char(c);
    }
    return text;
}

QString DisplayEnumerator::lgNameText(const QByteArray& block)
{
    QString text;
    for (int i = LGNameBegin; i < LGNameEnd && i < block.size() && block.at(i) != '\0'; ++i)
        text += QLatin1Char(block.at(i));
    return EDIDParser::cleanString(text.trimmed());
}

void DisplayEnumerator::reconcileLGSerials()
{
    QList<int> lg;
    for (int i = 0; i < m_displays.size(); ++i) {
        if (m_displays.at(i).manufacture() == QLatin1String("LG"))
            lg.append(i);
    }
    if (lg.isEmpty())
        return;
    const QList<LGPortIdentity> ports = lgPorts();
    QList<bool> portUsed(ports.size(), false);
    QList<int> unmatched;
    for (const int i : std::as_const(lg)) {
        bool found = false;
        for (int p = 0; p < ports.size() && !found; ++p) {
            if (!portUsed.at(p) && lgSerialText(ports.at(p).block) == m_displays.at(i).serial()) {
                portUsed[p] = true;
                found = true;
                qDebug() << "DisplayEnumerator LG display" << m_displays.at(i).serial() << "answers on"
                         << ports.at(p).port;
            }
        }
        if (!found)
            unmatched.append(i);
    }
    int running = 1;
    for (const int i : std::as_const(unmatched)) {
        bool found = false;
        for (int p = 0; p < ports.size() && !found; ++p) {
            if (!portUsed.at(p) && lgNameText(ports.at(p).block) == m_displays.at(i).name()) {
                portUsed[p] = true;
                found = true;
                m_displays[i].setSerial(lgSerialText(ports.at(p).block));
            }
        }
        if (!found)
            m_displays[i].setSerial(QStringLiteral("DISPLAY%1").arg(running++));
    }
}

bool DisplayEnumerator::isWideLeftPart(const DisplayInfo& display)
{
    return isManufacture(display, "WIDE", "WKC") && display.name().startsWith(QLatin1String("CW60"));
}

bool DisplayEnumerator::isWideRightPart(const DisplayInfo& display)
{
    // Both halves of a split WIDE display announce the same model; which one is left is decided by
    // the order the system lists them in.
    return isWideLeftPart(display);
}

bool DisplayEnumerator::isEizoPart(const DisplayInfo& display)
{
    return isManufacture(display, "EIZO", "ENC") && (display.name().startsWith(QLatin1String("RX850")) ||
                                                     display.name().startsWith(QLatin1String("RX650")));
}

void DisplayEnumerator::joinWideDisplays()
{
    joinHalves(&DisplayEnumerator::isWideLeftPart, &DisplayEnumerator::isWideRightPart, false);
}

void DisplayEnumerator::joinEizoDisplays()
{
    joinHalves(&DisplayEnumerator::isEizoPart, &DisplayEnumerator::isEizoPart, true);
}

void DisplayEnumerator::joinHalves(bool (*isFirst)(const DisplayInfo&), bool (*isSecond)(const DisplayInfo&),
                                   bool eizo)
{
    for (int first = 0; first < m_displays.size(); ++first) {
        if (!isFirst(m_displays.at(first)))
            continue;
        for (int second = first + 1; second < m_displays.size(); ++second) {
            DisplayInfo& a = m_displays[first];
            const DisplayInfo b = m_displays.at(second);
            if (!isSecond(b) || a.name() != b.name())
                continue;
            const Layout layout = layoutOf(a, b);
            if (layout == Layout::Apart)
                continue;
            if (layout == Layout::Horizontal) {
                qDebug() << (eizo ? "join EIZO displays horisontally" : "join displays horisontally");
                a.setRect(std::min(a.left(), b.left()), a.top(), std::max(a.right(), b.right()), a.bottom());
                a.setResolution(a.width() + b.width(), a.height());
                if (eizo)
                    a.setPhysicalSize(a.widthMm() + b.widthMm(), a.heightMm());
            } else {
                if (eizo)
                    qDebug() << "join EIZO displays clockwise rotation";
                else if (layout == Layout::Clockwise)
                    qDebug() << "join displays clockwise rotation";
                else
                    qDebug() << "join displays conter-clockwise rotation";
                a.setRect(a.left(), std::min(a.top(), b.top()), a.right(), std::max(a.bottom(), b.bottom()));
                a.setResolution(a.width(), a.height() + b.height());
                if (eizo)
                    a.setPhysicalSize(a.widthMm(), a.heightMm() + b.heightMm());
            }
            RemoveDisplay(static_cast<unsigned>(second));
            break;
        }
    }
}

void DisplayEnumerator::takeToolkitScreenSizes()
{
    const auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!gui)
        return;
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (DisplayInfo& display : m_displays) {
        if (isWideLeftPart(display) || isEizoPart(display))
            continue;
        // The toolkit names its screens after the outputs; an output without a screen of its
        // name keeps the size the system reported.
        for (const QScreen* screen : screens) {
            if (screen->name() != display.deviceName())
                continue;
            const QRect geometry = screen->geometry();
            const qreal ratio = screen->devicePixelRatio();
            display.setResolution(qRound(geometry.width() * ratio), qRound(geometry.height() * ratio));
        }
    }
}

void DisplayEnumerator::ClearInformation()
{
    m_displays.clear();
    m_cards.clear();
}

unsigned DisplayEnumerator::Count() const
{
    return static_cast<unsigned>(m_displays.size());
}

DisplayInfo DisplayEnumerator::GetDisplay(unsigned index) const
{
    return index < Count() ? m_displays.at(index) : DisplayInfo();
}

DisplayInfo& DisplayEnumerator::operator[](unsigned index)
{
    if (index >= Count()) {
        qWarning() << "DisplayEnumerator::operator[] no display at index" << index;
        static DisplayInfo none;
        none = DisplayInfo();
        return none;
    }
    return m_displays[index];
}

void DisplayEnumerator::RemoveDisplay(unsigned index)
{
    if (index >= Count())
        return;
    m_displays.removeAt(index);
    m_cards.removeAt(index);
    for (int i = 0; i < m_displays.size(); ++i)
        m_displays[i].setIndex(i);
}

void DisplayEnumerator::AddDisplay(const DisplayInfo& display)
{
    DisplayInfo added = display;
    added.setIndex(static_cast<int>(m_displays.size()));
    m_displays.append(added);
    m_cards.append({display.videoCardName(), display.videoCardKey()});
}

QString DisplayEnumerator::GetVideocardNameByKey(const QString& key) const
{
    for (const VideoCardInfo& card : m_cards) {
        if (card.key == key)
            return card.name;
    }
    return {};
}

VideoCardInfo DisplayEnumerator::videoCard(unsigned index) const
{
    return index < Count() ? m_cards.at(index) : VideoCardInfo();
}
