#pragma once

#include <QByteArray>
#include <QRect>
#include <QString>

#include <array>

// One attached display as the enumeration sees it: raw EDID, the system's names for its output
// and video card, its place on the desktop, its resolution and physical size, and the identity
// derived from the EDID. A value type, copied freely.
class DisplayInfo
{
public:
    static constexpr int MaxEdidBytes = 1024;

    DisplayInfo();

    // The raw EDID, at most 1024 bytes kept; length 0 when the system gave none.
    QByteArray edid() const;
    int edidLength() const { return m_edidLength; }
    const unsigned char* edidData() const { return m_edid.data(); }
    void setEdid(const QByteArray& edid);

    QString deviceName() const { return m_deviceName; }
    void setDeviceName(const QString& name) { m_deviceName = name; }
    // The further system strings: output device string, video card name, video card key.
    QString deviceString() const { return m_deviceString; }
    void setDeviceString(const QString& text) { m_deviceString = text; }
    QString videoCardName() const { return m_videoCardName; }
    void setVideoCardName(const QString& name) { m_videoCardName = name; }
    QString videoCardKey() const { return m_videoCardKey; }
    void setVideoCardKey(const QString& key) { m_videoCardKey = key; }
    // The CRTC that drives the output (RandR CRTC id, simulated index); -1 when unknown.
    qint64 crtc() const { return m_crtc; }
    void setCrtc(qint64 crtc) { m_crtc = crtc; }

    int index() const { return m_index; }
    void setIndex(int index) { m_index = index; }

    QString shortManufacturer() const { return m_shortManufacturer; }
    void setShortManufacturer(const QString& code) { m_shortManufacturer = code; }
    QString nameFC() const { return m_nameFC; }
    void setNameFC(const QString& text) { m_nameFC = text; }
    QString textFE() const { return m_textFE; }
    void setTextFE(const QString& text) { m_textFE = text; }
    // EDID bytes 10 and 11 as they stand.
    std::array<unsigned char, 2> productCode() const { return m_productCode; }
    void setProductCode(unsigned char low, unsigned char high) { m_productCode = {low, high}; }

    // Two numbers and two flags for the caller's own bookkeeping; 0 and false from the enumeration.
    int callerValue(int which) const { return m_callerValues.at(which); }
    void setCallerValue(int which, int value) { m_callerValues.at(which) = value; }
    bool callerFlag(int which) const { return m_callerFlags.at(which); }
    void setCallerFlag(int which, bool flag) { m_callerFlags.at(which) = flag; }

    // Left, top, right and bottom on the desktop, right and bottom inclusive; -1 until set.
    int left() const { return m_left; }
    int top() const { return m_top; }
    int right() const { return m_right; }
    int bottom() const { return m_bottom; }
    bool hasRect() const { return m_left != -1 || m_right != -1; }
    QRect rect() const
    {
        return hasRect() ? QRect(QPoint(m_left, m_top), QPoint(m_right, m_bottom)) : QRect();
    }
    void setRect(int left, int top, int right, int bottom);
    void setRect(const QRect& rect);
    bool containsPoint(int x, int y) const;

    int width() const { return m_width; }
    int height() const { return m_height; }
    void setResolution(int width, int height);
    int widthMm() const { return m_widthMm; }
    int heightMm() const { return m_heightMm; }
    void setPhysicalSize(int widthMm, int heightMm);
    // A rotated output: pixel and millimetre width and height change places.
    void swapWidthHeight();

    QString name() const { return m_name; }
    void setName(const QString& name);
    QString serial() const { return m_serial; }
    void setSerial(const QString& serial);
    QString detectSerial() const { return m_detectSerial; }
    void setDetectSerial(const QString& serial);
    QString manufacture() const { return m_manufacture; }
    void setManufacture(const QString& manufacture);

    bool isEmpty() const { return m_edidLength == 0 && m_deviceName.isEmpty() && m_serial.isEmpty(); }

private:
    std::array<unsigned char, MaxEdidBytes> m_edid{};
    int m_edidLength = 0;
    QString m_deviceName;
    QString m_deviceString;
    QString m_videoCardName;
    QString m_videoCardKey;
    qint64 m_crtc = -1;
    int m_index = -1;
    QString m_shortManufacturer;
    QString m_nameFC;
    QString m_textFE;
    std::array<unsigned char, 2> m_productCode{};
    std::array<int, 2> m_callerValues{};
    std::array<bool, 2> m_callerFlags{};
    int m_left = -1;
    int m_top = -1;
    int m_right = -1;
    int m_bottom = -1;
    int m_width = -1;
    int m_height = -1;
    int m_widthMm = -1;
    int m_heightMm = -1;
    QString m_name;
    QString m_serial;
    QString m_detectSerial;
    QString m_manufacture;
};
