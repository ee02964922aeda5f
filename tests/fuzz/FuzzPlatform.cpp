// The platform part of the fuzz support, for entries whose code asks the platform.
#include "platform/Platform.h"
#include "platform/PlatformOptions.h"
#include "tests/fuzz/FuzzSupport.h"

namespace FuzzSupport {

void useSimulatedPlatform()
{
    static const bool done = [] {
        scratchFolder();
        PlatformOptions options;
        options.platform = QStringLiteral("sim");
        QString error;
        return Platform::select(options, &error);
    }();
    Q_UNUSED(done);
}

} // namespace FuzzSupport
