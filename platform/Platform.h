#pragma once

#include "platform/PlatformOptions.h"

#include <memory>

class PlatformBackend;
class SimWorkstation;

// The backend chosen at start. Set once on the main thread before any other
// thread runs; read afterwards without a lock.
class Platform
{
public:
    // Picks and creates the backend; false (with `error`) when the options name
    // an unknown platform or a workstation file that cannot be loaded.
    static bool select(const PlatformOptions& options, QString* error = nullptr);
    // Installs a ready backend (tests that build a workstation in memory).
    static void install(std::unique_ptr<PlatformBackend> backend);
    static void reset();

    // The active backend; the native one when nothing was selected yet.
    static PlatformBackend& backend();
    // The simulated workstation when the sim backend is active, otherwise null.
    static SimWorkstation* workstation();
};
