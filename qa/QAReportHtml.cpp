#include "qa/QAReportHtml.h"

#include "qa/QAResult.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>

namespace {

// Labels and criteria carry the regulations' own markup (sub, &ge;), so they are written as
// they are; only values typed by people are escaped.
QString text(const QString& value)
{
    return value.toHtmlEscaped();
}

QString verdict(bool passed)
{
    return passed ? QStringLiteral("<span class=\"pass\">passed</span>")
                  : QStringLiteral("<span class=\"fail\">failed</span>");
}

// Round numbers for the axis: 1, 2 or 5 times a power of ten.
double niceStep(double range, int ticks)
{
    if (range <= 0)
        return 1;
    const double raw = range / ticks;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
        if (raw <= factor * power)
            return factor * power;
    }
    return 10 * power;
}

QString svgGraph(const QAStep::ReportInfo::Graph& graph)
{
    constexpr double width = 640, height = 300, left = 60, right = 20, top = 20, bottom = 45;
    double xmin = INFINITY, xmax = -INFINITY, ymin = 0, ymax = -INFINITY;
    for (const auto& line : graph.lines) {
        for (const QPointF& p : line.points) {
            xmin = std::min(xmin, p.x());
            xmax = std::max(xmax, p.x());
            ymin = std::min(ymin, p.y());
            ymax = std::max(ymax, p.y());
        }
    }
    if (!std::isfinite(xmin) || !std::isfinite(ymax))
        return QString();
    if (xmax <= xmin)
        xmax = xmin + 1;
    const double yStep = niceStep(ymax - ymin, 5);
    ymax = std::ceil(ymax / yStep) * yStep;
    ymin = std::floor(ymin / yStep) * yStep;
    if (ymax <= ymin)
        ymax = ymin + yStep;
    const double plotW = width - left - right, plotH = height - top - bottom;
    const auto px = [&](double x) { return left + (x - xmin) / (xmax - xmin) * plotW; };
    const auto py = [&](double y) { return top + (ymax - y) / (ymax - ymin) * plotH; };

    QString svg = QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" "
                                 "viewBox=\"0 0 %1 %2\" class=\"graph\">\n")
                      .arg(width)
                      .arg(height);
    svg +=
        QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"#fff\" stroke=\"#444\"/>\n")
            .arg(left)
            .arg(top)
            .arg(plotW)
            .arg(plotH);
    for (double y = ymin; y <= ymax + yStep / 2; y += yStep) {
        svg += QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\" stroke=\"#ddd\"/>"
                              "<text x=\"%4\" y=\"%5\" font-size=\"11\" text-anchor=\"end\">%6</text>\n")
                   .arg(left)
                   .arg(py(y), 0, 'f', 1)
                   .arg(left + plotW)
                   .arg(left - 4)
                   .arg(py(y) + 4, 0, 'f', 1)
                   .arg(QString::number(y, 'g', 3));
    }
    const double xStep = niceStep(xmax - xmin, 8);
    for (double x = std::ceil(xmin / xStep) * xStep; x <= xmax; x += xStep) {
        svg += QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%1\" y2=\"%3\" stroke=\"#ddd\"/>"
                              "<text x=\"%1\" y=\"%4\" font-size=\"11\" text-anchor=\"middle\">%5</text>\n")
                   .arg(px(x), 0, 'f', 1)
                   .arg(top)
                   .arg(top + plotH)
                   .arg(top + plotH + 14)
                   .arg(QString::number(x, 'g', 4));
    }
    svg += QStringLiteral("<text x=\"%1\" y=\"%2\" font-size=\"12\" text-anchor=\"middle\">%3</text>\n")
               .arg(left + plotW / 2)
               .arg(height - 8)
               .arg(text(graph.xLabel));
    svg += QStringLiteral("<text x=\"14\" y=\"%1\" font-size=\"12\" text-anchor=\"middle\" "
                          "transform=\"rotate(-90 14 %1)\">%2</text>\n")
               .arg(top + plotH / 2)
               .arg(text(graph.yLabel));
    int legend = 0;
    for (const auto& line : graph.lines) {
        const QString color = line.color.isEmpty() ? QStringLiteral("#000") : line.color;
        if (line.type == QLatin1String("dot")) {
            for (const QPointF& p : line.points)
                svg += QStringLiteral("<circle cx=\"%1\" cy=\"%2\" r=\"3.5\" fill=\"%3\"/>\n")
                           .arg(px(p.x()), 0, 'f', 1)
                           .arg(py(p.y()), 0, 'f', 1)
                           .arg(color);
        } else {
            QStringList points;
            for (const QPointF& p : line.points)
                points << QStringLiteral("%1,%2").arg(px(p.x()), 0, 'f', 1).arg(py(p.y()), 0, 'f', 1);
            svg +=
                QStringLiteral("<polyline fill=\"none\" stroke=\"%1\" stroke-width=\"2\" points=\"%2\"/>\n")
                    .arg(color, points.join(QLatin1Char(' ')));
        }
        const double ly = top + 14 + 16 * legend++;
        svg += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"12\" height=\"4\" fill=\"%3\"/>"
                              "<text x=\"%4\" y=\"%5\" font-size=\"12\">%6</text>\n")
                   .arg(left + plotW - 110)
                   .arg(ly - 4)
                   .arg(color)
                   .arg(left + plotW - 94)
                   .arg(ly)
                   .arg(text(line.name));
    }
    return svg + QStringLiteral("</svg>\n");
}

