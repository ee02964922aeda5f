#include "qa/RegulationSettings.h"

#include "settings/GlobalData.h"
#include "settings/KaldoConfiguration.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QSaveFile>
#include <QXmlStreamWriter>

#include <zlib.h>

namespace {

// Regulation documents are kilobytes; neither a file nor what it unpacks to may exceed this.
constexpr qint64 MAX_DOCUMENT_BYTES = 16 * 1024 * 1024;

// The qCompress form (4-byte big-endian length, then a zlib stream), unpacked with a bound
// on the result: a few kilobytes of crafted input can claim, or inflate to, gigabytes.
QByteArray uncompressBounded(const QByteArray& data, const QString& origin)
{
    if (data.size() <= 4)
        return {};
    const auto* bytes = reinterpret_cast<const uchar*>(data.constData());
    const quint32 declared =
        (quint32{bytes[0]} << 24) | (quint32{bytes[1]} << 16) | (quint32{bytes[2]} << 8) | bytes[3];
    if (declared > MAX_DOCUMENT_BYTES) {
        qWarning().noquote() << "RegulationSettings:" << origin << "declares" << declared
                             << "bytes, more than" << MAX_DOCUMENT_BYTES << "; not read";
        return {};
    }
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return {};
    QByteArray out;
    stream.next_in = const_cast<Bytef*>(bytes + 4);
    stream.avail_in = static_cast<uInt>(data.size() - 4);
    char chunk[16384];
    int result = Z_OK;
    while (result == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef*>(chunk);
        stream.avail_out = sizeof chunk;
        result = inflate(&stream, Z_NO_FLUSH);
        if (result != Z_OK && result != Z_STREAM_END)
            break;
        out.append(chunk, static_cast<qsizetype>(sizeof chunk - stream.avail_out));
        if (out.size() > MAX_DOCUMENT_BYTES) {
            qWarning().noquote() << "RegulationSettings:" << origin << "unpacks to more than"
                                 << MAX_DOCUMENT_BYTES << "bytes; not read";
            result = Z_DATA_ERROR;
        }
        if (result == Z_OK && stream.avail_in == 0 && stream.avail_out != 0)
            result = Z_BUF_ERROR; // input ended before the stream did
    }
    inflateEnd(&stream);
    return result == Z_STREAM_END ? out : QByteArray();
}

// Decimal conversion without error reporting: what does not parse reads as 0.
int toInt(const QString& text)
{
    return text.trimmed().toInt();
}

unsigned toUnsigned(const QString& text)
{
    return text.trimmed().toUInt();
}

} // namespace

RegulationSettings::~RegulationSettings() = default;

RegulationSettings* RegulationSettings::instance()
{
    static QMutex mutex;
    static std::unique_ptr<RegulationSettings> settings;
    const QMutexLocker locker(&mutex);
    if (!settings)
        settings = std::make_unique<RegulationSettings>();
    return settings.get();
}

bool RegulationSettings::fail(const QString& message)
{
    m_lastError = message;
    qDebug().noquote() << message;
    return false;
}

bool RegulationSettings::ReadSettingsFromFile(const QString& path, bool compressed)
{
    qDebug().noquote() << "Parse file - " << path;
    QFile file(path);
    QByteArray data;
    if (file.open(QIODevice::ReadOnly)) {
        // Read with a bound: a device or a pipe may never end.
        data = file.read(MAX_DOCUMENT_BYTES + 1);
        if (data.size() > MAX_DOCUMENT_BYTES) {
            qWarning().noquote() << "RegulationSettings:" << path << "is larger than" << MAX_DOCUMENT_BYTES
                                 << "bytes; not read";
            data.clear();
        }
    } else {
        qDebug().noquote() << "RegulationSettings::ReadSettingsFromFile cannot open" << path
                           << file.errorString();
    }
    return ReadSettingsFromData(data, compressed, compressed, path);
}

