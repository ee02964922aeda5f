// libFuzzer entry: the capability parser and every query on arbitrary text, as a faulty or
// hostile display might send it.
#include "displays/CParseCapabilityString.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CParseCapabilityString parser;
    parser.ParseString(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const int code : parser.vcpCodes()) {
        parser.IsVCPEnumerated(code);
        parser.ContainsEnumeratedVCPofValue(code, 1);
    }
    for (const int cmd : parser.commands())
        parser.IsCommandAndVCPSupported(cmd, 0x10);
    parser.gammaTable();
    return 0;
}