QString stepSection(const QAStep::ReportInfo& info)
{
    QString html = QStringLiteral("<section class=\"step\"><h2>%1 &mdash; %2</h2>\n")
                       .arg(text(info.title), verdict(info.passed));
    if (!info.values.isEmpty()) {
        html += QStringLiteral(
            "<table><tr><th>Quantity</th><th>Value</th><th>Criterion</th><th>Result</th></tr>\n");
        for (const auto& row : info.values) {
            html += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td></tr>\n")
                        .arg(row.label, row.value, row.criterion + row.limit,
                             row.applied ? verdict(row.passed) : QString());
        }
        html += QStringLiteral("</table>\n");
    }
    for (const auto& detail : info.detailedValues) {
        html += QStringLiteral("<p class=\"detail\"><b>%1:</b> ").arg(detail.title);
        QStringList parts;
        for (const auto& [name, value] : detail.rows)
            parts << text(name) + QStringLiteral(" ") + value;
        html += parts.join(QStringLiteral(", ")) + QStringLiteral("</p>\n");
    }
    for (const auto& graph : info.graphs)
        html += QStringLiteral("<h3>%1</h3>\n").arg(text(graph.name)) + svgGraph(graph);
    for (const auto& table : info.tables) {
        html += QStringLiteral("<h3>%1</h3><table class=\"small\"><tr>").arg(text(table.title));
        for (const QString& head : table.header)
            html += QStringLiteral("<th>%1</th>").arg(text(head));
        html += QStringLiteral("</tr>\n");
        for (const QStringList& row : table.rows) {
            html += QStringLiteral("<tr>");
            for (const QString& cell : row)
                html += QStringLiteral("<td>%1</td>").arg(cell);
            html += QStringLiteral("</tr>\n");
        }
        html += QStringLiteral("</table>\n");
    }
    if (!info.note.isEmpty())
        html += QStringLiteral("<p class=\"note\">%1</p>\n").arg(text(info.note));
    if (!info.comment.isEmpty())
        html += QStringLiteral("<p class=\"comment\">Comment: %1</p>\n").arg(text(info.comment));
    return html + QStringLiteral("</section>\n");
}

} // namespace

QString QAReportHtml::page(const QAResult& result)
{
    const QString when =
        QDateTime::fromSecsSinceEpoch(result.runtime()).toString(QStringLiteral("yyyy.MM.dd hh:mm"));
    QString html =
        QStringLiteral(
            "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>%1</title>\n<style>\n"
            "body{font-family:sans-serif;font-size:12px;margin:24px;color:#111}\n"
            "h1{font-size:20px;margin:0 0 4px}h2{font-size:15px;margin:16px 0 "
            "6px}h3{font-size:13px;margin:10px 0 4px}\n"
            "table{border-collapse:collapse;margin-bottom:6px}td,th{border:1px solid #999;padding:2px 6px;"
            "text-align:left}\n"
            "table.small td{font-size:11px}.headers{display:flex;flex-wrap:wrap;gap:12px}\n"
            ".pass{color:#070;font-weight:bold}.fail{color:#b00;font-weight:bold}.note{color:#b00}\n"
            ".signature{margin-top:30px}\n</style></head><body>\n")
            .arg(text(result.testName()));
    html += QStringLiteral("<h1>%1</h1>\n<p>%2 &middot; regulation %3 &middot; history %4 &middot; overall "
                           "result: %5</p>\n")
                .arg(text(result.testName()), when, text(result.GetRegulation()))
                .arg(result.historyId())
                .arg(verdict(result.GetResult() == 2));
    html += QStringLiteral("<div class=\"headers\">\n");
    for (const auto& [title, rows] : result.headerTables()) {
        html += QStringLiteral("<table><tr><th colspan=\"2\">%1</th></tr>\n").arg(text(title));
        for (const auto& [label, value] : rows)
            html += QStringLiteral("<tr><td>%1</td><td>%2</td></tr>\n").arg(text(label), text(value));
        html += QStringLiteral("</table>\n");
    }
    html += QStringLiteral("</div>\n");
    for (const auto& [stepId, info] : result.allSteps())
        html += stepSection(info);
    html += QStringLiteral("<p class=\"signature\">Checked by: ______________________ &nbsp; Date: "
                           "____________ &nbsp; Signature: ______________________</p>\n</body></html>\n");
    return html;
}