bool RegulationSettings::ReadSettingsFromData(const QByteArray& data, bool compressed, bool isUser,
                                              const QString& origin)
{
    m_lastError.clear();
    QByteArray xml = data;
    if (compressed) {
        xml = uncompressBounded(data, origin);
        if (xml.isEmpty())
            qDebug().noquote() << "RegulationSettings: not a compressed regulation file:" << origin;
    }
    KaldoConfiguration document;
    if (!xml.isEmpty() && !document.SetContent(QString::fromUtf8(xml)))
        m_lastError = QStringLiteral("not well-formed XML: ") + origin;
    const bool ok = ParseRegulationContent(document, isUser);
    if (!ok && m_lastError.isEmpty())
        m_lastError = QStringLiteral("no regulation in ") + origin;
    return ok;
}

bool RegulationSettings::ParseRegulationContent(const KaldoConfiguration& document, bool isUser)
{
    KaldoConfigurationIterator regulation = document.GetStartElement();
    if (!regulation.IsNull() && regulation.name() != QLatin1String("regulation"))
        regulation = regulation.firstchild(QStringLiteral("regulation"));
    if (regulation.IsNull())
        return fail(QStringLiteral("RegulationSettings::ReadSettingsFromFile failed on "
                                   "xmlRegulation.firstchild(\"regulation\").IsNull()"));
    const QString name = regulation.attribute(QStringLiteral("name"));
    if (name.isEmpty())
        return fail(QStringLiteral(
            "RegulationSettings::ReadSettingsFromFile failed on itRegulation.attributes()[\"name\"] == "));
    auto info = std::make_unique<RegulationInfo>(regulation.attribute(QStringLiteral("id")), name);
    if (!readClassifications(regulation, *info))
        return fail(QStringLiteral("RegulationSettings::ReadSettingsFromFile failed on ReadClassifications"));
    if (!readSteps(regulation.firstchild(QStringLiteral("steps")), *info, false))
        return fail(QStringLiteral("RegulationSettings::ReadSettingsFromFile failed on ReadSteps"));
    for (ClassificationInfo& classification : info->classifications())
        classification.AddStepsInfo();
    if (!readSteps(regulation.firstchild(QStringLiteral("initialsteps")), *info, true))
        return fail(QStringLiteral("RegulationSettings::ReadSettingsFromFile failed on ReadInitialSteps"));
    m_lastError.clear();
    if (isUser)
        m_userRegulations.append(info.get());
    m_regulations.push_back(std::move(info));
    m_generation.fetch_add(1);
    return true;
}

bool RegulationSettings::readClassifications(const KaldoConfigurationIterator& regulation,
                                             RegulationInfo& info)
{
    KaldoConfigurationIterator list = regulation.firstchild(QStringLiteral("classifications"));
    if (list.IsNull())
        return false;
    // "Classifacations": entries "REGULATION+ID+ID|..." restrict what is read of a named regulation.
    QStringList allowed;
    bool restricted = false;
    const QString filter =
        GlobalData::instance().getString(QString::fromLatin1(GLOBALDATA_CLASSIFICATION_NAMES));
    for (const QString& entry : filter.split(QLatin1Char('|'), Qt::SkipEmptyParts)) {
        QStringList items = entry.split(QLatin1Char('+'));
        if (items.value(0) == info.GetRegulationIdName()) {
            restricted = true;
            items.removeFirst();
            allowed << items;
        }
    }
    for (KaldoConfigurationIterator it = list.firstchild(QStringLiteral("classification")); !it.IsNull();
         ++it) {
        const QString id = it.attribute(QStringLiteral("id"));
        if (id.isEmpty() || (restricted && !allowed.contains(id.trimmed())))
            continue;
        ClassificationInfo classification(toInt(id), it.attribute(QStringLiteral("name")));
        classification.SetAccTestMandatory(it.attribute(QStringLiteral("acc_mandatory")) ==
                                           QLatin1String("true"));
        if (it.element().hasAttribute(QStringLiteral("graphiccard_reaction")))
            classification.SetGraphicCardReaction(
                toInt(it.attribute(QStringLiteral("graphiccard_reaction"))));
        info.AddClassification(classification);
    }
    return true;
}

bool RegulationSettings::readSteps(const KaldoConfigurationIterator& list, RegulationInfo& info, bool initial)
{
    if (list.IsNull())
        return false;
    for (KaldoConfigurationIterator it = list.firstchild(QStringLiteral("step")); !it.IsNull(); ++it) {
        if (it.attribute(QStringLiteral("id")).isEmpty())
            continue;
        const StepInfo step = readStep(it, initial);
        if (initial)
            info.AddInitialStep(step);
        else
            info.AddStep(step);
    }
    return true;
}

