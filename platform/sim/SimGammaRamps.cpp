#include "platform/sim/SimGammaRamps.h"

#include "platform/sim/SimGammaRampDevice.h"
#include "platform/sim/SimWorkstation.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutexLocker>
#include <QSaveFile>

namespace {

// The largest ramp a card model may declare; real cards stop at a few thousand entries.
constexpr int MAX_RAMP_SIZE = 65536;

const char* const CHANNEL_KEYS[] = {"red", "green", "blue"};

QJsonObject faults(const SimDisplay& display)
{
    return display.config.value(QStringLiteral("gammaRamp")).toObject();
}

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

} // namespace

SimGammaRamps::SimGammaRamps(const SimWorkstation& workstation, QString stateDirectory)
    : m_workstation(workstation), m_stateDirectory(std::move(stateDirectory))
{
}

std::unique_ptr<GammaRampDevice> SimGammaRamps::open(const QString& output, QString* error) const
{
    const std::optional<SimDisplay> display = m_workstation.display(output);
    if (!display) {
        setError(error, QStringLiteral("no output %1").arg(output));
        return nullptr;
    }
    if (!display->connected) {
        setError(error, QStringLiteral("output %1 is not connected").arg(output));
        return nullptr;
    }
    if (faults(*display).value(QStringLiteral("refuse")).toBool()) {
        setError(error, QStringLiteral("the driver of %1 refuses gamma ramps").arg(output));
        return nullptr;
    }
    const std::optional<SimVideoCard> card = m_workstation.videoCard(display->cardId);
    const int size = card ? card->rampSize : 0;
    if (size < 2 || size > MAX_RAMP_SIZE) {
        setError(error, QStringLiteral("output %1 has no usable gamma ramp (size %2)").arg(output).arg(size));
        return nullptr;
    }
    return std::make_unique<SimGammaRampDevice>(
        *this, output, size, faults(*display).value(QStringLiteral("ignoresRepeatedRamp")).toBool());
}

QStringList SimGammaRamps::outputs() const
{
    QStringList names;
    for (const SimDisplay& display : m_workstation.displays()) {
        if (open(display.output))
            names << display.output;
    }
    return names;
}

int SimGammaRamps::writeCount(const QString& output) const
{
    QMutexLocker lock(&m_mutex);
    return m_writes.value(output);
}

bool SimGammaRamps::load(const QString& output, int size, GammaRamp& ramp, QString* error) const
{
    const std::optional<SimDisplay> display = m_workstation.display(output);
    if (!display || !display->connected) {
        setError(error, QStringLiteral("output %1 is gone").arg(output));
        return false;
    }
    if (faults(*display).value(QStringLiteral("failReads")).toBool()) {
        setError(error, QStringLiteral("the driver of %1 fails to read the ramp").arg(output));
        return false;
    }
    QMutexLocker lock(&m_mutex);
    ramp = currentRamp(output, size);
    return true;
}

bool SimGammaRamps::store(const QString& output, const GammaRamp& ramp, QString* error) const
{
    const std::optional<SimDisplay> display = m_workstation.display(output);
    if (!display || !display->connected) {
        setError(error, QStringLiteral("output %1 is gone").arg(output));
        return false;
    }
    QMutexLocker lock(&m_mutex);
    int& failed = m_failedWrites[output];
    if (failed < faults(*display).value(QStringLiteral("failWrites")).toInt()) {
        ++failed;
        setError(error, QStringLiteral("the driver of %1 refuses the ramp").arg(output));
        return false;
    }
    failed = 0;
    m_ramps.insert(output, ramp);
    ++m_writes[output];
    writeStateFile(output, ramp);
    return true;
}

// Another process (the agent, lutloaderctl) may have written the card since this one
// last looked, so the state file wins over what this process remembers.
GammaRamp SimGammaRamps::currentRamp(const QString& output, int size) const
{
    if (const std::optional<GammaRamp> stored = readStateFile(output, size)) {
        m_ramps.insert(output, *stored);
        return *stored;
    }
    const auto cached = m_ramps.constFind(output);
    if (cached != m_ramps.constEnd() && static_cast<int>(cached->front().size()) == size)
        return *cached;
    return linearRamp(size);
}

QString SimGammaRamps::stateFile(const QString& output) const
{
    QString name = output;
    for (QChar& c : name) {
        if (!c.isLetterOrNumber() && c != QLatin1Char('-'))
            c = QLatin1Char('_');
    }
    return QDir(m_stateDirectory).filePath(name + QStringLiteral(".json"));
}

GammaRamp SimGammaRamps::linearRamp(int size)
{
    GammaRamp ramp;
    for (auto& channel : ramp) {
        channel.resize(size);
        for (int i = 0; i < size; ++i)
            channel[i] =
                static_cast<std::uint16_t>((static_cast<qint64>(i) * 65535 + (size - 1) / 2) / (size - 1));
    }
    return ramp;
}

// A state file that is unreadable or of another size is reported and ignored; the next
// write replaces it.
std::optional<GammaRamp> SimGammaRamps::readStateFile(const QString& output, int size) const
{
    QFile file(stateFile(output));
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
    GammaRamp ramp;
    for (int c = 0; c < 3; ++c) {
        const QJsonArray values = object.value(QLatin1String(CHANNEL_KEYS[c])).toArray();
        if (values.size() != size) {
            qDebug() << "SimGammaRamps: state of" << output << "in" << file.fileName()
                     << "does not fit a ramp of" << size << "entries; ignored";
            return std::nullopt;
        }
        for (const QJsonValue& value : values)
            ramp[c].push_back(static_cast<std::uint16_t>(qBound(0, value.toInt(), 65535)));
    }
    return ramp;
}

void SimGammaRamps::writeStateFile(const QString& output, const GammaRamp& ramp) const
{
    QJsonObject object;
    for (int c = 0; c < 3; ++c) {
        QJsonArray values;
        for (const std::uint16_t value : ramp[c])
            values.append(value);
        object.insert(QLatin1String(CHANNEL_KEYS[c]), values);
    }
    QDir().mkpath(m_stateDirectory);
    QSaveFile file(stateFile(output));
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(QJsonDocument(object).toJson(QJsonDocument::Compact)) < 0 || !file.commit())
        qDebug() << "SimGammaRamps: cannot keep the ramp of" << output << "in" << file.fileName();
}
