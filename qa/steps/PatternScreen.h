#pragma once

#include <QString>

// Where a measuring step shows its test patterns: the display under test. The step only
// names the pattern and the place the sensor is at.
class PatternScreen
{
public:
    virtual ~PatternScreen() = default;
    // False when the pattern cannot be shown (an unknown name, no display).
    virtual bool show(const QString& pattern, const QString& position) = 0;
    virtual void hide() = 0;
};
