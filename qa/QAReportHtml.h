#pragma once

#include <QString>

class QAResult;

// A stored QA result as one printable page: header tables, each step with its values and
// criteria, and the step graphs drawn as inline SVG, so the file needs nothing beside it.
class QAReportHtml
{
public:
    QAReportHtml() = delete;
    static QString page(const QAResult& result);
};
