#include "qa/patterns/TestPattern.h"

#include <QDebug>
#include <QPainter>
#include <QRegularExpression>

#include <cmath>

namespace {

// The field the luminance patches sit on: 20 % of full scale.
constexpr int LN_BACKGROUND = 51;
// A patch covers a tenth of the screen's area, centred.
const QRectF CENTRE_PATCH(0.5 - 0.158, 0.5 - 0.158, 0.316, 0.316);

int percentGrey(int percent)
{
    return int(std::lround(percent * 255 / 100.0));
}

} // namespace

int TestPattern::ln8Level(int number)
{
    return int(std::lround((number - 1) * 255.0 / 17.0));
}

QRectF TestPattern::positionRect(const QString& position)
{
    // Corner positions sit a tenth of the screen in from the edges, as the uniformity tests measure.
    const double size = 0.12;
    const auto at = [size](double cx, double cy) { return QRectF(cx - size / 2, cy - size / 2, size, size); };
    if (position == QLatin1String("top-left"))
        return at(0.1 + size / 2, 0.1 + size / 2);
    if (position == QLatin1String("top-right"))
        return at(0.9 - size / 2, 0.1 + size / 2);
    if (position == QLatin1String("bottom-left"))
        return at(0.1 + size / 2, 0.9 - size / 2);
    if (position == QLatin1String("bottom-right"))
        return at(0.9 - size / 2, 0.9 - size / 2);
    return at(0.5, 0.5);
}

TestPattern TestPattern::fromName(const QString& name)
{
    TestPattern pattern;
    pattern.m_name = name;
    static const QRegularExpression ln8(QStringLiteral("^TG18-LN8-(\\d\\d)$"));
    static const QRegularExpression uniform(QStringLiteral("^TG18-UN(L?)(10|80)$"));
    static const QRegularExpression solid(QStringLiteral("^Solid_(\\d{1,3})$"));
    if (const auto m = ln8.match(name); m.hasMatch()) {
        const int number = m.captured(1).toInt();
        if (number >= 1 && number <= 18) {
            pattern.m_valid = true;
            pattern.m_background = LN_BACKGROUND;
            pattern.m_patch = ln8Level(number);
            pattern.m_patchRect = CENTRE_PATCH;
            pattern.m_marked = QStringLiteral("center");
        }
    } else if (const auto u = uniform.match(name); u.hasMatch()) {
        pattern.m_valid = true;
        pattern.m_background = pattern.m_patch = percentGrey(u.captured(2).toInt());
        pattern.m_marksAll = !u.captured(1).isEmpty();
    } else if (const auto s = solid.match(name); s.hasMatch() && s.captured(1).toInt() <= 255) {
        pattern.m_valid = true;
        pattern.m_background = pattern.m_patch = s.captured(1).toInt();
    } else if (name.startsWith(QLatin1String("TG18-UNL:<>:"))) {
        const QStringList parts = name.split(QStringLiteral(":<>:"));
        bool ok = false;
        const int level = parts.value(2).toInt(&ok);
        if (parts.size() == 3 && ok && level >= 0 && level <= 100) {
            pattern.m_valid = true;
            pattern.m_background = pattern.m_patch = percentGrey(level);
            pattern.m_marked = parts[1];
        }
    }
    if (!pattern.m_valid)
        qWarning() << "TestPattern::fromName - unknown test pattern" << name << "- a black screen is shown";
    return pattern;
}

int TestPattern::greyAt(const QString& position) const
{
    if (!m_patchRect.isEmpty() && m_patchRect.contains(positionRect(position).center()))
        return m_patch;
    return m_background;
}

void TestPattern::paint(QPainter& painter, const QSize& size) const
{
    const QRectF screen(QPointF(0, 0), QSizeF(size));
    painter.fillRect(screen, QColor(m_background, m_background, m_background));
    if (!m_patchRect.isEmpty()) {
        const QRectF patch(m_patchRect.x() * size.width(), m_patchRect.y() * size.height(),
                           m_patchRect.width() * size.width(), m_patchRect.height() * size.height());
        painter.fillRect(patch, QColor(m_patch, m_patch, m_patch));
    }
    // Thin outlines show where the sensor goes; they never cover the measured centre.
    QStringList marks;
    if (m_marksAll)
        marks = {"center", "top-left", "top-right", "bottom-left", "bottom-right"};
    else if (!m_marked.isEmpty() && m_patchRect.isEmpty())
        marks << m_marked;
    const int contrast = m_background < 128 ? 255 : 0;
    painter.setPen(QPen(QColor(contrast, contrast, contrast), 1));
    painter.setBrush(Qt::NoBrush);
    for (const QString& mark : marks) {
        const QRectF r = positionRect(mark);
        painter.drawRect(QRectF(r.x() * size.width(), r.y() * size.height(), r.width() * size.width(),
                                r.height() * size.height()));
    }
}
