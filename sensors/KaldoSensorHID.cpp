#include "sensors/KaldoSensorHID.h"

#include "displays/DisplayInfo.h"
#include "sensors/HidAPIWrapper.h"

#include <QDebug>

#include <cmath>

namespace {

constexpr int kReportSize = 65;
constexpr int kInputSize = 64;
// Debug lines are few; a device that sends nothing else is broken, not chatty.
constexpr int kMaxDebugLines = 32;

// Makers and products whose sensors speak this protocol.
const char* const kManufacturers[] = {"kaldo", "lumera"};
const char* const kProducts[] = {"sorvex", "front sensor"};

bool containsAny(const QString& text, const char* const* words, size_t count)
{
    const QString lower = text.toLower();
    for (size_t i = 0; i < count; ++i) {
        if (lower.contains(QLatin1String(words[i])))
            return true;
    }
    return false;
}

// Generic calibration names per display technology, as the device lists them.
QStringList tableNames(int type)
{
    switch (type) {
    case CSensor::CRT:
        return {QStringLiteral("CRT")};
    case CSensor::LCD:
        return {QStringLiteral("LCD"), QStringLiteral("CCFL")};
    case CSensor::WhiteLED:
        return {QStringLiteral("WLED")};
    case CSensor::RGBLED:
        return {QStringLiteral("RGBLED")};
    case CSensor::GBrLED:
        return {QStringLiteral("GBRLED")};
    case CSensor::OLED:
        return {QStringLiteral("OLED")};
    default:
        return {QStringLiteral("LED")};
    }
}

} // namespace

KaldoSensorHID::KaldoSensorHID(QString request)
    : CSensor(SENSOR_KALDO, CONNIFACE_USB), m_hid(std::make_unique<HidAPIWrapper>()),
      m_request(std::move(request))
{
}

KaldoSensorHID::~KaldoSensorHID() = default;

bool KaldoSensorHID::isKaldoDevice(const HidDeviceInfo& device)
{
    return containsAny(device.manufacturer, kManufacturers, std::size(kManufacturers)) &&
           containsAny(device.product, kProducts, std::size(kProducts));
}

bool KaldoSensorHID::isOpen() const
{
    return m_hid->isOpen();
}

const HidDeviceInfo& KaldoSensorHID::deviceInfo() const
{
    return m_hid->info();
}

bool KaldoSensorHID::connect(const QString& request, bool reportProblems)
{
    m_hid->close();
    m_problem.clear();
    const bool internal = request.startsWith(QLatin1String("INT"), Qt::CaseInsensitive);
    for (const HidDeviceInfo& device : m_hid->enumerate()) {
        if (!accepts(device))
            continue;
        const bool builtIn = device.serialNumber.startsWith(QLatin1String("INT"), Qt::CaseInsensitive);
        if (request.isEmpty()) {
            if (builtIn)
                continue;
        } else if (internal && request.compare(QLatin1String("INT"), Qt::CaseInsensitive) == 0) {
            if (!builtIn)
                continue;
        } else if (device.serialNumber.compare(request, Qt::CaseInsensitive) != 0 &&
                   device.path.compare(request, Qt::CaseInsensitive) != 0) {
            continue;
        }
        if (m_hid->open(device)) {
            m_request = request;
            return true;
        }
        m_problem = m_hid->lastError();
        if (reportProblems)
            qDebug() << "KaldoSensorHID::connect can't open" << device.path << m_problem;
    }
    return false;
}

bool KaldoSensorHID::reconnect(bool reportProblems)
{
    return connect(m_request, reportProblems);
}

bool KaldoSensorHID::IsConnected()
{
    if (m_hid->isOpen()) {
        const QString path = m_hid->info().path;
        for (const HidDeviceInfo& device : m_hid->enumerate()) {
            if (device.path == path)
                return true;
        }
        qDebug() << "KaldoSensorHID::IsConnected device is gone" << path;
        m_hid->close();
        return false;
    }
    return connect(m_request);
}

void KaldoSensorHID::DestroyConnectionHandle()
{
    m_hid->close();
}

bool KaldoSensorHID::SetParameters()
{
    return isOpen();
}

bool KaldoSensorHID::InternalCalibrate()
{
    // The device corrects its own dark current.
    return isOpen();
}

bool KaldoSensorHID::writeHid(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    if (bytes.size() > MaxCommandLength) {
        qDebug() << "KaldoSensorHID::writeHid. package too long";
        return false;
    }
    if (bytes.isEmpty() || !m_hid->isOpen())
        return false;
    QByteArray report(kReportSize, '\0');
    report[1] = static_cast<char>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), report.begin() + 2);
    if (m_hid->write(report) < 0) {
        qDebug() << "KaldoSensorHID::writeHid failed" << m_hid->lastError();
        return false;
    }
    return true;
}

