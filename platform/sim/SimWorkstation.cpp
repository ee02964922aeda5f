#include "platform/sim/SimWorkstation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMutexLocker>

#include <algorithm>
#include <cmath>

namespace {

QJsonObject failure(const QString& message)
{
    return {{QStringLiteral("ok"), false}, {QStringLiteral("error"), message}};
}

QJsonObject success()
{
    return {{QStringLiteral("ok"), true}};
}

QString powerName(SimDisplay::Power power)
{
    switch (power) {
    case SimDisplay::Power::Off:
        return QStringLiteral("off");
    case SimDisplay::Power::Dimmed:
        return QStringLiteral("dim");
    case SimDisplay::Power::On:
        break;
    }
    return QStringLiteral("on");
}

std::optional<SimDisplay::Power> parsePower(const QString& text)
{
    if (text == QLatin1String("on"))
        return SimDisplay::Power::On;
    if (text == QLatin1String("off"))
        return SimDisplay::Power::Off;
    if (text == QLatin1String("dim") || text == QLatin1String("dimmed"))
        return SimDisplay::Power::Dimmed;
    return std::nullopt;
}

// A base block and 255 extension blocks are 32 KiB: no display has more.
constexpr qint64 kMaxEdidBytes = 32 * 1024;
// Hundreds of displays with their EDIDs as hex fit easily.
constexpr qint64 kMaxWorkstationBytes = 16 * 1024 * 1024;

// A rectangle whose corners stay inside int, so no width or position overflows later.
bool validRect(const QRect& rect)
{
    constexpr int limit = 1 << 20;
    for (const int part : {rect.x(), rect.y(), rect.width(), rect.height()})
        if (part > limit || part < -limit)
            return false;
    return rect.width() >= 0 && rect.height() >= 0;
}

// EDID comes as hex text (blanks and line breaks allowed) or as a file beside the workstation file.
bool readEdid(const QJsonObject& object, const QString& baseDir, QByteArray& edid, QString& error)
{
    if (object.contains(QStringLiteral("edidFile"))) {
        const QString name = object.value(QStringLiteral("edidFile")).toString();
        QFile file(QFileInfo(name).isAbsolute() ? name : QDir(baseDir).filePath(name));
        if (!file.open(QIODevice::ReadOnly)) {
            error = QStringLiteral("can't read EDID file %1").arg(file.fileName());
            return false;
        }
        // Read with a bound: the name may be a device that never ends.
        edid = file.read(kMaxEdidBytes + 1);
        if (edid.size() > kMaxEdidBytes) {
            error = QStringLiteral("EDID file %1 is larger than %2 bytes")
                        .arg(file.fileName())
                        .arg(kMaxEdidBytes);
            edid.clear();
            return false;
        }
        return true;
    }
    QByteArray hex = object.value(QStringLiteral("edid")).toString().toLatin1();
    hex.replace(' ', "").replace('\n', "").replace('\t', "");
    if (hex.size() % 2 != 0) {
        error = QStringLiteral("EDID of %1 has an odd number of hex digits")
                    .arg(object.value(QStringLiteral("output")).toString());
        return false;
    }
    if (hex.size() > 2 * kMaxEdidBytes) {
        error = QStringLiteral("EDID of %1 is larger than %2 bytes")
                    .arg(object.value(QStringLiteral("output")).toString())
                    .arg(kMaxEdidBytes);
        return false;
    }
    for (const char c : std::as_const(hex)) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            error = QStringLiteral("EDID of %1 is not hex text")
                        .arg(object.value(QStringLiteral("output")).toString());
            return false;
        }
    }
    edid = QByteArray::fromHex(hex);
    return true;
}

QRect readRect(const QJsonValue& value)
{
    const QJsonArray array = value.toArray();
    if (array.size() != 4)
        return {};
    const QRect rect(array.at(0).toInt(), array.at(1).toInt(), array.at(2).toInt(), array.at(3).toInt());
    return validRect(rect) ? rect : QRect();
}

QJsonArray rectJson(const QRect& rect)
{
    return {rect.x(), rect.y(), rect.width(), rect.height()};
}

} // namespace

SimWorkstation::SimWorkstation(QObject* parent) : QObject(parent) {}

QString SimWorkstation::defaultWorkstationFile()
{
    return QStringLiteral(":/sim/default-workstation.json");
}

