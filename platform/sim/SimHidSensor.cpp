#include "platform/sim/SimHidSensor.h"

#include "platform/sim/SimGammaRamps.h"
#include "platform/sim/SimWorkstation.h"

#include <QJsonArray>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kReportSize = 64;

using Vec3 = std::array<double, 3>;
using Mat3 = std::array<Vec3, 3>; // rows

Vec3 xyToXYZ(double x, double y)
{
    return {x / y, 1.0, (1.0 - x - y) / y};
}

bool invert(const Mat3& m, Mat3& out)
{
    const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                       m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                       m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    if (std::abs(det) < 1e-12)
        return false;
    out[0] = {(m[1][1] * m[2][2] - m[1][2] * m[2][1]) / det, (m[0][2] * m[2][1] - m[0][1] * m[2][2]) / det,
              (m[0][1] * m[1][2] - m[0][2] * m[1][1]) / det};
    out[1] = {(m[1][2] * m[2][0] - m[1][0] * m[2][2]) / det, (m[0][0] * m[2][2] - m[0][2] * m[2][0]) / det,
              (m[0][2] * m[1][0] - m[0][0] * m[1][2]) / det};
    out[2] = {(m[1][0] * m[2][1] - m[1][1] * m[2][0]) / det, (m[0][1] * m[2][0] - m[0][0] * m[2][1]) / det,
              (m[0][0] * m[1][1] - m[0][1] * m[1][0]) / det};
    return true;
}

Vec3 multiply(const Mat3& m, const Vec3& v)
{
    return {m[0][0] * v[0] + m[0][1] * v[1] + m[0][2] * v[2],
            m[1][0] * v[0] + m[1][1] * v[1] + m[1][2] * v[2],
            m[2][0] * v[0] + m[2][1] * v[1] + m[2][2] * v[2]};
}

Vec3 readXY(const QJsonValue& value, double x, double y)
{
    const QJsonArray pair = value.toArray();
    if (pair.size() == 2 && pair.at(1).toDouble() > 0)
        return xyToXYZ(pair.at(0).toDouble(), pair.at(1).toDouble());
    return xyToXYZ(x, y);
}

// The output of the card's ramp at drive level `level` (0..1), as a fraction of full scale.
double throughRamp(const std::vector<std::uint16_t>& channel, double level)
{
    if (channel.size() < 2)
        return level;
    const double position = std::clamp(level, 0.0, 1.0) * static_cast<double>(channel.size() - 1);
    const auto low = static_cast<size_t>(std::floor(position));
    const size_t high = std::min(low + 1, channel.size() - 1);
    const double t = position - static_cast<double>(low);
    return ((1.0 - t) * channel[low] + t * channel[high]) / 65535.0;
}

QString number(double value)
{
    return QString::number(value, 'f', 4);
}

} // namespace

SimHidSensor::SimHidSensor(SimWorkstation& workstation, const SimGammaRamps& ramps, QString path)
    : m_workstation(workstation), m_ramps(ramps), m_path(std::move(path))
{
}

QJsonObject SimHidSensor::config() const
{
    const std::optional<SimHidEntry> entry = m_workstation.hidDevice(m_path);
    return entry ? entry->config : QJsonObject();
}

bool SimHidSensor::present()
{
    const std::optional<SimHidEntry> entry = m_workstation.hidDevice(m_path);
    if (entry && entry->connected)
        return true;
    m_error = QStringLiteral("device %1 is gone").arg(m_path);
    m_pending.clear();
    return false;
}

int SimHidSensor::write(const QByteArray& report)
{
    if (!present())
        return -1;
    if (report.size() < 2 || report.at(0) != 0) {
        m_error = QStringLiteral("report id must be 0");
        return -1;
    }
    const int length = static_cast<unsigned char>(report.at(1));
    const QString text = QString::fromLatin1(report.mid(2, length));
    const QJsonObject faults = config().value(QStringLiteral("faults")).toObject();
    ++m_commands;
    const int unplugAfter = faults.value(QStringLiteral("unplugAfter")).toInt(0);
    if (unplugAfter > 0 && m_commands >= unplugAfter) {
        // Pulled out while it works on the command: no answer ever comes.
        m_workstation.setHidConnected(m_path, false);
        return static_cast<int>(report.size());
    }
    const QJsonArray raw = faults.value(QStringLiteral("rawReports")).toArray();
    if (!raw.isEmpty()) {
        if (m_rawAnswered < raw.size()) {
            const QJsonValue answer = raw.at(m_rawAnswered++);
            const QJsonArray reports = answer.isArray() ? answer.toArray() : QJsonArray{answer};
            for (const QJsonValue& one : reports)
                m_rawPending.push_back(QByteArray::fromHex(one.toString().toLatin1()));
        }
        return static_cast<int>(report.size());
    }
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty() || length > kReportSize - 1)
        return static_cast<int>(report.size()); // the device ignores what it cannot read
    const int debugLines = faults.value(QStringLiteral("debugLines")).toInt(0);
    for (int i = 0; i < debugLines; ++i)
        m_pending.push_back(QStringLiteral("#dbg %1 %2").arg(words.first()).arg(i).toLatin1());
    for (QString line : answer(words)) {
        if (faults.value(QStringLiteral("wrongEcho")).toBool())
            line = QStringLiteral("nak") + line.mid(line.indexOf(QLatin1Char(' ')));
        m_pending.push_back(line.toLatin1().left(kReportSize - 1));
    }
    m_late = faults.value(QStringLiteral("slowMs")).toInt(0) > 0;
    return static_cast<int>(report.size());
}