bool KaldoSensorHID::readHid(QString& text)
{
    text.clear();
    if (!m_hid->isOpen())
        return false;
    for (int line = 0; line < kMaxDebugLines; ++line) {
        QByteArray report;
        const int n = m_hid->readTimeout(report, kInputSize, ReplyTimeoutMs);
        if (n <= 0) {
            qDebug() << "KaldoSensorHID::readHid" << (n == 0 ? "no answer in time" : "read failed")
                     << m_hid->lastError();
            return false;
        }
        const int length = static_cast<unsigned char>(report.at(0));
        if (length > n - 1) {
            qDebug() << "KaldoSensorHID::readHid package damaged. size byte is incorrect";
            return false;
        }
        const QString received = QString::fromLatin1(report.mid(1, length));
        if (received.startsWith(QLatin1Char('#'))) {
            qDebug().noquote() << "sensor debug_log: " + received;
            continue;
        }
        text = received;
        return true;
    }
    qDebug() << "KaldoSensorHID::readHid only debug lines";
    return false;
}

// An answer that came after its read gave up would otherwise be taken for the next one's.
void KaldoSensorHID::flushInput()
{
    QByteArray report;
    for (int i = 0; i < kMaxDebugLines && m_hid->readTimeout(report, kInputSize, 0) > 0; ++i) {
    }
}

bool KaldoSensorHID::writeReadHid(const QString& command, QString& reply)
{
    reply.clear();
    if (!m_hid->isOpen())
        return false;
    flushInput();
    return writeHid(command) && readHid(reply);
}

bool KaldoSensorHID::parseReply(const QString& reply, QStringList& tokens)
{
    tokens = reply.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return !tokens.isEmpty();
}

bool KaldoSensorHID::parseReply(const QString& reply, const QString& command, QStringList& tokens)
{
    const QString word = command.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
    if (!parseReply(reply, tokens) || tokens.first() != word) {
        tokens.clear();
        return false;
    }
    tokens.removeFirst();
    return true;
}

bool KaldoSensorHID::ask(const QString& command, QStringList& results, const char* what)
{
    QString reply;
    if (!writeReadHid(command, reply)) {
        qDebug().noquote()
            << QStringLiteral("KaldoSensorHID::%1 error. communication error").arg(QLatin1String(what));
        return false;
    }
    if (!parseReply(reply, command, results)) {
        qDebug().noquote()
            << QStringLiteral("KaldoSensorHID::%1 error. wrong answer:").arg(QLatin1String(what)) << reply;
        return false;
    }
    return true;
}

QString KaldoSensorHID::textAnswer(const QString& command)
{
    QStringList results;
    if (!ask(command, results, qPrintable(command)))
        return QString();
    return results.join(QLatin1Char(' '));
}

bool KaldoSensorHID::DoMeasure()
{
    if (!m_hid->isOpen())
        return false;
    QString reply;
    if (!writeReadHid(QStringLiteral("getxyz"), reply)) {
        qDebug() << "KaldoSensorHID::getxyz error. can't get info";
        return false;
    }
    QStringList tokens;
    if (!parseReply(reply, QStringLiteral("getxyz"), tokens) || tokens.size() < 3) {
        qDebug() << "KaldoSensorHID::getxyz error. can't parse reply" << reply;
        return false;
    }
    double xyz[3];
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        xyz[i] = tokens.at(i).toDouble(&ok);
        // "nan" and "inf" read as numbers, but no light measures so.
        if (!ok || !std::isfinite(xyz[i])) {
            qDebug() << "KaldoSensorHID::getxyz error. can't parse reply" << reply;
            return false;
        }
    }
    setReading(xyz[0], xyz[1], xyz[2]);
    return true;
}

void KaldoSensorHID::fixNames(QString& vendor, QString& model) const
{
    const QString lowerVendor = vendor.trimmed().toLower();
    if (lowerVendor == QLatin1String("kaldo") || lowerVendor.startsWith(QLatin1String("kaldo ltd")))
        vendor = QStringLiteral("Kaldo Ltd.");
    const QString lowerModel = model.trimmed().toLower();
    if (lowerModel == QLatin1String("sorvex"))
        model = QStringLiteral("Sorvex");
    else if (lowerModel == QLatin1String("kaldo front sensor"))
        model = QStringLiteral("KALDO Front Sensor");
}

QString KaldoSensorHID::vendor()
{
    QString name = textAnswer(QStringLiteral("getmanufacturer")).trimmed();
    if (name.isEmpty())
        return QStringLiteral("Kaldo Ltd.");
    QString unused;
    fixNames(name, unused);
    return name;
}

