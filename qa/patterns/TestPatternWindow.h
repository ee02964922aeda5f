#pragma once

#include "qa/patterns/TestPattern.h"

#include <QRect>
#include <QWidget>

// A frameless window covering one display that shows one test pattern until told otherwise.
class TestPatternWindow : public QWidget
{
    Q_OBJECT
public:
    explicit TestPatternWindow(QWidget* parent = nullptr);

    // `display` is the display's desktop rectangle; the window covers it exactly.
    bool showPattern(const QString& name, const QRect& display);
    const TestPattern& pattern() const { return m_pattern; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TestPattern m_pattern;
};