int SimHidSensor::read(QByteArray& report, int maxLength, int timeoutMs)
{
    report.clear();
    if (!present())
        return -1;
    const QJsonObject faults = config().value(QStringLiteral("faults")).toObject();
    if (m_late && faults.value(QStringLiteral("slowMs")).toInt(0) > timeoutMs) {
        // The answer is on its way but arrives after this read gave up.
        m_late = false;
        return 0;
    }
    if (!m_rawPending.empty()) {
        report = m_rawPending.front().left(std::max(maxLength, 0));
        m_rawPending.pop_front();
        return static_cast<int>(report.size());
    }
    if (m_pending.empty())
        return 0;
    const QByteArray text = m_pending.front();
    m_pending.pop_front();
    QByteArray out(kReportSize, '\0');
    out[0] = static_cast<char>(faults.value(QStringLiteral("damagedSize")).toBool() ? kReportSize + 10
                                                                                    : text.size());
    std::copy(text.begin(), text.end(), out.begin() + 1);
    report = out.left(std::max(maxLength, 0));
    return static_cast<int>(report.size());
}

int SimHidSensor::sendFeatureReport(const QByteArray&)
{
    m_error = QStringLiteral("no feature reports");
    return -1;
}

int SimHidSensor::getFeatureReport(quint8, QByteArray& report, int)
{
    report.clear();
    m_error = QStringLiteral("no feature reports");
    return -1;
}

std::array<double, 3> SimHidSensor::panelXYZ(const SimWorkstation& workstation, const SimGammaRamps& ramps,
                                             const QString& output, const std::array<double, 3>& rgb)
{
    const std::optional<SimDisplay> display = workstation.display(output);
    if (!display || !display->connected || display->power != SimDisplay::Power::On)
        return {0.0, 0.0, 0.0};
    const QJsonObject panel = display->config.value(QStringLiteral("panel")).toObject();
    const double white = panel.value(QStringLiteral("white")).toDouble(250.0);
    const double black = panel.value(QStringLiteral("black")).toDouble(0.25);
    const double gamma = panel.value(QStringLiteral("gamma")).toDouble(2.2);
    const QJsonArray primaries = panel.value(QStringLiteral("primaries")).toArray();
    const Vec3 r = readXY(primaries.at(0), 0.64, 0.33);
    const Vec3 g = readXY(primaries.at(1), 0.30, 0.60);
    const Vec3 b = readXY(primaries.at(2), 0.15, 0.06);
    const Vec3 w = readXY(panel.value(QStringLiteral("whitePoint")), 0.3127, 0.3290);
    const Mat3 p{{{r[0], g[0], b[0]}, {r[1], g[1], b[1]}, {r[2], g[2], b[2]}}};
    Mat3 inverse{};
    if (!invert(p, inverse))
        return {0.0, 0.0, 0.0};
    const Vec3 scale = multiply(inverse, w);

    int size = 256;
    if (const auto card = workstation.videoCard(display->cardId))
        size = card->rampSize;
    GammaRamp ramp;
    if (!ramps.load(output, size, ramp, nullptr))
        ramp = {};
    Vec3 linear{};
    for (size_t c = 0; c < 3; ++c)
        linear[c] = std::pow(throughRamp(ramp[c], rgb[c]), gamma) * scale[c];
    const Vec3 xyz = multiply(p, linear);
    Vec3 result{};
    for (size_t c = 0; c < 3; ++c)
        result[c] = black * w[c] + (white - black) * xyz[c];
    return result;
}

std::array<double, 3> SimHidSensor::measure() const
{
    const std::optional<SimHidEntry> entry = m_workstation.hidDevice(m_path);
    if (!entry || entry->output.isEmpty())
        return {0.0, 0.0, 0.0};
    if (m_ambient) {
        // Built-in sensors give the room light in hundreds of lux.
        const double y = m_workstation.ambientLux(entry->output) / 100.0;
        return {0.9505 * y, y, 1.089 * y};
    }
    return panelXYZ(m_workstation, m_ramps, entry->output, m_workstation.shownPatch(entry->output));
}

