#include "sync/SyncXml.h"

#include <QDomDocument>
#include <QJsonArray>
#include <QRegularExpression>

QString SyncXml::requestDocument(const QJsonObject& header, const QJsonValue& data)
{
    QDomDocument document;
    QDomElement root = document.createElement(QStringLiteral("qsynch"));
    document.appendChild(root);
    for (auto it = header.begin(); it != header.end(); ++it)
        appendValue(document, root, it.key(), it.value());
    if (!data.isUndefined() && !data.isNull())
        appendValue(document, root, QStringLiteral("data"), data);
    return removeInvalidCharacters(document.toString(-1));
}

namespace {

bool isXmlName(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z_][A-Za-z0-9._-]*$"));
    return pattern.match(name).hasMatch() && !name.startsWith(QLatin1String("xml"), Qt::CaseInsensitive);
}

} // namespace

void SyncXml::appendValue(QDomDocument& document, QDomElement& parent, const QString& name,
                          const QJsonValue& value)
{
    // A member name that cannot be an element name (a report label with blanks) goes
    // into an attribute of a "member" element.
    QDomElement element = document.createElement(isXmlName(name) ? name : QStringLiteral("member"));
    if (!isXmlName(name))
        element.setAttribute(QStringLiteral("name"), name);
    parent.appendChild(element);
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            appendValue(document, element, it.key(), it.value());
    } else if (value.isArray()) {
        for (const QJsonValue& item : value.toArray())
            appendValue(document, element, QStringLiteral("item"), item);
    } else if (value.isBool()) {
        element.appendChild(
            document.createTextNode(value.toBool() ? QStringLiteral("true") : QStringLiteral("false")));
    } else if (value.isDouble()) {
        element.appendChild(document.createTextNode(QString::number(value.toDouble(), 'g', 15)));
    } else {
        element.appendChild(document.createTextNode(removeInvalidCharacters(value.toString())));
    }
}

bool SyncXml::toJson(const QString& xml, QJsonObject* result, QString* error)
{
    QDomDocument document(QStringLiteral("xml_configuration.xml"));
    QString message;
    int line = 0;
    if (!document.setContent(xml, &message, &line)) {
        if (error)
            *error = QStringLiteral("line %1: %2").arg(line).arg(message);
        return false;
    }
    const QJsonValue root = elementToJson(document.documentElement());
    *result = root.isObject() ? root.toObject() : QJsonObject();
    return true;
}

QJsonValue SyncXml::elementToJson(const QDomElement& element)
{
    QList<QDomElement> children;
    for (QDomElement child = element.firstChildElement(); !child.isNull(); child = child.nextSiblingElement())
        children << child;
    if (children.isEmpty())
        return element.text();
    bool allItems = true;
    for (const QDomElement& child : children)
        allItems = allItems && child.tagName() == QLatin1String("item");
    if (allItems) {
        QJsonArray list;
        for (const QDomElement& child : children)
            list.append(elementToJson(child));
        return list;
    }
    QJsonObject object;
    for (const QDomElement& child : children) {
        const QJsonValue value = elementToJson(child);
        const QString key =
            child.tagName() == QLatin1String("member") && child.hasAttribute(QStringLiteral("name"))
                ? child.attribute(QStringLiteral("name"))
                : child.tagName();
        const QJsonValue existing = object.value(key);
        if (existing.isUndefined()) {
            object.insert(key, value);
        } else {
            // A repeated element name is a list written without "item" wrappers.
            QJsonArray list = existing.isArray() ? existing.toArray() : QJsonArray{existing};
            list.append(value);
            object.insert(key, list);
        }
    }
    return object;
}

QString SyncXml::removeInvalidCharacters(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (u == 0x9 || u == 0xA || u == 0xD || (u >= 0x20 && u != 0xFFFE && u != 0xFFFF))
            out.append(c);
    }
    return out;
}