bool SimWorkstation::loadFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("can't open workstation file %1").arg(path);
        return false;
    }
    const QString baseDir = path.startsWith(QLatin1Char(':')) ? QString() : QFileInfo(path).absolutePath();
    const QByteArray json = file.read(kMaxWorkstationBytes + 1);
    if (json.size() > kMaxWorkstationBytes) {
        if (error)
            *error = QStringLiteral("workstation file %1 is larger than %2 bytes")
                         .arg(path)
                         .arg(kMaxWorkstationBytes);
        return false;
    }
    return loadJson(json, baseDir, error);
}

bool SimWorkstation::loadJson(const QByteArray& json, const QString& baseDir, QString* error)
{
    auto fail = [error](const QString& message) {
        if (error)
            *error = message;
        return false;
    };
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return fail(
            QStringLiteral("workstation file is not a JSON object: %1").arg(parseError.errorString()));
    if (!document.isObject())
        return fail(QStringLiteral("workstation file is not a JSON object: it holds %1")
                        .arg(document.isArray() ? QStringLiteral("an array") : QStringLiteral("nothing")));
    const QJsonObject root = document.object();

    QList<SimVideoCard> cards;
    for (const QJsonValue& value : root.value(QStringLiteral("videoCards")).toArray()) {
        const QJsonObject object = value.toObject();
        SimVideoCard card;
        card.id = object.value(QStringLiteral("id")).toString();
        card.name = object.value(QStringLiteral("name")).toString(card.id);
        card.pciId = object.value(QStringLiteral("pciId")).toString();
        card.driver = object.value(QStringLiteral("driver")).toString(QStringLiteral("simgpu"));
        card.rampSize = object.value(QStringLiteral("rampSize")).toInt(256);
        if (card.id.isEmpty())
            return fail(QStringLiteral("a video card has no id"));
        cards.append(card);
    }

    QList<SimDisplay> displays;
    for (const QJsonValue& value : root.value(QStringLiteral("displays")).toArray()) {
        const QJsonObject object = value.toObject();
        SimDisplay display;
        display.output = object.value(QStringLiteral("output")).toString();
        display.cardId = object.value(QStringLiteral("card")).toString();
        display.connected = object.value(QStringLiteral("connected")).toBool(true);
        display.power = parsePower(object.value(QStringLiteral("power")).toString(QStringLiteral("on")))
                            .value_or(SimDisplay::Power::On);
        display.rect = readRect(object.value(QStringLiteral("rect")));
        display.config = object;
        if (display.output.isEmpty())
            return fail(QStringLiteral("a display has no output name"));
        QString edidError;
        if (!readEdid(object, baseDir, display.edid, edidError))
            return fail(edidError);
        displays.append(display);
    }

    QList<SimHidEntry> hid;
    auto addHid = [&hid](const QJsonObject& object, const QString& output) {
        SimHidEntry entry;
        entry.output = object.value(QStringLiteral("display")).toString(output);
        entry.path =
            object.value(QStringLiteral("path")).toString(QStringLiteral("sim-hid-%1").arg(hid.size()));
        entry.connected = object.value(QStringLiteral("connected")).toBool(true);
        entry.config = object;
        hid.append(entry);
    };
    for (const QJsonValue& value : root.value(QStringLiteral("hidDevices")).toArray())
        addHid(value.toObject(), QString());
    for (const SimDisplay& display : std::as_const(displays)) {
        for (const QJsonValue& value : display.config.value(QStringLiteral("sensors")).toArray())
            addHid(value.toObject(), display.output);
    }

    QMutexLocker locker(&m_mutex);
    m_name = root.value(QStringLiteral("name")).toString(QStringLiteral("simulated workstation"));
    m_locked = root.value(QStringLiteral("session")).toObject().value(QStringLiteral("locked")).toBool(false);
    m_cards = cards;
    m_displays = displays;
    m_hid = hid;
    m_serialPorts = root.value(QStringLiteral("serialPorts")).toObject();
    m_ambientLux.clear();
    m_patches.clear();
    return true;
}

QString SimWorkstation::name() const
{
    QMutexLocker locker(&m_mutex);
    return m_name;
}

QList<SimVideoCard> SimWorkstation::videoCards() const
{
    QMutexLocker locker(&m_mutex);
    return m_cards;
}