QStringList SimHidSensor::answer(const QStringList& words)
{
    const QJsonObject device = config();
    const QString& command = words.first();
    const auto echo = [&command](const QString& rest) {
        return rest.isEmpty() ? command : command + QLatin1Char(' ') + rest;
    };
    // The boot loader takes firmware, not measurements.
    if (m_mode == QLatin1String("bootloader") && command != QLatin1String("getmode") &&
        command != QLatin1String("setmode") && command != QLatin1String("setfwdata") &&
        command != QLatin1String("writepage") && command != QLatin1String("reset"))
        return {QStringLiteral("error ") + command};
    const auto identity = [&](const char* key, const QString& configured) {
        return m_identity.value(QLatin1String(key), configured);
    };
    const auto rest = [&words] { return words.mid(1).join(QLatin1Char(' ')); };
    if (command == QLatin1String("setsn") || command == QLatin1String("setmanufacturer") ||
        command == QLatin1String("setmodel")) {
        if (words.size() < 2)
            return {QStringLiteral("error ") + command};
        m_identity.insert(command.mid(3), rest());
        return {command};
    }
    if (command == QLatin1String("getmode"))
        return {echo(m_mode)};
    if (command == QLatin1String("setmode")) {
        if (words.value(1) == QLatin1String("sensor") || words.value(1) == QLatin1String("bootloader"))
            m_mode = words.value(1);
        return {echo(m_mode)};
    }
    if (command == QLatin1String("tablescount"))
        return {echo(QString::number(m_tables.size()))};
    if (command == QLatin1String("tableinfo")) {
        bool ok = false;
        const int table = words.value(1).toInt(&ok);
        if (!ok || table < 0 || table >= m_tables.size())
            return {QStringLiteral("error tableinfo")};
        return {echo(m_tables.at(table))};
    }
    if (command == QLatin1String("addtable")) {
        if (words.size() < 2)
            return {QStringLiteral("error addtable")};
        m_tables << rest();
        return {echo(QString::number(m_tables.size() - 1))};
    }
    if (command == QLatin1String("deletetables")) {
        m_tables.clear();
        return {command};
    }
    if (command == QLatin1String("setfwdata") || command == QLatin1String("writepage")) {
        bool ok = false;
        const int page = words.value(1).toInt(&ok);
        if (!ok || words.size() < 3)
            return {QStringLiteral("error ") + command};
        m_pages.insert(page, words.mid(2).join(QLatin1Char(' ')));
        return {echo(words.value(1))};
    }
    if (command == QLatin1String("rawadc") || command == QLatin1String("autorawadc") ||
        command == QLatin1String("autocorr") || command == QLatin1String("timerawmeas")) {
        // Converter counts of the three channels: what getxyz reports, before calibration.
        const std::array<double, 3> xyz = measure();
        return {echo(QStringLiteral("%1 %2 %3")
                         .arg(std::lround(xyz[0] * 100))
                         .arg(std::lround(xyz[1] * 100))
                         .arg(std::lround(xyz[2] * 100)))};
    }
    if (command == QLatin1String("getxyz")) {
        const std::array<double, 3> xyz = measure();
        return {echo(number(xyz[0]) + QLatin1Char(' ') + number(xyz[1]) + QLatin1Char(' ') + number(xyz[2]))};
    }
    if (command == QLatin1String("getmanufacturer"))
        return {echo(identity("manufacturer",
                              device.value(QStringLiteral("vendor"))
                                  .toString(device.value(QStringLiteral("manufacturer")).toString())))};
    if (command == QLatin1String("getmodel"))
        return {echo(identity("model", device.value(QStringLiteral("model"))
                                           .toString(device.value(QStringLiteral("product")).toString())))};
    if (command == QLatin1String("getsn"))
        return {echo(identity("sn", device.value(QStringLiteral("serial")).toString()))};
    if (command == QLatin1String("fwver"))
        return {echo(device.value(QStringLiteral("firmware")).toString(QStringLiteral("1.4.2")))};
    if (command == QLatin1String("sensorinfo"))
        return {echo(QStringLiteral("2 1 4096"))};
    if (command == QLatin1String("setambient")) {
        m_ambient = words.value(1) == QLatin1String("on");
        return {echo(words.value(1))};
    }
    if (command == QLatin1String("callist")) {
        QStringList tables;
        for (const QJsonValue& value : device.value(QStringLiteral("calibrations")).toArray())
            tables << value.toString();
        if (tables.isEmpty())
            tables << QStringLiteral("0,0,LCD") << QStringLiteral("0,1,WLED") << QStringLiteral("0,2,OLED");
        return {echo(tables.join(QLatin1Char(' ')))};
    }
    if (command == QLatin1String("calcurrent"))
        return {echo(QStringLiteral("%1 %2").arg(m_group).arg(m_index))};
    if (command == QLatin1String("selectcal")) {
        bool okGroup = false;
        bool okIndex = false;
        const int group = words.value(1).toInt(&okGroup);
        const int index = words.value(2).toInt(&okIndex);
        if (!okGroup || !okIndex)
            return {QStringLiteral("error selectcal")};
        m_group = group;
        m_index = index;
        return {echo(QString())};
    }
    if (command == QLatin1String("getspeccals")) {
        QStringList lines;
        for (const QJsonValue& value : device.value(QStringLiteral("specificCalibrations")).toArray())
            lines << echo(value.toString());
        lines << echo(QStringLiteral("end"));
        return lines;
    }
    if (command == QLatin1String("reset")) {
        m_mode = QStringLiteral("sensor");
        m_ambient = false;
        return {echo(QString())};
    }
    return {QStringLiteral("error ") + command};
}