StepInfo RegulationSettings::readStep(const KaldoConfigurationIterator& element, bool initial)
{
    StepInfo step;
    step.SetStepId(toInt(element.attribute(QStringLiteral("id"))));
    step.SetStepName(element.attribute(QStringLiteral("name")));
    if (!step.GetStepName().isEmpty())
        m_translations << step.GetStepName();
    step.SetStepType(element.attribute(QStringLiteral("type")));
    if (element.element().hasAttribute(QStringLiteral("stepcode")))
        step.SetStepCode(toInt(element.attribute(QStringLiteral("stepcode"))));
    step.SetTarget(toInt(element.attribute(QStringLiteral("target"))));
    if (!initial) {
        step.SetReverseAnswer(element.attribute(QStringLiteral("reverse_answer")));
        step.SetPosition(toInt(element.attribute(QStringLiteral("position"))));
    }
    const auto noteTranslation = [this](const QString& name, const QString& value) {
        if (name.startsWith(QLatin1String("valuename")) && !value.isEmpty())
            m_translations << value;
    };
    // Direct children only: the classification elements hold parameters of their own.
    for (KaldoConfigurationIterator child = element.firstchild(); !child.IsNull();
         child = KaldoConfigurationIterator(child.element().nextSiblingElement())) {
        if (child.name() == QLatin1String("parameters")) {
            for (auto p = child.firstchild(QStringLiteral("parameter")); !p.IsNull(); ++p) {
                step.SetGlobalParameter(p.attribute(QStringLiteral("name")),
                                        p.attribute(QStringLiteral("value")));
                noteTranslation(p.attribute(QStringLiteral("name")), p.attribute(QStringLiteral("value")));
            }
        } else if (child.name() == QLatin1String("question")) {
            if (!child.value().isEmpty()) {
                step.SetDefaultQuestion(child.value());
                m_translations << child.value();
            }
        }
    }
    for (auto c = element.firstchild(QStringLiteral("classification")); !c.IsNull(); ++c) {
        step.AddClassificationId(toInt(c.attribute(QStringLiteral("id"))));
        const auto restrictions = c.firstchild(QStringLiteral("restrictions"));
        for (auto r = restrictions.firstchild(QStringLiteral("restriction")); !r.IsNull(); ++r) {
            step.AddRestrictionSet(toUnsigned(r.attribute(QStringLiteral("set"))));
            step.SetFrequency(toInt(r.attribute(QStringLiteral("frequency"))));
            step.SetAcceptance(r.attribute(QStringLiteral("isacceptance")) == QLatin1String("true"));
        }
        const auto parameters = c.firstchild(QStringLiteral("parameters"));
        for (auto p = parameters.firstchild(QStringLiteral("parameter")); !p.IsNull(); ++p) {
            step.SetCurrentRestrictionSet(toUnsigned(p.attribute(QStringLiteral("set"))));
            step.SetParameter(p.attribute(QStringLiteral("name")), p.attribute(QStringLiteral("value")));
            noteTranslation(p.attribute(QStringLiteral("name")), p.attribute(QStringLiteral("value")));
        }
        const auto questions = c.firstchild(QStringLiteral("questions"));
        for (auto q = questions.firstchild(QStringLiteral("question")); !q.IsNull(); ++q) {
            step.SetCurrentRestrictionSet(toUnsigned(q.attribute(QStringLiteral("set"))));
            step.SetQuestion(q.attribute(QStringLiteral("value")));
            if (!q.attribute(QStringLiteral("value")).isEmpty())
                m_translations << q.attribute(QStringLiteral("value"));
        }
    }
    return step;
}

void RegulationSettings::ReadSettings()
{
    const QDir folder(QDir::current().filePath(m_dirName));
    for (const QString& name : folder.entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name))
        ReadSettingsFromFile(folder.filePath(name), false);
}

void RegulationSettings::ClearRegulations()
{
    m_userRegulations.clear();
    m_regulations.clear();
    m_translations.clear();
    m_generation.fetch_add(1);
}