std::optional<SimVideoCard> SimWorkstation::videoCard(const QString& id) const
{
    QMutexLocker locker(&m_mutex);
    for (const SimVideoCard& card : m_cards) {
        if (card.id == id)
            return card;
    }
    return std::nullopt;
}

QList<SimDisplay> SimWorkstation::displays() const
{
    QMutexLocker locker(&m_mutex);
    return m_displays;
}

std::optional<SimDisplay> SimWorkstation::display(const QString& output) const
{
    QMutexLocker locker(&m_mutex);
    for (const SimDisplay& display : m_displays) {
        if (display.output == output)
            return display;
    }
    return std::nullopt;
}

bool SimWorkstation::isLocked() const
{
    QMutexLocker locker(&m_mutex);
    return m_locked;
}

QJsonObject SimWorkstation::apply(const QJsonObject& command)
{
    const QString cmd = command.value(QStringLiteral("cmd")).toString();
    const QString output = command.value(QStringLiteral("output")).toString();
    if (cmd == QLatin1String("state"))
        return state();
    if (cmd == QLatin1String("lock"))
        return setLocked(true);
    if (cmd == QLatin1String("unlock"))
        return setLocked(false);
    if (cmd == QLatin1String("plug"))
        return setConnected(output, true);
    if (cmd == QLatin1String("unplug"))
        return setConnected(output, false);
    if (cmd == QLatin1String("power"))
        return setPower(output, command.value(QStringLiteral("state")).toString());
    if (cmd == QLatin1String("disconnect") || cmd == QLatin1String("connect")) {
        Q_EMIT consoleConnectionChanged(cmd == QLatin1String("connect"));
        return success();
    }
    if (cmd == QLatin1String("sleep") || cmd == QLatin1String("wake")) {
        Q_EMIT prepareForSleep(cmd == QLatin1String("sleep"));
        return success();
    }
    if (cmd == QLatin1String("geometry")) {
        Q_EMIT displayGeometryChanged();
        return success();
    }
    if (cmd == QLatin1String("logoff")) {
        Q_EMIT sessionEnding();
        Q_EMIT closeRequested();
        return success();
    }
    if (cmd == QLatin1String("hotkey")) {
        Q_EMIT hotKeyPressed(command.value(QStringLiteral("keys")).toString());
        return success();
    }
    if (cmd == QLatin1String("light"))
        return setLight(output, command.value(QStringLiteral("state")).toString());
    if (cmd == QLatin1String("patch"))
        return setPatch(output, command.value(QStringLiteral("state")).toString());
    if (cmd == QLatin1String("hidplug") || cmd == QLatin1String("hidunplug"))
        return setHidPlugged(output, cmd == QLatin1String("hidplug"));
    if (cmd == QLatin1String("close")) {
        Q_EMIT closeRequested();
        return success();
    }
    // The command-line client puts the first word after the command into "output" and the
    // second into "state".
    if (cmd == QLatin1String("screensaver"))
        return setScreenSaver(command.value(QStringLiteral("state")).toString(output));
    if (cmd == QLatin1String("clock"))
        return moveClock(output, command.value(QStringLiteral("state")).toString());
    if (cmd == QLatin1String("click"))
        return clickNotification(output, command.value(QStringLiteral("state")).toString());
    return failure(QStringLiteral("unknown command \"%1\"").arg(cmd));
}

QList<SimHidEntry> SimWorkstation::hidDevices(bool includeUnplugged) const
{
    QMutexLocker locker(&m_mutex);
    QList<SimHidEntry> result;
    for (const SimHidEntry& entry : m_hid) {
        if (entry.connected || includeUnplugged)
            result.append(entry);
    }
    return result;
}

QJsonObject SimWorkstation::serialPorts() const
{
    QMutexLocker locker(&m_mutex);
    ++m_serialPortListings;
    return m_serialPorts;
}

int SimWorkstation::serialPortListings() const
{
    QMutexLocker locker(&m_mutex);
    return m_serialPortListings;
}

std::optional<SimHidEntry> SimWorkstation::hidDevice(const QString& path) const
{
    QMutexLocker locker(&m_mutex);
    for (const SimHidEntry& entry : m_hid) {
        if (entry.path == path)
            return entry;
    }
    return std::nullopt;
}

