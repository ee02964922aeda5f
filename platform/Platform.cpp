#include "platform/Platform.h"

#include "platform/PlatformBackend.h"
#include "platform/SessionIdentity.h"
#include "platform/sim/SimBackend.h"
#include "platform/sim/SimWorkstation.h"

#if defined(Q_OS_WIN)
#include "platform/win/WinBackend.h"
#else
#include "platform/linux/LinuxBackend.h"
#endif

namespace {

std::unique_ptr<PlatformBackend>& activeBackend()
{
    static std::unique_ptr<PlatformBackend> backend;
    return backend;
}

std::unique_ptr<PlatformBackend> createNativeBackend()
{
#if defined(Q_OS_WIN)
    return std::make_unique<WinBackend>();
#else
    return std::make_unique<LinuxBackend>();
#endif
}

} // namespace

bool Platform::select(const PlatformOptions& options, QString* error)
{
    auto fail = [error](const QString& message) {
        if (error)
            *error = message;
        return false;
    };
    if (!options.error.isEmpty())
        return fail(options.error);
    {
        // Locks, sockets and simulated hardware state all live in the runtime folder.
        QString runtimeError;
        if (!createNativeBackend()->session().checkRuntimeDirectory(&runtimeError))
            return fail(QStringLiteral("refusing to start: %1").arg(runtimeError));
    }
    if (options.platform == PlatformOptions::nativePlatform()) {
        install(createNativeBackend());
        return true;
    }
    if (options.platform == QLatin1String("sim")) {
        auto workstation = std::make_unique<SimWorkstation>();
        const QString file =
            options.workstation.isEmpty() ? SimWorkstation::defaultWorkstationFile() : options.workstation;
        QString loadError;
        if (!workstation->loadFile(file, &loadError))
            return fail(loadError);
        install(std::make_unique<SimBackend>(createNativeBackend(), std::move(workstation)));
        return true;
    }
    return fail(QStringLiteral("unknown platform \"%1\" (expected %2 or sim)")
                    .arg(options.platform, PlatformOptions::nativePlatform()));
}

void Platform::install(std::unique_ptr<PlatformBackend> backend)
{
    activeBackend() = std::move(backend);
}

void Platform::reset()
{
    activeBackend().reset();
}

PlatformBackend& Platform::backend()
{
    auto& backend = activeBackend();
    if (!backend)
        backend = createNativeBackend();
    return *backend;
}

SimWorkstation* Platform::workstation()
{
    auto* sim = dynamic_cast<SimBackend*>(&backend());
    return sim ? &sim->workstation() : nullptr;
}
