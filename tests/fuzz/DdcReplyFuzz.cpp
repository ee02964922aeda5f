// libFuzzer entry: a display's DDC/CI reply as the bus delivers it, through the checking and
// repair of both framings (standard and the WIDE variant); the first byte picks the framing
// and whether the next checksum is waived.
#include "displays/DDCCIControl.h"
#include "tests/fuzz/FuzzSupport.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// The framing of the base class with no bus behind it: only replies handed in are checked.
class ReplyOnlyTransport : public DDCCIControl
{
public:
    ReplyOnlyTransport() : DDCCIControl(-1) {}
    int read(unsigned char*, unsigned) override { return -1; }
    int write(unsigned char*, unsigned, unsigned) override { return -1; }
    void useFraming(int kind) { setProtocolKind(kind); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSupport::quiet();
    FuzzSupport::useSimulatedPlatform();
    static ReplyOnlyTransport transport;
    // Callers always hand over a buffer; an empty read never reaches the repair.
    if (size < 2)
        return 0;
    const uint8_t mode = data[0];
    transport.useFraming((mode & 1) ? DDCCIControl::ProtocolWideDDCCI : DDCCIControl::ProtocolStandard);
    if (mode & 2)
        transport.skipChecksumVerificationOnce();
    // Exactly as long as the reply, so that any read beyond it is caught.
    std::vector<unsigned char> reply(data + 1, data + size);
    const int length = transport.handleReadPackage(reply.data(), static_cast<unsigned>(reply.size()));
    if (length > static_cast<int>(reply.size()))
        __builtin_trap();
    // The write side frames what the read side unwrapped.
    if (length > 0 && length <= 127) {
        unsigned char package[DDCCIControl::MaxPackageSize];
        transport.makeI2CPackage(package, reply.data(), static_cast<unsigned char>(length),
                                 DDCCIControl::DDCCI_ADDRESS);
    }
    transport.readPkgSize(static_cast<unsigned>(size));
    return 0;
}