void SimWorkstation::setHidConnected(const QString& path, bool connected)
{
    QMutexLocker locker(&m_mutex);
    for (SimHidEntry& entry : m_hid) {
        if (entry.path == path)
            entry.connected = connected;
    }
}

double SimWorkstation::ambientLux(const QString& output) const
{
    QMutexLocker locker(&m_mutex);
    const auto it = m_ambientLux.constFind(output);
    if (it != m_ambientLux.constEnd())
        return *it;
    for (const SimDisplay& display : m_displays) {
        if (display.output == output)
            return display.config.value(QStringLiteral("ambientLux")).toDouble(0.0);
    }
    return 0.0;
}

void SimWorkstation::setAmbientLux(const QString& output, double lux)
{
    QMutexLocker locker(&m_mutex);
    m_ambientLux.insert(output, lux);
}

std::array<double, 3> SimWorkstation::shownPatch(const QString& output) const
{
    QMutexLocker locker(&m_mutex);
    return m_patches.value(output, {1.0, 1.0, 1.0});
}

void SimWorkstation::setShownPatch(const QString& output, const std::array<double, 3>& rgb)
{
    QMutexLocker locker(&m_mutex);
    m_patches.insert(
        output, {std::clamp(rgb[0], 0.0, 1.0), std::clamp(rgb[1], 0.0, 1.0), std::clamp(rgb[2], 0.0, 1.0)});
}

QJsonObject SimWorkstation::setLight(const QString& output, const QString& lux)
{
    bool ok = false;
    const double value = lux.toDouble(&ok);
    if (!ok || value < 0 || !std::isfinite(value))
        return failure(QStringLiteral("light must be a number of lux, not \"%1\"").arg(lux));
    if (!display(output))
        return failure(QStringLiteral("no display on output \"%1\"").arg(output));
    setAmbientLux(output, value);
    return success();
}

QJsonObject SimWorkstation::setPatch(const QString& output, const QString& rgb)
{
    const QStringList parts = rgb.split(QLatin1Char(','));
    std::array<double, 3> levels{};
    bool ok = parts.size() == 3;
    for (int i = 0; ok && i < 3; ++i) {
        const int value = parts.at(i).trimmed().toInt(&ok);
        ok = ok && value >= 0 && value <= 255;
        levels[static_cast<size_t>(i)] = value / 255.0;
    }
    if (!ok)
        return failure(QStringLiteral("a patch is R,G,B from 0 to 255, not \"%1\"").arg(rgb));
    if (!display(output))
        return failure(QStringLiteral("no display on output \"%1\"").arg(output));
    setShownPatch(output, levels);
    return success();
}

QJsonObject SimWorkstation::setHidPlugged(const QString& path, bool connected)
{
    if (!hidDevice(path))
        return failure(QStringLiteral("no HID device \"%1\"").arg(path));
    setHidConnected(path, connected);
    return success();
}

QJsonObject SimWorkstation::setLocked(bool locked)
{
    {
        QMutexLocker locker(&m_mutex);
        m_locked = locked;
    }
    Q_EMIT sessionLockChanged(locked);
    return success();
}

SimWorkstation::ScreenSaverState SimWorkstation::screenSaver() const
{
    QMutexLocker locker(&m_mutex);
    return m_screenSaver;
}

bool SimWorkstation::stopScreenSaver()
{
    QMutexLocker locker(&m_mutex);
    if (m_screenSaver != ScreenSaverState::Running)
        return false;
    m_screenSaver = ScreenSaverState::Off;
    return true;
}

void SimWorkstation::keepAwake()
{
    QMutexLocker locker(&m_mutex);
    ++m_keepAwakeRequests;
}

qint64 SimWorkstation::clockOffset() const
{
    QMutexLocker locker(&m_mutex);
    return m_clockOffset;
}

QJsonObject SimWorkstation::setScreenSaver(const QString& state)
{
    ScreenSaverState value = ScreenSaverState::Off;
    if (state == QLatin1String("on"))
        value = ScreenSaverState::Running;
    else if (state == QLatin1String("locked"))
        value = ScreenSaverState::Locked;
    else if (state != QLatin1String("off"))
        return failure(QStringLiteral("screen saver state must be on, off or locked, not \"%1\"").arg(state));
    QMutexLocker locker(&m_mutex);
    m_screenSaver = value;
    return success();
}