RegulationInfo* RegulationSettings::GetRegulationById(const QString& idName) const
{
    for (const auto& regulation : m_regulations) {
        if (regulation->GetRegulationIdName() == idName)
            return regulation.get();
    }
    return nullptr;
}

void RegulationSettings::GetRegulationIds(QStringList& ids) const
{
    ids.clear();
    for (const auto& regulation : m_regulations)
        ids << regulation->GetRegulationIdName();
}

void RegulationSettings::GetUserRegulationIds(QStringList& ids) const
{
    ids.clear();
    for (const RegulationInfo* regulation : m_userRegulations)
        ids << regulation->GetRegulationIdName();
}

QString RegulationSettings::RegulationName(const QString& idName) const
{
    const RegulationInfo* regulation = GetRegulationById(idName);
    return regulation ? regulation->GetRegulationName() : QString();
}

RegulationInfo* RegulationSettings::regulationAt(int index) const
{
    return index >= 0 && index < GetRegulationCount() ? m_regulations[static_cast<size_t>(index)].get()
                                                      : nullptr;
}

int RegulationSettings::indexOf(const QString& idName) const
{
    for (int i = 0; i < GetRegulationCount(); ++i) {
        if (m_regulations[static_cast<size_t>(i)]->GetRegulationIdName() == idName)
            return i;
    }
    return -1;
}

bool RegulationSettings::isUserRegulation(const QString& idName) const
{
    for (const RegulationInfo* regulation : m_userRegulations) {
        if (regulation->GetRegulationIdName() == idName)
            return true;
    }
    return false;
}

namespace {

void writeStep(QXmlStreamWriter& xml, const StepInfo& step, bool initial)
{
    xml.writeStartElement(QStringLiteral("step"));
    xml.writeAttribute(QStringLiteral("id"), QString::number(step.GetStepId()));
    xml.writeAttribute(QStringLiteral("name"), step.GetStepName());
    xml.writeAttribute(QStringLiteral("type"), step.GetStepType());
    xml.writeAttribute(QStringLiteral("stepcode"), QString::number(step.GetStepCode()));
    if (!initial)
        xml.writeAttribute(QStringLiteral("position"), QString::number(step.GetPosition()));
    xml.writeAttribute(QStringLiteral("target"), QString::number(step.GetTarget()));
    if (step.GetReverseAnswer() == QLatin1String("false|true"))
        xml.writeAttribute(QStringLiteral("reverse_answer"), QStringLiteral("false|true"));
    if (!step.GetGlobalParameters().isEmpty()) {
        xml.writeStartElement(QStringLiteral("parameters"));
        for (auto it = step.GetGlobalParameters().cbegin(); it != step.GetGlobalParameters().cend(); ++it) {
            xml.writeEmptyElement(QStringLiteral("parameter"));
            xml.writeAttribute(QStringLiteral("name"), it.key());
            xml.writeAttribute(QStringLiteral("value"), it.value());
        }
        xml.writeEndElement();
    }
    if (!step.GetDefaultQuestion().isEmpty())
        xml.writeTextElement(QStringLiteral("question"), step.GetDefaultQuestion());
    for (const int classification : step.GetClassificationIds()) {
        xml.writeStartElement(QStringLiteral("classification"));
        xml.writeAttribute(QStringLiteral("id"), QString::number(classification));
        const QList<unsigned> sets = step.GetRestrictionSets(classification);
        xml.writeStartElement(QStringLiteral("restrictions"));
        for (const unsigned set : sets) {
            const StepData* data = step.stepData(classification, set);
            xml.writeEmptyElement(QStringLiteral("restriction"));
            xml.writeAttribute(QStringLiteral("set"), QString::number(set));
            xml.writeAttribute(QStringLiteral("frequency"),
                               QString::number(data ? data->frequency : FREQ_NONE));
            xml.writeAttribute(QStringLiteral("isacceptance"),
                               data && data->acceptance ? QStringLiteral("true") : QStringLiteral("false"));
        }
        xml.writeEndElement();
        bool anyParameter = false;
        bool anyQuestion = false;
        for (const unsigned set : sets) {
            const StepData* data = step.stepData(classification, set);
            anyParameter = anyParameter || (data && !data->parameters.isEmpty());
            anyQuestion = anyQuestion || (data && !data->question.isEmpty());
        }
        if (anyParameter) {
            xml.writeStartElement(QStringLiteral("parameters"));
            for (const unsigned set : sets) {
                const StepData* data = step.stepData(classification, set);
                for (auto it = data->parameters.cbegin(); it != data->parameters.cend(); ++it) {
                    xml.writeEmptyElement(QStringLiteral("parameter"));
                    xml.writeAttribute(QStringLiteral("set"), QString::number(set));
                    xml.writeAttribute(QStringLiteral("name"), it.key());
                    xml.writeAttribute(QStringLiteral("value"), it.value());
                }
            }
            xml.writeEndElement();
        }
        if (anyQuestion) {
            xml.writeStartElement(QStringLiteral("questions"));
            for (const unsigned set : sets) {
                const StepData* data = step.stepData(classification, set);
                if (data->question.isEmpty())
                    continue;
                xml.writeEmptyElement(QStringLiteral("question"));
                xml.writeAttribute(QStringLiteral("set"), QString::number(set));
                xml.writeAttribute(QStringLiteral("value"), data->question);
            }
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
}

} // namespace

QString RegulationSettings::GetRegulationContent(int index) const
{
    const RegulationInfo* regulation = regulationAt(index);
    if (!regulation)
        return {};
    QString text;
    QXmlStreamWriter xml(&text);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(2);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("regulationsettings"));
    xml.writeStartElement(QStringLiteral("regulation"));
    xml.writeAttribute(QStringLiteral("id"), regulation->GetRegulationIdName());
    xml.writeAttribute(QStringLiteral("name"), regulation->GetRegulationName());
    xml.writeStartElement(QStringLiteral("classifications"));
    for (const ClassificationInfo& c : regulation->classifications()) {
        xml.writeEmptyElement(QStringLiteral("classification"));
        xml.writeAttribute(QStringLiteral("id"), QString::number(c.GetClassificationId()));
        xml.writeAttribute(QStringLiteral("name"), c.GetClassificationName());
        xml.writeAttribute(QStringLiteral("acc_mandatory"),
                           c.IsAccTestMandatory() ? QStringLiteral("true") : QStringLiteral("false"));
        xml.writeAttribute(QStringLiteral("graphiccard_reaction"), QString::number(c.GraphicCardReaction()));
    }
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("steps"));
    for (const StepInfo& step : regulation->steps())
        writeStep(xml, step, false);
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("initialsteps"));
    for (const StepInfo& step : regulation->initialSteps())
        writeStep(xml, step, true);
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return text;
}

