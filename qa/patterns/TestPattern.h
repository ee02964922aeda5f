#pragma once

#include <QRectF>
#include <QString>

class QPainter;
class QSize;

// What a measuring step asks the screen to show, by the pattern's name: a grey field with
// an optional patch where the sensor goes.
//   "TG18-LN8-01" ... "TG18-LN8-18": a patch at one of 18 evenly spread levels on a 20 % field
//   "TG18-UN10", "TG18-UN80", "TG18-UNL10", "TG18-UNL80": a uniform field at 10 % or 80 %
//     (the UNL forms mark the five measuring positions)
//   "TG18-UNL" + ":<>:" + position + ":<>:" + level: the uniform field at that level, marked at that position
//   "Solid_N": a uniform field of grey N (0 to 255)
class TestPattern
{
public:
    // An unknown name gives an invalid pattern, drawn black.
    static TestPattern fromName(const QString& name);

    bool isValid() const { return m_valid; }
    QString name() const { return m_name; }
    // 8-bit grey of the field and of the patch (the patch equals the field when there is none).
    int background() const { return m_background; }
    int patch() const { return m_patch; }
    // The patch in fractions of the screen; empty for a uniform field.
    QRectF patchRect() const { return m_patchRect; }
    // The position the pattern marks ("center", "top-left", ...), empty for none.
    QString markedPosition() const { return m_marked; }
    bool marksAllPositions() const { return m_marksAll; }

    // The grey a sensor at `position` sees.
    int greyAt(const QString& position) const;
    // Where the sensor goes for a position name, in fractions of the screen.
    static QRectF positionRect(const QString& position);
    // The level of "TG18-LN8-NN": round((NN - 1) × 255 / 17).
    static int ln8Level(int number);

    void paint(QPainter& painter, const QSize& size) const;

private:
    QString m_name;
    bool m_valid = false;
    int m_background = 0;
    int m_patch = 0;
    QRectF m_patchRect;
    QString m_marked;
    bool m_marksAll = false;
};
