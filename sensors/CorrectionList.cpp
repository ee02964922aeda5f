#include "sensors/CorrectionList.h"

#include "settings/DataDirectory.h"
#include "settings/GlobalData.h"

#include <QDebug>
#include <QDir>
#include <QDomDocument>
#include <QFile>

#include <cmath>

namespace {

// A correction holds a few dozen points; anything much larger is not one.
constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;

bool readDouble(const QDomElement& element, const QString& name, double& out)
{
    bool ok = false;
    out = element.attribute(name).toDouble(&ok);
    return ok && std::isfinite(out);
}

} // namespace

CorrectionList& CorrectionList::instance()
{
    static CorrectionList list;
    {
        QMutexLocker locker(&list.m_mutex);
        if (list.m_loaded)
            return list;
        list.m_loaded = true;
    }
    QString folder =
        GlobalData::instance().getString(QLatin1String(GLOBALDATA_DIRECTORY_NAME_SENSORCORRECTION_FILES));
    if (folder.isEmpty())
        folder = QStringLiteral("correctionFiles");
    list.loadDirectory(QDir(DataDirectory::path()).filePath(folder));
    return list;
}

QByteArray CorrectionList::compress(const QByteArray& xml)
{
    return qCompress(xml);
}

int CorrectionList::loadDirectory(const QString& folder)
{
    int loaded = 0;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
        if (loadFile(dir.filePath(name)))
            ++loaded;
    }
    return loaded;
}

bool CorrectionList::loadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qDebug() << "CorrectionList: can't open" << path;
        return false;
    }
    const QByteArray data = file.read(kMaxFileBytes + 1);
    if (data.size() > kMaxFileBytes) {
        qDebug() << "CorrectionList: file too large" << path;
        return false;
    }
    QByteArray xml = qUncompress(data);
    if (xml.isEmpty())
        xml = data; // a plain XML file written by hand
    SensorCorrection correction;
    QString error;
    if (!parse(xml, correction, &error)) {
        qDebug().noquote() << "CorrectionList: skipped" << path << "-" << error;
        return false;
    }
    QMutexLocker locker(&m_mutex);
    m_corrections.append(correction);
    return true;
}

bool CorrectionList::parse(const QByteArray& xml, SensorCorrection& correction, QString* error)
{
    auto fail = [error](const QString& message) {
        if (error)
            *error = message;
        return false;
    };
    QDomDocument document;
    if (!document.setContent(xml))
        return fail(QStringLiteral("not an XML document"));
    const QDomElement root = document.documentElement();
    if (root.tagName() != QLatin1String("sensor"))
        return fail(QStringLiteral("root element is not \"sensor\""));
    bool okType = false;
    const int type = root.attribute(QStringLiteral("interpolation"), QStringLiteral("0")).toInt(&okType);
    if (!okType || type < 0 || type > 3)
        return fail(QStringLiteral("unknown interpolation \"%1\"")
                        .arg(root.attribute(QStringLiteral("interpolation"))));

    std::array<std::array<double, 4>, 3> rows{};
    int rowCount = 0;
    std::vector<SensorCorrection::Point> points;
    std::array<std::vector<SensorCorrection::Point>, 3> channels;
    for (QDomElement value = root.firstChildElement(QStringLiteral("value")); !value.isNull();
         value = value.nextSiblingElement(QStringLiteral("value"))) {
        if (type == SensorCorrection::Regression) {
            const QStringList numbers = value.text().split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (rowCount >= 3 || (numbers.size() != 3 && numbers.size() != 4))
                return fail(QStringLiteral("a regression has three rows of three or four numbers"));
            for (int i = 0; i < numbers.size(); ++i) {
                bool ok = false;
                rows[static_cast<size_t>(rowCount)][static_cast<size_t>(i)] = numbers.at(i).toDouble(&ok);
                if (!ok)
                    return fail(QStringLiteral("\"%1\" is not a number").arg(numbers.at(i)));
            }
            ++rowCount;
            continue;
        }
        SensorCorrection::Point point;
        if (!readDouble(value, QStringLiteral("measured"), point.measured) ||
            !readDouble(value, QStringLiteral("reference"), point.reference))
            return fail(QStringLiteral("a value without numeric \"measured\" and \"reference\""));
        if (type == SensorCorrection::ChannelInterpolation) {
            bool ok = false;
            const int channel = value.attribute(QStringLiteral("channel")).toInt(&ok);
            if (!ok || channel < 0 || channel > 2)
                return fail(QStringLiteral("a value without a channel 0, 1 or 2"));
            channels[static_cast<size_t>(channel)].push_back(point);
        } else {
            points.push_back(point);
        }
    }
    switch (type) {
    case SensorCorrection::Regression:
        if (rowCount != 3)
            return fail(QStringLiteral("a regression has three rows"));
        correction = SensorCorrection::regression(rows);
        break;
    case SensorCorrection::LuminanceInterpolation:
        correction = SensorCorrection::luminanceInterpolation(std::move(points));
        break;
    case SensorCorrection::ChannelInterpolation:
        correction = SensorCorrection::channelInterpolation(std::move(channels));
        break;
    default:
        correction = SensorCorrection();
        break;
    }
    correction.vendor = root.attribute(QStringLiteral("vendor"));
    correction.model = root.attribute(QStringLiteral("model"));
    correction.serial = root.attribute(QStringLiteral("serial"));
    return true;
}

SensorCorrection CorrectionList::GetSensorCorrection(const QString& model, const QString& vendor,
                                                     const QString& serial) const
{
    QMutexLocker locker(&m_mutex);
    for (const SensorCorrection& correction : m_corrections) {
        if (correction.model == model && correction.vendor == vendor && correction.serial == serial)
            return correction;
    }
    return SensorCorrection();
}

void CorrectionList::clear()
{
    QMutexLocker locker(&m_mutex);
    m_corrections.clear();
}
