#pragma once

#include <QDomElement>
#include <QMap>
#include <QString>

// One element of a KaldoConfiguration document. A null iterator (IsNull) stands
// for "no such element"; every operation on it is harmless and answers empty.
class KaldoConfigurationIterator
{
public:
    KaldoConfigurationIterator() = default;
    explicit KaldoConfigurationIterator(const QDomElement& element) : m_element(element) {}

    bool IsNull() const { return m_element.isNull(); }
    QString name() const { return m_element.tagName(); }
    // The element's text.
    QString value() const { return m_element.text(); }
    void setValue(const QString& value);
    // Text that may hold markup, kept verbatim in a CDATA section.
    void setHTMLValue(const QString& value);

    KaldoConfigurationIterator firstchild() const;
    KaldoConfigurationIterator firstchild(const QString& name) const;
    KaldoConfigurationIterator addchild(const QString& name);
    KaldoConfigurationIterator addchild(const QString& name, const QString& value);
    void removeChildsByName(const QString& name);
    void removeChilds();

    void setattribute(const QString& name, const QString& value);
    void removeattribute(const QString& name);
    QString attribute(const QString& name, const QString& defaultValue = QString()) const;
    QMap<QString, QString> attributes() const;

    // The next sibling with the same name.
    KaldoConfigurationIterator& operator++();

    QDomElement element() const { return m_element; }

private:
    void replaceContent(const QDomNode& node);

    QDomElement m_element;
};