QJsonObject SimWorkstation::moveClock(const QString& how, const QString& seconds)
{
    bool ok = false;
    const qint64 value = seconds.toLongLong(&ok);
    if (!ok || (how != QLatin1String("advance") && how != QLatin1String("offset")))
        return failure(QStringLiteral("clock advance SECONDS | clock offset SECONDS"));
    {
        QMutexLocker locker(&m_mutex);
        m_clockOffset = how == QLatin1String("advance") ? m_clockOffset + value : value;
    }
    Q_EMIT clockChanged();
    return success();
}

QJsonObject SimWorkstation::clickNotification(const QString& button, const QString& minutes)
{
    if (button == QLatin1String("perform")) {
        Q_EMIT notificationClicked(button, 0);
        return success();
    }
    bool ok = false;
    const int value = minutes.toInt(&ok);
    if (button != QLatin1String("remind") || !ok || value <= 0)
        return failure(QStringLiteral("click perform | click remind MINUTES"));
    Q_EMIT notificationClicked(button, value * 60);
    return success();
}

QJsonObject SimWorkstation::setConnected(const QString& output, bool connected)
{
    bool changed = false;
    {
        QMutexLocker locker(&m_mutex);
        auto it = std::find_if(m_displays.begin(), m_displays.end(),
                               [&output](const SimDisplay& display) { return display.output == output; });
        if (it == m_displays.end())
            return failure(QStringLiteral("no display on output \"%1\"").arg(output));
        changed = it->connected != connected;
        it->connected = connected;
    }
    if (changed) {
        Q_EMIT displayConnectionChanged(output, connected);
        Q_EMIT displayGeometryChanged();
    }
    return success();
}

QJsonObject SimWorkstation::setPower(const QString& output, const QString& state)
{
    const auto power = parsePower(state);
    if (!power)
        return failure(QStringLiteral("power state must be on, off or dim, not \"%1\"").arg(state));
    QStringList changed;
    {
        QMutexLocker locker(&m_mutex);
        for (SimDisplay& display : m_displays) {
            if (!output.isEmpty() && display.output != output)
                continue;
            display.power = *power;
            changed << display.output;
        }
    }
    if (changed.isEmpty())
        return failure(QStringLiteral("no display on output \"%1\"").arg(output));
    for (const QString& name : std::as_const(changed))
        Q_EMIT displayPowerChanged(name, *power);
    return success();
}

QJsonObject SimWorkstation::state() const
{
    QMutexLocker locker(&m_mutex);
    QJsonArray displays;
    for (const SimDisplay& display : m_displays) {
        displays.append(QJsonObject{{QStringLiteral("output"), display.output},
                                    {QStringLiteral("card"), display.cardId},
                                    {QStringLiteral("connected"), display.connected},
                                    {QStringLiteral("power"), powerName(display.power)},
                                    {QStringLiteral("rect"), rectJson(display.rect)},
                                    {QStringLiteral("edidBytes"), display.edid.size()}});
    }
    QJsonArray cards;
    for (const SimVideoCard& card : m_cards) {
        cards.append(QJsonObject{{QStringLiteral("id"), card.id},
                                 {QStringLiteral("name"), card.name},
                                 {QStringLiteral("pciId"), card.pciId},
                                 {QStringLiteral("rampSize"), card.rampSize}});
    }
    QJsonArray hid;
    for (const SimHidEntry& entry : m_hid) {
        hid.append(QJsonObject{{QStringLiteral("path"), entry.path},
                               {QStringLiteral("display"), entry.output},
                               {QStringLiteral("connected"), entry.connected}});
    }
    return {{QStringLiteral("ok"), true},
            {QStringLiteral("hidDevices"), hid},
            {QStringLiteral("name"), m_name},
            {QStringLiteral("locked"), m_locked},
            {QStringLiteral("screenSaver"), m_screenSaver == ScreenSaverState::Off ? QStringLiteral("off")
                                            : m_screenSaver == ScreenSaverState::Running
                                                ? QStringLiteral("on")
                                                : QStringLiteral("locked")},
            {QStringLiteral("keepAwakeRequests"), m_keepAwakeRequests},
            {QStringLiteral("clockOffset"), m_clockOffset},
            {QStringLiteral("videoCards"), cards},
            {QStringLiteral("displays"), displays}};
}
