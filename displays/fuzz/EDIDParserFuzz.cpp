// libFuzzer entry: every public reader of the parser on arbitrary bytes, as the operating system
// or a faulty display might hand them over.
#include "displays/EDIDParser.h"

#include <QtGlobal>

#include <cstddef>
#include <cstdint>

namespace {

void silence(QtMsgType, const QMessageLogContext&, const QString&) {}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = (qInstallMessageHandler(silence), true);
    Q_UNUSED(quiet);
    EDIDParser parser(data, static_cast<unsigned>(size), QStringLiteral("DEFAULT"));
    parser.name();
    parser.serial();
    parser.manufacturer();
    parser.resolutions();
    parser.realSizesMm();
    parser.preferredResolution();
    for (const unsigned char tag : {0xFC, 0xFE, 0xFF, 0x0F, 0x00})
        parser.getEDIDString(tag);
    parser.getEDIDIntervalHex(0, static_cast<unsigned>(size) + 4, true);
    parser.getEDIDIntervalHex(static_cast<unsigned>(size), 2, false);
    EDIDParser::cleanString(
        QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    return 0;
}
