#include "sync/SyncXml.h"

#include <QDomDocument>
#include <QJsonArray>

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

void SyncXml::appendValue(QDomDocument& document, QDomElement& parent, const QString& name,
                          const QJsonValue& value)
{
    QDomElement element = document.createElement(name);
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
        const QJsonValue existing = object.value(child.tagName());
        if (existing.isUndefined()) {
            object.insert(child.tagName(), value);
        } else {
            // A repeated element name is a list written without "item" wrappers.
            QJsonArray list = existing.isArray() ? existing.toArray() : QJsonArray{existing};
            list.append(value);
            object.insert(child.tagName(), list);
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
