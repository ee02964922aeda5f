#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

class QDomDocument;
class QDomElement;

// The form-data protocol carries the same content as the JSON one, written as XML:
// an object becomes one child element per member, a list becomes "item" children,
// anything else becomes the element's text. Reading does the reverse, so every
// synchroniser applies a reply through the same code whatever the protocol.
class SyncXml
{
public:
    // A document with root "qsynch": the header members first, then the payload under "data".
    static QString requestDocument(const QJsonObject& header, const QJsonValue& data);
    static void appendValue(QDomDocument& document, QDomElement& parent, const QString& name,
                            const QJsonValue& value);
    // The root element's children as a JSON object; false when the text is not XML.
    static bool toJson(const QString& xml, QJsonObject* result, QString* error);
    static QJsonValue elementToJson(const QDomElement& element);
    // Drops the characters XML 1.0 does not allow.
    static QString removeInvalidCharacters(const QString& text);
};
