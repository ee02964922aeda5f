#include "displays/DisplayInfo.h"

#include <QDebug>

#include <algorithm>
#include <cstring>

DisplayInfo::DisplayInfo() = default;

QByteArray DisplayInfo::edid() const
{
    return QByteArray(reinterpret_cast<const char*>(m_edid.data()), m_edidLength);
}

void DisplayInfo::setEdid(const QByteArray& edid)
{
    if (edid.size() > MaxEdidBytes)
        qWarning() << "DisplayInfo::setEdid() EDID of" << edid.size() << "bytes cut to" << MaxEdidBytes;
    m_edid.fill(0);
    m_edidLength = static_cast<int>(std::min<qsizetype>(edid.size(), MaxEdidBytes));
    std::memcpy(m_edid.data(), edid.constData(), static_cast<size_t>(m_edidLength));
}

void DisplayInfo::setRect(int left, int top, int right, int bottom)
{
    if (left == m_left && top == m_top && right == m_right && bottom == m_bottom)
        return;
    qDebug() << "change rect for display" << m_deviceName << "from" << m_left << m_top << m_right << m_bottom
             << "to" << left << top << right << bottom;
    m_left = left;
    m_top = top;
    m_right = right;
    m_bottom = bottom;
}

void DisplayInfo::setRect(const QRect& rect)
{
    if (rect.isValid())
        setRect(rect.left(), rect.top(), rect.right(), rect.bottom());
    else
        setRect(-1, -1, -1, -1);
}

bool DisplayInfo::containsPoint(int x, int y) const
{
    return hasRect() && x >= m_left && x <= m_right && y >= m_top && y <= m_bottom;
}

void DisplayInfo::setResolution(int width, int height)
{
    m_width = width;
    m_height = height;
}

void DisplayInfo::setPhysicalSize(int widthMm, int heightMm)
{
    m_widthMm = widthMm;
    m_heightMm = heightMm;
}

void DisplayInfo::swapWidthHeight()
{
    std::swap(m_width, m_height);
    std::swap(m_widthMm, m_heightMm);
}

void DisplayInfo::setName(const QString& name)
{
    if (name == m_name)
        return;
    qDebug() << "change name display from " << m_name << " to " << name;
    m_name = name;
}

void DisplayInfo::setSerial(const QString& serial)
{
    if (serial == m_serial)
        return;
    qDebug() << "change display serial from " << m_serial << " to " << serial;
    m_serial = serial;
}

void DisplayInfo::setDetectSerial(const QString& serial)
{
    if (serial == m_detectSerial)
        return;
    qDebug() << "change display detect serial from " << m_detectSerial << " to " << serial;
    m_detectSerial = serial;
}

void DisplayInfo::setManufacture(const QString& manufacture)
{
    if (manufacture == m_manufacture)
        return;
    qDebug() << "change display manufactor from " << m_manufacture << " to " << manufacture;
    m_manufacture = manufacture;
}
