#include "settings/KaldoConfigurationIterator.h"

#include <QDomDocument>
#include <QDomNamedNodeMap>

void KaldoConfigurationIterator::replaceContent(const QDomNode& node)
{
    removeChilds();
    m_element.appendChild(node);
}

void KaldoConfigurationIterator::setValue(const QString& value)
{
    if (IsNull())
        return;
    replaceContent(m_element.ownerDocument().createTextNode(value));
}

void KaldoConfigurationIterator::setHTMLValue(const QString& value)
{
    if (IsNull())
        return;
    replaceContent(m_element.ownerDocument().createCDATASection(value));
}

KaldoConfigurationIterator KaldoConfigurationIterator::firstchild() const
{
    return KaldoConfigurationIterator(m_element.firstChildElement());
}

KaldoConfigurationIterator KaldoConfigurationIterator::firstchild(const QString& name) const
{
    return KaldoConfigurationIterator(m_element.firstChildElement(name));
}

KaldoConfigurationIterator KaldoConfigurationIterator::addchild(const QString& name)
{
    if (IsNull())
        return {};
    QDomElement child = m_element.ownerDocument().createElement(name);
    m_element.appendChild(child);
    return KaldoConfigurationIterator(child);
}

KaldoConfigurationIterator KaldoConfigurationIterator::addchild(const QString& name, const QString& value)
{
    KaldoConfigurationIterator child = addchild(name);
    child.setValue(value);
    return child;
}

void KaldoConfigurationIterator::removeChildsByName(const QString& name)
{
    for (QDomElement child = m_element.firstChildElement(name); !child.isNull();) {
        const QDomElement next = child.nextSiblingElement(name);
        m_element.removeChild(child);
        child = next;
    }
}

void KaldoConfigurationIterator::removeChilds()
{
    while (!m_element.firstChild().isNull())
        m_element.removeChild(m_element.firstChild());
}

void KaldoConfigurationIterator::setattribute(const QString& name, const QString& value)
{
    if (!IsNull())
        m_element.setAttribute(name, value);
}

void KaldoConfigurationIterator::removeattribute(const QString& name)
{
    if (!IsNull())
        m_element.removeAttribute(name);
}

QString KaldoConfigurationIterator::attribute(const QString& name, const QString& defaultValue) const
{
    return m_element.attribute(name, defaultValue);
}

QMap<QString, QString> KaldoConfigurationIterator::attributes() const
{
    QMap<QString, QString> result;
    const QDomNamedNodeMap map = m_element.attributes();
    for (int i = 0; i < map.count(); ++i) {
        const QDomAttr attr = map.item(i).toAttr();
        result.insert(attr.name(), attr.value());
    }
    return result;
}

KaldoConfigurationIterator& KaldoConfigurationIterator::operator++()
{
    if (!IsNull())
        m_element = m_element.nextSiblingElement(m_element.tagName());
    return *this;
}
