#include "qa/patterns/TestPatternWindow.h"

#include <QPainter>

TestPatternWindow::TestPatternWindow(QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::BlankCursor);
    setWindowTitle(QStringLiteral("Test pattern"));
}

bool TestPatternWindow::showPattern(const QString& name, const QRect& display)
{
    m_pattern = TestPattern::fromName(name);
    if (display.isValid())
        setGeometry(display);
    show();
    raise();
    update();
    return m_pattern.isValid();
}

void TestPatternWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    m_pattern.paint(painter, size());
}