QString KaldoSensorHID::model()
{
    QString name = textAnswer(QStringLiteral("getmodel")).trimmed();
    if (name.isEmpty())
        return QStringLiteral("Sorvex");
    QString unused;
    fixNames(unused, name);
    return name;
}

QString KaldoSensorHID::serial()
{
    const QString sn = textAnswer(QStringLiteral("getsn")).trimmed();
    return sn.isEmpty() ? m_hid->info().serialNumber : sn;
}

QString KaldoSensorHID::getFwVersion()
{
    return textAnswer(QStringLiteral("fwver"));
}

bool KaldoSensorHID::getSensorInfo(unsigned& first, unsigned& second, unsigned& third)
{
    QStringList results;
    if (!ask(QStringLiteral("sensorinfo"), results, "getSensorInfo") || results.size() < 3)
        return false;
    bool ok[3] = {};
    first = results.at(0).toUInt(&ok[0]);
    second = results.at(1).toUInt(&ok[1]);
    third = results.at(2).toUInt(&ok[2]);
    return ok[0] && ok[1] && ok[2];
}

bool KaldoSensorHID::done(const QString& command, const char* what)
{
    QStringList results;
    return ask(command, results, what);
}

QString KaldoSensorHID::getMode()
{
    QStringList results;
    if (!ask(QStringLiteral("getmode"), results, "getMode") || results.isEmpty())
        return QString();
    return results.first();
}

bool KaldoSensorHID::setMode(const QString& mode)
{
    QStringList results;
    if (!ask(QStringLiteral("setmode ") + mode, results, "setMode"))
        return false;
    // The device names the mode it is in now; one it does not know leaves it where it was.
    if (results.value(0) != mode) {
        qDebug() << "KaldoSensorHID::setMode error. wrong answer:" << results;
        return false;
    }
    return true;
}

bool KaldoSensorHID::setSerial(const QString& serial)
{
    return done(QStringLiteral("setsn ") + serial.trimmed(), "setSerial");
}

bool KaldoSensorHID::setManufacturer(const QString& manufacturer)
{
    return done(QStringLiteral("setmanufacturer ") + manufacturer.trimmed(), "setManufacturer");
}

bool KaldoSensorHID::setModel(const QString& model)
{
    return done(QStringLiteral("setmodel ") + model.trimmed(), "setModel");
}

int KaldoSensorHID::tablesCount()
{
    QStringList results;
    if (!ask(QStringLiteral("tablescount"), results, "tablesCount"))
        return -1;
    bool ok = false;
    const int count = results.value(0).toInt(&ok);
    if (!ok || count < 0) {
        qDebug() << "KaldoSensorHID::tablesCount error. wrong answer:" << results;
        return -1;
    }
    return count;
}

bool KaldoSensorHID::tableInfo(int table, QStringList& description)
{
    return ask(QStringLiteral("tableinfo %1").arg(table), description, "tableInfo") && !description.isEmpty();
}

bool KaldoSensorHID::addTable(const QString& data)
{
    return done(QStringLiteral("addtable ") + data, "addTable");
}

bool KaldoSensorHID::deleteTables()
{
    return done(QStringLiteral("deletetables"), "deleteTables");
}

bool KaldoSensorHID::setFwData(int page, const QString& data)
{
    return done(QStringLiteral("setfwdata %1 %2").arg(page).arg(data), "setFwData");
}

bool KaldoSensorHID::writePage(int page, const QString& data)
{
    return done(QStringLiteral("writepage %1 %2").arg(page).arg(data), "writePage");
}

bool KaldoSensorHID::rawValues(const QString& command, QList<double>& values, const char* what)
{
    values.clear();
    QStringList results;
    if (!ask(command, results, what))
        return false;
    for (const QString& result : std::as_const(results)) {
        bool ok = false;
        const double value = result.toDouble(&ok);
        if (!ok || !std::isfinite(value)) {
            qDebug().noquote()
                << QStringLiteral("KaldoSensorHID::%1 error. wrong answer:").arg(QLatin1String(what))
                << results;
            values.clear();
            return false;
        }
        values.append(value);
    }
    return !values.isEmpty();
}

bool KaldoSensorHID::rawAdc(QList<double>& values)
{
    return rawValues(QStringLiteral("rawadc"), values, "rawAdc");
}

bool KaldoSensorHID::autoRawAdc(QList<double>& values)
{
    return rawValues(QStringLiteral("autorawadc"), values, "autoRawAdc");
}

bool KaldoSensorHID::autoCorrection(QList<double>& values)
{
    return rawValues(QStringLiteral("autocorr"), values, "autoCorrection");
}

bool KaldoSensorHID::timeRawMeasure(int timeMs, int samples, QList<double>& values)
{
    return rawValues(QStringLiteral("timerawmeas %1 %2").arg(timeMs).arg(samples), values, "timeRawMeasure");
}