QByteArray RegulationSettings::encode(const QString& text, bool compressed)
{
    const QByteArray utf8 = text.toUtf8();
    return compressed ? qCompress(utf8) : utf8;
}

bool RegulationSettings::SaveFile(const QString& path, const QString& text, bool compressed)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        qWarning().noquote() << "RegulationSettings::SaveFile cannot write" << path << file.errorString();
        return false;
    }
    file.write(encode(text, compressed));
    if (!file.commit()) {
        qWarning().noquote() << "RegulationSettings::SaveFile cannot write" << path << file.errorString();
        return false;
    }
    return true;
}

bool RegulationSettings::WriteSettingsToFile(const QString& path, int index, bool compressed) const
{
    const QString text = GetRegulationContent(index);
    return !text.isEmpty() && SaveFile(path, text, compressed);
}

void RegulationSettings::CreateTranslateData(const QString& path) const
{
    QString text;
    QXmlStreamWriter xml(&text);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeDTD(QStringLiteral("<!DOCTYPE TS>"));
    xml.writeStartElement(QStringLiteral("TS"));
    xml.writeStartElement(QStringLiteral("context"));
    xml.writeTextElement(QStringLiteral("name"), QStringLiteral("Regulations"));
    for (const QString& source : m_translations) {
        xml.writeStartElement(QStringLiteral("message"));
        xml.writeTextElement(QStringLiteral("source"), source);
        xml.writeEmptyElement(QStringLiteral("translation"));
        xml.writeAttribute(QStringLiteral("type"), QStringLiteral("unfinished"));
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    SaveFile(path, text, false);
}
