// Throughput of EDID parsing (every display on every enumeration and every display-change check)
// and of one whole enumeration of the simulated three-display workstation.
#include "bench/support/BenchReport.h"
#include "displays/DisplayEnumerator.h"
#include "displays/EDIDParser.h"
#include "platform/Platform.h"

#include <QFile>

#include <cstdio>

namespace {

volatile qsizetype g_sink = 0;

void silence(QtMsgType, const QMessageLogContext&, const QString&) {}

QByteArray fixture(const char* name)
{
    QFile file(QStringLiteral(EDID_FIXTURE_DIR "/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What the enumeration asks of each EDID.
qsizetype parseFully(const QByteArray& edid)
{
    EDIDParser parser(edid, QStringLiteral("DP-1"));
    return parser.name().size() + parser.serial().size() + parser.manufacturer().size() +
           parser.getEDIDString(EDIDParser::TagName).size() + parser.getEDIDString(EDIDParser::TagText).size() +
           static_cast<qsizetype>(parser.realSizesMm().size() + parser.resolutions().size());
}

} // namespace

void runBenchmarks(BenchReport& report)
{
    // The log file is measured elsewhere; here only the parser's own work counts.
    const QtMessageHandler previous = qInstallMessageHandler(silence);
    const QList<QByteArray> edids{fixture("DELL-U2713H.bin"), fixture("LG-L225W-External.bin"),
                                  fixture("Lenovo-T61-Internal.bin")};
    constexpr int Parses = 300;
    const double ns = BenchReport::measure([&edids] {
        qsizetype sum = 0;
        for (int i = 0; i < Parses; ++i)
            sum += parseFully(edids.at(i % edids.size()));
        g_sink = sum;
    });
    report.add(QStringLiteral("displays: %1 EDID parses (3 real EDIDs)").arg(Parses), ns);

    PlatformOptions options;
    options.platform = QStringLiteral("sim");
    if (Platform::select(options)) {
        report.measureAndAdd(QStringLiteral("displays: enumerate simulated workstation (3)"), [] {
            DisplayEnumerator displays;
            displays.EnumerateDisplays();
            g_sink = displays.Count();
        });
    }
    qInstallMessageHandler(previous);
    std::printf("EDID parses per second: %.0f; per reference run: %.2f\n", Parses * 1e9 / ns,
                Parses * report.baseline() / ns);
}
