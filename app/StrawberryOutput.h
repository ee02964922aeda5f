#pragma once

#include <QDebug>
#include <QString>

// A tracing stream: each line begins with a prefix ("W: " warnings, "R: " returns,
// "@@ " traces), the source location and the thread, then whatever is streamed in.
class StrawberryOutput
{
public:
    StrawberryOutput(const char* file, int line, const char* prefix = "@@ ");
    ~StrawberryOutput();
    StrawberryOutput(const StrawberryOutput&) = delete;
    StrawberryOutput& operator=(const StrawberryOutput&) = delete;

    template <typename T> StrawberryOutput& operator<<(const T& value)
    {
        QDebug(&m_text).noquote().nospace() << value;
        return *this;
    }

private:
    QString m_text;
};

// Marks the return from a traced scope with an "R: " line when it goes out of scope.
class StrawberryOutputAutoStackIndent
{
public:
    StrawberryOutputAutoStackIndent(const char* file, int line);
    ~StrawberryOutputAutoStackIndent();
    StrawberryOutputAutoStackIndent(const StrawberryOutputAutoStackIndent&) = delete;
    StrawberryOutputAutoStackIndent& operator=(const StrawberryOutputAutoStackIndent&) = delete;

private:
    const char* m_file;
    int m_line;
};

#define STRAWBERRY_TRACE() StrawberryOutput(__FILE__, __LINE__, "@@ ")
#define STRAWBERRY_WARN() StrawberryOutput(__FILE__, __LINE__, "W: ")