bool KaldoSensorHID::reset()
{
    // The device restarts after its answer; the calibration it comes back with is its own.
    const bool answered = done(QStringLiteral("reset"), "reset");
    m_group = -1;
    m_index = -1;
    return answered;
}

bool KaldoSensorHID::enumCalibrations(QStringList& calibrations)
{
    return ask(QStringLiteral("callist"), calibrations, "enumCalibrations");
}

bool KaldoSensorHID::currentCalibration(int& group, int& index)
{
    QStringList results;
    if (!ask(QStringLiteral("calcurrent"), results, "currentCalibration"))
        return false;
    bool okGroup = false;
    bool okIndex = false;
    if (results.size() >= 2) {
        group = results.at(0).toInt(&okGroup);
        index = results.at(1).toInt(&okIndex);
    }
    if (!okGroup || !okIndex) {
        qDebug() << "KaldoSensorHID::currentCalibration error. wrong answer:" << results;
        return false;
    }
    m_group = group;
    m_index = index;
    return true;
}

bool KaldoSensorHID::selectCalibration(int group, int index)
{
    QStringList results;
    if (!ask(QStringLiteral("selectcal %1 %2").arg(group).arg(index), results, "selectCalibration"))
        return false;
    m_group = group;
    m_index = index;
    return true;
}

bool KaldoSensorHID::loadSpecificCalibrationsList()
{
    m_specific.clear();
    if (!writeHid(QStringLiteral("getspeccals"))) {
        qDebug() << "KaldoSensorHID::loadSpecificCalibrationsList error. communication error";
        return false;
    }
    // One answer per table: group, index, EDID product code (hex) and the model name.
    for (int entry = 0; entry < 256; ++entry) {
        QString reply;
        QStringList tokens;
        if (!readHid(reply) || !parseReply(reply, QStringLiteral("getspeccals"), tokens) ||
            tokens.isEmpty()) {
            qDebug() << "KaldoSensorHID::loadSpecificCalibrationsList error. wrong answer:" << reply;
            return false;
        }
        if (tokens.first() == QLatin1String("end"))
            return true;
        bool okGroup = false;
        bool okIndex = false;
        bool okCode = false;
        SpecificCalibration table;
        table.group = tokens.value(0).toInt(&okGroup);
        table.index = tokens.value(1).toInt(&okIndex);
        table.productCode = tokens.value(2).toInt(&okCode, 16);
        table.modelName = tokens.mid(3).join(QLatin1Char(' '));
        if (!okGroup || !okIndex) {
            qDebug() << "findDisplaySpecialTable can't read table #" << entry << reply;
            continue;
        }
        if (!okCode)
            table.productCode = -1;
        m_specific.append(table);
    }
    return false;
}

bool KaldoSensorHID::setMeasuringType(int type)
{
    if (!IsMeasuringTypeSupport(type) && type != GBrLED && type != OLED)
        return false;
    m_measuringType = type;
    QStringList tables;
    if (!enumCalibrations(tables))
        return false;
    const QStringList names = tableNames(type);
    for (const QString& table : std::as_const(tables)) {
        // "group,index,NAME"
        const QStringList parts = table.split(QLatin1Char(','));
        if (parts.size() < 3 || !names.contains(parts.at(2), Qt::CaseInsensitive))
            continue;
        return selectCalibration(parts.at(0).toInt(), parts.at(1).toInt());
    }
    // No table for this technology: the device keeps measuring with its current one.
    qDebug() << "KaldoSensorHID::setMeasuringType no table for" << measuringTypeText(type);
    return true;
}

void KaldoSensorHID::getDisplaySpecificMeasuringType(const DisplayInfo& display)
{
    if (!loadSpecificCalibrationsList())
        return;
    const auto code = display.productCode();
    const int productCode = code[0] | (code[1] << 8);
    const QString name = display.nameFC().trimmed();
    const QString altName = display.textFE().trimmed();
    for (const SpecificCalibration& table : std::as_const(m_specific)) {
        const bool byName =
            !table.modelName.isEmpty() && (table.modelName.compare(name, Qt::CaseInsensitive) == 0 ||
                                           table.modelName.compare(altName, Qt::CaseInsensitive) == 0);
        if (table.productCode >= 0 && table.productCode != productCode && !byName) {
            qDebug() << "findDisplaySpecialTable wrong product code id=" << Qt::hex << table.productCode;
            continue;
        }
        if (table.productCode < 0 && !byName)
            continue;
        selectCalibration(table.group, table.index);
        return;
    }
}

bool KaldoSensorHID::SetOption(int option, bool on)
{
    if (option != 0)
        return false;
    QStringList results;
    return ask(on ? QStringLiteral("setambient on") : QStringLiteral("setambient off"), results, "SetOption");
}
